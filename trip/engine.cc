// One trip-meter update: ask the host for a fix, measure the step from the
// previous fix and add it to the meters.
#include "trip/engine.h"

#include "hostlink/sender.h"
#include "plugin/arithmetic.h"
#include "plugin/form1.h"

namespace trezik {
namespace {

// The failure rule of a tick, in one place: a statement that fails with a
// type mismatch (a text that is not a number) is skipped and the tick goes
// on; any other failure leaves this function and ends the tick.
template <typename Statement>
void RunTickStatement(Statement&& statement) {
  try {
    statement();
  } catch (const Error& error) {
    if (error.kind() != ErrorKind::kTypeMismatch) throw;
  }
}

void AddStep(const Form1& form, std::string& meter, double step) {
  RunTickStatement([&] { meter = form.Text(CheckedAdd(form.Number(meter), step)); });
}

}  // namespace

void Form1::UpdateTrip() {
  try {
    prevlat = gpslat;
    prevlon = gpslon;
    SendToHost(kHostWindowTitle, kFixRequest);
    // Until a first fix has been seen, the previous fix is the new one.
    if (prevlat == "gpslat") prevlat = gpslat;
    if (prevlon == "gpslon") prevlon = gpslon;

    double step = 0.0;
    RunTickStatement([&] {
      step = greatcircledistance1(Number(prevlat), Number(gpslat), Number(prevlon), Number(gpslon));
    });
    RunTickStatement(
        [&] { step = CheckedDivide(CheckedMultiply(step, kKilometresPerNauticalMile), multiplier); });
    if (step < kStepBound) {
      AddStep(*this, distance, step);
      AddStep(*this, trip_total, step);
      if (workbool) AddStep(*this, workmeter, step);
    }
  } catch (...) {
    // The tick ends quietly: nobody is there to be told.
  }
}

}  // namespace trezik

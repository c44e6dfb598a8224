// One trip-meter update: ask the host for a fix, measure the step from the
// previous fix and add it to the meters.
#include "trip/engine.h"

#include "core/arithmetic.h"
#include "hostlink/protocol.h"
#include "hostlink/sender.h"
#include "state/form1.h"
#include "trip/distance.h"
#include "trip/units.h"

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

void UpdateTrip(Form1& form) {
  try {
    form.prevlat = form.gpslat;
    form.prevlon = form.gpslon;
    SendToHost(kHostWindowTitle, kFixRequest);
    // Until a first fix has been seen, the previous fix is the new one.
    if (form.prevlat == "gpslat") form.prevlat = form.gpslat;
    if (form.prevlon == "gpslon") form.prevlon = form.gpslon;

    double step = 0.0;
    RunTickStatement([&] {
      step = greatcircledistance1(form.Number(form.prevlat), form.Number(form.gpslat),
                                  form.Number(form.prevlon), form.Number(form.gpslon));
    });
    RunTickStatement(
        [&] { step = CheckedDivide(CheckedMultiply(step, kKilometresPerNauticalMile), form.multiplier); });
    if (step < kStepBound) {
      AddStep(form, form.distance, step);
      AddStep(form, form.trip_total, step);
      if (form.workbool) AddStep(form, form.workmeter, step);
    }
  } catch (...) {
    // The tick ends quietly: nobody is there to be told.
  }
}

}  // namespace trezik

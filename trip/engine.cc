// One trip-meter update: ask the host for a fix, measure the step from the
// previous fix and add it to the meters.
#include "trip/engine.h"

#include "core/arithmetic.h"
#include "hostlink/protocol.h"
#include "hostlink/sender.h"
#include "state/form1.h"
#include "trip/distance.h"
#include "trip/trip_observer.h"
#include "trip/units.h"
#include "trip/wgs84.h"

namespace trezik {
namespace {

// The failure rule of a tick, in one place: a statement that fails with a
// type mismatch (a text that is not a number) is skipped and the tick goes
// on; any other failure leaves this function and ends the tick.
// Says whether the statement ran to its end.
template <typename Statement>
bool RunTickStatement(Statement&& statement) {
  try {
    statement();
    return true;
  } catch (const Error& error) {
    if (error.kind() != ErrorKind::kTypeMismatch) throw;
    return false;
  }
}

thread_local TripObserver* observer = nullptr;

// Tells the thread's observer, if there is one, what became of the tick's
// step, on every way out of the tick.
class StepReporter {
 public:
  explicit StepReporter(const Form1& form) : form_(form) {}
  ~StepReporter() {
    if (observer == nullptr) return;
    report.trip = Meter(form_.distance);
    report.total = Meter(form_.trip_total);
    report.work = Meter(form_.workmeter);
    observer->OnStep(report);
  }
  StepReporter(const StepReporter&) = delete;
  StepReporter& operator=(const StepReporter&) = delete;
  StepReport report;

 private:
  std::optional<double> Meter(const std::string& text) const {
    try {
      return form_.Number(text);
    } catch (...) {
      return std::nullopt;
    }
  }
  const Form1& form_;
};

void AddStep(const Form1& form, std::string& meter, double step) {
  RunTickStatement([&] { meter = form.Text(CheckedAdd(form.Number(meter), step)); });
}

// The standstill filter: the host reported a speed, and it is below
// "minspeed". Without a reported speed nothing is held back.
bool StandingStill(const Form1& form) {
  const double minspeed = form.options().trip.minspeed;
  const std::optional<double>& speed = form.reported_speed().value;
  return minspeed > 0 && speed && *speed < minspeed;
}

// Nautical miles from the previous fix to this one, on the sphere or, when
// the driver chose it, on the WGS84 ellipsoid.
double StepNauticalMiles(const Form1& form) {
  const double lat1 = form.Number(form.prevlat), lat2 = form.Number(form.gpslat);
  const double lon1 = form.Number(form.prevlon), lon2 = form.Number(form.gpslon);
  if (form.options().trip.wgs84) return Wgs84NauticalMiles(lat1, lat2, lon1, lon2);
  return greatcircledistance1(lat1, lat2, lon1, lon2);
}

}  // namespace

TripFilterState& TripFilterToWrite(Form1& form) { return form.trip_filter_; }

void ResetTripFilter(Form1& form) { TripFilterToWrite(form) = {}; }

ScopedTripObserver::ScopedTripObserver(TripObserver& installed) : previous_(observer) {
  observer = &installed;
}

ScopedTripObserver::~ScopedTripObserver() { observer = previous_; }

void UpdateTrip(Form1& form) {
  StepReporter reporter(form);
  StepReport& report = reporter.report;
  try {
    // While the standstill filter holds, the previous fix stays the anchor.
    TripFilterState& filter = TripFilterToWrite(form);
    if (!filter.holding_anchor) {
      form.prevlat = form.gpslat;
      form.prevlon = form.gpslon;
    }
    SendToHost(kHostWindowTitle, kFixRequest);
    // Until a first fix has been seen, the previous fix is the new one.
    if (form.prevlat == "gpslat") form.prevlat = form.gpslat;
    if (form.prevlon == "gpslon") form.prevlon = form.gpslon;
    filter.holding_anchor = StandingStill(form);
    if (filter.holding_anchor) {
      report.outcome = StepOutcome::kHeld;
      return;
    }

    double step = 0.0;
    const bool measured = RunTickStatement([&] { step = StepNauticalMiles(form); });
    RunTickStatement(
        [&] { step = CheckedDivide(CheckedMultiply(step, kKilometresPerNauticalMile), form.multiplier); });
    if (measured) {
      report.measured = step;
      report.outcome = step < kStepBound ? StepOutcome::kCounted : StepOutcome::kOverBound;
    }
    if (step < kStepBound) {
      // The bound applies to the measured step; the calibration to what is counted.
      const double calibration = form.options().trip.calibration;
      if (calibration != 1.0) {
        RunTickStatement([&] { step = CheckedMultiply(step, calibration); });
      }
      if (measured) report.counted = step;
      AddStep(form, form.distance, step);
      AddStep(form, form.trip_total, step);
      if (form.workbool) AddStep(form, form.workmeter, step);
    }
  } catch (...) {
    // The tick ends quietly: nobody is there to be told. A failure after the
    // step was measured kept it from the meters.
    if (report.outcome == StepOutcome::kCounted) report.outcome = StepOutcome::kFailed;
  }
}

}  // namespace trezik

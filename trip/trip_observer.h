// What the trip engine did with each tick's step, for a tool that watches
// the plug-in (the drive simulator counts the counted, held and dropped steps
// and adds up the exact meters from it, instead of working the rules out
// again). Nothing is reported, and nothing costs, while no observer is
// installed.
#pragma once

#include <optional>

namespace trezik {

enum class StepOutcome {
  kCounted,     // added to the meters (after the calibration)
  // No step was measured: a position that is no number (no fix yet), or
  // the anchor's own point again (the distance formula has no answer there).
  kNoStep,
  kHeld,        // the standstill filter held the anchor: the car stands still
  kOverBound,   // 2 units or more: dropped as a GPS jump
  kFailed,      // measured, but a failure kept it from the meters
};

struct StepReport {
  StepOutcome outcome = StepOutcome::kNoStep;
  // The step measured from the anchor, in the user's unit, before the
  // calibration; 0 when there was none.
  double measured = 0.0;
  // What was added to each meter that counts: measured times calibration
  // when counted, else 0.
  double counted = 0.0;
  // The meters after the tick, every digit of the texts the plug-in holds
  // them in: the trip, the total since the fill-up and the work meter;
  // nothing for a text that is no number.
  std::optional<double> trip, total, work;
};

class TripObserver {
 public:
  virtual ~TripObserver() = default;
  // Once a tick of UpdateTrip, at its end.
  virtual void OnStep(const StepReport& report) = 0;
};

// Installs an observer of the calling thread's trip engine for the lifetime
// of this object.
class ScopedTripObserver {
 public:
  explicit ScopedTripObserver(TripObserver& observer);
  ~ScopedTripObserver();
  ScopedTripObserver(const ScopedTripObserver&) = delete;
  ScopedTripObserver& operator=(const ScopedTripObserver&) = delete;

 private:
  TripObserver* previous_;
};

}  // namespace trezik

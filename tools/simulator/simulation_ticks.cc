// The tick loop: one drive second after another, the fix the host reports,
// the plug-in's tick, what became of its step and the meters after it.
#include <algorithm>
#include <thread>

#include "core/convert.h"
#include "contract/vocabulary.h"
#include "tools/simulator/simulation.h"
#include "tools/simulator/simulation_session.h"

namespace trezik::drive {


void Simulation::SetFix(DriveSession& session, int second, SimulationResult& result) const {
  // The host reports this fix whenever the plug-in asks during this second.
  const host::Fix& fix = session.fixes().MoveTo(second);
  const char mark = options_.decimal_mark;
  Notify([&](SimulationObserver& o) { o.OnFix(fix.latitude, fix.longitude, fix.speed); });
  result.latitudes.push_back(TextToDouble(fix.latitude, mark));
  result.longitudes.push_back(TextToDouble(fix.longitude, mark));
}

void Simulation::TickLoop(DriveSession& session, StepListener& steps, Clock::time_point wall_start,
                          SimulationResult& result) const {
  const int last = timeline_.last_second();
  Notify([&](SimulationObserver& o) { o.OnStart(last); });
  RunSteps(session, ScriptStep::kStart, -1, result);
  result.ticks.reserve(static_cast<std::size_t>(last) + 1);

  int anchor = 0;  // the fix the plug-in measures the next step from
  for (int second = 0; second <= last; ++second) {
    if (second > 0) SetFix(session, second, result);
    steps.Clear();
    session.Tick();

    // The plug-in measures the step from the fix of the last tick that the
    // standstill filter did not hold.
    const StepReport step = steps.Heard();
    const bool held = step.outcome == StepOutcome::kHeld;
    result.step_origins.push_back(second == 0 || held ? -1 : anchor);
    if (!held) anchor = second;
    result.counted.push_back(step.counted);
    result.odometer += step.counted;
    if (step.outcome == StepOutcome::kOverBound) result.dropped.push_back({second, step.measured});

    // The meters as the plug-in holds them after the tick, to every digit of
    // its meter texts.
    TickRecord tick{second, session.Indicator(vocabulary::kWorkIndicator.data()) == vocabulary::kIndicatorOn,
                    timeline_.HeldStepStanding(second),
                    SpeedInUserUnit(timeline_.At(second).speed_mps, options_.metric_units), 0.0, 0.0, 0.0};
    tick.trip = step.trip.value_or(0.0);
    tick.total = step.total.value_or(0.0);
    tick.work = step.work.value_or(0.0);
    result.ticks.push_back(tick);
    Notify([&](SimulationObserver& o) { o.OnTick(tick, [&] { return ReadLabels(session); }); });

    RunSteps(session, second, second, result);
    auto interrupted = [&] { return options_.interrupt != nullptr && options_.interrupt->load(); };
    if (options_.realtime_factor > 0) {
      // In slices, so that an interruption is heard within a tenth of a second.
      const Clock::time_point due =
          wall_start + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>((second + 1) / options_.realtime_factor));
      while (!interrupted() && Clock::now() < due) {
        std::this_thread::sleep_until(std::min(due, Clock::now() + std::chrono::milliseconds(100)));
      }
    }
    if (interrupted() && second < last) {
      result.interrupted_after = second;
      break;
    }
  }
}

}  // namespace trezik::drive

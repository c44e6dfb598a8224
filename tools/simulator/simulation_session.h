// The parts of one simulated drive shared by the files that run it: the
// session with the plug-in and the run's folders.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "host/hosted_plugin.h"
#include "platform/emulation.h"
#include "plugin/pwextension.h"
#include "tools/simulator/recorded_fixes.h"
#include "tools/simulator/simulation_options.h"
#include "trip/trip_observer.h"

namespace trezik::drive {

// The plug-in in an emulated desktop of its own, with the host's window: the
// host application for one run. The desktop's clock stands one second before
// the first fix, so that the first tick brings the fix of drive second 0.
class DriveSession {
 public:
  DriveSession(const SimulationOptions& options, const Timeline& timeline, double first_fix_time,
               const std::string& host_folder, const std::string& plugin_folder);
  DriveSession(const DriveSession&) = delete;
  DriveSession& operator=(const DriveSession&) = delete;

  const std::string& pwpath() const { return pwpath_; }
  host::Host& host() { return hosted_.host(); }
  // The recorded drive the host reports its fixes from.
  RecordedFixes& fixes() { return fixes_; }
  PWExtension& plugin() { return hosted_.plugin(); }

  void Create();
  // One simulated second: the clock moves 1000 ms and Timer1 ticks once.
  void Tick() { hosted_.Tick(); }
  CommandOutcome Command(const std::string& command);
  // A label's or indicator's text, or "error: <kind>".
  std::string Label(std::string_view name) { return hosted_.Label(name); }
  std::string Indicator(std::string_view name) { return hosted_.Indicator(name); }
  // Releases the plug-in; the unload saves "tripmeter.ini".
  void Release() { hosted_.Release(); }

 private:
  EmulatedPlatform platform_;
  std::string pwpath_;
  RecordedFixes fixes_;
  host::HostedPlugin hosted_;
};

// Hears from the trip engine what became of each tick's step.
class StepListener : public TripObserver {
 public:
  void OnStep(const StepReport& report) override {
    last_ = report;
    heard_ = true;
  }
  // Forgets what was heard, before a tick.
  void Clear() { heard_ = false; }
  // The report of the tick since Clear(); no step when the engine made none.
  StepReport Heard() const { return heard_ ? last_ : StepReport{}; }

 private:
  StepReport last_;
  bool heard_ = false;
};

struct RunFolders {
  std::string host, plugin;
};

}  // namespace trezik::drive

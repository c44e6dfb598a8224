// One simulated drive: prepares the folders as the host would have them,
// creates the plug-in in an emulated desktop, plays the host for every second
// of the drive, applies the skin script and records what happened.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "contract/settings.h"
#include "tools/tracks/drive.h"
#include "tools/simulator/simulation_options.h"
#include "tools/simulator/log_files.h"
#include "tools/simulator/recorded_fixes.h"
#include "tools/simulator/skin_script.h"
#include "tools/simulator/timeline.h"

namespace trezik {
class PWExtension;
}

namespace trezik::drive {

// The parts of one run (simulation_session.h).
class DriveSession;
class StepListener;
struct RunFolders;

// The skin's view of the plug-in at one moment.
struct Labels {
  std::string tripmeter, triptotal, workmeter, avspeed, maxspeed, mpg, costperdist;
  std::string distunit, speedunits, consumpunits;
  std::string workrec;
  // Every label of the vocabulary, in its order (vocabulary::kLabels): read
  // when the labels are shown, at arrival and after the end steps.
  std::vector<std::string> every;
};
// Reads every label the display shows; a label whose call fails reads
// "error: <kind>".
Labels ReadLabels(DriveSession& session);

// The state after the tick of one drive second.
struct TickRecord {
  int second = 0;
  bool work_on = false;  // beside the second, where it takes no room of its own
  // The step into this second lies in a gap the host held across which the
  // positions show no motion (Timeline::HeldStepStanding): never moving.
  bool held_standing = false;
  double speed = 0.0;  // as the host reported it, in the user's unit
  double trip = 0.0, total = 0.0, work = 0.0;  // the meters, in the user's unit
};

struct Event {
  int second = 0;  // drive second; -1 before the first tick
  std::string text;
  bool failed = false;
};

struct DroppedStep {
  int second = 0;
  double length = 0.0;  // the step the plug-in measured, in the user's unit
};

// A fill-up: a record the plug-in appended to "fuel.log" during a script
// step, or a script step that keyed "trezik_ok" and left no record (the
// plug-in refused it).
struct FillUp {
  int second = 0;
  std::string quantity, price;  // as logged; as keyed in when refused ("fillup" steps)
  std::string record;           // the fuel.log record without its line end; empty when refused
  std::string error;            // when refused: the commands that failed and how
  bool refused() const { return record.empty(); }
};


// A record the plug-in appended to "tripmeter.log" during a script step.
struct TripRecordMark {
  int second = 0;
  std::string record;  // without its line end
};



class Simulation;

// Hears what the host does and what the plug-in gives, in order: the set-up,
// the place names and fixes the host reports, the creation, each tick, each
// command and script step, the labels shown at arrival and after the end
// steps, the release.
class SimulationObserver {
 public:
  virtual ~SimulationObserver() = default;
  // The folders are prepared; "pwpath" answers `pwpath`.
  virtual void OnSetUp(const Simulation& simulation, const std::string& pwpath) {
    (void)simulation;
    (void)pwpath;
  }
  // The place name / the fix the host reports from now on, as it writes them.
  virtual void OnRoad(const std::string& road) { (void)road; }
  virtual void OnFix(const std::string& latitude, const std::string& longitude,
                     const std::string& speed) {
    (void)latitude;
    (void)longitude;
    (void)speed;
  }
  // The plug-in object was created; the ticks of seconds 0..last_second follow.
  virtual void OnCreate() {}
  virtual void OnStart(int last_second) { (void)last_second; }
  // After the tick of `second`; `labels` reads the labels on demand.
  virtual void OnTick(const TickRecord& tick, const std::function<Labels()>& labels) {
    (void)tick;
    (void)labels;
  }
  virtual void OnCommand(const CommandOutcome& outcome) { (void)outcome; }
  // A script step done (or a road named), with its outcome.
  virtual void OnEvent(const Event& event) { (void)event; }
  // The labels the skin shows at arrival, then after the end steps.
  virtual void OnLabelsShown(const Labels& labels) { (void)labels; }
  // The plug-in object is released.
  virtual void OnRelease() {}
};

struct SimulationResult {
  std::string pw_ini, trezik_ini, tripmeter_ini, tripmeter_log, fuel_log;  // POSIX paths
  std::vector<TickRecord> ticks;
  std::vector<Event> events;
  std::vector<DroppedStep> dropped;
  std::vector<FillUp> fill_ups;
  std::vector<TripRecordMark> trip_records;
  PluginOptions plugin_options;  // from the run's trezik.ini, read as the plug-in reads it
  // The positions the plug-in received, one per tick, as it parsed them.
  std::vector<double> latitudes, longitudes;
  // What the trip meter counted per tick, as the trip engine reported it
  // (after the calibration; 0 for a step held, dropped or not measured).
  std::vector<double> counted;
  // Per tick, the tick whose position the plug-in measured this tick's step
  // from: the last one the standstill filter did not hold. -1 when it
  // measured none (the first tick, or the filter held this one).
  std::vector<int> step_origins;
  double odometer = 0.0;    // the sum of `counted`
  double multiplier = 0.0;  // kilometres per user unit, by the "trezik_distunit" label
  Labels arrival_labels;   // after the last tick, before the "end" steps
  Labels final_labels;     // after the "end" steps, before the plug-in is released
  int exits = 0;           // "exit" commands the host received
  std::uint64_t host_messages = 0;
  double wall_seconds = 0.0;
  // The last drive second ticked when the run was interrupted; nothing when
  // it ran to the end.
  std::optional<int> interrupted_after;
};

class Simulation {
 public:
  Simulation(const Drive& drive, const Script& script, SimulationOptions options);

  // Observers hear the run as it goes, in the order they were added.
  void add_observer(SimulationObserver* observer) { observers_.push_back(observer); }

  const Drive& drive() const { return drive_; }
  const Script& script() const { return script_; }
  const Timeline& timeline() const { return timeline_; }
  const SimulationOptions& options() const { return options_; }

  // Runs the whole drive. Throws SimulationError; a command that fails is no
  // error of the run but an event marked failed.
  //
  // The trip engine reports each tick's step to the run (a TripObserver
  // installed for it): what was counted, held by the standstill filter or
  // dropped by the 2-unit bound. The meters per tick, to more places than
  // the labels show, are the plug-in's own meter texts read after the tick.
  SimulationResult Run();

  // The texts the host reports for a position and a speed (metres per second).

 private:
  using Clock = std::chrono::steady_clock;

  // Set-up: the run's folders, as the host and the plug-in would have them.
  void SetUp(RunFolders& folders, SimulationResult& result) const;
  // The run itself: its start, the ticks with their script steps, the end.
  void Start(DriveSession& session, SimulationResult& result) const;
  void TickLoop(DriveSession& session, StepListener& steps, Clock::time_point wall_start,
                SimulationResult& result) const;
  void End(DriveSession& session, SimulationResult& result) const;

  // Sets the host's fix of `second`, tells the observers and keeps the
  // position.
  void SetFix(DriveSession& session, int second, SimulationResult& result) const;
  // The script steps due at `when`, recorded as events of `shown_second`,
  // with the records they leave in the plug-in's logs.
  void RunSteps(DriveSession& session, int when, int shown_second, SimulationResult& result) const;
  Labels ShowLabels(DriveSession& session) const;
  template <typename Call>
  void Notify(const Call& call) const {
    for (SimulationObserver* observer : observers_) call(*observer);
  }

  const Drive& drive_;
  const Script& script_;
  SimulationOptions options_;
  Timeline timeline_;
  std::vector<SimulationObserver*> observers_;
};

}  // namespace trezik::drive

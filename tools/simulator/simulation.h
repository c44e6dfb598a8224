// One simulated drive: prepares the folders as the host would have them,
// creates the plug-in in an emulated desktop, plays the host for every second
// of the drive, applies the skin script and records what happened.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/simulator/drive.h"
#include "tools/simulator/skin_script.h"
#include "tools/simulator/timeline.h"

namespace trezik {
class PWExtension;
}

namespace trezik::drive {

struct SimulationOptions {
  std::string folder = "trezik-drive-run";  // the working folder (POSIX)
  bool metric_units = true;                 // "isunits" in pw.ini
  std::optional<std::string> decimal_places;  // "decimalplaces" in trezik.ini; none: no file
  std::string road;                         // "customfdroad" until the script names one
  TimelineOptions timeline;
  double realtime_factor = 0.0;  // 0: as fast as possible; 1: real time; 2: twice as fast
  char decimal_mark = '.';       // the user's number format
  double utc_offset_hours = 0.0;  // local time = drive time (UTC) + offset
  bool keep_state = false;        // keep tripmeter.ini and the logs of an earlier run
};

// The skin's view of the plug-in at one moment.
struct Labels {
  std::string tripmeter, triptotal, workmeter, avspeed, maxspeed, mpg, costperdist;
  std::string distunit, speedunits, consumpunits;
  std::string workrec;
};
// Reads every label the display shows; a label whose call fails reads
// "error: <kind>".
Labels ReadLabels(PWExtension& plugin);

// The state after the tick of one drive second.
struct TickRecord {
  int second = 0;
  double speed = 0.0;  // as the host reported it, in the user's unit
  double trip = 0.0, total = 0.0, work = 0.0;  // the meters, in the user's unit
  bool work_on = false;
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

struct FillUp {
  int second = 0;
  std::string quantity, price;  // as keyed in
};

class SimulationObserver {
 public:
  virtual ~SimulationObserver() = default;
  virtual void OnStart(int last_second) { (void)last_second; }
  // After the tick of `second`; `labels` reads the labels on demand.
  virtual void OnTick(const TickRecord& tick, const std::function<Labels()>& labels) {
    (void)tick;
    (void)labels;
  }
  virtual void OnEvent(const Event& event) { (void)event; }
};

struct SimulationResult {
  std::string pw_ini, trezik_ini, tripmeter_ini, tripmeter_log, fuel_log;  // POSIX paths
  std::vector<TickRecord> ticks;
  std::vector<Event> events;
  std::vector<DroppedStep> dropped;
  std::vector<FillUp> fill_ups;
  // The positions the plug-in received, one per tick, as it parsed them.
  std::vector<double> latitudes, longitudes;
  // What the trip meter counted per tick: the growth of `distance` across
  // the tick (resets happen between ticks, so none hides in it).
  std::vector<double> counted;
  double odometer = 0.0;   // the sum of `counted`
  double multiplier = 0.0; // kilometres per user unit, as the plug-in set it
  Labels arrival_labels;   // after the last tick, before the "end" steps
  Labels final_labels;     // after the "end" steps, before the plug-in is released
  int exits = 0;           // "exit" commands the host received
  std::uint64_t host_messages = 0;
  double wall_seconds = 0.0;
};

// Thrown when the run cannot go on: the folder cannot be prepared, or the
// plug-in's start-up fails.
class SimulationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Simulation {
 public:
  Simulation(const Drive& drive, const Script& script, SimulationOptions options);

  // Writes the run as a scenario for the Windows test host to `out` as it
  // goes: one instruction per line.
  void set_scenario(std::ostream* out) { scenario_ = out; }
  // Writes what each "command", "label" and "indicator" instruction of that
  // scenario gave in this run, in the test host's form ("label tripmeter ->
  // 24.03"), so that a run of the real DLL can be compared with it.
  void set_transcript(std::ostream* out) { transcript_ = out; }
  void set_observer(SimulationObserver* observer) { observer_ = observer; }

  const Timeline& timeline() const { return timeline_; }
  const SimulationOptions& options() const { return options_; }

  // Runs the whole drive. Throws SimulationError; a command that fails is no
  // error of the run but an event marked failed.
  SimulationResult Run();

  // The texts the host reports for a position and a speed (metres per second).
  static std::string CoordinateText(double degrees, char decimal_mark);
  static std::string SpeedText(double metres_per_second, bool metric_units, char decimal_mark);

 private:
  const Drive& drive_;
  const Script& script_;
  SimulationOptions options_;
  Timeline timeline_;
  std::ostream* scenario_ = nullptr;
  std::ostream* transcript_ = nullptr;
  SimulationObserver* observer_ = nullptr;
};

// The conversion from metres per second to the user's speed unit.
double SpeedInUserUnit(double metres_per_second, bool metric_units);

}  // namespace trezik::drive

// What a simulated drive is run with, and what a command of the skin gave:
// the plain types the run and its session with the plug-in share.
#pragma once

#include <atomic>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/simulator/timeline.h"

namespace trezik::drive {

struct SimulationOptions {
  std::string folder = "trezik-drive-run";  // the working folder (POSIX)
  bool metric_units = true;                 // "isunits" in pw.ini
  std::optional<std::string> decimal_places;  // "decimalplaces" in trezik.ini; none: no file
  std::vector<std::string> plugin_settings;   // further "key=value" lines of trezik.ini, in order
  std::string road;                         // "customfdroad" until the script names one
  TimelineOptions timeline;
  double realtime_factor = 0.0;  // 0: as fast as possible; 1: real time; 2: twice as fast
  char decimal_mark = '.';       // the user's number format
  double utc_offset_hours = 0.0;  // local time = drive time (UTC) + offset
  // Where the offset comes from: --utc-offset, else the log's own times
  // (Drive::utc_offset_hours), else none (UTC).
  enum class ClockSource { kUtc, kOption, kLog } clock_source = ClockSource::kUtc;
  bool keep_state = false;        // keep tripmeter.ini and the logs of an earlier run
  // Once it is set (by Ctrl-C), the run stops after the tick it is in, leaves
  // out the "end" steps and releases the plug-in, which saves its meters.
  const std::atomic<bool>* interrupt = nullptr;
};

// The run's "trezik.ini": "decimalplaces" first, then the further lines,
// each ended by CR LF; empty when there is neither (no file is written).
std::string PluginSettingsFile(const SimulationOptions& options);

// Thrown when the run cannot go on: the folder cannot be prepared, or the
// plug-in's start-up fails.
class SimulationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One ProcessCommand call of a script step and what it gave.
struct CommandOutcome {
  std::string command;
  std::optional<int> code;  // the value returned, or nothing when the call failed
  std::string error_kind;   // the kind of the error when it failed
};

}  // namespace trezik::drive

// The options of trezik-drive, read with CLI11.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/common/usage_error.h"
#include "tools/simulator/simulation.h"

namespace trezik::drive {

struct CommandLine {
  std::string drive_path;   // empty: the default drive
  std::string script_path;  // empty: the default drive's script, or DefaultScript()
  SimulationOptions simulation;
  ReadOptions reading;  // --strict
  bool plain = false;
  int every_s = 60;
  std::string scenario_path;
  bool chart = true;
  std::string currency;  // --currency: put on the report's amounts
  bool details = false;  // --details: the developer's lines of the summary
  std::optional<double> odometer_km;  // --odometer: the distance the car's odometer gave
  bool help = false;
  bool version = false;
};

// Parses argv[1..]; throws tools::UsageError. Refuses a value out of its range,
// --realtime with --speedup, and an --option that is no "KEY=VALUE" line.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The --help text, and the --version text: "trezik-drive 1.0.0", the
// project's version, which the plug-in carries too.
std::string UsageText();
std::string VersionText();

}  // namespace trezik::drive

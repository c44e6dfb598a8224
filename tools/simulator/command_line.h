// The options of trezik-drive.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/simulator/simulation.h"

namespace trezik::drive {

struct CommandLine {
  std::string drive_path;   // empty: the default drive
  std::string script_path;  // empty: the default drive's script, or DefaultScript()
  SimulationOptions simulation;
  bool plain = false;
  int every_s = 60;
  std::string scenario_path;
  bool chart = true;
  bool help = false;
};

// Parses argv[1..]; throws std::invalid_argument with a message for the user.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

extern const char kUsage[];

}  // namespace trezik::drive

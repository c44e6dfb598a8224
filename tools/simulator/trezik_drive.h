// trezik-drive as a function: arguments in, exit status out.
#pragma once

#include <atomic>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace trezik::drive {

// Where the output goes and what can stop the run.
struct Console {
  bool terminal = false;          // `out` is a terminal: the live view redraws in place
  std::function<int()> columns;   // the terminal's width; nothing: 80
  const std::atomic<bool>* interrupt = nullptr;  // set by Ctrl-C
};

// Exit statuses.
inline constexpr int kExitRun = 0, kExitFailed = 1, kExitUsage = 2, kExitInterrupted = 130;

// Runs trezik-drive. Returns 0 after a run, 1 when the run failed, 2 for a
// usage error or bad input (nothing is written then; a usage error is one
// line ending in "see --help"), 130 when `console.interrupt` was set during
// the run (the run stops after that tick, and writes its summary, chart and
// report of what it drove).
int RunTrezikDrive(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                   const std::string& default_drive_folder, const Console& console);

}  // namespace trezik::drive

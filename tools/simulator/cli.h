// trezik-drive as a function: arguments in, exit status out.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace trezik::drive {

// Runs trezik-drive. Returns 0 after a run, 1 when the run failed, 2 for a
// usage error or bad input (nothing is written then). `terminal` says that
// `out` is a terminal, where the display redraws in place.
int RunTrezikDrive(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                   const std::string& default_drive_folder, bool terminal);

}  // namespace trezik::drive

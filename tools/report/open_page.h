// --open: the written page opened with the system's handler, the way a
// double-click would open it (ShellExecuteW on Windows, xdg-open on Linux).
#pragma once

#include <ostream>
#include <string>

namespace trezik::report {

// Hands `path` (UTF-8) to the system's handler without waiting for it.
// Returns false when there is none (no xdg-open on the PATH) or it cannot be
// started. One implementation per system (open_page_posix.cc,
// open_page_windows.cc).
bool OpenWithSystem(const std::string& path);

// Opens report.html in `out_folder`, then writes one line to `out`: that it
// was opened, or, without a handler, where the page is.
void OpenReportPage(const std::string& out_folder, std::ostream& out);

}  // namespace trezik::report

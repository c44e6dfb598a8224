// --open with nothing to read yet: a freshly installed plug-in has logged no
// trip and no fill-up, and the driver who opens the report from the Start
// menu gets a page that says so and where the logs will be, not an error.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace trezik::report {

// When `paths` (all existing) hold no tripmeter.log and no fuel.log, or only
// empty ones, writes
// report.html into `out_folder` (created when missing, the file put in place
// whole) saying that there are no logs yet and naming the folders the
// plug-in writes them into, writes one summary line to `out` and returns
// true. With any log found it writes nothing and returns false. Throws
// InputError for a path that does not exist, std::runtime_error when the page
// cannot be written.
bool WriteNoLogsPage(const std::vector<std::string>& paths, const std::string& out_folder, std::ostream& out);

// The page itself, for the folders (as given) the logs will be in.
std::string NoLogsHtml(const std::vector<std::string>& folders);

}  // namespace trezik::report

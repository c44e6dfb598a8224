// The whole of trezik-report behind its command line, so that tests can run
// it: 0 after a report, 1 when the report cannot be written, 2 for a usage
// error or a path that does not exist or cannot be read (nothing written).
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace trezik::report {

int RunTrezikReport(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace trezik::report

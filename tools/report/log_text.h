// The texts of the plug-in's logs (place names as the host gave them) as
// UTF-8 for the page. Valid UTF-8 stays as it is; any other text is read in
// the code page the plug-in wrote it in. One file per system, chosen by
// report_system.cmake.
#pragma once

#include <string>
#include <string_view>

namespace trezik::report {

std::string LogTextToUtf8(std::string_view text);

}  // namespace trezik::report

#include "tools/report/log_text.h"

#include "platform/windows_text.h"

namespace trezik::report {

// On Windows the logs are in this machine's ANSI code page, as the plug-in
// wrote them: valid UTF-8 stays, any other text is read in that code page.
std::string LogTextToUtf8(std::string_view text) { return Utf8FromWide(WideFromUtf8(text)); }

}  // namespace trezik::report

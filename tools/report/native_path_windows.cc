#include "tools/report/native_path.h"

#include "platform/windows_text.h"

namespace trezik::report {

// Every path the report holds came from the UTF-16 command line or from
// path::string(), both UTF-8; a text that is not UTF-8 is read in the ANSI
// code page, as the plug-in reads its own folder's name.
std::filesystem::path NativePath(const std::string& text) { return std::filesystem::path(WideFromUtf8(text)); }

std::FILE* OpenForReading(const std::string& text) { return ::_wfopen(WideFromUtf8(text).c_str(), L"rb"); }

}  // namespace trezik::report

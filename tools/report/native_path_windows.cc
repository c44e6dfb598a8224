#include "tools/report/native_path.h"

namespace trezik::report {

// Every path the report holds came from the UTF-16 command line or from
// path::string(), both UTF-8; the u8string constructor reads it as such.
std::filesystem::path NativePath(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::FILE* OpenForReading(const std::string& text) {
  try {
    return ::_wfopen(NativePath(text).c_str(), L"rb");
  } catch (const std::filesystem::filesystem_error&) {  // not UTF-8: no such file
    errno = ENOENT;
    return nullptr;
  }
}

}  // namespace trezik::report

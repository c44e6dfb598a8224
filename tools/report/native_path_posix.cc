#include "tools/report/native_path.h"

namespace trezik::report {

std::filesystem::path NativePath(const std::string& text) { return text; }

std::FILE* OpenForReading(const std::string& text) { return std::fopen(text.c_str(), "rb"); }

}  // namespace trezik::report

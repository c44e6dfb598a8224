#include "tools/common/windows_file.h"

#include <algorithm>
#include <atomic>

#include "core/convert.h"
#include "platform/windows_error.h"
#include "platform/windows_headers.h"
#include "platform/windows_text.h"

namespace trezik::tools::windows {

std::string UniqueHex() {
  static std::atomic<unsigned> counter{0};
  const unsigned mix = (GetCurrentProcessId() * 2654435761u) ^ GetTickCount() ^ (counter++ * 40503u);
  std::string hex;
  for (int shift = 20; shift >= 0; shift -= 4) hex += "0123456789abcdef"[(mix >> shift) & 0xFu];
  return hex;
}

void* CreateBeside(const std::string& target, std::string& name, unsigned long& error) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = target + ".tmp-" + UniqueHex();
    HANDLE handle = CreateFileW(WideFromUtf8(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) return handle;
    error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  name.clear();
  return nullptr;
}

bool WriteAll(void* handle, std::string_view text, unsigned long& error) {
  while (!text.empty()) {
    const DWORD part = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 20));
    DWORD written = 0;
    if (!WriteFile(handle, text.data(), part, &written, nullptr)) {
      error = GetLastError();
      return false;
    }
    if (written == 0) {
      error = ERROR_DISK_FULL;
      return false;
    }
    text.remove_prefix(written);
  }
  return true;
}

bool PutInPlace(const std::string& temporary, const std::string& target, unsigned long& error) {
  if (MoveFileExW(WideFromUtf8(temporary).c_str(), WideFromUtf8(target).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  error = GetLastError();
  return false;
}

void Remove(const std::string& path) { DeleteFileW(WideFromUtf8(path).c_str()); }

std::string ErrorText(unsigned long error) {
  const std::string message = WindowsSystemText(error);
  return message.empty() ? "Windows error " + DoubleToLogText(static_cast<double>(error)) : message;
}

}  // namespace trezik::tools::windows

// The test host's result lines and the texts they show.
#include "tools/testhost/output.h"

#include <cstdio>

namespace trezik::testhost {

namespace {

FILE* log_file = nullptr;

}  // namespace

bool OpenLog(const char* path) {
  log_file = std::fopen(path, "wb");
  return log_file != nullptr;
}

void CloseLog() {
  if (log_file != nullptr) std::fclose(log_file);
  log_file = nullptr;
}

void Emit(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
  if (log_file != nullptr) {
    std::fputs(line.c_str(), log_file);
    std::fputc('\n', log_file);
    std::fflush(log_file);
  }
}

std::string Quoted(const char* bytes, std::size_t count) {
  std::string text = "\"";
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
      text += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      text += escaped;
    }
  }
  return text + "\"";
}

std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

std::string Ansi(BSTR text) {
  if (text == nullptr) return std::string();
  const int length = static_cast<int>(SysStringLen(text));
  if (length == 0) return std::string();
  const int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, length, ansi.data(), size, nullptr, nullptr);
  return ansi;
}

BSTR Bstr(const std::string& text) {
  const int length = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  BSTR wide = SysAllocStringLen(nullptr, static_cast<UINT>(size));
  if (wide != nullptr && size > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide, size);
  return wide;
}

}  // namespace trezik::testhost

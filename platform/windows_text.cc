#include "platform/windows_text.h"

#include "platform/windows_headers.h"

namespace trezik {
namespace {

// The whole text in one code page; empty when a byte does not fit it (with
// MB_ERR_INVALID_CHARS) or the text is too long for the call.
std::wstring Widen(UINT code_page, DWORD flags, std::string_view text) {
  if (text.empty() || text.size() > 0x7fffffffu) return std::wstring();
  const int length = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(code_page, flags, text.data(), length, nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(code_page, flags, text.data(), length, wide.data(), size);
  return wide;
}

}  // namespace

std::wstring WideFromUtf8(std::string_view text) {
  std::wstring wide = Widen(CP_UTF8, MB_ERR_INVALID_CHARS, text);
  if (wide.empty()) wide = Widen(CP_ACP, 0, text);
  return wide;
}

std::string Utf8FromWide(std::wstring_view text) {
  if (text.empty() || text.size() > 0x7fffffffu) return std::string();
  const int length = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string narrow(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), length, narrow.data(), size, nullptr, nullptr);
  return narrow;
}

}  // namespace trezik

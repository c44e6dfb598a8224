// The module that holds the calling code (trezik.dll, or a test program that
// links the layers in) and the path it was loaded from: the one place that
// asks Windows for either.
#pragma once

#include <string>

#include "platform/windows_headers.h"

namespace trezik {

// Found from an address inside the module (this function's own), without
// taking a reference on it.
inline HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

// The full path of ThisModule() as GetModuleFileNameW gives it, however
// long; empty when Windows cannot tell.
inline std::wstring ThisModulePath() {
  const HMODULE module = ThisModule();
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(path.size());
    const DWORD length = GetModuleFileNameW(module, path.data(), size);
    if (length == 0) return {};
    if (length < size) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);  // cut short: try a larger buffer
  }
}

}  // namespace trezik

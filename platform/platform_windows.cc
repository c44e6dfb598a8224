// The seam on Windows: each method is the user32/kernel32 call its contract
// names, with no emulation in between. Win32 error codes become the
// plug-in's typed errors in WindowsError, and nowhere else. Paths arrive as
// UTF-8 and go to the W calls as UTF-16 (windows_text.h); the window and
// message calls stay ANSI, as the host's protocol is.
#include <string>

#include <algorithm>
#include <new>

#include "platform/platform.h"
#include "platform/windows_error.h"
#include "platform/windows_headers.h"
#include "platform/windows_module.h"
#include "platform/windows_text.h"

namespace trezik {

std::string WindowsSystemText(unsigned long code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text),
      0, nullptr);
  std::string description = Utf8FromWide(std::wstring_view(text != nullptr ? text : L"", length));
  if (text != nullptr) LocalFree(text);
  while (!description.empty() && (description.back() == '\n' || description.back() == '\r' ||
                                  description.back() == ' ' || description.back() == '.')) {
    description.pop_back();
  }
  return description;
}

Error WindowsError(const std::string& context, unsigned long code) {
  ErrorKind kind = ErrorKind::kFileIo;
  switch (code) {
    case ERROR_FILE_NOT_FOUND: kind = ErrorKind::kFileNotFound; break;
    case ERROR_PATH_NOT_FOUND: kind = ErrorKind::kPathNotFound; break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: kind = ErrorKind::kPermissionDenied; break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: kind = ErrorKind::kDiskFull; break;
    default: break;
  }
  // The system's text in UTF-8, like the paths in the context.
  const std::string description = WindowsSystemText(code);
  std::string message = context + ": ";
  message += description.empty() ? std::string(ErrorKindName(kind)) : description;
  message += " (Windows error " + std::to_string(code) + ")";
  return Error(kind, message);
}

namespace {

// The window class of the hidden windows. Its name carries the module's
// address: a class outlives the unloading of the DLL that registered it, and
// a later load at another address must not find a class tied to the old one.
// Its procedure is DefWindowProcA, which never goes away; the caller's
// procedure is put in right after creation.
std::string hidden_window_class;

BOOL CALLBACK RegisterHiddenWindowClass(PINIT_ONCE, PVOID parameter, PVOID*) {
  const HMODULE module = static_cast<HMODULE>(parameter);
  char buffer[64];
  wsprintfA(buffer, "trezik.Hidden.%p", static_cast<void*>(module));
  hidden_window_class = buffer;
  WNDCLASSEXA window_class = {};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = DefWindowProcA;
  window_class.hInstance = module;
  window_class.lpszClassName = hidden_window_class.c_str();
  // A class still there from an earlier load at this same address is the
  // same class (DefWindowProcA, this module handle), so failing with
  // ERROR_CLASS_ALREADY_EXISTS is fine.
  RegisterClassExA(&window_class);
  return TRUE;
}

const char* HiddenWindowClass(HMODULE module) {
  static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
  InitOnceExecuteOnce(&once, RegisterHiddenWindowClass, module, nullptr);
  return hidden_window_class.c_str();
}

class HandleCloser {
 public:
  explicit HandleCloser(HANDLE handle) : handle_(handle) {}
  ~HandleCloser() { CloseHandle(handle_); }
  HandleCloser(const HandleCloser&) = delete;
  HandleCloser& operator=(const HandleCloser&) = delete;

 private:
  HANDLE handle_;
};

void WriteAll(HANDLE file, std::string_view bytes, const std::string& path) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > 0x40000000u ? 0x40000000u : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr)) {
      throw WindowsError("cannot write \"" + path + "\"", GetLastError());
    }
    bytes.remove_prefix(written);
  }
}

class WindowsPlatform : public Platform {
 public:
  WindowHandle FindWindowByTitle(const std::string& title) override {
    return reinterpret_cast<WindowHandle>(FindWindowA(nullptr, title.c_str()));
  }

  std::intptr_t SendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                            std::intptr_t lparam) override {
    return SendMessageA(reinterpret_cast<HWND>(window), message, wparam, lparam);
  }

  std::intptr_t SetWindowProc(WindowHandle window, std::intptr_t proc) override {
    return SetWindowLongA(reinterpret_cast<HWND>(window), GWL_WNDPROC, proc);
  }

  std::intptr_t CallWindowProc(std::intptr_t proc, WindowHandle window, std::uint32_t message,
                               std::uintptr_t wparam, std::intptr_t lparam) override {
    return CallWindowProcA(reinterpret_cast<WNDPROC>(proc), reinterpret_cast<HWND>(window),
                           message, wparam, lparam);
  }

  std::intptr_t DefaultWindowProc(WindowHandle window, std::uint32_t message,
                                  std::uintptr_t wparam, std::intptr_t lparam) override {
    return DefWindowProcA(reinterpret_cast<HWND>(window), message, wparam, lparam);
  }

  bool ReplyMessage(std::intptr_t result) override { return ::ReplyMessage(result) != FALSE; }

  WindowHandle CreateHiddenWindow(const std::string& title, WindowProc proc) override {
    if (proc == nullptr) return 0;
    const HMODULE module = ThisModule();
    // A top-level window (FindWindowA sees only those, and only they are told
    // of the end of a session), without WS_VISIBLE and never shown; a tool
    // window, so that it could not appear on the task bar either.
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, HiddenWindowClass(module), title.c_str(),
                                  WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, module, nullptr);
    if (window == nullptr) return 0;
    SetWindowLongA(window, GWL_WNDPROC, reinterpret_cast<LONG>(proc));
    return reinterpret_cast<WindowHandle>(window);
  }

  void DestroyWindow(WindowHandle window) override {
    ::DestroyWindow(reinterpret_cast<HWND>(window));
  }

  bool SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t interval_ms) override {
    return ::SetTimer(reinterpret_cast<HWND>(window), id, interval_ms, nullptr) != 0;
  }

  void KillTimer(WindowHandle window, std::uintptr_t id) override {
    ::KillTimer(reinterpret_cast<HWND>(window), id);
  }

  void PumpMessagesFor(std::uint32_t ms) override {
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
      MSG message;
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
          // Leave the quit for the thread's own loop.
          PostQuitMessage(static_cast<int>(message.wParam));
          return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
      }
      const ULONGLONG now = GetTickCount64();
      if (now >= end) return;
      // Sent messages are delivered while waiting too.
      MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_ALLINPUT,
                                  MWMO_INPUTAVAILABLE);
    }
  }

  void MoveMemory(void* destination, const void* source, std::size_t count) override {
    RtlMoveMemory(destination, source, count);
  }

  LocalTime Now() override {
    SYSTEMTIME time;
    GetLocalTime(&time);
    LocalTime now;
    now.year = time.wYear;
    now.month = time.wMonth;
    now.day = time.wDay;
    now.seconds_since_midnight =
        time.wHour * 3600.0 + time.wMinute * 60.0 + time.wSecond + time.wMilliseconds / 1000.0;
    return now;
  }

  char DecimalMark() override {
    char mark[8] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, mark, sizeof mark) == 0 ||
        mark[0] == '\0') {
      return '.';
    }
    return mark[0];
  }

  std::string ModuleFolder() override {
    const std::string path = Utf8FromWide(ThisModulePath());
    if (path.empty()) return ".\\";
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".\\") : path.substr(0, slash + 1);
  }

  void Sleep(std::uint32_t ms) override { ::Sleep(ms); }

  std::string ReadFile(const std::string& path, std::size_t max_bytes) override {
    HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      throw WindowsError("cannot open \"" + path + "\"", GetLastError());
    }
    HandleCloser closer(file);
    std::string content;
    char buffer[8192];
    try {
      while (content.size() < max_bytes) {
        const std::size_t want = std::min(sizeof buffer, max_bytes - content.size());
        DWORD got = 0;
        if (!::ReadFile(file, buffer, static_cast<DWORD>(want), &got, nullptr)) {
          throw WindowsError("cannot read \"" + path + "\"", GetLastError());
        }
        if (got == 0) break;
        content.append(buffer, got);
      }
    } catch (const std::bad_alloc&) {
      Fail(ErrorKind::kOutOfMemory, "out of memory reading \"" + path + "\"");
    }
    return content;
  }

  std::optional<std::uint64_t> FileSize(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(WideFromUtf8(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return std::nullopt;
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }

  void AppendToFile(const std::string& path, std::string_view bytes) override {
    // Opened for writing, not for appending only, so that a failed write can
    // be cut off again and the log holds whole records only. No one else may
    // write meanwhile (no write sharing), so the end found here stays the end.
    HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      throw WindowsError("cannot open \"" + path + "\"", GetLastError());
    }
    HandleCloser closer(file);
    LARGE_INTEGER size_before;
    if (!GetFileSizeEx(file, &size_before) ||
        !SetFilePointerEx(file, size_before, nullptr, FILE_BEGIN)) {
      throw WindowsError("cannot open \"" + path + "\"", GetLastError());
    }
    try {
      WriteAll(file, bytes, path);
    } catch (...) {
      // Whatever part of the record reached the file goes again; the write's
      // own error is the one reported.
      if (SetFilePointerEx(file, size_before, nullptr, FILE_BEGIN)) SetEndOfFile(file);
      throw;
    }
  }

  void WriteNewFile(const std::string& path, std::string_view bytes) override {
    HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      throw WindowsError("cannot create \"" + path + "\"", GetLastError());
    }
    HandleCloser closer(file);
    WriteAll(file, bytes, path);
    if (!FlushFileBuffers(file)) {
      throw WindowsError("cannot flush \"" + path + "\"", GetLastError());
    }
  }

  void ReplaceFileByRename(const std::string& from, const std::string& to) override {
    if (!MoveFileExW(WideFromUtf8(from).c_str(), WideFromUtf8(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      throw WindowsError("cannot replace \"" + to + "\"", GetLastError());
    }
  }

  void RemoveFile(const std::string& path) override {
    if (!DeleteFileW(WideFromUtf8(path).c_str())) {
      const DWORD code = GetLastError();
      // A missing file, or a missing folder, leaves nothing to delete.
      if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND) {
        throw WindowsError("cannot delete \"" + path + "\"", code);
      }
    }
  }
};

}  // namespace

Platform& SystemPlatform() {
  // The Windows calls keep no state here, so one object serves every thread.
  static WindowsPlatform platform;
  return platform;
}

}  // namespace trezik

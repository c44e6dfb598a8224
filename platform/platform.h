// The platform seam: the few operating-system calls the plug-in makes.
//
// On Windows each method maps one-to-one to the user32/kernel32 call named in
// its comment (platform_windows.cc). On Linux an in-process emulation stands
// in (platform_emulated.cc): windows with titles, replaceable and chainable
// window procedures, synchronous sends that run the receiving procedure
// before they return, timers driven by a clock the caller controls, and
// ordinary POSIX files.
//
// Every call is made on the thread that owns the plug-in (the host's GUI
// thread). Window and message calls report no failures beyond their return
// values, as the real calls do; file calls throw trezik::Error with a file
// kind (file not found, path not found, permission denied, disk full, other).
//
// Paths are written the Windows way, with "\" as the separator, and file
// names are appended to a folder text directly. The POSIX file layer turns
// every "\" into "/" when it touches the file system. Paths are UTF-8: the
// Windows side hands them to the W calls as UTF-16, so a folder outside the
// ANSI code page works; a path that is not valid UTF-8 (the host's folder
// comes in the ANSI code page) is read in the ANSI code page instead. The
// host's messages themselves stay ANSI.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/error.h"

#if defined(_WIN32)
#define TREZIK_CALLBACK __stdcall
#else
#define TREZIK_CALLBACK
#endif

namespace trezik {

// A window handle (HWND); 0 is no window.
using WindowHandle = std::uintptr_t;

// A window procedure with the Win32 arguments and calling convention.
using WindowProc = std::intptr_t(TREZIK_CALLBACK*)(WindowHandle window, std::uint32_t message,
                                                   std::uintptr_t wparam, std::intptr_t lparam);

inline constexpr std::uint32_t kWmDestroy = 0x0002;
inline constexpr std::uint32_t kWmEndSession = 0x0016;
inline constexpr std::uint32_t kWmCopyData = 0x004A;
inline constexpr std::uint32_t kWmTimer = 0x0113;
inline constexpr std::uint32_t kWmUser = 0x0400;

// The layout of COPYDATASTRUCT: 12 bytes on 32-bit Windows.
struct CopyDataRecord {
  std::uintptr_t dwData;
  std::uint32_t cbData;
  void* lpData;
};

// The local date and time of day.
struct LocalTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  double seconds_since_midnight = 0.0;  // with its fraction, 0 <= s < 86400
};

class Platform {
 public:
  virtual ~Platform() = default;

  // FindWindowA(NULL, title): the top-level window bearing this title, letter
  // case not regarded; 0 when there is none.
  virtual WindowHandle FindWindowByTitle(const std::string& title) = 0;

  // SendMessageA: runs the window's procedure and returns its result; 0 for
  // an unknown window. For WM_COPYDATA, lparam points at a CopyDataRecord.
  virtual std::intptr_t SendMessage(WindowHandle window, std::uint32_t message,
                                    std::uintptr_t wparam, std::intptr_t lparam) = 0;

  // SetWindowLongA(window, GWL_WNDPROC, proc): installs proc and returns the
  // previous procedure, or 0 when it fails (for instance an unknown window).
  virtual std::intptr_t SetWindowProc(WindowHandle window, std::intptr_t proc) = 0;

  // CallWindowProcA(proc, ...): calls a procedure got from SetWindowProc.
  virtual std::intptr_t CallWindowProc(std::intptr_t proc, WindowHandle window,
                                       std::uint32_t message, std::uintptr_t wparam,
                                       std::intptr_t lparam) = 0;

  // DefWindowProcA.
  virtual std::intptr_t DefaultWindowProc(WindowHandle window, std::uint32_t message,
                                          std::uintptr_t wparam, std::intptr_t lparam) = 0;

  // ReplyMessage(result): releases a sender on another thread; returns false
  // when the message being handled was not sent from another thread.
  virtual bool ReplyMessage(std::intptr_t result) = 0;

  // A top-level window with this title, never shown, owned by the calling
  // thread, whose procedure is proc. Returns 0 on failure.
  virtual WindowHandle CreateHiddenWindow(const std::string& title, WindowProc proc) = 0;

  // DestroyWindow.
  virtual void DestroyWindow(WindowHandle window) = 0;

  // SetTimer / KillTimer: WM_TIMER with wparam id every interval_ms.
  virtual bool SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t interval_ms) = 0;
  virtual void KillTimer(WindowHandle window, std::uintptr_t id) = 0;

  // Processes the calling thread's messages for ms milliseconds (a
  // GetMessage/DispatchMessage loop). The emulation advances its clock by ms,
  // delivering each timer message at its due time.
  virtual void PumpMessagesFor(std::uint32_t ms) = 0;

  // Sleep: waits ms milliseconds without handling messages. The emulation
  // only moves its clock on.
  virtual void Sleep(std::uint32_t ms) = 0;

  // RtlMoveMemory.
  virtual void MoveMemory(void* destination, const void* source, std::size_t count) = 0;

  // The local date and time of day (GetLocalTime).
  virtual LocalTime Now() = 0;

  // The user's decimal mark, '.' or ',' (the user locale's LOCALE_SDECIMAL).
  virtual char DecimalMark() = 0;

  // The folder of the plug-in's own module file, ending in "\".
  virtual std::string ModuleFolder() = 0;

  // Files. Each operation opens, does its work and closes; no file stays
  // open between calls.

  // The first max_bytes bytes of a file (all of it when it is shorter).
  // Missing file: kFileNotFound; no memory for the bytes: kOutOfMemory.
  virtual std::string ReadFile(const std::string& path, std::size_t max_bytes) = 0;
  // The size of an existing file, or nothing when it does not exist.
  virtual std::optional<std::uint64_t> FileSize(const std::string& path) = 0;
  // Appends bytes in one write, creating the file when it is missing. All or
  // nothing: when the write fails, the file is cut back to its size before
  // the append (on Windows SetFilePointerEx and SetEndOfFile).
  virtual void AppendToFile(const std::string& path, std::string_view bytes) = 0;
  // Creates or empties the file, writes bytes, flushes them to the disk and
  // closes it.
  virtual void WriteNewFile(const std::string& path, std::string_view bytes) = 0;
  // Renames from to to, replacing to when it exists (MoveFileEx with
  // MOVEFILE_REPLACE_EXISTING).
  virtual void ReplaceFileByRename(const std::string& from, const std::string& to) = 0;
  // Deletes a file; a missing file is no error.
  virtual void RemoveFile(const std::string& path) = 0;
};

// The calling thread's platform: the one installed by a ScopedPlatform on
// this thread, else the operating system's (the emulation on Linux).
Platform& CurrentPlatform();

// The operating system's platform of this build.
Platform& SystemPlatform();

// Installs a platform for the calling thread for the lifetime of this object.
class ScopedPlatform {
 public:
  explicit ScopedPlatform(Platform& platform);
  ~ScopedPlatform();
  ScopedPlatform(const ScopedPlatform&) = delete;
  ScopedPlatform& operator=(const ScopedPlatform&) = delete;

 private:
  Platform* previous_;
};

// Forwards every call to another platform, so that a test can override one
// call to inject a fault.
class PlatformWrapper : public Platform {
 public:
  explicit PlatformWrapper(Platform& target) : target_(target) {}

  WindowHandle FindWindowByTitle(const std::string& title) override {
    return target_.FindWindowByTitle(title);
  }
  std::intptr_t SendMessage(WindowHandle w, std::uint32_t m, std::uintptr_t wp,
                            std::intptr_t lp) override {
    return target_.SendMessage(w, m, wp, lp);
  }
  std::intptr_t SetWindowProc(WindowHandle w, std::intptr_t proc) override {
    return target_.SetWindowProc(w, proc);
  }
  std::intptr_t CallWindowProc(std::intptr_t proc, WindowHandle w, std::uint32_t m,
                               std::uintptr_t wp, std::intptr_t lp) override {
    return target_.CallWindowProc(proc, w, m, wp, lp);
  }
  std::intptr_t DefaultWindowProc(WindowHandle w, std::uint32_t m, std::uintptr_t wp,
                                  std::intptr_t lp) override {
    return target_.DefaultWindowProc(w, m, wp, lp);
  }
  bool ReplyMessage(std::intptr_t result) override { return target_.ReplyMessage(result); }
  WindowHandle CreateHiddenWindow(const std::string& title, WindowProc proc) override {
    return target_.CreateHiddenWindow(title, proc);
  }
  void DestroyWindow(WindowHandle w) override { target_.DestroyWindow(w); }
  bool SetTimer(WindowHandle w, std::uintptr_t id, std::uint32_t ms) override {
    return target_.SetTimer(w, id, ms);
  }
  void KillTimer(WindowHandle w, std::uintptr_t id) override { target_.KillTimer(w, id); }
  void PumpMessagesFor(std::uint32_t ms) override { target_.PumpMessagesFor(ms); }
  void Sleep(std::uint32_t ms) override { target_.Sleep(ms); }
  void MoveMemory(void* d, const void* s, std::size_t n) override { target_.MoveMemory(d, s, n); }
  LocalTime Now() override { return target_.Now(); }
  char DecimalMark() override { return target_.DecimalMark(); }
  std::string ModuleFolder() override { return target_.ModuleFolder(); }
  std::string ReadFile(const std::string& path, std::size_t max_bytes) override {
    return target_.ReadFile(path, max_bytes);
  }
  std::optional<std::uint64_t> FileSize(const std::string& path) override {
    return target_.FileSize(path);
  }
  void AppendToFile(const std::string& path, std::string_view bytes) override {
    target_.AppendToFile(path, bytes);
  }
  void WriteNewFile(const std::string& path, std::string_view bytes) override {
    target_.WriteNewFile(path, bytes);
  }
  void ReplaceFileByRename(const std::string& from, const std::string& to) override {
    target_.ReplaceFileByRename(from, to);
  }
  void RemoveFile(const std::string& path) override { target_.RemoveFile(path); }

 private:
  Platform& target_;
};

}  // namespace trezik

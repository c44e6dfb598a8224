// The Linux stand-in for the Windows calls of the seam: an in-process
// desktop of titled windows, a clock the caller sets and advances, and POSIX
// files. Tests and the drive simulator create one and install it with
// ScopedPlatform; they play the host by creating its window here.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace trezik {

class EmulatedPlatform : public Platform {
 public:
  EmulatedPlatform();
  ~EmulatedPlatform() override;

  // Controls of the emulation.
  // Sets the local clock; seconds may carry a fraction.
  void SetLocalTime(int year, int month, int day, double seconds_since_midnight);
  void set_decimal_mark(char mark) { decimal_mark_ = mark; }
  // The folder the plug-in's module seems to lie in, given as a POSIX path;
  // ModuleFolder() returns it written with "\" and ending in "\".
  void set_module_folder(const std::string& posix_folder);
  // The latest ReplyMessage calls (at most kRepliesKept), oldest first, and
  // the result each passed.
  static constexpr std::size_t kRepliesKept = 64;
  const std::vector<std::intptr_t>& replies() const { return replies_; }
  // The next SendMessage comes from a sender on another thread: `released`
  // runs when the receiver calls ReplyMessage, as that sender runs on then
  // (and may reuse or free what it sent); ReplyMessage answers true.
  void SendNextFromAnotherThread(std::function<void()> released) {
    other_thread_sender_ = std::move(released);
  }
  // Windows that exist now.
  std::size_t window_count() const { return windows_.size(); }

  // Fault injection in the file layer, after SQLite's test VFS: the nth
  // call of a step from now on (1 is the next one) fails with `kind`, once.
  // A failed write leaves what it wrote so far; a failed close has closed.
  enum class FileStep { kOpen, kRead, kWrite, kFlush, kClose, kRename, kDelete };
  void FailFileStep(FileStep step, int nth, ErrorKind kind);
  void ClearFileFaults() { faults_.clear(); }

  // The seam.
  WindowHandle FindWindowByTitle(const std::string& title) override;
  std::intptr_t SendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                            std::intptr_t lparam) override;
  std::intptr_t SetWindowProc(WindowHandle window, std::intptr_t proc) override;
  std::intptr_t CallWindowProc(std::intptr_t proc, WindowHandle window, std::uint32_t message,
                               std::uintptr_t wparam, std::intptr_t lparam) override;
  std::intptr_t DefaultWindowProc(WindowHandle window, std::uint32_t message,
                                  std::uintptr_t wparam, std::intptr_t lparam) override;
  bool ReplyMessage(std::intptr_t result) override;
  WindowHandle CreateHiddenWindow(const std::string& title, WindowProc proc) override;
  void DestroyWindow(WindowHandle window) override;
  bool SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t interval_ms) override;
  void KillTimer(WindowHandle window, std::uintptr_t id) override;
  void PumpMessagesFor(std::uint32_t ms) override;
  void Sleep(std::uint32_t ms) override { clock_ms_ += ms; }
  void MoveMemory(void* destination, const void* source, std::size_t count) override;
  LocalTime Now() override;
  char DecimalMark() override { return decimal_mark_; }
  std::string ModuleFolder() override { return module_folder_; }
  std::string ReadFile(const std::string& path, std::size_t max_bytes) override;
  std::optional<std::uint64_t> FileSize(const std::string& path) override;
  void AppendToFile(const std::string& path, std::string_view bytes) override;
  void WriteNewFile(const std::string& path, std::string_view bytes) override;
  void ReplaceFileByRename(const std::string& from, const std::string& to) override;
  void RemoveFile(const std::string& path) override;

 private:
  struct Timer {
    std::uint32_t interval_ms;
    std::int64_t due_ms;
  };
  struct Window {
    std::string title;
    WindowProc proc;
    std::map<std::uintptr_t, Timer> timers;
  };

  Window* Find(WindowHandle window);
  // Throws the injected fault when this call of the step is the chosen one.
  void InjectedFault(FileStep step, const std::string& path);
  void WriteBytes(int fd, std::string_view bytes, const std::string& path);
  void CloseFile(int fd, const std::string& path);

  struct Fault {
    int calls_left;
    ErrorKind kind;
  };
  std::map<FileStep, Fault> faults_;

  std::map<WindowHandle, Window> windows_;
  WindowHandle next_handle_ = 0x1000;
  std::int64_t clock_ms_ = 0;
  char decimal_mark_ = '.';
  std::string module_folder_ = ".\\";
  std::vector<std::intptr_t> replies_;
  std::function<void()> other_thread_sender_;
  bool sent_from_other_thread_ = false;
};

// The POSIX path of a path written with "\" separators.
std::string ToPosixPath(const std::string& path);
// A POSIX folder written the Windows way, with "\" separators and a final
// "\", as the host reports its folder and as trezikdir holds it.
std::string ToWindowsFolder(const std::string& posix_folder);

}  // namespace trezik

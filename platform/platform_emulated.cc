// The Linux stand-in for the Windows calls: an in-process desktop and POSIX
// files. Sends run the receiving procedure at once, on the calling thread,
// exactly as SendMessage does for a window of the same thread.
//
// Files are what they claim to be. A folder shared with other programs may
// hold, where the plug-in's file should be, a FIFO (an open would wait for
// a writer forever, and the plug-in's thread with it), a device, or a
// symbolic link (a save would write through it into any file the user may
// write). So every file is opened without following a link in its last
// step and without waiting (O_NOFOLLOW, O_NONBLOCK), and then used only
// when it is a regular file; anything else fails as a file error that
// names it. A new file is made afresh (O_EXCL) after whatever had its name
// is removed: a stale temporary file, or a link, is unlinked, never written
// through.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <new>
#include <algorithm>

#include "platform/emulation.h"

namespace trezik {
namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameTitle(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

// Turns an errno into the plug-in's file error. A missing file is "file not
// found" when reading; when creating, only the folder can be missing.
[[noreturn]] void ThrowFileError(const std::string& context, const std::string& path, int code,
                                 bool creating) {
  ErrorKind kind = ErrorKind::kFileIo;
  switch (code) {
    case ENOENT: kind = creating ? ErrorKind::kPathNotFound : ErrorKind::kFileNotFound; break;
    case ENOTDIR: kind = ErrorKind::kPathNotFound; break;
    case EACCES:
    case EPERM:
    case EROFS: kind = ErrorKind::kPermissionDenied; break;
    case ENOSPC:
    case EDQUOT: kind = ErrorKind::kDiskFull; break;
    default: break;
  }
  Fail(kind, context + " \"" + path + "\": " + std::strerror(code));
}

void WriteAll(int fd, std::string_view bytes, const std::string& path) {
  while (!bytes.empty()) {
    ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      int code = errno;
      ::close(fd);
      ThrowFileError("cannot write", path, code, true);
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

// Opens `posix` with `flags` plus O_NOFOLLOW, O_NONBLOCK and O_CLOEXEC and
// checks that it is a regular file; -1 with errno set when it cannot be
// opened, and a failure naming it when it is anything else. The descriptor
// blocks again for regular files (where O_NONBLOCK means nothing anyway).
int OpenRegular(const std::string& posix, int flags, const std::string& path, bool creating) {
  const int fd = ::open(posix.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (errno == ELOOP || errno == ENXIO) {
      const int code = errno;
      Fail(ErrorKind::kFileIo, std::string(creating ? "cannot create" : "cannot open") + " \"" + path + "\": " +
                                   (code == ELOOP ? "it is a symbolic link" : "it is no regular file"));
    }
    return -1;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    const bool folder = S_ISDIR(info.st_mode);
    ::close(fd);
    Fail(ErrorKind::kFileIo, std::string(creating ? "cannot write" : "cannot read") + " \"" + path + "\": " +
                                 (folder ? "it is a folder" : "it is no regular file"));
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

}  // namespace

std::string ToPosixPath(const std::string& path) {
  std::string posix = path;
  for (char& c : posix) {
    if (c == '\\') c = '/';
  }
  return posix;
}

std::string ToWindowsFolder(const std::string& posix_folder) {
  std::string folder = posix_folder;
  for (char& c : folder) {
    if (c == '/') c = '\\';
  }
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

EmulatedPlatform::EmulatedPlatform() { SetLocalTime(2026, 1, 1, 12 * 3600.0); }
EmulatedPlatform::~EmulatedPlatform() = default;

void EmulatedPlatform::SetLocalTime(int year, int month, int day, double seconds_since_midnight) {
  using namespace std::chrono;
  const sys_days date{std::chrono::year{year} / std::chrono::month{static_cast<unsigned>(month)} /
                      std::chrono::day{static_cast<unsigned>(day)}};
  clock_ms_ = static_cast<std::int64_t>(date.time_since_epoch().count()) * kMsPerDay +
              std::llround(seconds_since_midnight * 1000.0);
}

void EmulatedPlatform::set_module_folder(const std::string& posix_folder) {
  module_folder_ = ToWindowsFolder(posix_folder);
}

LocalTime EmulatedPlatform::Now() {
  using namespace std::chrono;
  std::int64_t days = clock_ms_ / kMsPerDay;
  std::int64_t ms_of_day = clock_ms_ % kMsPerDay;
  if (ms_of_day < 0) {
    ms_of_day += kMsPerDay;
    --days;
  }
  const year_month_day date{sys_days{std::chrono::days{days}}};
  LocalTime now;
  now.year = static_cast<int>(date.year());
  now.month = static_cast<int>(static_cast<unsigned>(date.month()));
  now.day = static_cast<int>(static_cast<unsigned>(date.day()));
  now.seconds_since_midnight = static_cast<double>(ms_of_day) / 1000.0;
  return now;
}

EmulatedPlatform::Window* EmulatedPlatform::Find(WindowHandle window) {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : &it->second;
}

WindowHandle EmulatedPlatform::FindWindowByTitle(const std::string& title) {
  // The newest window is on top, so it is the one found.
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if (SameTitle(it->second.title, title)) return it->first;
  }
  return 0;
}

std::intptr_t EmulatedPlatform::SendMessage(WindowHandle window, std::uint32_t message,
                                            std::uintptr_t wparam, std::intptr_t lparam) {
  Window* target = Find(window);
  if (target == nullptr) return 0;
  // Copy the procedure first: the window may change or vanish during the call.
  WindowProc proc = target->proc;
  if (!other_thread_sender_) return proc(window, message, wparam, lparam);
  // From another thread: released by ReplyMessage, or else by the return.
  sent_from_other_thread_ = true;
  const std::intptr_t result = proc(window, message, wparam, lparam);
  sent_from_other_thread_ = false;
  std::function<void()> released = std::move(other_thread_sender_);
  other_thread_sender_ = nullptr;
  if (released) released();
  return result;
}

std::intptr_t EmulatedPlatform::SetWindowProc(WindowHandle window, std::intptr_t proc) {
  Window* target = Find(window);
  if (target == nullptr || proc == 0) return 0;
  const std::intptr_t previous = reinterpret_cast<std::intptr_t>(target->proc);
  target->proc = reinterpret_cast<WindowProc>(proc);
  return previous;
}

std::intptr_t EmulatedPlatform::CallWindowProc(std::intptr_t proc, WindowHandle window,
                                               std::uint32_t message, std::uintptr_t wparam,
                                               std::intptr_t lparam) {
  if (proc == 0) return 0;
  return reinterpret_cast<WindowProc>(proc)(window, message, wparam, lparam);
}

std::intptr_t EmulatedPlatform::DefaultWindowProc(WindowHandle, std::uint32_t, std::uintptr_t,
                                                  std::intptr_t) {
  return 0;
}

bool EmulatedPlatform::ReplyMessage(std::intptr_t result) {
  // Only the latest calls are kept: a simulated day makes a quarter of a
  // million of them, and the emulation must not grow while it runs.
  if (replies_.size() >= kRepliesKept) replies_.erase(replies_.begin());
  replies_.push_back(result);
  // A send from this thread: ReplyMessage does nothing.
  if (!sent_from_other_thread_) return false;
  sent_from_other_thread_ = false;
  std::function<void()> released = std::move(other_thread_sender_);
  other_thread_sender_ = nullptr;
  if (released) released();
  return true;
}

WindowHandle EmulatedPlatform::CreateHiddenWindow(const std::string& title, WindowProc proc) {
  if (proc == nullptr) return 0;
  const WindowHandle handle = next_handle_;
  next_handle_ += 4;
  windows_[handle] = Window{title, proc, {}};
  return handle;
}

void EmulatedPlatform::DestroyWindow(WindowHandle window) {
  Window* target = Find(window);
  if (target == nullptr) return;
  target->timers.clear();
  WindowProc proc = target->proc;
  proc(window, kWmDestroy, 0, 0);
  windows_.erase(window);
}

bool EmulatedPlatform::SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t interval_ms) {
  Window* target = Find(window);
  if (target == nullptr) return false;
  target->timers[id] = Timer{interval_ms, clock_ms_ + interval_ms};
  return true;
}

void EmulatedPlatform::KillTimer(WindowHandle window, std::uintptr_t id) {
  if (Window* target = Find(window)) target->timers.erase(id);
}

void EmulatedPlatform::PumpMessagesFor(std::uint32_t ms) {
  const std::int64_t end = clock_ms_ + ms;
  for (;;) {
    // The earliest timer due by the end; ties go to the older window.
    WindowHandle due_window = 0;
    std::uintptr_t due_id = 0;
    std::int64_t due_ms = end + 1;
    for (auto& [handle, window] : windows_) {
      for (auto& [id, timer] : window.timers) {
        if (timer.due_ms < due_ms) {
          due_window = handle;
          due_id = id;
          due_ms = timer.due_ms;
        }
      }
    }
    if (due_window == 0) break;
    clock_ms_ = due_ms;
    Timer& timer = windows_[due_window].timers[due_id];
    timer.due_ms += timer.interval_ms;
    SendMessage(due_window, kWmTimer, due_id, 0);
  }
  clock_ms_ = end;
}

void EmulatedPlatform::MoveMemory(void* destination, const void* source, std::size_t count) {
  if (count != 0) std::memmove(destination, source, count);
}

void EmulatedPlatform::FailFileStep(FileStep step, int nth, ErrorKind kind) {
  faults_[step] = Fault{nth, kind};
}

void EmulatedPlatform::InjectedFault(FileStep step, const std::string& path) {
  auto found = faults_.find(step);
  if (found == faults_.end() || --found->second.calls_left > 0) return;
  const ErrorKind kind = found->second.kind;
  faults_.erase(found);
  Fail(kind, std::string("injected ") + ErrorKindName(kind) + " at \"" + path + "\"");
}

std::string EmulatedPlatform::ReadFile(const std::string& path, std::size_t max_bytes) {
  const std::string posix = ToPosixPath(path);
  InjectedFault(FileStep::kOpen, path);
  const int fd = OpenRegular(posix, O_RDONLY, path, false);
  if (fd < 0) {
    const int code = errno;
    // As on Windows, a file in a folder that does not exist is "path not found".
    const std::size_t slash = posix.rfind('/');
    struct stat folder {};
    const bool folder_missing = code == ENOENT && slash != std::string::npos && slash != 0 &&
                                ::stat(posix.substr(0, slash).c_str(), &folder) != 0;
    ThrowFileError("cannot open", path, code, folder_missing);
  }
  struct FdCloser {
    int fd;
    ~FdCloser() { ::close(fd); }
  } closer{fd};
  std::string content;
  char buffer[8192];
  try {
    while (content.size() < max_bytes) {
      InjectedFault(FileStep::kRead, path);
      const std::size_t want = std::min(sizeof buffer, max_bytes - content.size());
      const ssize_t got = ::read(fd, buffer, want);
      if (got < 0) {
        if (errno == EINTR) continue;
        ThrowFileError("cannot read", path, errno, false);
      }
      if (got == 0) break;
      content.append(buffer, static_cast<std::size_t>(got));
    }
  } catch (const std::bad_alloc&) {
    Fail(ErrorKind::kOutOfMemory, "out of memory reading \"" + path + "\"");
  }
  return content;
}

std::optional<std::uint64_t> EmulatedPlatform::FileSize(const std::string& path) {
  struct stat info {};
  if (::lstat(ToPosixPath(path).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_size);
}

// Writes the bytes, or half of them and then fails when a write fault is
// injected, as a disk that fills up mid-write does.
void EmulatedPlatform::WriteBytes(int fd, std::string_view bytes, const std::string& path) {
  try {
    InjectedFault(FileStep::kWrite, path);
  } catch (const Error&) {
    (void)!::write(fd, bytes.data(), bytes.size() / 2);
    ::close(fd);
    throw;
  }
  WriteAll(fd, bytes, path);
}

// Closes the file; an injected close fault closes it all the same.
void EmulatedPlatform::CloseFile(int fd, const std::string& path) {
  const int result = ::close(fd);
  const int code = errno;
  InjectedFault(FileStep::kClose, path);
  if (result != 0) ThrowFileError("cannot close", path, code, true);
}

void EmulatedPlatform::AppendToFile(const std::string& path, std::string_view bytes) {
  InjectedFault(FileStep::kOpen, path);
  const std::string posix = ToPosixPath(path);
  const int fd = OpenRegular(posix, O_WRONLY | O_CREAT | O_APPEND, path, true);
  if (fd < 0) ThrowFileError("cannot open", path, errno, true);
  struct stat info {};
  const off_t size_before = ::fstat(fd, &info) == 0 ? info.st_size : -1;
  try {
    WriteBytes(fd, bytes, path);
    CloseFile(fd, path);
  } catch (const Error&) {
    // All or nothing: the part of the record that was written goes again.
    if (size_before >= 0) (void)!::truncate(posix.c_str(), size_before);
    throw;
  }
}

void EmulatedPlatform::WriteNewFile(const std::string& path, std::string_view bytes) {
  InjectedFault(FileStep::kOpen, path);
  const std::string posix = ToPosixPath(path);
  // Whatever has the name goes first (a link itself, not its target); a
  // folder stays and fails the creation.
  if (::unlink(posix.c_str()) != 0 && errno != ENOENT && errno != EISDIR && errno != EPERM) {
    ThrowFileError("cannot replace", path, errno, true);
  }
  const int fd = OpenRegular(posix, O_WRONLY | O_CREAT | O_EXCL, path, true);
  if (fd < 0) ThrowFileError("cannot create", path, errno, true);
  WriteBytes(fd, bytes, path);
  try {
    InjectedFault(FileStep::kFlush, path);
  } catch (const Error&) {
    ::close(fd);
    throw;
  }
  if (::fsync(fd) != 0) {
    const int code = errno;
    ::close(fd);
    ThrowFileError("cannot flush", path, code, true);
  }
  CloseFile(fd, path);
}

void EmulatedPlatform::ReplaceFileByRename(const std::string& from, const std::string& to) {
  InjectedFault(FileStep::kRename, to);
  if (::rename(ToPosixPath(from).c_str(), ToPosixPath(to).c_str()) != 0) {
    ThrowFileError("cannot replace", to, errno, true);
  }
}

void EmulatedPlatform::RemoveFile(const std::string& path) {
  InjectedFault(FileStep::kDelete, path);
  if (::unlink(ToPosixPath(path).c_str()) != 0 && errno != ENOENT) {
    ThrowFileError("cannot delete", path, errno, false);
  }
}

Platform& SystemPlatform() {
  thread_local EmulatedPlatform platform;
  return platform;
}

}  // namespace trezik

// One trezik-live per data folder: two would each save their own meters
// over the other's. The folder itself is locked with flock(2), and its
// "trezik-live.lock" too, for as long as the process lives (the kernel lets
// go when it ends, however it ends). The folder's lock is the one that
// counts: a lock file can be deleted while it is held, and a second process
// would then lock a new file of the same name, but a folder cannot be
// replaced under the files in it. The lock file stays for an older
// trezik-live, which locks that file only, and is skipped in a read-only
// folder without it.
#pragma once

#include <stdexcept>
#include <string>

namespace trezik::live {

inline constexpr char kLockFileName[] = "trezik-live.lock";

// The folder is locked by another process: `pid` is its process id as the
// kernel tells it (0 when it cannot be told), `program` its name ("" when
// unknown); the message names another trezik-live or the other program.
class FolderInUse : public std::runtime_error {
 public:
  FolderInUse(const std::string& folder, long pid, const std::string& program);
  long pid;
};

class FolderLock {
 public:
  // Locks `folder`, which must exist. Throws FolderInUse when another
  // process holds the lock, std::runtime_error when it cannot be taken.
  explicit FolderLock(const std::string& folder);
  ~FolderLock();
  FolderLock(FolderLock&& other) noexcept : folder_fd_(other.folder_fd_), file_fd_(other.file_fd_) {
    other.folder_fd_ = other.file_fd_ = -1;
  }
  FolderLock& operator=(FolderLock&&) = delete;
  FolderLock(const FolderLock&) = delete;

 private:
  int folder_fd_ = -1;
  int file_fd_ = -1;
};

// The process holding a flock(2) lock on the file or folder open as `fd`,
// from /proc/locks; 0 when none is found.
long FlockHolder(int fd);

// The name a process runs under (/proc/PID/comm); "" when it cannot be told.
std::string ProgramName(long pid);

}  // namespace trezik::live

// One trezik-live per data folder: two would each save their own meters
// over the other's. The folder's "trezik-live.lock" is locked with flock(2)
// for as long as the process lives (the kernel lets go when it ends, however
// it ends); in a read-only folder without that file the folder itself is
// locked.
#pragma once

#include <stdexcept>
#include <string>

namespace trezik::live {

inline constexpr char kLockFileName[] = "trezik-live.lock";

// The folder is locked by another process: `pid` is its process id as the
// kernel tells it (0 when it cannot be told).
class FolderInUse : public std::runtime_error {
 public:
  FolderInUse(const std::string& folder, long pid);
  long pid;
};

class FolderLock {
 public:
  // Locks `folder`, which must exist. Throws FolderInUse when another
  // process holds the lock, std::runtime_error when it cannot be taken.
  explicit FolderLock(const std::string& folder);
  ~FolderLock();
  FolderLock(FolderLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FolderLock& operator=(FolderLock&&) = delete;
  FolderLock(const FolderLock&) = delete;

 private:
  int fd_ = -1;
};

// The process holding a flock(2) lock on the file or folder open as `fd`,
// from /proc/locks; 0 when none is found.
long FlockHolder(int fd);

}  // namespace trezik::live

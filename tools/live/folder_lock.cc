#include "tools/live/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace trezik::live {

FolderInUse::FolderInUse(const std::string& folder, long holder)
    : std::runtime_error("the data folder " + folder + " is in use by another trezik-live" +
                         (holder > 0 ? " (process " + std::to_string(holder) + ")" : std::string())),
      pid(holder) {}

long FlockHolder(int fd) {
  struct stat file {};
  if (fstat(fd, &file) != 0) return 0;
  char device[32];
  std::snprintf(device, sizeof device, "%02x:%02x:", major(file.st_dev), minor(file.st_dev));
  const std::string id = device + std::to_string(file.st_ino);
  // "1: FLOCK  ADVISORY  WRITE 1234 08:01:131090 0 EOF"
  std::ifstream locks("/proc/locks");
  for (std::string line; std::getline(locks, line);) {
    std::istringstream fields(line);
    std::string number, kind, mode, access, where;
    long pid = 0;
    if (fields >> number >> kind >> mode >> access >> pid >> where && kind == "FLOCK" && where == id) return pid;
  }
  return 0;
}

FolderLock::FolderLock(const std::string& folder) {
  const std::string file = folder + "/" + kLockFileName;
  fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd_ < 0 && (errno == EACCES || errno == EROFS)) fd_ = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd_ < 0 && errno == ENOENT) fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) throw std::runtime_error("cannot lock the data folder: " + file + ": " + std::strerror(errno));
  if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return;
  const int error = errno;
  const long holder = error == EWOULDBLOCK ? FlockHolder(fd_) : 0;
  ::close(fd_);
  fd_ = -1;
  if (error == EWOULDBLOCK) throw FolderInUse(folder, holder);
  throw std::runtime_error("cannot lock the data folder: " + file + ": " + std::strerror(error));
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace trezik::live

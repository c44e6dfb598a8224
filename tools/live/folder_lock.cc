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

namespace {

constexpr char kProgram[] = "trezik-live";

std::string InUse(const std::string& folder, long holder, const std::string& program) {
  const std::string process = holder > 0 ? "process " + std::to_string(holder) : std::string();
  if (program.empty() || program == kProgram) {
    return "the data folder " + folder + " is in use by another trezik-live" +
           (process.empty() ? std::string() : " (" + process + ")");
  }
  return "the data folder " + folder + " is locked by another program, " + program +
         (process.empty() ? std::string() : " (" + process + ")") + ", not by a trezik-live";
}

}  // namespace

FolderInUse::FolderInUse(const std::string& folder, long holder, const std::string& program)
    : std::runtime_error(InUse(folder, holder, program)), pid(holder) {}

std::string ProgramName(long pid) {
  if (pid <= 0) return "";
  std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

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

namespace {

// Takes the lock on `fd` without waiting; throws FolderInUse naming its
// holder when another process has it.
void Lock(int fd, const std::string& folder, const std::string& what) {
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return;
  const int error = errno;
  if (error != EWOULDBLOCK) throw std::runtime_error("cannot lock the data folder: " + what + ": " + std::strerror(error));
  const long holder = FlockHolder(fd);
  throw FolderInUse(folder, holder, ProgramName(holder));
}

}  // namespace

FolderLock::FolderLock(const std::string& folder) {
  try {
    folder_fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_fd_ < 0) throw std::runtime_error("cannot lock the data folder " + folder + ": " + std::strerror(errno));
    Lock(folder_fd_, folder, folder);
    const std::string file = folder + "/" + kLockFileName;
    file_fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
    if (file_fd_ < 0 && (errno == EACCES || errno == EROFS)) {
      file_fd_ = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    }
    if (file_fd_ < 0 && errno != ENOENT) {
      throw std::runtime_error("cannot lock the data folder: " + file + ": " + std::strerror(errno));
    }
    struct stat info {};
    if (file_fd_ >= 0 && (fstat(file_fd_, &info) != 0 || !S_ISREG(info.st_mode))) {
      throw std::runtime_error("cannot lock the data folder: " + file + ": it is no regular file");
    }
    if (file_fd_ >= 0) Lock(file_fd_, folder, file);
  } catch (...) {
    if (file_fd_ >= 0) ::close(file_fd_);
    if (folder_fd_ >= 0) ::close(folder_fd_);
    throw;
  }
}

FolderLock::~FolderLock() {
  if (file_fd_ >= 0) ::close(file_fd_);
  if (folder_fd_ >= 0) ::close(folder_fd_);
}

}  // namespace trezik::live

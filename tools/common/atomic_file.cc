#include "tools/common/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace trezik::drive {
namespace fs = std::filesystem;
namespace {

[[noreturn]] void Fail(const std::string& path, const char* step, int error) {
  throw std::runtime_error("cannot write " + path + ": " + step + ": " + std::generic_category().message(error));
}

// The permissions a new file gets from open(): 0666 less the umask, read
// from /proc so that the umask is not changed for the other threads.
mode_t NewFileMode() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("Umask:", 0) == 0) return 0666 & ~static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
  }
  return 0644;
}

// A file made by mkstemp beside the target; closed and removed unless it was
// renamed over the target.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& target) : name_(target + ".tmp-XXXXXX"), fd_(::mkstemp(name_.data())) {}
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (created_ && !renamed_) ::unlink(name_.c_str());
  }
  bool created() const { return created_; }
  int fd() const { return fd_; }
  const std::string& name() const { return name_; }
  // Closes the file; false (errno set) when the close failed.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }
  void Renamed() { renamed_ = true; }

 private:
  std::string name_;
  int fd_;
  bool created_ = fd_ >= 0;
  bool renamed_ = false;
};

}  // namespace

void WriteFileWhole(const std::string& path, std::string_view content) {
  TemporaryFile temporary(path);
  if (!temporary.created()) Fail(path, "cannot create a temporary file beside it", errno);

  for (std::size_t done = 0; done < content.size();) {
    const ssize_t written = ::write(temporary.fd(), content.data() + done, content.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) Fail(path, "write", written == 0 ? ENOSPC : errno);
    done += static_cast<std::size_t>(written);
  }
  // The target's own permissions when it is replaced, else a new file's.
  struct stat old {};
  const mode_t mode = ::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode) ? old.st_mode & 07777 : NewFileMode();
  if (::fchmod(temporary.fd(), mode) != 0) Fail(path, "chmod", errno);
  if (::fsync(temporary.fd()) != 0) Fail(path, "flush to disk", errno);
  if (!temporary.Close()) Fail(path, "close", errno);
  if (::rename(temporary.name().c_str(), path.c_str()) != 0) Fail(path, "rename", errno);
  temporary.Renamed();

  // The rename itself reaches the disk with the folder. From here on the new
  // content is in place for every reader, so a folder that cannot be synced
  // (a file system that does not sync folders) is not reported as a failure.
  const fs::path folder = fs::path(path).has_parent_path() ? fs::path(path).parent_path() : fs::path(".");
  if (const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

void MakeFolders(const std::string& path) {
  std::error_code error;
  fs::create_directories(path, error);
  if (error) throw std::runtime_error("cannot create the folder " + path + ": " + error.message());
}

std::string MakeTemporaryFolder(std::string_view prefix) {
  std::error_code error;
  const fs::path base = fs::temp_directory_path(error);
  if (error) throw std::runtime_error("no temporary folder: " + error.message());
  std::string name = (base / prefix).string() + "XXXXXX";
  if (::mkdtemp(name.data()) == nullptr) {
    throw std::runtime_error("cannot create a temporary folder in " + base.string() + ": " +
                             std::generic_category().message(errno));
  }
  return name;
}

}  // namespace trezik::drive

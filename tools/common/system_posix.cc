// The tools' files on POSIX systems: StreamedFile (streamed_file.h) with
// mkstemp, fsync and rename, and the folders of atomic_file.h.
#include "tools/common/atomic_file.h"
#include "tools/common/streamed_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace trezik::tools {
namespace {

// 0666 less the umask, read from /proc so that no other thread sees the
// umask change.
mode_t NewFileMode() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("Umask:", 0) == 0) return 0666 & ~static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
  }
  return 0644;
}

}  // namespace

StreamedFile::StreamedFile(std::string path) : path_(std::move(path)), temporary_(path_ + ".tmp-XXXXXX") {
  fd_ = ::mkstemp(temporary_.data());
  if (fd_ < 0) {
    temporary_.clear();
    Fail("cannot create a temporary file beside it", errno);
  }
  pending_.reserve(kChunk);
}

StreamedFile::~StreamedFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && !temporary_.empty()) ::unlink(temporary_.c_str());
}

void StreamedFile::Fail(const char* step, int error) {
  throw std::runtime_error("cannot write " + path_ + ": " + step + ": " + std::generic_category().message(error));
}

void StreamedFile::WriteNow(std::string_view text) {
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t written = ::write(fd_, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) Fail("write", written == 0 ? ENOSPC : errno);
    done += static_cast<std::size_t>(written);
  }
}

void StreamedFile::Commit() {
  Flush();
  struct stat old {};
  const mode_t mode = ::stat(path_.c_str(), &old) == 0 && S_ISREG(old.st_mode) ? old.st_mode & 07777 : NewFileMode();
  if (::fchmod(fd_, mode) != 0) Fail("chmod", errno);
  if (::fsync(fd_) != 0) Fail("flush to disk", errno);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) Fail("close", errno);
  if (::rename(temporary_.c_str(), path_.c_str()) != 0) Fail("rename", errno);
  committed_ = true;
  // The rename reaches the disk with the folder; a folder that cannot be
  // synced is no failure, the new file is in place for every reader.
  const std::filesystem::path target(path_);
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

void MakeFolders(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  if (error) throw std::runtime_error("cannot create the folder " + path + ": " + error.message());
}

std::string MakeTemporaryFolder(std::string_view prefix) {
  std::error_code error;
  const std::filesystem::path base = std::filesystem::temp_directory_path(error);
  if (error) throw std::runtime_error("no temporary folder: " + error.message());
  std::string name = (base / prefix).string() + "XXXXXX";
  if (::mkdtemp(name.data()) == nullptr) {
    throw std::runtime_error("cannot create a temporary folder in " + base.string() + ": " +
                             std::generic_category().message(errno));
  }
  return name;
}

}  // namespace trezik::tools

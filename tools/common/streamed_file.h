// An output file written piece by piece and put in place whole: the pieces go
// to a temporary file of its own beside the target (a name from mkstemp),
// every write is checked, and Commit syncs it to the disk, renames it over
// the target and syncs the folder. Until Commit the old file stays as it
// was; a file never committed (a failure, a refused run) is removed.
// The one writer of the tools' output files: ReplaceFileDurably (atomic_file.h)
// writes through it too. Its system parts: system_posix.cc, and on Windows
// system_windows.cc (CreateFileW beside the target, FlushFileBuffers,
// MoveFileExW).
#pragma once

#include <string>
#include <string_view>

namespace trezik::tools {

class StreamedFile {
 public:
  // Throws std::runtime_error "cannot write PATH: STEP: REASON".
  explicit StreamedFile(std::string path);
  StreamedFile(const StreamedFile&) = delete;
  StreamedFile& operator=(const StreamedFile&) = delete;
  ~StreamedFile();

  // Large texts are written at once, small ones gathered first.
  void Write(std::string_view text);
  // Puts the file in place, keeping the old file's permissions or giving a
  // new one the usual ones (0666 less the umask).
  void Commit();
  const std::string& path() const { return path_; }

 private:
  static constexpr std::size_t kChunk = 256 * 1024;
  void Flush();
  void WriteNow(std::string_view text);  // the system part
  [[noreturn]] void Fail(const char* step, int error);

  std::string path_, temporary_;
  int fd_ = -1;
  bool committed_ = false;
  std::string pending_;
};

}  // namespace trezik::tools

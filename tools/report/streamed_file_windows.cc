// The Windows side of streamed_file.h: the temporary file is made by
// CreateFileW beside the target (a name of its own, CREATE_NEW), held as a C
// runtime descriptor, flushed with FlushFileBuffers and moved over the target
// with MoveFileExW, written through. A new file takes the permissions the
// folder hands down; a replaced one gets them too (Windows has no mode bits
// to keep).
#include <fcntl.h>
#include <io.h>

#include <stdexcept>

#include "platform/windows_headers.h"
#include "tools/report/streamed_file.h"
#include "tools/common/windows_file.h"

namespace trezik::report {
namespace {

constexpr std::size_t kChunk = 256 * 1024;

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

}  // namespace

StreamedFile::StreamedFile(std::string path) : path_(std::move(path)) {
  unsigned long error = 0;
  void* handle = drive::windows::CreateBeside(path_, temporary_, error);
  if (handle == nullptr) Fail("cannot create a temporary file beside it", static_cast<int>(error));
  fd_ = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
  if (fd_ < 0) {
    CloseHandle(handle);
    Fail("cannot create a temporary file beside it", ERROR_TOO_MANY_OPEN_FILES);
  }
  pending_.reserve(kChunk);
}

StreamedFile::~StreamedFile() {
  if (fd_ >= 0) ::_close(fd_);
  if (!committed_ && !temporary_.empty()) drive::windows::Remove(temporary_);
}

// `error` is a Windows error code here.
void StreamedFile::Fail(const char* step, int error) {
  throw std::runtime_error("cannot write " + path_ + ": " + step + ": " +
                           drive::windows::ErrorText(static_cast<unsigned long>(error)));
}

void StreamedFile::Write(std::string_view text) {
  pending_.append(text);
  if (pending_.size() >= kChunk) Flush();
}

void StreamedFile::Flush() {
  unsigned long error = 0;
  if (!drive::windows::WriteAll(HandleOf(fd_), pending_, error)) Fail("write", static_cast<int>(error));
  pending_.clear();
}

void StreamedFile::Commit() {
  Flush();
  if (!FlushFileBuffers(HandleOf(fd_))) Fail("flush to disk", static_cast<int>(GetLastError()));
  const int fd = fd_;
  fd_ = -1;
  if (::_close(fd) != 0) Fail("close", ERROR_WRITE_FAULT);
  unsigned long error = 0;
  if (!drive::windows::PutInPlace(temporary_, path_, error)) Fail("rename", static_cast<int>(error));
  committed_ = true;
}

}  // namespace trezik::report

// The tools' files on Windows: StreamedFile (streamed_file.h) and the
// folders of atomic_file.h. StreamedFile: the temporary file is made by
// CreateFileW beside the target (a name of its own, CREATE_NEW), held as a C
// runtime descriptor, flushed with FlushFileBuffers and moved over the target
// with MoveFileExW, written through. A new file takes the permissions the
// folder hands down; a replaced one gets them too (Windows has no mode bits
// to keep).
#include <fcntl.h>
#include <io.h>

#include <filesystem>
#include <stdexcept>

#include "platform/windows_headers.h"
#include "platform/windows_text.h"
#include "tools/common/atomic_file.h"
#include "tools/common/streamed_file.h"
#include "tools/common/windows_file.h"

namespace trezik::tools {
namespace {

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

}  // namespace

StreamedFile::StreamedFile(std::string path) : path_(std::move(path)) {
  unsigned long error = 0;
  void* handle = windows::CreateBeside(path_, temporary_, error);
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
  if (!committed_ && !temporary_.empty()) windows::Remove(temporary_);
}

// `error` is a Windows error code here.
void StreamedFile::Fail(const char* step, int error) {
  throw std::runtime_error("cannot write " + path_ + ": " + step + ": " +
                           windows::ErrorText(static_cast<unsigned long>(error)));
}

void StreamedFile::WriteNow(std::string_view text) {
  unsigned long error = 0;
  if (!windows::WriteAll(HandleOf(fd_), text, error)) Fail("write", static_cast<int>(error));
}

void StreamedFile::Commit() {
  Flush();
  if (!FlushFileBuffers(HandleOf(fd_))) Fail("flush to disk", static_cast<int>(GetLastError()));
  const int fd = fd_;
  fd_ = -1;
  if (::_close(fd) != 0) Fail("close", ERROR_WRITE_FAULT);
  unsigned long error = 0;
  if (!windows::PutInPlace(temporary_, path_, error)) Fail("rename", static_cast<int>(error));
  committed_ = true;
}

void MakeFolders(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(WideFromUtf8(path)), error);
  if (error) throw std::runtime_error("cannot create the folder " + path + ": " + error.message());
}

std::string MakeTemporaryFolder(std::string_view prefix) {
  wchar_t base[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, base);
  if (length == 0 || length > MAX_PATH) throw std::runtime_error("no temporary folder: " + windows::ErrorText(GetLastError()));
  const std::string base_text = Utf8FromWide(std::wstring_view(base, length));
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = base_text + std::string(prefix) + windows::UniqueHex();
    if (CreateDirectoryW(WideFromUtf8(name).c_str(), nullptr)) return name;
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS) {
      throw std::runtime_error("cannot create a temporary folder in " + base_text + ": " + windows::ErrorText(error));
    }
  }
  throw std::runtime_error("cannot create a temporary folder in " + base_text + ": every name was taken");
}

}  // namespace trezik::tools

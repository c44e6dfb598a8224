// The Windows side of atomic_file.h: CreateFileW beside the target,
// FlushFileBuffers, MoveFileExW over it (written through). A file in place of
// a folder keeps the permissions the folder hands down, as any new file does.
#include <filesystem>
#include <stdexcept>

#include "platform/windows_headers.h"
#include "platform/windows_text.h"
#include "tools/common/atomic_file.h"
#include "tools/common/windows_file.h"

namespace trezik::drive {
namespace {

[[noreturn]] void Fail(const std::string& path, const char* step, unsigned long error) {
  throw std::runtime_error("cannot write " + path + ": " + step + ": " + windows::ErrorText(error));
}

}  // namespace

void WriteFileWhole(const std::string& path, std::string_view content) {
  std::string temporary;
  unsigned long error = 0;
  void* handle = windows::CreateBeside(path, temporary, error);
  if (handle == nullptr) Fail(path, "cannot create a temporary file beside it", error);
  const char* step = "write";
  bool done = windows::WriteAll(handle, content, error);
  if (!done) {
    CloseHandle(handle);
  } else {
    done = windows::FlushAndClose(handle, step, error);
    if (done && !windows::PutInPlace(temporary, path, error)) {
      step = "rename";
      done = false;
    }
  }
  if (!done) {
    windows::Remove(temporary);
    Fail(path, step, error);
  }
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

}  // namespace trezik::drive

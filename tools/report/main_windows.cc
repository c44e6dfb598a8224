// trezik-report.exe: the same command line as on Linux, read as UTF-16 and
// passed on as UTF-8, so that a folder named outside the ANSI code page is
// found. What it prints goes to a console as UTF-16 (WriteConsoleW), and to a
// file or a pipe as UTF-8.
#include <sstream>
#include <string>
#include <vector>

#include "platform/windows_headers.h"
#include "platform/windows_text.h"
#include "tools/report/trezik_report.h"

namespace {

void Print(DWORD which, const std::string& text) {
  if (text.empty()) return;
  const HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0, done = 0;
  if (GetConsoleMode(handle, &mode)) {
    const std::wstring wide = trezik::WideFromUtf8(text);
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &done, nullptr);
  } else {
    WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(trezik::Utf8FromWide(argv[i]));
  std::ostringstream out, err;
  const int status = trezik::report::RunTrezikReport(arguments, out, err);
  Print(STD_OUTPUT_HANDLE, out.str());
  Print(STD_ERROR_HANDLE, err.str());
  return status;
}

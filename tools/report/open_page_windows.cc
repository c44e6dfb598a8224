// ShellExecuteW with the "open" verb: the user's default browser, or whatever
// handles .html on this machine.
#include "platform/windows_headers.h"
#include "platform/windows_text.h"
#include "tools/report/open_page.h"

#include <shellapi.h>

namespace trezik::report {

bool OpenWithSystem(const std::string& path) {
  // The shell's handlers may be COM objects; ShellExecute wants COM started.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const HINSTANCE result = ShellExecuteW(nullptr, L"open", WideFromUtf8(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  if (SUCCEEDED(com)) CoUninitialize();
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace trezik::report

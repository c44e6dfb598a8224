// The exports of trezik.dll, each behind the processor check. This file is
// compiled without SSE (cmake/windows_dll.cmake) and uses nothing but plain
// code and system calls before the check: an inline function of a header
// could be linked in from another file's SSE2 copy.
#include "com/entry_points.h"

#include "com/com_errors.h"
#include "com/com_interface.h"
#include "com/module_life.h"

namespace trezik::com {
namespace {

bool SystemHasSse2() { return IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != 0; }

// The refusal: the thread's error info, as for any failed creation, and its
// code.
HRESULT RefuseProcessor() {
  ICreateErrorInfo* create = nullptr;
  if (SUCCEEDED(CreateErrorInfo(&create))) {
    create->SetGUID(kInterfaceId);
    create->SetSource(const_cast<LPOLESTR>(kErrorSource));
    create->SetDescription(const_cast<LPOLESTR>(L"this processor lacks SSE2"));
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
      SetErrorInfo(0, info);
      info->Release();
    }
    create->Release();
  }
  return kNoSse2Error;
}

}  // namespace

bool (*processor_has_sse2)() = &SystemHasSse2;

}  // namespace trezik::com

using trezik::com::processor_has_sse2;
using trezik::com::RefuseProcessor;

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  if (!processor_has_sse2()) {
    if (object != nullptr) *object = nullptr;
    return RefuseProcessor();
  }
  return trezik::com::GetClassObject(clsid, riid, object);
}

// Without SSE2 nothing was ever created or locked: the DLL may go.
extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  if (!processor_has_sse2()) return S_OK;
  return trezik::com::CanUnloadNow();
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  if (!processor_has_sse2()) return RefuseProcessor();
  return trezik::com::RegisterServerEntries();
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  if (!processor_has_sse2()) return RefuseProcessor();
  return trezik::com::UnregisterServerEntries();
}

extern "C" HRESULT STDAPICALLTYPE DllInstall(BOOL install, PCWSTR command_line) {
  if (!processor_has_sse2()) return RefuseProcessor();
  return trezik::com::InstallForUser(install, command_line);
}

// The runtime's entry point calls it for every reason; only a thread's end
// matters: a thread that ends holding plug-in state leaves it to be freed
// here (module_life.h). Without SSE2 no state was ever made.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_THREAD_DETACH && processor_has_sse2()) trezik::com::ThreadEnded();
  return TRUE;
}

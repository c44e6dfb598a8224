// The server's entry points DllGetClassObject and DllCanUnloadNow, its class
// factory and the life of the plug-in state relative to the DLL.
//
// The state holder Form1 outlives the last object (the host may release and
// create again; the meters go on). Its hidden window's procedure and Timer1
// live in this DLL, so the DLL must stay mapped while that window exists:
// - every thread that holds state keeps a reference on the DLL
//   (NoteThreadState), which no FreeLibrary by COM can take away;
// - DllCanUnloadNow, when no object and no server lock is left, tears the
//   calling thread's state down (the window procedure is restored, the trip
//   state saved, the window destroyed) and drops that thread's reference. It
//   answers S_OK only when no thread holds state any more.
// DllCanUnloadNow is the safe point for the teardown: COM calls it from
// CoFreeUnusedLibraries on the apartment's own thread, which owns the window,
// and not under the loader lock. DllMain does nothing.
#include "com/com_server.h"

#include <atomic>

#include "com/com_errors.h"
#include "com/com_object.h"
#include "state/form1.h"

namespace trezik::com {
namespace {

std::atomic<long> live_objects{0};
std::atomic<long> server_locks{0};
// Threads whose Form1 holds a reference on the DLL.
std::atomic<long> threads_with_state{0};
thread_local bool this_thread_holds_state = false;

class ClassFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // A static object: the server lock count, not its references, keeps the
  // DLL loaded (IClassFactory::LockServer).
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid,
                                           void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return CreatePWExtension(riid, object);
  }

  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    com::LockServer(lock != FALSE);
    return S_OK;
  }
};

ClassFactory class_factory;

// Tears down the calling thread's state and gives back its reference on the
// DLL. COM still holds its own reference while it asks DllCanUnloadNow, so
// the DLL stays mapped through the return.
void TearDownThreadState() {
  Form1::Unload();
  this_thread_holds_state = false;
  --threads_with_state;
  FreeLibrary(ThisModule());
}

}  // namespace

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

void ObjectCreated() { ++live_objects; }
void ObjectDestroyed() { --live_objects; }

void LockServer(bool lock) {
  if (lock) {
    ++server_locks;
  } else {
    --server_locks;
  }
}

void NoteThreadState() {
  if (this_thread_holds_state || Form1::Existing() == nullptr) return;
  HMODULE pinned = nullptr;
  // Without GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT this adds a
  // reference, as LoadLibrary would.
  if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                         reinterpret_cast<LPCSTR>(&NoteThreadState), &pinned)) {
    this_thread_holds_state = true;
    ++threads_with_state;
  }
}

HRESULT CreatePWExtension(REFIID riid, void** object) {
  PWExtensionObject* created = nullptr;
  HRESULT hr = S_OK;
  try {
    created = new PWExtensionObject();
  } catch (...) {
    hr = SetErrorInfoFrom(ReportOfCurrentException());
  }
  // Even a failed start-up may have left Form1 and its window behind.
  NoteThreadState();
  if (FAILED(hr)) return hr;
  hr = created->QueryInterface(riid, object);
  created->Release();
  return hr;
}

}  // namespace trezik::com

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!IsEqualCLSID(clsid, trezik::com::kClassId)) return CLASS_E_CLASSNOTAVAILABLE;
  return trezik::com::class_factory.QueryInterface(riid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  using namespace trezik::com;
  if (live_objects > 0 || server_locks > 0) return S_FALSE;
  if (this_thread_holds_state) TearDownThreadState();
  return threads_with_state > 0 ? S_FALSE : S_OK;
}

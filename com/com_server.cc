// What the server's entry points DllGetClassObject and DllCanUnloadNow do
// (com/entry_points.cc exports them), and its class factory. What they count and how the plug-in state holds the DLL is
// in module_life.h. DllMain does nothing: nothing of the plug-in may run
// under the loader lock.
//
// No C++ exception leaves an entry point (GuardEntry); a failed creation also
// sets the thread's error info.
#include "com/com_errors.h"
#include "com/com_object.h"
#include "com/entry_points.h"
#include "com/module_life.h"

namespace trezik::com {
namespace {

// The creation of one PWExtension object, start-up included.
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
    return GuardEntry([&] { return CreatePWExtension(riid, object); });
  }

  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    com::LockServer(lock != FALSE);
    return S_OK;
  }
};

ClassFactory class_factory;

}  // namespace
}  // namespace trezik::com

namespace trezik::com {

HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  return GuardEntry([&] {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(clsid, kClassId)) return CLASS_E_CLASSNOTAVAILABLE;
    return class_factory.QueryInterface(riid, object);
  });
}

HRESULT CanUnloadNow() {
  return GuardEntry([] { return UnloadPass(); });
}

}  // namespace trezik::com

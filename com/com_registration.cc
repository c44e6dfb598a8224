// DllRegisterServer and DllUnregisterServer: the ProgID, the class with its
// in-process server (apartment threading) and the type library, all under
// HKEY_CLASSES_ROOT. No C++ exception leaves either (GuardEntry): running
// out of memory gives E_OUTOFMEMORY.
#include "com/com_registration.h"

#include <cstdio>

#include "com/com_errors.h"
#include "com/com_interface.h"
#include "platform/windows_module.h"

#include <olectl.h>

namespace trezik::com {
namespace {

const char kClassName[] = "trezik trip meter plug-in";

std::string ClassKey() { return "CLSID\\" + GuidText(kClassId); }

HRESULT WriteEntry(const RegistryEntry& entry) {
  HKEY key = nullptr;
  LONG status = RegCreateKeyExA(HKEY_CLASSES_ROOT, entry.key.c_str(), 0, nullptr, 0,
                                KEY_WRITE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  status = RegSetValueExA(key, entry.value_name.empty() ? nullptr : entry.value_name.c_str(), 0,
                          REG_SZ, reinterpret_cast<const BYTE*>(entry.data.c_str()),
                          static_cast<DWORD>(entry.data.size() + 1));
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

HRESULT RemoveKeys() {
  HRESULT result = S_OK;
  for (const std::string& root : RegistrationRoots()) {
    const LONG status = RegDeleteTreeA(HKEY_CLASSES_ROOT, root.c_str());
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
      // RegDeleteTree empties the key; the key itself goes with RegDeleteKey.
      RegDeleteKeyA(HKEY_CLASSES_ROOT, root.c_str());
    } else {
      result = HRESULT_FROM_WIN32(status);
    }
  }
  return result;
}

HRESULT UnregisterTypeLibrary() {
  const HRESULT hr =
      UnRegisterTypeLib(kLibraryId, kLibraryMajor, kLibraryMinor, kLibraryLocale, SYS_WIN32);
  // Not registered is what we want.
  if (hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_LIBNOTREGISTERED) return S_OK;
  return hr;
}

}  // namespace

std::string GuidText(const GUID& guid) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                guid.Data4[6], guid.Data4[7]);
  return text;
}

std::vector<RegistryEntry> RegistrationEntries(const std::string& module_path) {
  const std::string progid = kProgId;
  const std::string clsid = GuidText(kClassId);
  const std::string class_key = ClassKey();
  return {
      {progid, "", kClassName},
      {progid + "\\CLSID", "", clsid},
      {class_key, "", kClassName},
      {class_key + "\\ProgID", "", progid},
      {class_key + "\\InprocServer32", "", module_path},
      {class_key + "\\InprocServer32", "ThreadingModel", "Apartment"},
      {class_key + "\\TypeLib", "", GuidText(kLibraryId)},
      {class_key + "\\Version", "", "1.0"},
  };
}

std::vector<std::string> RegistrationRoots() { return {kProgId, ClassKey()}; }

namespace {

HRESULT RegisterServer() {
  const std::string path = ThisModulePath<char>();
  std::wstring wide_path = ThisModulePath<wchar_t>();
  if (path.empty() || wide_path.empty()) return SELFREG_E_CLASS;
  for (const RegistryEntry& entry : RegistrationEntries(path)) {
    if (FAILED(WriteEntry(entry))) {
      RemoveKeys();
      return SELFREG_E_CLASS;
    }
  }
  // The type library: its keys, and those of its dual interface, which
  // oleaut32 marshals from the type library.
  ITypeLib* library = nullptr;
  HRESULT hr = LoadTypeLibEx(wide_path.c_str(), REGKIND_NONE, &library);
  if (SUCCEEDED(hr)) {
    hr = RegisterTypeLib(library, wide_path.data(), nullptr);
    library->Release();
  }
  if (FAILED(hr)) {
    RemoveKeys();
    return SELFREG_E_TYPELIB;
  }
  return S_OK;
}

HRESULT UnregisterServer() {
  const HRESULT keys = RemoveKeys();
  const HRESULT library = UnregisterTypeLibrary();
  if (FAILED(keys)) return SELFREG_E_CLASS;
  if (FAILED(library)) return SELFREG_E_TYPELIB;
  return S_OK;
}

}  // namespace
}  // namespace trezik::com

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  using namespace trezik::com;
  return GuardEntry([] {
    try {
      return RegisterServer();
    } catch (...) {
      // Leave no half registration behind; a failure of this clean-up too
      // is reported the same way.
      RemoveKeys();
      throw;
    }
  });
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  return trezik::com::GuardEntry([] { return trezik::com::UnregisterServer(); });
}

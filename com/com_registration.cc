// What DllRegisterServer, DllUnregisterServer and DllInstall do
// (com/entry_points.cc exports them): the ProgID, the class with its
// in-process server (apartment threading) and the type library, all under
// HKEY_CLASSES_ROOT. DllInstall with the command line "user" (regsvr32 /n
// /i:user) writes the same values, the type library's included, under
// HKEY_CURRENT_USER\Software\Classes, where a user without administrator
// rights may write, and removes them again (regsvr32 /u /n /i:user). No C++
// exception leaves any of them (GuardEntry): running out of memory gives
// E_OUTOFMEMORY. The table holds UTF-8 texts; the registry gets them as
// UTF-16 through the W calls, so that a DLL in a folder named outside the
// ANSI code page is registered under its true path.
#include "com/com_registration.h"

#include <cstdio>

#include "com/com_errors.h"
#include "com/com_interface.h"
#include "com/entry_points.h"
#include "platform/windows_module.h"
#include "platform/windows_text.h"

#include <olectl.h>

namespace trezik::com {
namespace {

const char kClassName[] = "trezik trip meter plug-in";
// The type library's help string (com/trezik.idl), which RegisterTypeLib
// writes as the version key's value.
const char kLibraryHelpString[] = "trezik trip meter";
// oleaut32's marshaller of dual and automation interfaces.
const char kAutomationProxyStub[] = "{00020424-0000-0000-C000-000000000046}";
// Where a user's own classes live.
const char kUserClasses[] = "Software\\Classes\\";

std::string ClassKey() { return "CLSID\\" + GuidText(kClassId); }
std::string LibraryKey() { return "TypeLib\\" + GuidText(kLibraryId); }
std::string LibraryVersionKey() { return LibraryKey() + "\\1.0"; }
std::string InterfaceKey() { return "Interface\\" + GuidText(kInterfaceId); }

// A registry location: HKEY_CLASSES_ROOT, or a user's
// HKEY_CURRENT_USER\Software\Classes.
struct ClassesRoot {
  HKEY key;
  const char* prefix;
};
const ClassesRoot kMachineClasses{HKEY_CLASSES_ROOT, ""};
const ClassesRoot kUserClassesRoot{HKEY_CURRENT_USER, kUserClasses};

HRESULT WriteEntry(const ClassesRoot& root, const RegistryEntry& entry) {
  HKEY key = nullptr;
  const std::wstring path = WideFromUtf8(root.prefix + entry.key);
  LONG status = RegCreateKeyExW(root.key, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                nullptr);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  const std::wstring name = WideFromUtf8(entry.value_name);
  const std::wstring data = WideFromUtf8(entry.data);
  status = RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

HRESULT RemoveKeys(const ClassesRoot& root, const std::vector<std::string>& keys) {
  HRESULT result = S_OK;
  for (const std::string& key : keys) {
    const std::wstring path = WideFromUtf8(root.prefix + key);
    const LONG status = RegDeleteTreeW(root.key, path.c_str());
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
      // RegDeleteTree empties the key; the key itself goes with RegDeleteKey.
      RegDeleteKeyW(root.key, path.c_str());
    } else {
      result = HRESULT_FROM_WIN32(status);
    }
  }
  return result;
}

HRESULT RemoveKeys() { return RemoveKeys(kMachineClasses, RegistrationRoots()); }

HRESULT RemoveUserKeys() {
  const HRESULT result = RemoveKeys(kUserClassesRoot, UserRegistrationRoots());
  // The library's key goes too unless another version of it is registered:
  // RegDeleteKey leaves a key that has subkeys.
  RegDeleteKeyW(HKEY_CURRENT_USER, WideFromUtf8(kUserClasses + LibraryKey()).c_str());
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

std::vector<RegistryEntry> UserRegistrationEntries(const std::string& module_path) {
  std::vector<RegistryEntry> entries = RegistrationEntries(module_path);
  // What RegisterTypeLib writes for the library and its dual interface:
  // HELPDIR is the DLL's folder, FLAGS the library's flags (8: it has a disk
  // image).
  const std::string library = GuidText(kLibraryId);
  const std::string folder = module_path.substr(0, module_path.find_last_of('\\'));
  const std::string version_key = LibraryVersionKey();
  const std::string interface_key = InterfaceKey();
  entries.insert(entries.end(), {
      {version_key, "", kLibraryHelpString},
      {version_key + "\\409\\win32", "", module_path},
      {version_key + "\\FLAGS", "", "8"},
      {version_key + "\\HELPDIR", "", folder},
      {interface_key, "", "_PWExtension"},
      {interface_key + "\\ProxyStubClsid", "", kAutomationProxyStub},
      {interface_key + "\\ProxyStubClsid32", "", kAutomationProxyStub},
      {interface_key + "\\TypeLib", "", library},
      {interface_key + "\\TypeLib", "Version", "1.0"},
  });
  return entries;
}

std::vector<std::string> UserRegistrationRoots() {
  std::vector<std::string> roots = RegistrationRoots();
  roots.push_back(LibraryVersionKey());
  roots.push_back(InterfaceKey());
  return roots;
}

namespace {

HRESULT RegisterServer() {
  std::wstring wide_path = ThisModulePath();
  const std::string path = Utf8FromWide(wide_path);
  if (path.empty()) return SELFREG_E_CLASS;
  for (const RegistryEntry& entry : RegistrationEntries(path)) {
    if (FAILED(WriteEntry(kMachineClasses, entry))) {
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

// Per-user registration: every value written from the table, none through
// oleaut32, whose RegisterTypeLib writes under HKEY_CLASSES_ROOT.
HRESULT RegisterUser() {
  const std::string path = Utf8FromWide(ThisModulePath());
  if (path.empty()) return SELFREG_E_CLASS;
  for (const RegistryEntry& entry : UserRegistrationEntries(path)) {
    if (FAILED(WriteEntry(kUserClassesRoot, entry))) {
      RemoveUserKeys();
      return SELFREG_E_CLASS;
    }
  }
  return S_OK;
}

bool IsUserCommandLine(PCWSTR command_line) {
  return command_line != nullptr && CompareStringOrdinal(command_line, -1, L"user", -1, TRUE) ==
                                        CSTR_EQUAL;
}

}  // namespace

HRESULT RegisterServerEntries() {
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

HRESULT UnregisterServerEntries() {
  return GuardEntry([] { return UnregisterServer(); });
}

// regsvr32 /n /i:user calls DllInstall(TRUE, L"user"); regsvr32 /u /n
// /i:user calls DllInstall(FALSE, L"user"). Any other command line is
// refused.
HRESULT InstallForUser(BOOL install, PCWSTR command_line) {
  if (!IsUserCommandLine(command_line)) return E_INVALIDARG;
  return GuardEntry([install] {
    if (!install) return FAILED(RemoveUserKeys()) ? SELFREG_E_CLASS : S_OK;
    try {
      return RegisterUser();
    } catch (...) {
      RemoveUserKeys();
      throw;
    }
  });
}

}  // namespace trezik::com

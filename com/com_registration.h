// The registry entries of the server, driven from one table.
#pragma once

#include <string>
#include <vector>

#include "platform/windows_headers.h"

namespace trezik::com {

// One value under HKEY_CLASSES_ROOT (or a user's
// HKEY_CURRENT_USER\Software\Classes), its texts in UTF-8. An empty value
// name is the key's default value.
struct RegistryEntry {
  std::string key;
  std::string value_name;
  std::string data;
};

// Every value the server writes, for the DLL at module_path.
std::vector<RegistryEntry> RegistrationEntries(const std::string& module_path);

// The keys DllUnregisterServer deletes, each with everything below it.
std::vector<std::string> RegistrationRoots();

// Every value DllInstall writes for a user (below
// HKEY_CURRENT_USER\Software\Classes): those above, and those that
// RegisterTypeLib writes for the type library and its interface.
std::vector<RegistryEntry> UserRegistrationEntries(const std::string& module_path);

// The keys DllInstall deletes for a user, each with everything below it.
std::vector<std::string> UserRegistrationRoots();

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string GuidText(const GUID& guid);

}  // namespace trezik::com

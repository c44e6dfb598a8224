// The registry entries of the server, driven from one table.
#pragma once

#include <string>
#include <vector>

#include "platform/windows_headers.h"

namespace trezik::com {

// One value under HKEY_CLASSES_ROOT. An empty value name is the key's
// default value.
struct RegistryEntry {
  std::string key;
  std::string value_name;
  std::string data;
};

// Every value the server writes, for the DLL at module_path.
std::vector<RegistryEntry> RegistrationEntries(const std::string& module_path);

// The keys DllUnregisterServer deletes, each with everything below it.
std::vector<std::string> RegistrationRoots();

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string GuidText(const GUID& guid);

}  // namespace trezik::com

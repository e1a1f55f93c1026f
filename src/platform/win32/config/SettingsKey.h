#pragma once
// Which registry key holds the settings on Windows.

#include <string>

namespace zelt {

// machineKey ("HKEY_LOCAL_MACHINE\...") when this user may create and write it, else userKey
// ("HKEY_CURRENT_USER\..."): a standard user may not write HKLM. ReadSettings reads a
// per-user key over the machine key of the same name, whose values are its defaults.
std::string WritableSettingsKey(const std::string& machineKey, const std::string& userKey);

}  // namespace zelt

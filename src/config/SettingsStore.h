#pragma once

#include <optional>
#include <string>

#include "config/MainApp.h"

namespace zelt {

// The settings key's string values, wherever the platform keeps them: a registry-export file
// on Linux (CRegFile), the registry on Windows. The value rules below are the same for both.
class ISettingsStore {
  public:
    virtual ~ISettingsStore() = default;
    // The value stored under name; nullopt when there is none.
    virtual std::optional<std::string> Get(const std::string& name) const = 0;
    // False when the value cannot be stored in this form; nothing changes then.
    virtual bool Set(const std::string& name, const std::string& value) = 0;
};

// Start-up's reading of the six values into app (all but commMode, which ReadSettings sets).
void ApplySettings(CMainApp& app, const ISettingsStore& store);
// Puts the six values into store; false when one of them could not be stored.
bool StoreSettings(const CMainApp& app, ISettingsStore& store);

}  // namespace zelt

#pragma once

#include <string>

#include "config/MainApp.h"

namespace zelt {

// The settings key lives in a UTF-8 text file in registry-export form. Its path: $ZELT_SETTINGS
// when set, else $XDG_CONFIG_HOME/ZELT Utility Quorvel/settings.reg (~/.config when unset).
std::string SettingsFilePath();

// Creates the folder and a file holding only the header when they are missing. False, with a
// reason in *error, when that cannot be done: the program cannot start.
bool EnsureSettingsKey(const std::string& path, std::string* error);

// Reads the settings into app as the program does at start-up. A file that cannot be read
// leaves every member as it was.
void ReadSettings(CMainApp& app, const std::string& path);

// Writes the six values atomically. False when the file cannot be written (nothing changed).
bool WriteSettings(const CMainApp& app, const std::string& path);

}  // namespace zelt

#pragma once

#include <string>

#include "base/PathSeparator.h"
#include "base/Trace.h"
#include "config/MainApp.h"

namespace zelt {

// What the read step appends to "Cfg Path" when it does not already end with it.
constexpr char kCfgPathSeparator = kPathSeparator;

// The query buffer of one value. A value of 80 characters or more (81 bytes or more with its
// terminating zero) does not fit and is taken as missing; 79 characters are read. So that a
// "Cfg Path" that start-up accepted survives a save, WriteSettings leaves off the separator
// that the read appended when the value would otherwise reach 80 characters.
constexpr size_t kSettingsValueBufferSize = 80;

// The settings key lives in a UTF-8 text file in registry-export form (see RegFile.h). Its
// path: $ZELT_SETTINGS when set, else $XDG_CONFIG_HOME/ZELT Utility Quorvel/settings.reg
// (~/.config when unset).
std::string SettingsFilePath();

// "Cfg Path" when the store has none: $HOME/ZELTUtilityCfg/ (C:\ZELTUtilityCfg\ on Windows).
std::string DefaultCfgPath();

// Creates the folder and a file holding only the header when they are missing. False, with a
// reason in *error, when that cannot be done, the file cannot be opened for reading and
// writing, or it is not a regular file of at most kSettingsFileLimit bytes: the program
// cannot start.
bool EnsureSettingsKey(const std::string& path, std::string* error);

// Reads the settings into app as the program does at start-up. commMode becomes 232 whatever
// happens: every run starts in RS232 mode. A file that cannot be read (or is not a regular
// file of at most kSettingsFileLimit bytes) leaves every other member as it was; a file that
// is empty or holds no key gives the defaults. Both say so in the trace.
void ReadSettings(CMainApp& app, const std::string& path, ITraceSink* trace = nullptr);

// Writes the six values, keeping the file's other lines (a file that holds no key gets the
// header and the key first), atomically (a temporary file in the
// same folder, then a rename). False, with the file unchanged, when the file cannot be read
// or written. Also false when a value holds a line break, which this form cannot store: that
// value keeps its stored text and the others are written.
bool WriteSettings(const CMainApp& app, const std::string& path);

}  // namespace zelt

#pragma once
// The window program's start-up before any window: the settings key is ensured, the trace
// chosen (standard error when the environment asks for it), the settings read into the
// application object; the record keeps its construction values (a new document loads no
// file). A window then comes up at MainFrameRect, marks both saved flags and posts
// UWM_START_SEARCH to itself so the controller search starts once its loop runs.

#include <memory>
#include <string>

#include "base/Trace.h"
#include "config/MainApp.h"

namespace zelt {

struct StartupSettings {
    // False: the key could not be made. The window beeps, shows texts::kRegistryFail with no
    // caption, writes reason to standard error and the program ends with exit code 0.
    bool ok = false;
    std::string reason;
    std::unique_ptr<ITraceSink> trace;
};

StartupSettings LoadStartupSettings(CMainApp& app, const std::string& settingsPath);

}  // namespace zelt

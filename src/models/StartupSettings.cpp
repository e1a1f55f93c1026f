#include "models/StartupSettings.h"

#include "config/Settings.h"

namespace zelt {

StartupSettings LoadStartupSettings(CMainApp& app, const std::string& settingsPath) {
    StartupSettings startup;
    if (!EnsureSettingsKey(settingsPath, &startup.reason)) {
        return startup;
    }
    if (TraceRequestedByEnvironment()) {
        startup.trace = std::make_unique<StderrTraceSink>();
    } else {
        startup.trace = std::make_unique<NullTraceSink>();
    }
    ReadSettings(app, settingsPath, startup.trace.get());
    startup.ok = true;
    return startup;
}

}  // namespace zelt

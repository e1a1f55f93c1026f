#include "Ctl.h"

#include "config/Settings.h"
#include "link/ComPort.h"
#include "link/PortNames.h"

namespace zeltctl {

void CtlContext::StartUp() {
    if (started_) {
        return;
    }
    const std::string path = zelt::SettingsFilePath();
    std::string error;
    if (!zelt::EnsureSettingsKey(path, &error)) {
        throw CtlError{kExitUsage, "Fatal Error: Rigistry Fail ! " + error};
    }
    zelt::ReadSettings(app, path, &Trace());
    settingsAsRead_ = app;
    settingsStore_ = path;
    if (!options.port.empty()) {
        app.comPort = static_cast<uint16_t>(zelt::ParseComName(options.port));
    }
    if (options.rs485) {
        app.commMode = zelt::kCommModeRs485;
    }
    if (options.id > 0) {
        app.rs485Id = static_cast<uint16_t>(options.id);
    }
    if (!options.lang.empty()) {
        app.english = options.lang == "en" ? 1 : 0;
        app.appTitle = zelt::CMainApp::AppTitle(app.english != 0);
    }
    zelt::theComPort.SetCommMode(app.commMode);
    started_ = true;
}

zelt::ITraceSink& CtlContext::Trace() {
    if (!trace_) {
        if (options.trace || zelt::TraceRequestedByEnvironment()) {
            trace_ = std::make_unique<zelt::StderrTraceSink>();
        } else {
            trace_ = std::make_unique<zelt::NullTraceSink>();
        }
    }
    return *trace_;
}

}  // namespace zeltctl

#include "models/PanelDriver.h"

#include "link/ControllerPort.h"

namespace zelt {

bool CPanelDriver::Poll() {
    PanelValues& values = commands_.Values();
    const bool polled = values.linkBusy == 0 && gate_.Poll([this] { commands_.Poll(); });
    if (!polled) {
        commands_.PollMissed();
        return false;
    }
    return values.linkBusy == 0;
}

void CPanelDriver::Button(Action action) {
    if (gate_.DeferWhilePolling([this, action] { Button(action); })) {
        return;
    }
    if (commands_.Values().linkBusy == 0) {
        gate_.Exclusive([this, action] { (commands_.*action)(); });
    }
}

void RunLinkDialog(CMainApp& app, CComPort& port, CControllerCommands& commands,
                   const std::function<uint16_t()>& dialog) {
    commands.Values().linkBusy = 1;
    if (const uint16_t chosen = dialog(); chosen != 0) {
        app.comPort = chosen;
    }
    ReopenControllerPort(port, app.comPort, commands.Link());
    commands.Values().linkBusy = 0;
}

bool RunStartupSearch(CMainApp& app, CComPort& port, CControllerCommands& commands,
                      const std::function<uint16_t()>& seek) {
    commands.Values().linkBusy = 1;
    const uint16_t found = seek();
    if (found == 0) {
        ReopenControllerPort(port, app.comPort, commands.Link());
    } else {
        app.comPort = found;  // the port stays open as the probe left it
    }
    commands.Values().linkBusy = 0;
    return found != 0;
}

}  // namespace zelt

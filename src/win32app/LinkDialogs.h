#pragma once
// The link dialogs of the Win32 window, from the .rc templates: the start-up seek, the link
// dialog (port list, Auto Detect, RS232 / RS485 and the RS485 ID, Scan Bus) and the bus scan.
// The walks are the core's (CSeekWalk, CPortTable, CAutoDetect, CBusScan); these windows show
// and collect.

#include <windows.h>

#include <cstdint>
#include <functional>

#include "config/MainApp.h"
#include "link/ComPort.h"
#include "link/Discovery.h"
#include "models/ControllerCommands.h"

namespace zelt::win32 {

// The start-up search: every 400 ms the next COM port with the status read until a
// controller answers (then getParameters runs) or the user cancels. The port where the
// controller answered; 0 when none did.
int RunSeekDialog(HWND owner, CMainApp& app, CControllerCommands& commands, CComPort& port,
                  CSeekPosition& position, const std::function<void()>& getParameters);

// The link dialog. getParameters runs after Auto Detect found a controller, on the open
// port at the address found. The port chosen with OK, 0 after Cancel (the core's
// RunLinkDialog opens the settings' port again around it); OK also applies the mode and, in
// RS485 mode, the ID to app.
using LinkGetParameters = std::function<void(const LinkAddress& found)>;
uint16_t ShowLinkDialog(HWND owner, CMainApp& app, CComPort& port, CControllerCommands& commands,
                        IControllerWindow& window, const LinkGetParameters& getParameters);

// "Scan Bus" on one port: the ID chosen, 0 when none was.
int RunBusScanDialog(HWND owner, const CMainApp& app, CComPort& port, ITickClock& clock,
                     ITraceSink& trace, int portNumber);

}  // namespace zelt::win32

#pragma once
// The parameter panel's timer step and buttons as every window runs them: through the exchange
// gate, so a clock ticks whatever is open while the poll and the buttons' exchanges wait for
// the line. A window's IPanelHost forwards to it.

#include "link/ComPort.h"
#include "models/ControllerCommands.h"
#include "models/ExchangeGate.h"

namespace zelt {

class CPanelDriver {
  public:
    CPanelDriver(CControllerCommands& commands, ExchangeGate& gate)
        : commands_(commands), gate_(gate) {}

    // One second of the panel timer: the clocks, and every fifth tick the poll. True when this
    // tick read the live readings (the chart takes a sample).
    bool Tick() { return commands_.TickClocks() && Poll(); }
    // The poll now. It waits while a link dialog owns the port or an exchange holds the line;
    // each period it waits counts as a failed poll. False when it did not run or ended in the
    // battery-fail or over-voltage path.
    bool Poll();

    // A panel button (Reset, Set RTC, Update): runs after a poll that runs now, does nothing
    // while another exchange holds the line or a link dialog owns the port.
    using Action = void (CControllerCommands::*)();
    void Button(Action action);

  private:
    CControllerCommands& commands_;
    ExchangeGate& gate_;
};

// The link dialog and the start-up search own the port while they run: the panel's poll keeps
// off it (linkBusy). dialog shows the dialog and returns the port it settled on, 0 for none.
// Afterwards the link command opens the serial port again on the settings' port (the one
// chosen with OK, else the old one); the search keeps the port open where a controller
// answered and makes it the settings' port, else opens the settings' port again. The window
// repaints the panel after either.
void RunLinkDialog(CMainApp& app, CComPort& port, CControllerCommands& commands,
                   const std::function<uint16_t()>& dialog);
// True when a controller answered.
bool RunStartupSearch(CMainApp& app, CComPort& port, CControllerCommands& commands,
                      const std::function<uint16_t()>& seek);

}  // namespace zelt

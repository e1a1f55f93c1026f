#pragma once
// One command's conversation with the controller: the settings and global options applied
// and checked, the port opened, and the controller at the settings' address.

#include <memory>
#include <string>
#include <vector>

#include "Controller.h"
#include "Ctl.h"

namespace zeltctl {

// Ends with status 2 when the port (COM1..COM40) or, in RS485 mode, the device ID (1..255)
// that the settings and options give cannot be used. Nothing has been sent at that point.
void CheckLinkSettings(const zelt::CMainApp& app);
// The port part of it alone, for a walk whose IDs come from elsewhere.
void CheckPortSetting(const zelt::CMainApp& app);
// Ends with status 2 when ZELT_PORT_DIR is set to nothing: no port could be meant.
void CheckPortFolder();
// Opens the settings' port at the controller's rate; ends with status 1 and the reason when
// it does not open.
void OpenPort(const zelt::CMainApp& app);

class LinkSession {
  public:
    // Starts the tool, checks the settings, and opens the port at 19200 baud (status 1 when
    // it does not open).
    explicit LinkSession(CtlContext& ctx);
    ~LinkSession();
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

    CtlController& Controller() { return *controller_; }
    zelt::CControllerLink& Link() { return controller_->Link(); }
    zelt::CMainApp& App() { return ctx_.app; }

    // Shows "item n of N and its name" on standard error while a sequence runs, but only
    // when standard error is a terminal; and ends the sequence between two items when a
    // signal came during a deferred section (see Interrupt.h).
    void ShowSequenceProgress();
    // After a sequence of total items: ends the command when a signal came, saying which
    // items were done.
    void ThrowIfInterrupted(int total);
    // After a command: what the window's loop would do (CtlController::AfterCommand), and
    // status 1 when the controller's state (a foreign vendor, an over-voltage) asked the
    // command to end.
    void Settle();
    // Shows a message as the system would (standard error) and ends with status 1.
    [[noreturn]] void Fail(const std::string& text);

  private:
    CtlContext& ctx_;
    std::unique_ptr<CtlController> controller_;
    std::vector<std::string> itemsBegun_;
};

}  // namespace zeltctl

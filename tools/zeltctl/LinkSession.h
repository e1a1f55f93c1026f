#pragma once
// One command's conversation with the controller: the settings and global options applied
// and checked, the port opened, the controller object and its command-line host.

#include <memory>
#include <string>
#include <vector>

#include "Ctl.h"
#include "CtlHost.h"
#include "link/ControllerLink.h"
#include "link/WallClock.h"

namespace zeltctl {

// Ends with status 2 when the port (COM1..COM40) or, in RS485 mode, the device ID (1..255)
// that the settings and options give cannot be used. Nothing has been sent at that point.
void CheckLinkSettings(const zelt::CMainApp& app);
// Ends with status 2 when ZELT_PORT_DIR is set to nothing: no port could be meant.
void CheckPortFolder();

class LinkSession {
  public:
    // Starts the tool, checks the settings, and opens the port at 19200 baud (status 1 when
    // it does not open).
    explicit LinkSession(CtlContext& ctx);
    ~LinkSession();
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

    zelt::CControllerLink& Link() { return *link_; }
    zelt::CMainApp& App() { return ctx_.app; }
    CtlHost& Host() { return host_; }

    // Shows "item n of N and its name" on standard error while a sequence runs, but only
    // when standard error is a terminal; and ends the sequence between two items when a
    // signal came during a deferred section (see Interrupt.h).
    void ShowSequenceProgress();
    // After a sequence of total items: ends the command when a signal came, saying which
    // items were done.
    void ThrowIfInterrupted(int total);
    // What the window's loop does after a command: run what was posted, and end with status
    // 1 when the link asked the program to quit.
    void Settle();
    // Shows a message as the system would (standard error) and ends with status 1.
    [[noreturn]] void Fail(const std::string& text);

  private:
    CtlContext& ctx_;
    CtlHost host_;
    zelt::SystemWallClock wallClock_;
    std::unique_ptr<zelt::CControllerLink> link_;
    std::vector<std::string> itemsBegun_;
};

}  // namespace zeltctl

#pragma once
// The link's window side for the command line: messages go to the terminal, the Battery Fail
// question is answered "Close Utility" (nobody is there to fix the battery mid-command), and
// quit requests are remembered so that the command can end with status 1.

#include <chrono>
#include <deque>
#include <map>
#include <string>

#include "link/ControllerLink.h"
#include "link/LinkHost.h"

namespace zeltctl {

class CtlHost final : public zelt::WindowlessLinkHost {
  public:
    // Information messages (a confirmed success) go to standard output, every other message
    // to standard error.
    void ShowMessage(const std::string& text, const std::string& caption,
                     zelt::MessageIcon icon) override;
    void RequestQuit(int exitCode) override;
    // Thrown as CtlError with status 1: the command ends at once.
    void ExitNow(int exitCode) override;
    // Reports the battery failure on standard error and answers "Close Utility".
    zelt::BatteryFailChoice AskBatteryFail(const zelt::BatteryFailTexts& texts) override;
    void Post(zelt::Notification notification) override { posted_.push_back(notification); }

    void DisplayChanged(zelt::Display display, const std::string& text) override {
        displays_[display] = text;
    }
    void LightingTimeVisible(bool visible) override { lightingTimeVisible_ = visible; }

    // Runs what the link posted, as the main window's loop would once a command returns.
    void RunPosted(zelt::CControllerLink& link);

    // One rewritten line of progress on standard error, with the time since the host was
    // made, cleared before any message: the item of a sequence ("[3/26] Get RTC  1.2 s") or
    // the probe of a detect walk ("COM3 RS485 ID 249  5.2 s"; rs485Id 0 in RS232 mode).
    void ShowProgress(int n, int total, const std::string& name);
    void ShowProbe(int port, int rs485Id);
    void ClearProgress();

    bool QuitRequested() const { return quitRequested_; }
    // Ends the command with status 1 when the link asked the program to quit.
    void ThrowIfQuitRequested() const;
    // The last text shown in a display, empty when none was.
    std::string DisplayText(zelt::Display display) const;
    bool LightingTimeVisible() const { return lightingTimeVisible_; }
    int StopMessages() const { return stopMessages_; }

  private:
    std::deque<zelt::Notification> posted_;
    std::map<zelt::Display, std::string> displays_;
    bool lightingTimeVisible_ = false;
    bool quitRequested_ = false;
    int stopMessages_ = 0;
    bool progressShown_ = false;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();

    void ShowProgressLine(const std::string& text);
};

}  // namespace zeltctl

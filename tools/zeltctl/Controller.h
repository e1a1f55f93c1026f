#pragma once
// The controller as zeltctl presents it: the controller policy decides, this shows its
// verdicts on the terminal. A status brings the system voltage into the run-time values and
// ends the command when the battery has failed; a version names the firmware and refuses a
// foreign vendor; the sequences print their failure summary.

#include <functional>
#include <optional>
#include <string>

#include "CtlProgress.h"
#include "config/MainApp.h"
#include "link/ControllerLink.h"
#include "link/Sequences.h"
#include "link/WallClock.h"
#include "policy/ControllerPolicy.h"

namespace zeltctl {

class CtlController {
  public:
    // Talks to the address app's comm mode and RS485 ID give now. app must outlive the object.
    CtlController(zelt::CMainApp& app, zelt::ISerialPort& port, zelt::ITickClock& clock,
                  zelt::ITraceSink& trace);

    zelt::CControllerLink& Link() { return link_; }
    zelt::CMainApp& App() { return app_; }
    CtlProgress& Progress() { return progress_; }

    // A message as the window would show it with a stop icon: on standard error.
    void ShowError(const std::string& text);

    // "Get Version". A foreign vendor ID is reported and asks the command to end.
    int ReadVersion();
    // "Get Serial Number"; the digits go to app.serialNumberText.
    int ReadSerialNumber();

    // "Get Parameters" from start into app.config, as the policy ends it: the summary when an
    // item failed, otherwise the record counts as the controller's.
    zelt::GetVerdict Get(const zelt::CCfgDocument& start);
    // "Set Parameters" of record with the answers of host; what was sent replaces app.config.
    // "Operation fault ..." when the controller did not answer, the summary when a write
    // failed or the read-back differs.
    zelt::SetVerdict Set(const zelt::CCfgDocument& record, zelt::ISetHost& host);
    // The status as the window takes it: the Battery Fail report ends the command.
    void TakeStatus(const zelt::ControllerStatus& status);

    // What the window's loop does once a command returns: the trace line of a changed system
    // voltage, and the progress line cleared.
    void AfterCommand();
    // A foreign vendor or an over-voltage was reported: the command ends with status 1 once
    // it has shown what it read.
    bool QuitRequested() const { return quitRequested_; }
    void ThrowIfQuitRequested() const;
    void RequestQuit() { quitRequested_ = true; }

  private:
    void TakeIdentity(const zelt::FirmwareIdentity& identity, bool refused);
    // The end of a sequence: its failure summary on standard error, or "saved to controller".
    void Conclude(const std::string& summary);

    zelt::CMainApp& app_;
    zelt::ITraceSink& trace_;
    zelt::SystemWallClock wallClock_;
    zelt::CControllerLink link_;
    CtlProgress progress_;
    bool quitRequested_ = false;
    bool voltageChanged_ = false;  // the status read found another system voltage
};

}  // namespace zeltctl

#pragma once
// The window's controller commands: where the steps around each exchange live. The link reads
// and writes values; these commands commit and collect what the panel shows, run the
// exchange, then decide what the user sees (status panes, displays, messages, the Battery Fail
// question, the vendor check) and refresh the views. The toolbar, the panel's buttons and its
// timer all come here.

#include <atomic>
#include <functional>
#include <string>

#include "base/Trace.h"
#include "config/MainApp.h"
#include "link/ControllerLink.h"
#include "link/Sequences.h"
#include "link/WallClock.h"
#include "panel/ControllerTexts.h"
#include "panel/PanelValues.h"
#include "policy/ControllerPolicy.h"
#include "policy/Poll.h"

namespace zelt {

enum class BatteryFailChoice { Retry, CloseUtility };

// What the commands need of the window. CMainWnd's host implements it.
class IControllerWindow {
  public:
    virtual ~IControllerWindow() = default;

    virtual void ShowMessage(const std::string& text, const std::string& caption,
                             MessageIcon icon) = 0;
    // Quit once control returns to the loop, without the close path (wrong vendor,
    // over-voltage, the Battery Fail dialog's "Close Utility").
    virtual void RequestQuit(int exitCode) = 0;
    // The modal Battery Fail question; Escape and the close box count as CloseUtility.
    virtual BatteryFailChoice AskBatteryFail(const BatteryFailTexts& texts) = 0;
    // Queue a notification (1037, 1038) for the window's loop; never runs it from inside.
    virtual void Post(int message) = 0;

    virtual void DisplayChanged(Display display, const std::string& text) = 0;
    // The mode codes of the panel values changed: their texts, and the lighting time shown
    // in Manual mode only.
    virtual void OperatingModeChanged() = 0;
    virtual void BatteryCaptionChanged(const std::string& caption) = 0;
    virtual void FirmwarePaneChanged(const std::string& text) = 0;  // status pane 901
    virtual void SerialPaneChanged(const std::string& text) = 0;    // status pane 902
    virtual void TitleChanged(const std::string& title) = 0;

    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;

    // The editors' side of the record: the panel commits the fields whose text it has not
    // taken yet, the clock fields into userTime; collect copies what is shown into the record,
    // refresh redraws from it.
    virtual void CommitEditedFields() = 0;
    virtual void CommitClockFields() = 0;
    virtual void CollectIntoRecord() = 0;
    virtual void RefreshFromRecord() = 0;
    virtual void InvalidateAllControls() = 0;
    // The live readings are stale (from the second failed poll) or current again; lastGood is
    // the PC time of the last good poll.
    virtual void ReadingsStale(bool stale, const TimeOfDay& lastGood) = 0;
};

class CControllerCommands {
  public:
    CControllerCommands(CMainApp& app, ISerialPort& port, ITickClock& clock, ITraceSink& trace,
                        IWallClock& wallClock, IControllerWindow& window);

    // How an exchange runs: on the window's link worker, which the caller waits for while the
    // window stays live, or inline where there is none (tests). cancel is the worker's flag.
    // The runner returns false when it did not run the exchange (the program leaves).
    void SetExchangeRunner(ExchangeRunner runner, std::atomic<bool>* cancel);
    // Runs exchange, which may use the link and nothing of the window; false: not run.
    bool Exchange(const std::function<void()>& exchange);
    // Stops the exchange that runs after its request in flight (Auto Detect, the sequences).
    void CancelExchange() {
        if (cancel_ != nullptr) {
            cancel_->store(true);
        }
    }
    const std::atomic<bool>* CancelFlag() const { return cancel_; }
    bool CancelRequested() const { return cancel_ != nullptr && cancel_->load(); }
    void ClearCancel() {
        if (cancel_ != nullptr) {
            cancel_->store(false);
        }
    }

    // The link, addressed as the settings say at the start of every command.
    CControllerLink& Link();
    PanelValues& Values() { return panel_; }

    // "Get Parameters": collect, read-all, show what was read, summary, refresh. At the
    // settings' address, or at the one Auto Detect found before the settings take it.
    bool ReadAllParameters();
    bool ReadAllParameters(const LinkAddress& at);
    // "Set Parameters" as the policy runs it, asking the window's questions; shows what
    // failed. The record check's refusal is the caller's to show.
    SetVerdict WriteAllParameters(ISetHost& questions);
    // "Reset to default": the status read while the system voltage is unknown, the record's
    // reset values, refresh.
    void ResetToDefault();

    // The status read and what the window makes of it. 1 or 0.
    int GetStatus();
    // Notification 1037: trace line and battery caption.
    void OnSystemVoltageChanged();
    // Notification 1038: the status read again.
    int OnRetryStatusRead() { return GetStatus(); }

    // The panel timer's one-second step: the clocks. Always runs: a clock never waits for the
    // line. True when the poll is due (every fifth tick).
    bool TickClocks();
    // The poll (policy/Poll.h) and what the panel shows of it.
    void Poll();
    // A due poll could not run (the line is held, a dialog is open): every period it stays
    // so counts as a failed poll, so the readings grey out on time.
    void PollMissed();
    // The panel's buttons; each says what failed.
    void ResetChargeCount();
    void SetRtc();
    void UpdateOperatingMode();

    void UpdateBatteryCaption();
    void UpdateFirmwarePane();

  private:
    void ApplyStatus(const ControllerStatus& status);
    // The controller clock was read or set to time at the PC's pc: the display carries it
    // forward from there.
    void NoteControllerClock(TimeOfDay time, TimeOfDay pc);
    TimeOfDay PcClock() const;
    // The identity's panes, and the refusal of a foreign vendor.
    void ApplyIdentity(const StateVerdict& verdict);
    ExchangeRunner Runner();
    void BatteryFailPath();
    void ClearTelemetryDisplays();
    void ApplyReadings(const LiveReadings& readings);
    void ShowFreshness(const std::optional<ReadingsFreshness::Change>& change);
    int SendClock();
    // The end of a sequence: its failure summary, or "saved to controller" when it is empty.
    bool Conclude(const std::string& summary);

    CMainApp& app_;
    ITraceSink& trace_;
    IWallClock& wallClock_;
    IControllerWindow& window_;
    CControllerLink link_;
    ExchangeRunner runner_;
    std::atomic<bool>* cancel_ = nullptr;
    PanelValues panel_;
    ReadingsFreshness freshness_;
};

}  // namespace zelt

#pragma once

#include <string>

namespace zelt {

enum class MessageIcon { Stop, Information };

// Private notifications the link posts to the main window.
enum class Notification { SystemVoltageChanged = 1037, RetryStatusRead = 1038 };

// The panel's read-only displays, by control id.
enum class Display {
    OperatingMode = 1040,
    LightingTime = 1041,
    ChargeCount = 1048,
    BatteryVoltage = 1049,
    BatteryCapacity = 1050,
    ControllerClock = 1052,
    PcClock = 1054,
    ChargeVoltage = 3501,
    ChargeCurrent = 3502,
    LoadVoltage = 3503,
    LoadCurrent = 3504,
};

enum class BatteryFailChoice { Retry, CloseUtility };

// The Battery Fail dialog's texts, built in the current language.
struct BatteryFailTexts {
    std::string caption;
    std::string text;
    std::string retryButton;
    std::string closeButton;
};

// Whatever the link needs a window for. The GUI's main window and zeltctl each implement it;
// every text arrives already built in the current language.
class ILinkHost {
  public:
    virtual ~ILinkHost() = default;

    virtual void ShowMessage(const std::string& text, const std::string& caption,
                             MessageIcon icon) = 0;
    // Ask the application to quit once control returns to its loop (wrong vendor ID,
    // over-voltage).
    virtual void RequestQuit(int exitCode) = 0;
    // End the program at once (the Battery Fail dialog's "Close Utility").
    virtual void ExitNow(int exitCode) = 0;
    // The modal Battery Fail question; Escape and the close box count as CloseUtility.
    virtual BatteryFailChoice AskBatteryFail(const BatteryFailTexts& texts) = 0;
    // Queue a notification for the main window's loop. It must not run the handler from
    // inside Post: 1038 re-runs the status read, which may post 1038 again.
    virtual void Post(Notification notification) = 0;

    // A display's whole text is replaced.
    virtual void DisplayChanged(Display display, const std::string& text) = 0;
    // The "Lighting Time:" label and display 1041 are shown only in Manual mode.
    virtual void LightingTimeVisible(bool visible) = 0;
    virtual void BatteryCaptionChanged(const std::string& caption) = 0;
    virtual void FirmwarePaneChanged(const std::string& text) = 0;  // status pane 901
    virtual void SerialPaneChanged(const std::string& text) = 0;    // status pane 902
    virtual void TitleChanged(const std::string& title) = 0;

    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;

    // The editors' side of the record: the panel commits the fields whose text it has not
    // taken yet (the one being edited), the clock fields into userTime, the collect step
    // copies what is shown into the record, the refresh step redraws from it, and the panel
    // repaints its controls.
    virtual void CommitEditedFields() = 0;
    virtual void CommitClockFields() = 0;
    virtual void CollectIntoRecord() = 0;
    virtual void RefreshFromRecord() = 0;
    virtual void InvalidateAllControls() = 0;
};

// A host without a window: the panel and status-bar hooks do nothing. Tools, benchmarks and
// tests derive from it and answer the questions and messages that matter to them.
class WindowlessLinkHost : public ILinkHost {
  public:
    void Post(Notification) override {}
    void DisplayChanged(Display, const std::string&) override {}
    void LightingTimeVisible(bool) override {}
    void BatteryCaptionChanged(const std::string&) override {}
    void FirmwarePaneChanged(const std::string&) override {}
    void SerialPaneChanged(const std::string&) override {}
    void TitleChanged(const std::string&) override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void CommitEditedFields() override {}
    void CommitClockFields() override {}
    void CollectIntoRecord() override {}
    void RefreshFromRecord() override {}
    void InvalidateAllControls() override {}
};

}  // namespace zelt

#pragma once
// The controller commands' window side for tests of the panel and the link dialogs: messages
// are kept as "caption: text", displays go to onDisplay when set, everything else is dropped.

#include <functional>
#include <string>
#include <vector>

#include "models/ControllerCommands.h"

namespace zelt::uitest {

class RecordingWindow final : public IControllerWindow {
  public:
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon) override {
        messages.push_back(caption + ": " + text);
    }
    void RequestQuit(int) override {}
    BatteryFailChoice AskBatteryFail(const BatteryFailTexts&) override {
        return BatteryFailChoice::Retry;
    }
    void Post(int) override {}
    void DisplayChanged(Display display, const std::string& text) override {
        if (onDisplay) {
            onDisplay(display, text);
        }
    }
    void OperatingModeChanged() override {}
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
    void ReadingsStale(bool stale, const TimeOfDay&) override { readingsStale = stale; }

    std::vector<std::string> messages;
    bool readingsStale = false;
    std::function<void(Display, const std::string&)> onDisplay;
};

}  // namespace zelt::uitest

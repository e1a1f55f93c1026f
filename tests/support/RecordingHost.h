#pragma once
// An ILinkHost that records what the link asked of the windows, and a wall clock driven by the
// fake tick clock, for tests of the controller commands.

#include <map>
#include <string>
#include <vector>

#include "link/LinkHost.h"
#include "link/WallClock.h"
#include "support/FakeLink.h"

namespace zelt::testing {

class RecordingHost final : public ILinkHost {
  public:
    struct Message {
        std::string text;
        std::string caption;
        MessageIcon icon;
    };

    void ShowMessage(const std::string& text, const std::string& caption,
                     MessageIcon icon) override {
        messages.push_back({text, caption, icon});
    }
    void RequestQuit(int exitCode) override { quitRequests.push_back(exitCode); }
    void ExitNow(int exitCode) override { exits.push_back(exitCode); }
    BatteryFailChoice AskBatteryFail(const BatteryFailTexts& texts) override {
        batteryFailTexts.push_back(texts);
        return batteryFailAnswer;
    }
    void Post(Notification notification) override { posts.push_back(notification); }
    void DisplayChanged(Display display, const std::string& text) override {
        displays[display] = text;
    }
    void BatteryCaptionChanged(const std::string& caption) override { batteryCaption = caption; }
    void FirmwarePaneChanged(const std::string& text) override { firmwarePane = text; }
    void SerialPaneChanged(const std::string& text) override { serialPane = text; }
    void BeginWaitCursor() override { ++waitDepth; }
    void EndWaitCursor() override { --waitDepth; }
    void CommitClockFields() override { ++clockCommits; }
    void RefreshFromRecord() override { ++refreshes; }
    // What only the windows act on.
    void LightingTimeVisible(bool) override {}
    void TitleChanged(const std::string&) override {}
    void CommitEditedFields() override {}
    void CollectIntoRecord() override {}
    void InvalidateAllControls() override {}

    std::vector<Message> messages;
    std::vector<int> quitRequests;
    std::vector<int> exits;
    std::vector<BatteryFailTexts> batteryFailTexts;
    BatteryFailChoice batteryFailAnswer = BatteryFailChoice::Retry;
    std::vector<Notification> posts;
    std::map<Display, std::string> displays;
    std::string batteryCaption, firmwarePane, serialPane;
    int waitDepth = 0, clockCommits = 0, refreshes = 0;
};

// Local time that moves with the fake tick clock: base plus the ticks since construction.
class FakeWallClock final : public IWallClock {
  public:
    explicit FakeWallClock(FakeClock& clock) : clock_(clock), origin_(clock.now) {}
    void Set(int hour, int minute, int second, int millisecond) {
        baseMs_ = ((hour * 60L + minute) * 60L + second) * 1000L + millisecond;
        origin_ = clock_.now;
    }
    LocalTime Now() override {
        const long ms = (baseMs_ + (clock_.now - origin_)) % (24L * 3600 * 1000);
        return LocalTime{static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
                         static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000)};
    }

  private:
    FakeClock& clock_;
    long origin_;
    long baseMs_ = 12L * 3600 * 1000;
};

}  // namespace zelt::testing

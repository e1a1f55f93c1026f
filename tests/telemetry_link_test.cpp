// Status read, live readings and the panel's one-second step against the scripted line.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/ControllerFixture.h"

namespace zelt::testing {
namespace {

using Texts = std::vector<std::string>;

class TelemetryBothModes : public ::testing::TestWithParam<uint16_t> {
  protected:
    TelemetryBothModes() : f(GetParam()) {}
    // The last request: its text in RS232, else whether it is the RS485 read of address.
    bool Asked(const char* text, int address, uint8_t count) const {
        return f.Rs232() ? f.LastText() == text : f.requests.back() == ReadFrame(address, count);
    }
    ControllerFixture f;
};

INSTANTIATE_TEST_SUITE_P(Modes, TelemetryBothModes,
                         ::testing::Values(kCommModeRs232, kCommModeRs485),
                         [](const auto& info) { return info.param == 232 ? "RS232" : "RS485"; });

// A live reading of count, as a voltage word.
Bytes Word(int count) {
    return {static_cast<uint8_t>(count / 4), static_cast<uint8_t>((count & 3) * 64)};
}

TEST_P(TelemetryBothModes, StatusSetsSystemVoltageScaleAndLoadFlag) {
    f.AnswerRead({0x44});  // 24 V, load on
    ASSERT_EQ(f.ctl.GetStatus(), 1);
    EXPECT_TRUE(Asked("Q3\r", 0x0104, 1));
    EXPECT_EQ(f.app.systemVoltage, 24);
    EXPECT_DOUBLE_EQ(f.ctl.voltsPerCount, 49.0 / 1024);
    EXPECT_EQ(f.link.trace.lines.back(), "< Firmware turn ON load >\n");
    f.AnswerRead({0x40});  // same voltage, load off
    ASSERT_EQ(f.ctl.GetStatus(), 1);
    EXPECT_EQ(f.link.trace.lines.back(), "< Firmware turn OFF load >\n");
    EXPECT_EQ(f.host.posts, std::vector<Notification>{Notification::SystemVoltageChanged});
    f.ctl.OnSystemVoltageChanged();  // what the window runs for it, under the wait cursor
    EXPECT_EQ(f.link.trace.lines.back(), "< VCC is changed >\n");
    EXPECT_EQ(f.host.batteryCaption, "Battery Information 24V");
    EXPECT_EQ(f.host.waitDepth, 0);
    f.AnswerNothing();  // a failed read changes nothing
    EXPECT_EQ(f.ctl.GetStatus(), 0);
    EXPECT_EQ(f.app.systemVoltage, 24);

    // Firmware 4 and above reads on a new scale, in RS232 only.
    for (const auto& [firmware, status, rs232Scale, rs485Scale] :
         {std::tuple{"4.12", 0x00, 35.0, 24.5},
          {"4.12", 0x40, 70.5, 49.0},
          {"3.9", 0, 24.5, 24.5}}) {
        f.app.firmwareVersionText = firmware;
        f.AnswerRead({static_cast<uint8_t>(status)});
        ASSERT_EQ(f.ctl.GetStatus(), 1);
        EXPECT_DOUBLE_EQ(f.ctl.voltsPerCount, (f.Rs232() ? rs232Scale : rs485Scale) / 1024);
    }
}

TEST_P(TelemetryBothModes, BatteryFailureAsksAndRetriesOrCloses) {
    f.AnswerRead({0x08});
    ASSERT_EQ(f.ctl.GetStatus(), 1);
    EXPECT_EQ(f.ctl.panel.linkBusy, 1);
    EXPECT_EQ(f.host.displays[Display::BatteryVoltage], "");
    EXPECT_EQ(f.host.displays[Display::LoadCurrent], "");
    ASSERT_EQ(f.host.batteryFailTexts.size(), 1u);
    EXPECT_EQ(f.host.batteryFailTexts[0].caption, "Battery Fail");
    EXPECT_EQ(f.host.batteryFailTexts[0].retryButton, "Retry");
    EXPECT_EQ(f.host.posts.back(), Notification::RetryStatusRead);

    f.AnswerRead({0x00});  // the retry finds a good battery: the link is free again
    ASSERT_EQ(f.ctl.OnRetryStatusRead(), 1);
    EXPECT_EQ(f.ctl.panel.linkBusy, 0);
    EXPECT_EQ(f.ctl.panel.batteryFailed, 0);
    EXPECT_TRUE(f.host.exits.empty());

    f.app.english = 0;
    f.host.batteryFailAnswer = BatteryFailChoice::CloseUtility;
    f.AnswerRead({0x08});
    ASSERT_EQ(f.ctl.GetStatus(), 1);
    EXPECT_EQ(f.host.batteryFailTexts.back().caption, "電池異常");
    EXPECT_EQ(f.host.batteryFailTexts.back().closeButton, "關閉程式");
    EXPECT_EQ(f.host.exits, std::vector<int>{0});
}

TEST_P(TelemetryBothModes, BatteryVoltageRunsTheStatusFirstWhenTheSystemIsUnknown) {
    f.app.systemVoltage = 0;
    f.AnswerRead({0x00});
    f.AnswerRead(Word(521));  // 12.47 V
    ASSERT_EQ(f.ctl.GetBatteryVoltage(), 1);
    EXPECT_TRUE(Asked("Q4\r", 0x0105, 2));
    EXPECT_EQ(f.host.batteryCaption, "Battery Information 12V");
    EXPECT_EQ(f.host.displays[Display::BatteryVoltage], "12.5 V");
    EXPECT_EQ(f.host.displays[Display::BatteryCapacity], "85%");
    if (f.Rs232()) {
        EXPECT_EQ(f.link.trace.lines.back(), "< Batt Volt=(8*256+2*16+4)/4*0.023926=12.47 >\n");
    }
}

TEST_P(TelemetryBothModes, OverVoltageAboveEighteenVoltsClosesTheUtility) {
    f.AnswerRead(Word(752));  // 17.99 V
    ASSERT_EQ(f.ctl.GetBatteryVoltage(), 1);
    EXPECT_TRUE(f.host.messages.empty());
    f.AnswerRead(Word(757));  // 18.11 V
    ASSERT_EQ(f.ctl.GetBatteryVoltage(), 1);
    ASSERT_EQ(f.host.messages.size(), 1u);
    EXPECT_EQ(f.host.messages[0].text,
              "The battery voltage is too high, Please input 12V.\nThe utility will be closed.");
    EXPECT_EQ(f.host.messages[0].caption, "Power Fail");
    EXPECT_EQ(f.host.quitRequests, std::vector<int>{0});
}

TEST_P(TelemetryBothModes, ChargeAndLoadReadings) {
    f.AnswerRead(Word(700));
    ASSERT_EQ(f.ctl.GetChargeVoltage(), 1);
    EXPECT_TRUE(Asked("Q6\r", 0x0107, 2));
    EXPECT_EQ(f.host.displays[Display::ChargeVoltage], "16.7 V");
    f.AnswerRead(Word(500));
    ASSERT_EQ(f.ctl.GetLoadVoltage(), 1);
    EXPECT_TRUE(Asked("Q7\r", 0x0109, 2));

    // 151.5 mV / 213 = 0.71 A: hidden while the load is off; the charge current never is.
    for (const auto& [loadOn, shown] : {std::pair{0, "0.0 A"}, {1, "0.7 A"}}) {
        f.ctl.panel.firmwareLoadOn = loadOn;
        f.AnswerRead(Word(31));
        ASSERT_EQ(f.ctl.GetLoadCurrent(), 1);
        EXPECT_TRUE(Asked("Q5\r", 0x010F, 2));
        EXPECT_EQ(f.host.displays[Display::LoadCurrent], shown);
    }
    if (f.Rs232()) {
        EXPECT_EQ(f.link.trace.lines.back(), "< LC-V=(0*256+7*16+12)/4*(5/1023)=0.15 >\n");
    }
    f.ctl.panel.firmwareLoadOn = 0;
    f.AnswerRead(Word(31));
    ASSERT_EQ(f.ctl.GetChargeCurrent(), 1);
    EXPECT_EQ(f.host.displays[Display::ChargeCurrent], "0.9 A");
}

TEST(TelemetryDivisors, MfgIniBesideTheProgram) {
    ControllerFixture f;
    const auto dir = std::filesystem::temp_directory_path() /
                     ("zelt-mfg-" + std::to_string(reinterpret_cast<uintptr_t>(&f)));
    std::filesystem::create_directories(dir);
    f.ctl.SetMfgFolder(dir.string());
    std::ofstream(dir / "MFG.ini") << "[Current Divisor]\nCharge=100\nLoad=0\n";
    f.ctl.LoadCurrentDivisors();
    EXPECT_EQ(f.app.chargeCurrentDivisor, 100u);
    EXPECT_EQ(f.app.loadCurrentDivisor, 213u);  // 0 would divide by zero
    std::filesystem::remove_all(dir);
}

TEST(TelemetryPanelTimer, ClockDriftIsCorrectedWithinFiveSecondsAndSentFromTwo) {
    struct Row {
        ClockTime rtc, shownAfter;
        int usePcTime;
        bool sent;
    } rows[] = {{{10, 15, 56}, {10, 15, 58}, 1, false},   // drift 1: copy only
                {{10, 15, 54}, {10, 15, 58}, 1, true},    // drift 3: copy and send
                {{10, 15, 54}, {10, 15, 58}, 0, false},   // drift 3, the user's time chosen
                {{10, 15, 51}, {10, 15, 52}, 1, false},   // drift 6: neither
                {{10, 14, 56}, {10, 14, 57}, 1, false}};  // another minute
    for (const Row& row : rows) {
        ControllerFixture f;
        f.wall.Set(10, 15, 58, 0);
        f.ctl.panel.rtcTime = row.rtc;
        f.ctl.panel.rtcKnown = 1;
        f.ctl.panel.usePcTime = row.usePcTime;
        f.ctl.panel.pollTicks = 0;
        f.AnswerWrite();
        f.ctl.OnPanelTimer();
        EXPECT_EQ(f.ctl.panel.rtcTime, row.shownAfter) << row.rtc.second;
        EXPECT_EQ(f.host.displays[Display::PcClock], "10 : 15 : 58");
        EXPECT_EQ(f.host.displays[Display::ControllerClock],
                  StrF("10 : %02d : %02d", row.shownAfter.minute, row.shownAfter.second));
        EXPECT_EQ(f.link.trace.lines.front(), StrF("RTC sec=%d, PC sec=58\n", row.rtc.second));
        EXPECT_EQ(f.link.port.WrittenTexts(), row.sent ? Texts{"T101558\r"} : Texts{});
    }
}

TEST(TelemetryPanelTimer, PollsOnTheSecondTickInOrderThenEveryFifth) {
    ControllerFixture f;
    f.link.port.onWrite = [&](FakePort& port, const Bytes& request) {
        f.requests.push_back(request);
        port.ReplyAfter(2, std::string(request.begin(), request.end()) == "Q3\r" ? "R00" : "R7D00");
    };
    f.ctl.OnPanelTimer();
    EXPECT_TRUE(f.requests.empty());
    EXPECT_EQ(f.host.displays[Display::PcClock], "12 : 00 : 00");
    f.ctl.OnPanelTimer();
    EXPECT_EQ(f.link.port.WrittenTexts(),
              (Texts{"Q3\r", "Q4\r", "Q6\r", "Q9\r", "Q7\r", "Q5\r", "Q8\r"}));
    EXPECT_EQ(f.host.displays[Display::ChargeCount], "32000");
    f.requests.clear();
    for (int i = 0; i < 4; ++i) {
        f.ctl.OnPanelTimer();
    }
    EXPECT_TRUE(f.requests.empty());
    f.ctl.OnPanelTimer();
    EXPECT_EQ(f.requests.size(), 7u);
}

TEST(TelemetryPanelTimer, BusyLinkIgnoresTicksAndBatteryFailureStopsThePoll) {
    ControllerFixture f;
    f.ctl.panel.linkBusy = 1;
    f.ctl.panel.pollTicks = 4;
    f.ctl.OnPanelTimer();
    EXPECT_TRUE(f.host.displays.empty());
    f.ctl.panel.linkBusy = 0;
    f.AnswerText("R08");  // battery failure
    f.ctl.OnPanelTimer();
    EXPECT_EQ(f.link.port.WrittenTexts(), Texts{"Q3\r"});
    EXPECT_EQ(f.ctl.panel.linkBusy, 1);
}

}  // namespace
}  // namespace zelt::testing

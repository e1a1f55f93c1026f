// Status read, live readings and the panel's one-second step against the scripted line.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/ControllerFixture.h"

namespace zelt::testing {
namespace {

class TelemetryBothModes : public ::testing::TestWithParam<uint16_t> {
  protected:
    TelemetryBothModes() : f(GetParam()) {}
    bool Rs232() const { return f.Rs232(); }
    ControllerFixture f;
};

INSTANTIATE_TEST_SUITE_P(Modes, TelemetryBothModes,
                         ::testing::Values(kCommModeRs232, kCommModeRs485),
                         [](const auto& info) { return info.param == 232 ? "RS232" : "RS485"; });

// A live reading of count, as a voltage word.
Bytes Word(int count) {
    return {static_cast<uint8_t>(count / 4), static_cast<uint8_t>((count & 3) * 64)};
}

// ---------------------------------------------------------------- status read

TEST_P(TelemetryBothModes, StatusSetsSystemVoltageScaleAndLoadFlag) {
    f.app.systemVoltage = 12;
    f.AnswerRead({0x44});  // 24 V, load on
    ASSERT_EQ(f.ctl.GetStatus(), 1);
    if (Rs232()) {
        EXPECT_EQ(f.LastText(), "Q3\r");
    } else {
        EXPECT_EQ(f.requests.back(), ReadFrame(0x0104, 1));
    }
    EXPECT_EQ(f.app.systemVoltage, 24);
    EXPECT_EQ(f.host.posts, std::vector<Notification>{Notification::SystemVoltageChanged});
    EXPECT_DOUBLE_EQ(f.ctl.voltsPerCount, 49.0 / 1024);
    EXPECT_EQ(f.ctl.panel.firmwareLoadOn, 1);
    EXPECT_EQ(f.link.trace.lines.back(), "< Firmware turn ON load >\n");
    EXPECT_EQ(f.host.title, "ZELT Utility");

    // Same voltage again: no second notification.
    f.AnswerRead({0x40});
    ASSERT_EQ(f.ctl.GetStatus(), 1);
    EXPECT_EQ(f.host.posts.size(), 1u);
    EXPECT_EQ(f.ctl.panel.firmwareLoadOn, 0);
    EXPECT_EQ(f.link.trace.lines.back(), "< Firmware turn OFF load >\n");

    // A failed read changes nothing.
    f.AnswerNothing();
    EXPECT_EQ(f.ctl.GetStatus(), 0);
    EXPECT_EQ(f.app.systemVoltage, 24);
    EXPECT_DOUBLE_EQ(f.ctl.voltsPerCount, 49.0 / 1024);
}

TEST_P(TelemetryBothModes, FirmwareFourAndAboveUsesTheNewScaleOnlyInRs232) {
    f.app.firmwareVersionText = "4.12";
    f.AnswerRead({0x00});
    ASSERT_EQ(f.ctl.GetStatus(), 1);
    EXPECT_DOUBLE_EQ(f.ctl.voltsPerCount, Rs232() ? 35.0 / 1024 : 24.5 / 1024);
    f.AnswerRead({0x40});
    ASSERT_EQ(f.ctl.GetStatus(), 1);
    EXPECT_DOUBLE_EQ(f.ctl.voltsPerCount, Rs232() ? 70.5 / 1024 : 49.0 / 1024);
    f.app.firmwareVersionText = "3.9";
    f.AnswerRead({0x00});
    ASSERT_EQ(f.ctl.GetStatus(), 1);
    EXPECT_DOUBLE_EQ(f.ctl.voltsPerCount, 24.5 / 1024);
}

TEST_P(TelemetryBothModes, BatteryFailureAsksAndRetriesOrCloses) {
    f.ctl.panel.linkBusy = 0;
    f.AnswerRead({0x08});
    ASSERT_EQ(f.ctl.GetStatus(), 1);
    EXPECT_EQ(f.ctl.panel.linkBusy, 1);
    EXPECT_EQ(f.ctl.panel.batteryFailed, 1);
    for (Display d : {Display::BatteryVoltage, Display::BatteryCapacity, Display::ChargeCount,
                      Display::ChargeVoltage, Display::ChargeCurrent, Display::LoadVoltage,
                      Display::LoadCurrent}) {
        ASSERT_TRUE(f.host.displays.count(d));
        EXPECT_EQ(f.host.displays[d], "");
    }
    ASSERT_EQ(f.host.batteryFailTexts.size(), 1u);
    EXPECT_EQ(f.host.batteryFailTexts[0].caption, "Battery Fail");
    EXPECT_EQ(f.host.batteryFailTexts[0].retryButton, "Retry");
    EXPECT_EQ(f.host.posts.back(), Notification::RetryStatusRead);
    EXPECT_TRUE(f.host.exits.empty());

    // The retry finds a good battery: the link is free again.
    f.AnswerRead({0x00});
    ASSERT_EQ(f.ctl.OnRetryStatusRead(), 1);
    EXPECT_EQ(f.ctl.panel.linkBusy, 0);
    EXPECT_EQ(f.ctl.panel.batteryFailed, 0);

    f.app.english = 0;
    f.host.batteryFailAnswer = BatteryFailChoice::CloseUtility;
    f.AnswerRead({0x08});
    ASSERT_EQ(f.ctl.GetStatus(), 1);
    EXPECT_EQ(f.host.batteryFailTexts.back().caption, "電池異常");
    EXPECT_EQ(f.host.batteryFailTexts.back().closeButton, "關閉程式");
    EXPECT_EQ(f.host.exits, std::vector<int>{0});
}

// ---------------------------------------------------------------- voltages

TEST_P(TelemetryBothModes, BatteryVoltageAndStateOfCharge) {
    f.AnswerRead(Word(521));  // 12.47 V
    ASSERT_EQ(f.ctl.GetBatteryVoltage(), 1);
    EXPECT_EQ(f.host.displays[Display::BatteryVoltage], "12.5 V");
    EXPECT_EQ(f.host.displays[Display::BatteryCapacity], "85%");
    EXPECT_EQ(f.ctl.panel.batteryCapacity, 85);
    if (Rs232()) {
        EXPECT_EQ(f.LastText(), "Q4\r");
        EXPECT_EQ(f.link.trace.lines.back(), "< Batt Volt=(8*256+2*16+4)/4*0.023926=12.47 >\n");
    } else {
        EXPECT_EQ(f.requests.back(), ReadFrame(0x0105, 2));
    }

    // 24 V: 25.0 V reaches twice 12.5.
    f.app.systemVoltage = 24;
    f.ctl.voltsPerCount = 49.0 / 1024;
    f.AnswerRead(Word(523));  // 25.03 V: 90 + 0.03 / 0.02
    ASSERT_EQ(f.ctl.GetBatteryVoltage(), 1);
    EXPECT_EQ(f.ctl.panel.batteryCapacity, 91);
}

TEST_P(TelemetryBothModes, UnknownSystemVoltageRunsTheStatusFirst) {
    f.app.systemVoltage = 0;
    f.AnswerRead({0x40});
    f.AnswerRead(Word(523));
    ASSERT_EQ(f.ctl.GetBatteryVoltage(), 1);
    EXPECT_EQ(f.app.systemVoltage, 24);
    EXPECT_EQ(f.host.batteryCaption, "Battery Information 24V");
    EXPECT_EQ(f.ctl.panel.batteryCapacity, 91);  // 25.03 V on the 24 V scale
}

TEST_P(TelemetryBothModes, OverVoltageOnlyOnTwelveVoltSystems) {
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
    EXPECT_EQ(f.ctl.panel.linkBusy, 1);

    ControllerFixture g(GetParam());
    g.app.systemVoltage = 24;
    g.ctl.voltsPerCount = 49.0 / 1024;
    g.AnswerRead(Word(1000));  // 47.9 V
    ASSERT_EQ(g.ctl.GetBatteryVoltage(), 1);
    EXPECT_TRUE(g.host.messages.empty());
}

TEST_P(TelemetryBothModes, ChargeAndLoadVoltageRequests) {
    f.AnswerRead(Word(700));
    ASSERT_EQ(f.ctl.GetChargeVoltage(), 1);
    EXPECT_EQ(f.host.displays[Display::ChargeVoltage], "16.7 V");
    f.AnswerRead(Word(500));
    ASSERT_EQ(f.ctl.GetLoadVoltage(), 1);
    EXPECT_EQ(f.host.displays[Display::LoadVoltage], "12.0 V");
    if (Rs232()) {
        EXPECT_EQ(f.link.port.WrittenTexts(), (std::vector<std::string>{"Q6\r", "Q7\r"}));
        EXPECT_EQ(f.link.trace.lines.back().rfind("< Load Volt=(", 0), 0u);
    } else {
        EXPECT_EQ(f.requests[0], ReadFrame(0x0107, 2));
        EXPECT_EQ(f.requests[1], ReadFrame(0x0109, 2));
        EXPECT_EQ(f.link.trace.lines.back().rfind("Get Load Volt OK", 0), 0u);
    }
}

// ---------------------------------------------------------------- currents

TEST_P(TelemetryBothModes, LoadCurrentBelowOneAmpIsHiddenWhileTheLoadIsOff) {
    f.ctl.panel.firmwareLoadOn = 0;
    f.AnswerRead(Word(31));  // 151.5 mV / 213 = 0.71 A
    ASSERT_EQ(f.ctl.GetLoadCurrent(), 1);
    EXPECT_EQ(f.host.displays[Display::LoadCurrent], "0.0 A");
    f.ctl.panel.firmwareLoadOn = 1;
    f.AnswerRead(Word(31));
    ASSERT_EQ(f.ctl.GetLoadCurrent(), 1);
    EXPECT_EQ(f.host.displays[Display::LoadCurrent], "0.7 A");
    if (Rs232()) {
        EXPECT_EQ(f.LastText(), "Q5\r");
        EXPECT_EQ(f.link.trace.lines.back(), "< LC-V=(0*256+7*16+12)/4*(5/1023)=0.15 >\n");
    } else {
        EXPECT_EQ(f.requests.back(), ReadFrame(0x010F, 2));
    }
    // The charge current is never hidden.
    f.ctl.panel.firmwareLoadOn = 0;
    f.app.chargeCurrentDivisor = 172;
    f.AnswerRead(Word(31));
    ASSERT_EQ(f.ctl.GetChargeCurrent(), 1);
    EXPECT_EQ(f.host.displays[Display::ChargeCurrent], "0.9 A");
}

TEST(TelemetryDivisors, MfgIniBesideTheProgram) {
    ControllerFixture f;
    const auto dir =
        std::filesystem::temp_directory_path() /
        ("zelt-mfg-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
         std::to_string(reinterpret_cast<uintptr_t>(&f)));
    std::filesystem::create_directories(dir);
    f.ctl.SetMfgFolder(dir.string());
    f.app.chargeCurrentDivisor = 1;
    f.app.loadCurrentDivisor = 1;
    f.ctl.LoadCurrentDivisors();  // no file yet
    EXPECT_EQ(f.app.chargeCurrentDivisor, 172u);
    EXPECT_EQ(f.app.loadCurrentDivisor, 213u);

    std::ofstream(dir / "MFG.ini") << "[Current Divisor]\nCharge=100\nLoad=0\n";
    f.ctl.LoadCurrentDivisors();
    EXPECT_EQ(f.app.chargeCurrentDivisor, 100u);
    EXPECT_EQ(f.app.loadCurrentDivisor, 213u);  // 0 would divide by zero
    std::filesystem::remove_all(dir);
}

// ---------------------------------------------------------------- operating mode

TEST(TelemetrySwitchMode, Rs232ReadsTextsInTheCurrentLanguage) {
    ControllerFixture f;
    f.AnswerText("R16");  // lighting time 1, mode 2
    ASSERT_EQ(f.ctl.GetSwitchMode(), 1);
    EXPECT_EQ(f.link.port.WrittenTexts().back(), "Q3\r");
    EXPECT_EQ(f.host.displays[Display::OperatingMode], "Manual");
    EXPECT_EQ(f.host.displays[Display::LightingTime], "10 Hours");
    EXPECT_TRUE(f.host.lightingTimeVisible);

    f.app.english = 0;
    f.AnswerText("R33");
    ASSERT_EQ(f.ctl.GetSwitchMode(), 1);
    EXPECT_EQ(f.host.displays[Display::OperatingMode], "自動");
    EXPECT_EQ(f.host.displays[Display::LightingTime], "6 小時");
    EXPECT_FALSE(f.host.lightingTimeVisible);

    f.AnswerNothing();
    EXPECT_EQ(f.ctl.GetSwitchMode(), 0);
    EXPECT_EQ(f.ctl.panel.modeText, "自動");
}

TEST(TelemetrySwitchMode, Rs485ShowsTheKeptTexts) {
    ControllerFixture f(kCommModeRs485);
    f.ctl.panel.modeText = "手動";
    f.ctl.panel.lightingTimeText = "8 小時";
    ASSERT_EQ(f.ctl.GetSwitchMode(), 1);
    EXPECT_TRUE(f.requests.empty());
    EXPECT_EQ(f.host.displays[Display::OperatingMode], "手動");
    EXPECT_TRUE(f.host.lightingTimeVisible);
}

// ---------------------------------------------------------------- panel timer

struct DriftCase {
    ClockTime rtc;
    ClockTime shownAfter;
    bool sent;
};

class TelemetryClockDrift : public ::testing::TestWithParam<DriftCase> {};

INSTANTIATE_TEST_SUITE_P(
    Drifts, TelemetryClockDrift,
    ::testing::Values(DriftCase{{10, 15, 56}, {10, 15, 58}, false},    // drift 1: copy only
                      DriftCase{{10, 15, 54}, {10, 15, 58}, true},     // drift 3: copy and send
                      DriftCase{{10, 15, 51}, {10, 15, 52}, false},    // drift 6: neither
                      DriftCase{{10, 14, 56}, {10, 14, 57}, false}));  // other minute

TEST_P(TelemetryClockDrift, CorrectsAndSendsOnlyWithinFiveSeconds) {
    ControllerFixture f;
    f.wall.Set(10, 15, 58, 0);
    f.ctl.panel.rtcKnown = 1;
    f.ctl.panel.rtcTime = GetParam().rtc;
    f.ctl.panel.pollTicks = 0;
    f.AnswerWrite();
    f.ctl.OnPanelTimer();
    EXPECT_EQ(f.ctl.panel.rtcTime, GetParam().shownAfter);
    EXPECT_EQ(f.host.displays[Display::PcClock], "10 : 15 : 58");
    EXPECT_EQ(f.host.displays[Display::ControllerClock],
              StrF("%02d : %02d : %02d", GetParam().shownAfter.hour, GetParam().shownAfter.minute,
                   GetParam().shownAfter.second));
    EXPECT_EQ(f.link.trace.lines.front(), StrF("RTC sec=%d, PC sec=58\n", GetParam().rtc.second));
    if (GetParam().sent) {
        EXPECT_EQ(f.link.port.WrittenTexts(), std::vector<std::string>{"T101558\r"});
    } else {
        EXPECT_TRUE(f.requests.empty());
    }
}

TEST(TelemetryPanelTimer, NoSendWithUserTimeChosen) {
    ControllerFixture f;
    f.wall.Set(10, 15, 58, 0);
    f.ctl.panel.rtcKnown = 1;
    f.ctl.panel.rtcTime = ClockTime{10, 15, 54};
    f.ctl.panel.usePcTime = 0;
    f.ctl.panel.pollTicks = 0;
    f.ctl.OnPanelTimer();
    EXPECT_EQ(f.ctl.panel.rtcTime, (ClockTime{10, 15, 58}));
    EXPECT_TRUE(f.requests.empty());
}

TEST(TelemetryPanelTimer, PollsOnTheSecondTickInOrder) {
    ControllerFixture f;
    f.link.port.onWrite = [&](FakePort& port, const Bytes& request) {
        f.requests.push_back(request);
        const std::string text(request.begin(), request.end());
        port.ReplyAfter(2, text == "Q3\r" ? "R00" : "R7D00");
    };
    f.ctl.OnPanelTimer();
    EXPECT_TRUE(f.requests.empty());
    EXPECT_EQ(f.host.displays[Display::PcClock], "12 : 00 : 00");
    f.ctl.OnPanelTimer();
    EXPECT_EQ(f.link.port.WrittenTexts(),
              (std::vector<std::string>{"Q3\r", "Q4\r", "Q6\r", "Q9\r", "Q7\r", "Q5\r", "Q8\r"}));
    EXPECT_EQ(f.ctl.panel.pollTicks, 0);
    EXPECT_EQ(f.host.displays[Display::ChargeCount], "32000");

    // Four quiet ticks, then the next poll.
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
    EXPECT_EQ(f.ctl.panel.pollTicks, 4);

    f.ctl.panel.linkBusy = 0;
    f.AnswerText("R08");  // battery failure
    f.ctl.OnPanelTimer();
    EXPECT_EQ(f.link.port.WrittenTexts(), std::vector<std::string>{"Q3\r"});
    EXPECT_EQ(f.ctl.panel.pollTicks, 0);
    EXPECT_EQ(f.ctl.panel.linkBusy, 1);
}

// ---------------------------------------------------------------- main-window texts

TEST(TelemetryCaptions, BatteryCaptionAndFirmwarePane) {
    ControllerFixture f;
    f.app.systemVoltage = 0;
    f.ctl.UpdateBatteryCaption();
    EXPECT_EQ(f.host.batteryCaption, "Battery Information");
    f.app.systemVoltage = 12;
    f.app.english = 0;
    f.ctl.UpdateBatteryCaption();
    EXPECT_EQ(f.host.batteryCaption, "電池資訊 12V");
    f.app.firmwareVersionText = "3.12A5";
    f.ctl.UpdateFirmwarePane();
    EXPECT_EQ(f.host.firmwarePane, "韌體版本: 3.12A5");

    f.ctl.OnSystemVoltageChanged();
    EXPECT_EQ(f.link.trace.lines.back(), "< VCC is changed >\n");
    EXPECT_EQ(f.host.waitBegins, 1);
    EXPECT_EQ(f.host.waitDepth, 0);
}

}  // namespace
}  // namespace zelt::testing

// The state-of-charge bands, live counts, MFG.ini and the clock step as pure rules; then the
// status read, live readings and the panel's one-second step against the scripted line.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "link/Telemetry.h"
#include "support/ControllerFixture.h"
#include "support/TestEnv.h"

namespace zelt::testing {
namespace {

using Texts = std::vector<std::string>;

// The band table is the code's own; here the interpolation, the ends and the 24 V scale.
TEST(StateOfCharge, BandsOnTwelveAndTwentyFourVolts) {
    // clang-format off
    const struct {
        float volts;
        int system, percent;
    } rows[] = {
        {12.46f, 12, 85},  // 80 + 0.04 / 0.008
        {12.7f, 12, 100}, {12.5f, 12, 90}, {10.5f, 12, 0}, {10.4f, 12, 0},
        {12.46f, 0, 85},  // before the first status read the system voltage is 0
        {25.0f, 24, 90}, {25.2f, 24, 100}, {12.7f, 24, 0},
    };
    // clang-format on
    for (const auto& row : rows) {
        EXPECT_EQ(row.percent, StateOfCharge(row.volts, row.system)) << row.volts;
    }
    // Rises steadily across every band, 24 V reading twice the 12 V volts.
    int previous = 0;
    for (int centivolts = 1000; centivolts <= 1300; ++centivolts) {
        const float volts = static_cast<float>(centivolts) / 100.0f;
        const int percent = StateOfCharge(volts, 12);
        ASSERT_TRUE(percent >= previous && percent - previous <= 2 && percent <= 100) << volts;
        EXPECT_EQ(percent, StateOfCharge(volts * 2.0f, 24)) << volts;
        previous = percent;
    }
    EXPECT_FALSE(IsOverVoltage(30.0f, 24));  // a 24 V system never is
}

// The readings below decode both forms; here the low bits of the second byte and the divisor.
TEST(LiveCounts, LowBitsAreIgnoredAndAZeroDivisorFallsBack) {
    EXPECT_EQ(1023, VoltageCountFromBytes(0xFF, 0xFF));
    EXPECT_DOUBLE_EQ(SenseCurrent(300, 213, 213), SenseCurrent(300, 0, 213));
    EXPECT_EQ(0.0, SenseCurrent(300, 0, 0));
}

TEST(MfgIni, MissingPartialOrUnusableDivisorsFallBackToTheDefaults) {
    const ScratchFolder scratch;
    const std::string folder = scratch.path.string();
    const struct {
        const char* text;  // nullptr: no file
        uint32_t charge, load;
    } rows[] = {
        {nullptr, 172, 213},
        {"; calibration\r\n[Current Divisor]\r\nCharge=180\r\nLoad=200\r\n", 180, 200},
        // Names ignore case and blanks; Load here belongs to another section.
        {"[Other]\nCharge=99\n[ current divisor ]\n  charge = 150  \n[Next]\nLoad=300\n", 150, 213},
        {"\xEF\xBB\xBF[Current Divisor]\nCharge=250mA\nLoad=\"190\"\n", 250, 190},  // BOM
        {"[Current Divisor]\nCharge=0\nLoad=-5\n", 172, 213},
        {"[Current Divisor]\nCharge=abc\nLoad=\n", 172, 213},
    };
    for (const auto& row : rows) {
        if (row.text != nullptr) {
            std::ofstream(folder + "/MFG.ini", std::ios::binary) << row.text;
        }
        const CurrentDivisors d = ReadCurrentDivisors(folder);  // no trailing slash needed
        EXPECT_EQ(row.charge, d.charge) << (row.text ? row.text : "no file");
        EXPECT_EQ(row.load, d.load) << (row.text ? row.text : "no file");
    }
    // The link reads the file beside the program into the session.
    ControllerFixture f;
    f.ctl.SetMfgFolder(folder);
    WriteText(scratch.path / "MFG.ini", "[Current Divisor]\nCharge=100\nLoad=0\n");
    f.ctl.LoadCurrentDivisors();
    EXPECT_EQ(f.app.chargeCurrentDivisor, 100u);
    EXPECT_EQ(f.app.loadCurrentDivisor, 213u);  // 0 would divide by zero
}

TEST(ControllerClock, StepCorrectsSmallDriftsAndWraps) {
    const struct {
        TimeOfDay rtc, pc;
        bool setAsPcTime;
        int drift;
        TimeOfDay after;
        bool corrected, send;
    } rows[] = {
        {{10, 15, 54}, {10, 15, 56}, true, 1, {10, 15, 56}, true, false},
        {{10, 15, 54}, {10, 15, 58}, true, 3, {10, 15, 58}, true, true},
        {{10, 15, 54}, {10, 15, 58}, false, 3, {10, 15, 58}, true, false},
        {{10, 15, 54}, {10, 15, 52}, true, 3, {10, 15, 52}, true, true},  // PC behind
        {{10, 15, 54}, {10, 15, 49}, true, 6, {10, 15, 55}, false, false},
        {{10, 15, 54}, {10, 16, 57}, true, 2, {10, 15, 55}, false, false},  // minutes differ
        {{10, 15, 54}, {11, 15, 57}, true, 2, {10, 15, 55}, false, false},  // hours differ
        {{10, 59, 59}, {11, 0, 0}, true, 0, {11, 0, 0}, false, false},
        {{23, 59, 59}, {0, 0, 3}, true, 3, {0, 0, 3}, true, true},
        {{23, 59, 59}, {23, 59, 58}, true, 58, {0, 0, 0}, false, false},  // copy wrapped
    };
    for (const auto& row : rows) {
        const ClockStep step = StepControllerClock(row.rtc, row.pc, row.setAsPcTime);
        EXPECT_EQ(row.drift, step.drift) << row.rtc.second << " " << row.pc.second;
        EXPECT_EQ(row.after, step.rtc) << row.rtc.second << " " << row.pc.second;
        EXPECT_EQ(row.corrected, step.corrected) << row.rtc.second << " " << row.pc.second;
        EXPECT_EQ(row.send, step.sendRtc) << row.rtc.second << " " << row.pc.second;
    }
}

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

// The drift rules are the clock-step table's; here the panel's step shows the corrected copy
// and sends it only while the PC's time is chosen.
TEST(TelemetryPanelTimer, ADriftOfThreeIsCopiedAndSentUnlessTheUsersTimeIsChosen) {
    for (const auto& [usePcTime, sent] : {std::pair{1, true}, {0, false}}) {
        ControllerFixture f;
        f.wall.Set(10, 15, 58, 0);
        f.ctl.panel.rtcTime = {10, 15, 54};
        f.ctl.panel.rtcKnown = 1;
        f.ctl.panel.usePcTime = usePcTime;
        f.ctl.panel.pollTicks = 0;
        f.AnswerWrite();
        f.ctl.OnPanelTimer();
        EXPECT_EQ(f.ctl.panel.rtcTime, (ClockTime{10, 15, 58}));
        EXPECT_EQ(f.host.displays[Display::PcClock], "10 : 15 : 58");
        EXPECT_EQ(f.host.displays[Display::ControllerClock], "10 : 15 : 58");
        EXPECT_EQ(f.link.trace.lines.front(), "RTC sec=54, PC sec=58\n");
        EXPECT_EQ(f.link.port.WrittenTexts(), sent ? Texts{"T101558\r"} : Texts{});
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

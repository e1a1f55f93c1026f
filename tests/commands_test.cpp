// The read and write commands against the scripted line: request bytes and decoded fields,
// grouped by command family, in both framings where both exist.

#include <gtest/gtest.h>

#include "link/CommandCatalogue.h"
#include "support/ControllerFixture.h"

namespace zelt::testing {
namespace {

constexpr double kVpc12 = 24.5 / 1024;

std::string Text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

float VoltsOf(int count) {
    return static_cast<float>(count * kVpc12);
}

class CommandsBothModes : public ::testing::TestWithParam<uint16_t> {
  protected:
    CommandsBothModes() : f(GetParam()) {}
    bool Rs232() const { return f.Rs232(); }
    ControllerFixture f;
};

INSTANTIATE_TEST_SUITE_P(Modes, CommandsBothModes,
                         ::testing::Values(kCommModeRs232, kCommModeRs485),
                         [](const auto& info) { return info.param == 232 ? "RS232" : "RS485"; });

// ---------------------------------------------------------------- load voltage limits

TEST_P(CommandsBothModes, LoadLimitsRequestAndClamps) {
    CCfgDocument& r = f.app.config;
    // 24 V system, values on the 12 V scale: doubled.
    f.app.systemVoltage = 24;
    f.AnswerRead({120, 80, 0});
    ASSERT_EQ(f.ctl.GetVoltForLoad(), 1);
    EXPECT_EQ(f.LastText(), Rs232() ? "G7803\r" : std::string("\xFA\x04\x00\x78\x03\x7F", 6));
    EXPECT_FLOAT_EQ(r.maxVout, 24.0f);
    EXPECT_FLOAT_EQ(r.minVout, 16.0f);

    // Ninth bits: 280 and 160 on a 24 V system stay.
    f.AnswerRead({24, 160, 1});
    ASSERT_EQ(f.ctl.GetVoltForLoad(), 1);
    EXPECT_FLOAT_EQ(r.maxVout, 28.0f);
    EXPECT_FLOAT_EQ(r.minVout, 16.0f);

    f.app.systemVoltage = 12;
    f.AnswerRead({150, 75, 0});
    ASSERT_EQ(f.ctl.GetVoltForLoad(), 1);
    EXPECT_FLOAT_EQ(r.maxVout, 14.0f);
    EXPECT_FLOAT_EQ(r.minVout, 8.0f);

    f.AnswerRead({90, 85, 0});  // less than 1 V apart
    ASSERT_EQ(f.ctl.GetVoltForLoad(), 1);
    EXPECT_FLOAT_EQ(r.maxVout, 12.0f);
    EXPECT_FLOAT_EQ(r.minVout, 8.0f);
}

TEST_P(CommandsBothModes, LoadLimitsWriteWithFlagDigit) {
    CCfgDocument& r = f.app.config;
    r.maxVout = 24.0f;
    r.minVout = 16.0f;
    f.AnswerWrite();
    ASSERT_EQ(f.ctl.SetVoltForLoad(), 1);
    EXPECT_EQ(f.LastText(), Rs232() ? "S78F0A000\r" : Text(WriteFrame16(0x78, {0xF0, 0xA0, 0})));
    r.maxVout = 28.0f;
    f.AnswerWrite();
    ASSERT_EQ(f.ctl.SetVoltForLoad(), 1);
    if (Rs232()) {
        EXPECT_EQ(f.LastText(), "S7818A001\r");
    } else {
        EXPECT_EQ(f.requests.back(), WriteFrame16(0x78, {0x18, 0xA0, 1}));
        // The frame of the worked example: ID, 10, 00, 78, 03, 78, 50, 00 and checksum 53.
        EXPECT_EQ(WriteFrame16(0x78, {0x78, 0x50, 0}).back(), 0x53);
    }
}

TEST_P(CommandsBothModes, FailedReadKeepsFields) {
    f.app.config.maxVout = 13.0f;
    f.AnswerNothing();
    f.AnswerNothing();
    EXPECT_EQ(f.ctl.GetVoltForLoad(), 0);
    EXPECT_FLOAT_EQ(f.app.config.maxVout, 13.0f);
    EXPECT_EQ(f.ctl.GetVersion(), 0);
    EXPECT_TRUE(f.app.firmwareVersionText.empty());
}

// ---------------------------------------------------------------- level rules

TEST(CommandsLevels, RoundingAndSnapping) {
    EXPECT_EQ(SnapToTens(14), 10);
    EXPECT_EQ(SnapToTens(16), 20);
    EXPECT_EQ(SnapToTens(15), 15);
    EXPECT_EQ(SnapToTens(96), 100);
    EXPECT_EQ(SnapToTens(101), 100);
    EXPECT_EQ(SnapToTens(-3), 0);
    // 14.6 rounds up to 15 and stays; 14.5 truncates to 14 and snaps to 10.
    EXPECT_EQ(LevelFromCount(146, 1.0, 0.0f, 10.0), 15);
    EXPECT_EQ(LevelFromCount(145, 1.0, 0.0f, 10.0), 10);
    EXPECT_EQ(LevelFromCount(5, 1.0, 8.0f, 0.04), 0);  // below minVout
    // Equal load limits leave nothing to divide by.
    EXPECT_EQ(LevelFromCount(400, kVpc12, 8.0f, 0.0), 100);
    EXPECT_EQ(LevelFromCount(300, kVpc12, 8.0f, 0.0), 0);
    EXPECT_EQ(CountFromVolts(12.0, 0.0), 0);
}

TEST(CommandsLevels, EncodingFullScaleAndArithmetic) {
    EXPECT_EQ(LevelToCount(100, 0, 0.04, 8.0f, kVpc12), 1023);
    EXPECT_EQ(LevelToCount(0, 1, 0.04, 8.0f, kVpc12), 0);
    EXPECT_EQ(LevelToCount(100, 1, 0.04f, 8.0f, kVpc12), 502);  // 12 V / vpc = 501.55
    EXPECT_EQ(CountFromVolts(2.5, kVpc12), 104);                // 104.49: no round up
}

// ---------------------------------------------------------------- schedule slots

TEST_P(CommandsBothModes, ScheduleSlotRequestMappingAndFullScale) {
    CCfgDocument& r = f.app.config;
    f.ctl.UpdateVoltsPerPercent();
    // Slot 3 from 18:00 to 06:00 at full scale.
    if (Rs232()) {
        f.AnswerRead({1, 18, 0, 6, 0, 0xFF, 0xC0});
    } else {
        f.AnswerRead({18, 0, 6, 0, 0xFF, 0xC0});
    }
    ASSERT_EQ(f.ctl.GetSchedule(3), 1);
    if (Rs232()) {
        EXPECT_EQ(f.LastText(), "G1507\r");
    } else {
        EXPECT_EQ(f.requests.back(), ReadFrame(22, 6));
    }
    ASSERT_EQ(r.sectors.size(), 1u);
    EXPECT_EQ(r.sectors[0], (CTimeSectorData{360, 1080, 100}));

    // An end of 12:00 is the end of the axis; a start of 12:00 its beginning.
    Bytes noonSlot{12, 0, 12, 0, 0, 0};
    if (Rs232()) {
        noonSlot.insert(noonSlot.begin(), 1);
    }
    f.AnswerRead(noonSlot);
    ASSERT_EQ(f.ctl.GetSchedule(4), 1);
    EXPECT_EQ(r.sectors.back(), (CTimeSectorData{0, 1440, 0}));
    EXPECT_EQ(r.sectorCount, 2);
}

TEST_P(CommandsBothModes, EmptyScheduleSlot) {
    CCfgDocument& r = f.app.config;
    f.AnswerRead(Bytes(Rs232() ? 7 : 6, 0));
    ASSERT_EQ(f.ctl.GetSchedule(0), 1);
    if (Rs232()) {
        EXPECT_TRUE(r.sectors.empty());  // flag 00: not in use
    } else {
        ASSERT_EQ(r.sectors.size(), 1u);  // RS485 takes every slot as in use
        EXPECT_EQ(r.sectors[0], (CTimeSectorData{720, 720, 0}));
    }
}

TEST(CommandsRs232, LevelDigitsFfAndAboveCAreFullScale) {
    ControllerFixture f;
    f.ctl.UpdateVoltsPerPercent();
    f.AnswerText("R01120006001234");  // level word 0x1234: arithmetic
    f.AnswerText("R0112000600FFD5");  // F, F, D: full scale without arithmetic
    f.AnswerText("R0112000600FFB0");  // F, F, B: arithmetic (1022 counts: above 100 %)
    ASSERT_EQ(f.ctl.GetSchedule(0), 1);
    ASSERT_EQ(f.ctl.GetSchedule(1), 1);
    ASSERT_EQ(f.ctl.GetSchedule(2), 1);
    const auto& s = f.app.config.sectors;
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].brightness, 0);  // 72 counts = 1.7 V, below minVout
    EXPECT_EQ(s[1].brightness, 100);
    EXPECT_EQ(s[2].brightness, 100);
}

TEST_P(CommandsBothModes, ScheduleWritesSectorsThenClearsTheRest) {
    CCfgDocument& r = f.app.config;
    r.sectors = {{360, 1080, 100}, {0, 120, 0}, {1200, 1440, 100}};
    r.pwmEnabled = 0;
    f.ctl.UpdateVoltsPerPercent();
    for (int i = 0; i < 8; ++i) {
        f.AnswerWrite();
        ASSERT_EQ(f.ctl.SetSchedule(i), 1);
    }
    ASSERT_EQ(f.requests.size(), 8u);
    auto text = [&](int i) { return std::string(f.requests[i].begin(), f.requests[i].end()); };
    if (Rs232()) {
        EXPECT_EQ(text(0), "S000112000600FFF0\r");
        EXPECT_EQ(text(1), "S07010C000E000000\r");
        EXPECT_EQ(text(2), "S0E0108000C00FFF0\r");  // editor 1440 is 12:00
        for (int i = 3; i < 8; ++i) {
            EXPECT_EQ(text(i), StrF("S%02X", 7 * i) + std::string(14, '0') + "\r");
        }
    } else {
        EXPECT_EQ(f.requests[0], WriteFrame16(0, {1, 0x12, 0, 0x06, 0, 0xFF, 0xFF}));
        EXPECT_EQ(f.requests[1], WriteFrame16(7, {1, 12, 0, 14, 0, 0, 0}));
        for (int i = 3; i < 8; ++i) {
            EXPECT_EQ(f.requests[i], WriteFrame16(7 * i, Bytes(7, 0)));
        }
    }
    // With PWM on, 100 % goes through the voltage arithmetic: 12 V is 502 counts.
    r.pwmEnabled = 1;
    f.AnswerWrite();
    ASSERT_EQ(f.ctl.SetSchedule(0), 1);
    if (Rs232()) {
        EXPECT_EQ(f.LastText(), "S0001120006007D80\r");
    } else {
        EXPECT_EQ(f.requests.back(), WriteFrame16(0, {1, 0x12, 0, 0x06, 0, 0x7D, 0x80}));
    }
}

// ---------------------------------------------------------------- auto-mode steps

TEST_P(CommandsBothModes, DurationStepReadAndWrite) {
    CCfgDocument& r = f.app.config;
    f.ctl.UpdateVoltsPerPercent();
    f.AnswerRead({0x00, 0xB4, 0xFF, 0xC0});
    ASSERT_EQ(f.ctl.GetDuration(7), 1);
    if (Rs232()) {
        EXPECT_EQ(f.LastText(), "G5404\r");
    } else {
        EXPECT_EQ(f.requests.back(), ReadFrame(0x54, 4));
    }
    EXPECT_EQ(r.autoDuration[7], 180);
    EXPECT_EQ(r.autoBrightness[7], 100);

    r.autoDuration[0] = 180;
    r.autoBrightness[0] = 100;
    r.pwmEnabled = 0;
    f.AnswerWrite();
    ASSERT_EQ(f.ctl.SetDuration(0), 1);
    // Full scale is 1023 counts here: F, F, C, 0 (a schedule slot sends F, F, F, 0).
    if (Rs232()) {
        EXPECT_EQ(f.LastText(), "S3800B4FFC0\r");
    } else {
        EXPECT_EQ(f.requests.back(), WriteFrame16(0x38, {0x00, 0xB4, 0xFF, 0xC0}));
    }
}

// ---------------------------------------------------------------- battery thresholds

TEST_P(CommandsBothModes, LvdrPvBlockRead) {
    CCfgDocument& r = f.app.config;
    f.AnswerRead({0x1A, 0x00, 0x3E, 0xC0, 0x74, 0x00, 0x73, 0xC0, 0x3C});
    ASSERT_EQ(f.ctl.GetLvdrPvOnOffDt(), 1);
    EXPECT_EQ(f.LastText(), Rs232() ? "G5D09\r" : Text(ReadFrame(0x5D, 9)));
    EXPECT_FLOAT_EQ(r.lightOnVoltage, VoltsOf(104));
    EXPECT_FLOAT_EQ(r.lightOffVoltage, VoltsOf(251));
    EXPECT_FLOAT_EQ(r.lvdVoltage, VoltsOf(464));
    EXPECT_FLOAT_EQ(r.lvrVoltage, VoltsOf(463));
    EXPECT_EQ(r.dtTime, 60);
}

TEST_P(CommandsBothModes, LvdLvrWriteAndDtTime) {
    CCfgDocument& r = f.app.config;
    r.dtTime = 5;
    f.AnswerWrite();
    ASSERT_EQ(f.ctl.SetLvdLvr(), 1);
    if (Rs232()) {
        EXPECT_EQ(f.LastText(), "S61740081803C\r");
        EXPECT_EQ(r.dtTime, 60);
        EXPECT_EQ(f.link.trace.lines.front(), "Set LVD/LVR, PC->KVRN:S61740081803C\r\n");
    } else {
        EXPECT_EQ(f.requests.back(), WriteFrame16(0x61, {0x74, 0x00, 0x81, 0x80, 0x05}));
        EXPECT_EQ(r.dtTime, 5);
    }
    f.AnswerWrite();
    ASSERT_EQ(f.ctl.SetPvDetect(), 1);
    if (Rs232()) {
        EXPECT_EQ(f.LastText(), "S5D1A003EC0\r");
    } else {
        EXPECT_EQ(f.requests.back(), WriteFrame16(0x5D, {0x1A, 0x00, 0x3E, 0xC0}));
        EXPECT_EQ(f.link.trace.lines.back().rfind("Set PV OK", 0), 0u);
    }
}

TEST_P(CommandsBothModes, FcvAcvOchtAndTemperatureFactors) {
    CCfgDocument& r = f.app.config;
    const int factor12 = Rs232() ? 5 : 10;
    f.AnswerRead({0x8E, 0x00, 0x98, 0x80, 5, 6});
    ASSERT_EQ(f.ctl.GetFcvAcvOchtTc(), 1);
    EXPECT_FLOAT_EQ(r.fcvVoltage, VoltsOf(568));
    EXPECT_FLOAT_EQ(r.acvVoltage, VoltsOf(610));
    EXPECT_EQ(r.ochtTime, 60);  // 5 or less
    EXPECT_EQ(r.tempCompensation, 6 * factor12);

    f.app.systemVoltage = 24;
    f.AnswerRead({0x8E, 0x00, 0x98, 0x80, 6, 6});
    ASSERT_EQ(f.ctl.GetFcvAcvOchtTc(), 1);
    EXPECT_EQ(r.ochtTime, 6);
    EXPECT_EQ(r.tempCompensation, 6 * factor12 * 2);

    f.app.systemVoltage = 12;
    r.fcvVoltage = 13.6f;
    r.acvVoltage = 14.6f;
    r.ochtTime = 0;
    r.tempCompensation = 30;
    f.AnswerWrite();
    ASSERT_EQ(f.ctl.SetFcvAcvOchtTc(), 1);
    EXPECT_EQ(r.ochtTime, 60);
    if (Rs232()) {
        EXPECT_EQ(f.LastText(), "S668E0098803C06\r");
    } else {
        EXPECT_EQ(f.requests.back(), WriteFrame16(0x66, {0x8E, 0x00, 0x98, 0x80, 0x3C, 3}));
    }
}

TEST_P(CommandsBothModes, AdvanceBatteryLevelsExistOnlyInRs232) {
    CCfgDocument& r = f.app.config;
    f.ctl.UpdateVoltsPerPercent();
    const CCfgDocument before = r;
    f.AnswerRead({1, 0x7B, 0x40, 0xFF, 0xC0, 0x77, 0x00, 0x60, 0x40});
    ASSERT_EQ(f.ctl.GetAdvanceBattPara(), 1);
    if (!Rs232()) {
        EXPECT_TRUE(f.requests.empty());
        EXPECT_EQ(r, before);
    } else {
        EXPECT_EQ(f.LastText(), "G6E09\r");
        EXPECT_EQ(r.lowLevelEnabled, 1u);
        EXPECT_FLOAT_EQ(r.low1Voltage, VoltsOf(493));
        EXPECT_EQ(r.low1Brightness, 100);
        EXPECT_FLOAT_EQ(r.low2Voltage, VoltsOf(476));
        EXPECT_EQ(r.low2Brightness, 30);  // 9.2 V over 8 V at 0.04 V per %
    }

    f.answers.clear();
    f.requests.clear();
    r.lowLevelEnabled = 1;
    r.low1Voltage = 11.8f;
    r.low1Brightness = 100;
    r.low2Voltage = 11.4f;
    r.low2Brightness = 30;
    r.pwmEnabled = 0;
    f.AnswerWrite();
    ASSERT_EQ(f.ctl.SetAdvanceBattPara(), 1);
    if (Rs232()) {
        EXPECT_EQ(f.LastText(), "S6E017B40FFC077006040\r");
    } else {
        EXPECT_TRUE(f.requests.empty());
    }
}

TEST_P(CommandsBothModes, PwmFlagIsTheInverse) {
    CCfgDocument& r = f.app.config;
    f.AnswerRead({2, 0});
    ASSERT_EQ(f.ctl.GetVModePwmFlag(), 1);
    EXPECT_EQ(r.vMode, 2u);
    EXPECT_EQ(r.pwmEnabled, 1u);
    f.AnswerRead({0, 1});
    ASSERT_EQ(f.ctl.GetVModePwmFlag(), 1);
    EXPECT_EQ(r.pwmEnabled, 0u);

    f.requests.clear();
    f.AnswerWrite();
    ASSERT_EQ(f.ctl.SetVModePwmFlag(), 1);
    if (Rs232()) {
        EXPECT_EQ(f.LastText(), "S5901\r");
        for (const auto& line : f.link.trace.lines) {
            EXPECT_EQ(line.find("PC->KVRN"), std::string::npos);  // no request line
        }
    } else {
        EXPECT_TRUE(f.requests.empty());
    }
}

TEST_P(CommandsBothModes, SwitchJumperModeScales) {
    CCfgDocument& r = f.app.config;
    r.operatingMode = 3;
    r.lightingTime = 7;  // not a code: sent as 0
    r.remoteLevelEnabled = 5;
    r.remoteLevel = 11.1f;  // 464 counts
    f.AnswerWrite();
    ASSERT_EQ(f.ctl.SetSwJpMode(), 1);
    if (Rs232()) {
        EXPECT_EQ(f.LastText(), "S720300011D00\r");  // c * 16
    } else {
        EXPECT_EQ(f.requests.back(), WriteFrame16(0x72, {3, 0, 1, 0x74, 0x00}));  // c * 64
    }
}

// ---------------------------------------------------------------- counter and clock

TEST_P(CommandsBothModes, ChargeCountReadAndReset) {
    f.AnswerRead({0x01, 0xF4});
    ASSERT_EQ(f.ctl.GetChargeCount(), 1);
    EXPECT_EQ(f.ctl.panel.chargeCount, 500);
    EXPECT_EQ(f.host.displays[Display::ChargeCount], "500");
    if (!Rs232()) {
        EXPECT_EQ(f.requests.back(), ReadFrame(0x6C, 2));
    }
    f.AnswerWrite();
    ASSERT_EQ(f.ctl.ResetChargeCount(), 1);
    if (Rs232()) {
        EXPECT_EQ(f.LastText(), "S6C0000\r");
    } else {
        EXPECT_EQ(f.requests.back(), WriteFrame16(0x6C, {0, 0}));
    }
}

TEST_P(CommandsBothModes, ClockReadForms) {
    if (Rs232()) {
        f.AnswerText("R10:15:54");
    } else {
        f.AnswerRead({0x10, 0x15, 0x54});
    }
    ASSERT_EQ(f.ctl.GetRtc(), 1);
    EXPECT_EQ(f.ctl.panel.rtcTime, (ClockTime{10, 15, 54}));
    EXPECT_EQ(f.ctl.panel.rtcKnown, 1);
    if (!Rs232()) {
        EXPECT_EQ(f.requests.back(), ReadFrame(0x0203, 3));
    }
}

TEST_P(CommandsBothModes, SetRtcWithUserTime) {
    f.ctl.panel.usePcTime = 0;
    f.ctl.panel.userTime = ClockTime{9, 5, 7};
    f.AnswerWrite();
    ASSERT_EQ(f.ctl.SetRtc(), 1);
    if (Rs232()) {
        EXPECT_EQ(f.LastText(), "T090507\r");
    } else {
        EXPECT_EQ(f.requests.back(), WriteFrame16(0x0203, {0x09, 0x05, 0x07}));
    }
    EXPECT_EQ(f.ctl.panel.rtcTime, (ClockTime{9, 5, 7}));
    EXPECT_EQ(f.ctl.panel.rtcKnown, 1);
    EXPECT_EQ(f.host.clockCommits, 1);
    EXPECT_EQ(f.host.waitDepth, 0);

    // A failed write leaves the controller copy alone.
    f.ctl.panel.userTime = ClockTime{1, 2, 3};
    f.AnswerNothing();
    EXPECT_EQ(f.ctl.SetRtc(), 0);
    EXPECT_EQ(f.ctl.panel.rtcTime, (ClockTime{9, 5, 7}));
    EXPECT_EQ(f.host.waitDepth, 0);
}

TEST(CommandsRs232, SetRtcWithPcTimeWaitsForSecondBoundary) {
    ControllerFixture f;
    f.wall.Set(23, 59, 58, 500);
    long sentAt = 0;
    f.link.port.onWrite = [&](FakePort& port, const Bytes&) {
        sentAt = f.link.clock.now;
        port.ReplyAfter(2, "O");
    };
    const long start = f.link.clock.now;
    ASSERT_EQ(f.ctl.SetRtc(), 1);
    // 500 ms into second 58: the request leaves in the first 49 ms of second 59.
    EXPECT_GE(sentAt - start, 501);
    EXPECT_LE(sentAt - start, 549);
    EXPECT_EQ(f.link.port.WrittenTexts().back(), "T235959\r");
    EXPECT_EQ(f.ctl.panel.rtcTime, (ClockTime{23, 59, 59}));
}

// ---------------------------------------------------------------- version and serial number

TEST(CommandsRs232, VersionForms) {
    ControllerFixture f;
    f.AnswerText("R0003010512");
    ASSERT_EQ(f.ctl.GetVersion(), 1);
    EXPECT_EQ(f.link.port.WrittenTexts().back(), "G7B05\r");
    EXPECT_EQ(f.app.firmwareVersionText, "3.12");
    EXPECT_EQ(f.app.vendorId, 1);
    EXPECT_EQ(f.app.config.batteryType, 5);

    f.AnswerText("R8103010612");
    ASSERT_EQ(f.ctl.GetVersion(), 1);
    EXPECT_EQ(f.app.firmwareVersionText, "3.12B1");
    EXPECT_EQ(f.app.config.batteryType, 6);

    f.AnswerText("R1204010512");
    ASSERT_EQ(f.ctl.GetVersion(), 1);
    EXPECT_EQ(f.app.firmwareVersionText, "4.12A12");
    EXPECT_TRUE(f.host.messages.empty());

    // A letter after the "R" fails although the leading letter passed.
    f.AnswerText("R00030105A2");
    EXPECT_EQ(f.ctl.GetVersion(), 0);
    EXPECT_EQ(f.app.firmwareVersionText, "4.12A12");
}

TEST_P(CommandsBothModes, WrongVendorAsksToQuit) {
    if (Rs232()) {
        f.AnswerText("R0003020512");
    } else {
        f.AnswerRead({0x05, 3, 2, 5, 0x12});
    }
    EXPECT_EQ(f.ctl.GetVersion(), 1);
    EXPECT_EQ(f.app.vendorId, 2);
    ASSERT_EQ(f.host.messages.size(), 1u);
    EXPECT_EQ(f.host.messages[0].text, "Vender ID Error !\nThe utility will be closed.");
    EXPECT_EQ(f.host.messages[0].caption, "Error");
    EXPECT_EQ(f.host.messages[0].icon, MessageIcon::Stop);
    EXPECT_EQ(f.host.quitRequests, std::vector<int>{0});
}

TEST(CommandsRs485, VersionFormsAndSignedBytes) {
    ControllerFixture f(kCommModeRs485);
    f.AnswerRead({0x05, 3, 1, 5, 0x12});
    ASSERT_EQ(f.ctl.GetVersion(), 1);
    EXPECT_EQ(f.requests.back(), ReadFrame(0x7B, 5));
    EXPECT_EQ(f.app.firmwareVersionText, "3.12A5");
    // B version: the revision without its flag bit, as the RS232 form shows it.
    f.AnswerRead({0x81, 3, 1, 5, 0x07});
    ASSERT_EQ(f.ctl.GetVersion(), 1);
    EXPECT_EQ(f.app.firmwareVersionText, "3. 7B1");
    // The vendor byte is signed: 0xFF is not 255 but -1 widened.
    f.AnswerRead({0x05, 3, 0xFF, 5, 0x12});
    ASSERT_EQ(f.ctl.GetVersion(), 1);
    EXPECT_EQ(f.app.vendorId, 0xFFFF);
    EXPECT_EQ(f.host.quitRequests.size(), 1u);
}

TEST(CommandsRs232, SerialNumberAndBlanking) {
    ControllerFixture f;
    f.AnswerText("R12345678901234");
    ASSERT_EQ(f.ctl.GetSerialNumber(), 1);
    EXPECT_EQ(f.link.port.WrittenTexts().back(), "G8007\r");
    EXPECT_EQ(f.app.serialNumberText, "12345678901234");
    EXPECT_EQ(f.host.serialPane, "S/N: 12345678901234");

    f.app.english = 0;
    f.AnswerText("RFFF456789F1234");
    ASSERT_EQ(f.ctl.GetSerialNumber(), 1);
    EXPECT_EQ(f.app.serialNumberText, "");
    EXPECT_EQ(f.host.serialPane, "序號: ");

    // Only characters 1 to 3 and 10 decide.
    f.AnswerText("RFFF4567890FFFF");
    ASSERT_EQ(f.ctl.GetSerialNumber(), 1);
    EXPECT_EQ(f.app.serialNumberText, "FFF4567890FFFF");

    f.AnswerNothing();
    f.link.trace.lines.clear();
    EXPECT_EQ(f.ctl.GetSerialNumber(), 0);
    ASSERT_FALSE(f.link.trace.lines.empty());
    EXPECT_EQ(f.link.trace.lines.back().rfind("Get SN Out=", 0), 0u);
}

TEST(CommandsRs485, SerialNumberIsReadButNotKept) {
    ControllerFixture f(kCommModeRs485);
    f.app.serialNumberText = "KEEP";
    f.AnswerRead(Bytes(14, '7'));
    ASSERT_EQ(f.ctl.GetSerialNumber(), 1);
    EXPECT_EQ(f.requests.back(), ReadFrame(0x80, 14));
    EXPECT_EQ(f.app.serialNumberText, "KEEP");
    EXPECT_TRUE(f.host.serialPane.empty());
}

// ---------------------------------------------------------------- transport

TEST_P(CommandsBothModes, LateReplyIsDrainedByTheNextCommand) {
    // The first reply comes after the 140-tick time-out; the next command must not take it.
    f.answers.push_back({[this](const Bytes&) {
                             return Rs232() ? ToBytes("R785000") : Bytes{250, 4, 3, 120, 80, 0, 0};
                         },
                         300, false});
    EXPECT_EQ(f.ctl.GetVoltForLoad(), 0);
    f.link.clock.now += 400;  // the late reply is now queued
    f.AnswerRead({0x00, 0x3C, 0xFF, 0xC0});
    ASSERT_EQ(f.ctl.GetDuration(0), 1);
    EXPECT_EQ(f.app.config.autoDuration[0], 60);
    EXPECT_FLOAT_EQ(f.app.config.maxVout, 12.0f);  // untouched by the stale reply
}

TEST_P(CommandsBothModes, ReplyTailStillOnTheLineIsDropped) {
    // The previous reply was taken at its minimum length; its last byte lands just after the
    // next command has started.
    f.link.port.ReplyAfter(1, Rs232() ? Bytes{'\r'} : Bytes{0x6B});
    f.AnswerRead({0x00, 0x3C, 0xFF, 0xC0});
    ASSERT_EQ(f.ctl.GetDuration(0), 1);
    EXPECT_EQ(f.app.config.autoDuration[0], 60);
}

TEST_P(CommandsBothModes, PortFollowsTheMode) {
    f.AnswerRead({0, 0});
    f.ctl.GetVModePwmFlag();
    EXPECT_EQ(f.link.port.commMode, GetParam());
}

}  // namespace
}  // namespace zelt::testing

// The read and write commands against the scripted line: request bytes and decoded fields,
// grouped by command family, in both framings where both exist.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "config/SectorClock.h"
#include "link/BusScan.h"
#include "link/CommandCatalogue.h"
#include "link/ReadBackCheck.h"
#include "support/ControllerFixture.h"

namespace zelt::testing {
namespace {

constexpr double kVpc12 = 24.5 / 1024;

float VoltsOf(int count) {
    return static_cast<float>(count * kVpc12);
}

class CommandsBothModes : public ::testing::TestWithParam<Framing> {
  protected:
    CommandsBothModes() : f(GetParam()) {}
    bool Rs232() const { return f.Rs232(); }
    // The request expected in the current framing.
    Bytes Req(const char* text, const Bytes& frame) const {
        return Rs232() ? ToBytes(text) : frame;
    }
    // Runs a command the controller answers with registers (or accepts, for a write) into or
    // from the fixture's record; returns the request that went out.
    Bytes Read(const Bytes& registers, int (CControllerLink::*command)(CCfgDocument&)) {
        f.AnswerRead(registers);
        return Sent((f.ctl.*command)(f.record));
    }
    Bytes Read(const Bytes& registers, int (CControllerLink::*command)(int, CCfgDocument&),
               int index) {
        f.AnswerRead(registers);
        return Sent((f.ctl.*command)(index, f.record));
    }
    Bytes Write(int (CControllerLink::*command)(const CCfgDocument&)) {
        f.AnswerWrite();
        return Sent((f.ctl.*command)(f.record));
    }
    Bytes Write(int (CControllerLink::*command)(int, const CCfgDocument&), int index) {
        f.AnswerWrite();
        return Sent((f.ctl.*command)(index, f.record));
    }
    Bytes Sent(int result) {
        EXPECT_EQ(result, 1);
        return f.requests.empty() ? Bytes{} : f.requests.back();
    }
    // A schedule slot's registers; RS232 replies carry the in-use flag first.
    Bytes Slot(Bytes registers) const {
        if (Rs232()) {
            registers.insert(registers.begin(), 1);
        }
        return registers;
    }
    ControllerFixture f;
};

ZELT_IN_BOTH_FRAMINGS(CommandsBothModes);

// ---------------------------------------------------------------- load voltage limits

TEST_P(CommandsBothModes, LoadLimitsReadClampsAndWriteFlagDigit) {
    const struct {
        int system;
        Bytes registers;
        float max, min;
    } rows[] = {
        {24, {120, 80, 0}, 24.0f, 16.0f},  // on the 12 V scale: doubled
        {24, {24, 160, 1}, 28.0f, 16.0f},  // ninth bit of the maximum: 280 stays
        {12, {150, 75, 0}, 14.0f, 8.0f},   // 15.0 / 7.5 clamped
        {12, {90, 85, 0}, 12.0f, 8.0f},    // less than 1 V apart
    };
    for (const auto& row : rows) {
        f.Teach(row.system);
        EXPECT_EQ(Read(row.registers, &CControllerLink::GetVoltForLoad),
                  Req("G7803\r", Bytes{0xFA, 0x04, 0x00, 0x78, 0x03, 0x7F}));
        EXPECT_FLOAT_EQ(f.record.maxVout, row.max) << row.max;
        EXPECT_FLOAT_EQ(f.record.minVout, row.min) << row.max;
    }
    f.record.maxVout = 13.0f;
    f.AnswerNothing();
    EXPECT_EQ(f.ctl.GetVoltForLoad(f.record), 0);  // a failed read keeps the fields
    EXPECT_FLOAT_EQ(f.record.maxVout, 13.0f);

    f.record.maxVout = 24.0f;
    f.record.minVout = 16.0f;
    EXPECT_EQ(Write(&CControllerLink::SetVoltForLoad),
              Req("S78F0A000\r", WriteFrame16(0x78, {0xF0, 0xA0, 0})));
    f.record.maxVout = 28.0f;  // the ninth bit goes into the flag digit
    EXPECT_EQ(Write(&CControllerLink::SetVoltForLoad),
              Req("S7818A001\r", WriteFrame16(0x78, {0x18, 0xA0, 1})));
    // Limits from a file that no 9-bit field holds saturate: 51.1 V at most, 0 at least.
    f.record.maxVout = 1e21f;
    f.record.minVout = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(Write(&CControllerLink::SetVoltForLoad),
              Req("S78FF0001\r", WriteFrame16(0x78, {0xFF, 0, 1})));
    f.record.maxVout = -std::numeric_limits<float>::infinity();
    f.record.minVout = std::numeric_limits<float>::infinity();
    EXPECT_EQ(Write(&CControllerLink::SetVoltForLoad),
              Req("S7800FF02\r", WriteFrame16(0x78, {0, 0xFF, 2})));
}

// ---------------------------------------------------------------- level rules

TEST(CommandsLevels, RoundingSnappingAndFullScale) {
    for (const auto& [level, snapped] :
         {std::pair{14, 10}, {16, 20}, {15, 15}, {96, 100}, {101, 100}, {-3, 0}})
        EXPECT_EQ(SnapToTens(level), snapped) << level;
    // 14.6 rounds up to 15 and stays; 14.5 truncates to 14 and snaps to 10.
    EXPECT_EQ(LevelFromCount(146, 1.0, 0.0f, 10.0), 15);
    EXPECT_EQ(LevelFromCount(145, 1.0, 0.0f, 10.0), 10);
    EXPECT_EQ(LevelFromCount(5, 1.0, 8.0f, 0.04), 0);  // below minVout
    // Equal load limits leave nothing to divide by.
    EXPECT_EQ(LevelFromCount(400, kVpc12, 8.0f, 0.0), 100);
    EXPECT_EQ(LevelFromCount(300, kVpc12, 8.0f, 0.0), 0);
    EXPECT_EQ(CountFromVolts(12.0, 0.0), 0);
    EXPECT_EQ(LevelToCount(100, 0, 0.04, 8.0f, kVpc12), 1023);
    EXPECT_EQ(LevelToCount(100, 1, 0.04f, 8.0f, kVpc12), 502);  // 12 V / vpc = 501.55
    EXPECT_EQ(CountFromVolts(2.5, kVpc12), 104);                // 104.49: no round up
    // Values from a file that no voltage word holds saturate to 0..1023, NaN to 0.
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const double kNaN = std::nan("");
    const std::pair<double, int> saturated[] = {{kNaN, 0},  {kInf, 1023},  {-kInf, 0}, {1e30, 1023},
                                                {-1e30, 0}, {24.47, 1023}, {-0.1, 0}};
    for (const auto& [volts, count] : saturated) {
        EXPECT_EQ(CountFromVolts(volts, kVpc12), count) << volts;
    }
    EXPECT_EQ(LevelToCount(INT32_MAX, 1, 0.04, 8.0f, kVpc12), 1023);
    EXPECT_EQ(LevelToCount(INT32_MIN, 1, 0.04, 8.0f, kVpc12), 0);
    EXPECT_EQ(LevelToCount(50, 1, kNaN, 8.0f, kVpc12), 0);
    EXPECT_EQ(LevelFromCount(400, kVpc12, static_cast<float>(kNaN), 0.04), 0);
    EXPECT_EQ(LevelFromCount(400, kVpc12, 0.0f, 1e-30), 100);
}

// ---------------------------------------------------------------- schedule slots

TEST_P(CommandsBothModes, ScheduleSlotReadMapsTheAxis) {
    CCfgDocument& r = f.record;
    EXPECT_EQ(Read(Slot({18, 0, 6, 0, 0xFF, 0xC0}), &CControllerLink::GetSchedule, 3),
              Req("G1507\r", ReadFrame(22, 6)));  // 18:00 to 06:00 at full scale
    // A start of 12:00 begins the axis, an end of 12:00 ends it.
    Read(Slot({12, 0, 12, 0, 0, 0}), &CControllerLink::GetSchedule, 4);
    EXPECT_EQ(r.sectors, (std::vector<CTimeSectorData>{{360, 1080, 100}, {0, 1440, 0}}));
    EXPECT_EQ(r.sectorCount, 2);

    r.sectors.clear();
    Read(Bytes(Rs232() ? 7 : 6, 0), &CControllerLink::GetSchedule, 0);
    // An RS232 flag 00 means not in use; RS485 takes every slot as in use.
    const std::vector<CTimeSectorData> rs485Empty{{720, 720, 0}};
    EXPECT_EQ(r.sectors, Rs232() ? std::vector<CTimeSectorData>() : rs485Empty);
}

// Both backends on the same register block: its bytes, the 10-bit counts of its voltage words
// and the level rule, which RS232 short-cuts for its "FFF"/"000" digit forms.
TEST(FramingBackends, SameBlockGivesTheSameBytesCountsAndLevels) {
    const uint8_t rs232[] = {'R', 1, 2, 3, 4, 15, 15, 11, 0, 15, 15, 13, 5, 0, 0, 0, 0};  // digits
    const uint8_t rs485[] = {250, 4, 8, 0x12, 0x34, 0xFF, 0xB0, 0xFF, 0xD5, 0, 0};
    const struct {
        int k, byte, count, shortcut232, level;
    } rows[] = {
        {0, 0x12, 72, -1, 0},       // below minVout
        {2, 0xFF, 1022, -1, 100},   // F, F, B: arithmetic, above 100 %
        {4, 0xFF, 1023, 100, 100},  // F, F, D: full scale without arithmetic
        {6, 0, 0, 0, 0},
    };
    for (const auto& row : rows) {
        for (const IFraming* framing : {&Rs232Backend(), &Rs485Backend()}) {
            const bool ascii = framing == &Rs232Backend();
            const uint8_t* reply = ascii ? rs232 : rs485;
            SCOPED_TRACE(std::to_string(row.k) + (ascii ? " RS232" : " RS485"));
            EXPECT_EQ(framing->Byte(reply, row.k), row.byte);
            EXPECT_EQ(framing->VoltCount(reply, row.k), row.count);
            EXPECT_EQ(framing->LevelWithoutScale(reply, row.k), ascii ? row.shortcut232 : -1);
            EXPECT_EQ(RegisterBlock(*framing, reply).Level(row.k, kVpc12, 8.0f, 0.04), row.level);
        }
    }
}

TEST_P(CommandsBothModes, ScheduleWritesSectorsThenClearsTheRest) {
    CCfgDocument& r = f.record;
    r.sectors = {{360, 1080, 100}, {0, 120, 0}, {1200, 1440, 100}};
    for (int i = 0; i < 8; ++i) {
        f.AnswerWrite();
        ASSERT_EQ(f.ctl.SetSchedule(i, r), 1);
    }
    ASSERT_EQ(f.requests.size(), 8u);
    EXPECT_EQ(f.requests[0],
              Req("S000112000600FFF0\r", WriteFrame16(0, {1, 0x12, 0, 0x06, 0, 0xFF, 0xFF})));
    EXPECT_EQ(f.requests[1], Req("S07010C000E000000\r", WriteFrame16(7, {1, 12, 0, 14, 0, 0, 0})));
    if (Rs232()) {
        EXPECT_EQ(ToBytes("S0E0108000C00FFF0\r"), f.requests[2]);  // editor 1440 is 12:00
    }
    EXPECT_EQ(f.requests[7], Req("S3100000000000000\r", WriteFrame16(49, Bytes(7, 0))));

    r.pwmEnabled = 1;  // 100 % goes through the voltage arithmetic: 12 V is 502 counts
    EXPECT_EQ(Write(&CControllerLink::SetSchedule, 0),
              Req("S0001120006007D80\r", WriteFrame16(0, {1, 0x12, 0, 0x06, 0, 0x7D, 0x80})));
}

// ---------------------------------------------------------------- auto-mode steps

TEST_P(CommandsBothModes, DurationStepReadAndWrite) {
    CCfgDocument& r = f.record;
    EXPECT_EQ(Read({0x00, 0xB4, 0xFF, 0xC0}, &CControllerLink::GetDuration, 7),
              Req("G5404\r", ReadFrame(0x54, 4)));
    EXPECT_EQ(r.autoDuration[7], 180);
    EXPECT_EQ(r.autoBrightness[7], 100);

    r.autoDuration[0] = 180;
    r.autoBrightness[0] = 100;
    // Full scale is 1023 counts here: F, F, C, 0 (a schedule slot sends F, F, F, 0).
    EXPECT_EQ(Write(&CControllerLink::SetDuration, 0),
              Req("S3800B4FFC0\r", WriteFrame16(0x38, {0x00, 0xB4, 0xFF, 0xC0})));
}

// ---------------------------------------------------------------- battery thresholds

TEST_P(CommandsBothModes, LvdrPvReadAndLvdLvrWrite) {
    CCfgDocument& r = f.record;
    EXPECT_EQ(Read({0x1A, 0x00, 0x3E, 0xC0, 0x74, 0x00, 0x73, 0xC0, 0x3C},
                   &CControllerLink::GetLvdrPvOnOffDt),
              Req("G5D09\r", ReadFrame(0x5D, 9)));
    EXPECT_FLOAT_EQ(r.lightOnVoltage, VoltsOf(104));
    EXPECT_FLOAT_EQ(r.lightOffVoltage, VoltsOf(251));
    EXPECT_FLOAT_EQ(r.lvdVoltage, VoltsOf(464));
    EXPECT_FLOAT_EQ(r.lvrVoltage, VoltsOf(463));

    r = CCfgDocument{};
    r.dtTime = 5;  // RS232 sends 60, and write-all keeps what went out
    EXPECT_EQ(Write(&CControllerLink::SetLvdLvr),
              Req("S61740081803C\r", WriteFrame16(0x61, {0x74, 0x00, 0x81, 0x80, 0x05})));
    ApplyWireDefaults(r, GetParam());
    EXPECT_EQ(r.dtTime, Rs232() ? 60 : 5);
    EXPECT_EQ(r.ochtTime, 60);  // 0 goes out as 60 in both
    if (Rs232()) {
        EXPECT_EQ(f.link.trace.lines[f.link.trace.lines.size() - 2],
                  "Set LVD/LVR, PC->KVRN:S61740081803C\r\n");
    }
}

TEST_P(CommandsBothModes, FcvAcvOchtAndTemperatureFactors) {
    CCfgDocument& r = f.record;
    const int factor12 = Rs232() ? 5 : 10;
    for (const auto& [system, ocht, ochtAfter] : {std::tuple{12, 5, 60}, {24, 6, 6}}) {
        f.Teach(system);
        Read({0x8E, 0x00, 0x98, 0x80, static_cast<uint8_t>(ocht), 6},
             &CControllerLink::GetFcvAcvOchtTc);
        EXPECT_EQ(r.ochtTime, ochtAfter);
        EXPECT_EQ(r.tempCompensation, 6 * factor12 * system / 12);
        EXPECT_FLOAT_EQ(r.fcvVoltage, VoltsOf(568) * system / 12);
        EXPECT_FLOAT_EQ(r.acvVoltage, VoltsOf(610) * system / 12);
    }

    f.Teach(12);
    r = CCfgDocument{};  // 13.6 V, 14.6 V, 30, ochtTime 0 which is sent as 60
    EXPECT_EQ(Write(&CControllerLink::SetFcvAcvOchtTc),
              Req("S668E0098803C06\r", WriteFrame16(0x66, {0x8E, 0x00, 0x98, 0x80, 0x3C, 3})));
}

TEST_P(CommandsBothModes, AdvanceBatteryLevelsExistOnlyInRs232) {
    CCfgDocument& r = f.record;
    // RS485 sends nothing either way.
    EXPECT_EQ(Read({1, 0x7B, 0x40, 0xFF, 0xC0, 0x77, 0x00, 0x60, 0x40},
                   &CControllerLink::GetAdvanceBattPara),
              Req("G6E09\r", {}));
    if (Rs232()) {
        EXPECT_EQ(r.lowLevelEnabled, 1u);
        EXPECT_FLOAT_EQ(r.low1Voltage, VoltsOf(493));
        EXPECT_EQ(r.low1Brightness, 100);
        EXPECT_EQ(r.low2Brightness, 30);  // 9.2 V over 8 V at 0.04 V per %
    } else {
        EXPECT_EQ(r, CCfgDocument{});
    }
    r = CCfgDocument{};
    r.lowLevelEnabled = 1;
    r.low1Brightness = 100;
    f.answers.clear();
    EXPECT_EQ(Write(&CControllerLink::SetAdvanceBattPara), Req("S6E017B40FFC077006040\r", {}));
}

TEST_P(CommandsBothModes, PwmFlagIsTheInverseAndJumperModeScales) {
    CCfgDocument& r = f.record;
    for (const auto& [flag, pwm] : {std::pair{0, 1u}, {1, 0u}}) {
        Read({2, static_cast<uint8_t>(flag)}, &CControllerLink::GetVModePwmFlag);
        EXPECT_EQ(r.vMode, 2u);
        EXPECT_EQ(r.pwmEnabled, pwm);
    }
    EXPECT_EQ(f.link.port.commMode, Rs232() ? 232 : 485);  // the port follows the framing
    f.requests.clear();
    EXPECT_EQ(Write(&CControllerLink::SetVModePwmFlag), Req("S5901\r", {}));  // RS485: nothing
    for (const auto& line : f.link.trace.lines) {
        EXPECT_EQ(line.find("PC->KVRN"), std::string::npos);  // no request line
    }

    r.lightingTime = 7;  // not a code: sent as 0
    r.remoteLevelEnabled = 5;
    r.remoteLevel = 11.1f;  // 464 counts, c * 16 in RS232, c * 64 in RS485
    EXPECT_EQ(Write(&CControllerLink::SetSwJpMode),
              Req("S720300011D00\r", WriteFrame16(0x72, {3, 0, 1, 0x74, 0x00})));
}

// ---------------------------------------------------------------- counter and clock

TEST_P(CommandsBothModes, ChargeCountAndClock) {
    int count = 0;
    f.AnswerRead({0x01, 0xF4});
    EXPECT_EQ(Sent(f.ctl.GetChargeCount(&count)), Req("Q8\r", ReadFrame(0x6C, 2)));
    EXPECT_EQ(count, 500);
    f.AnswerWrite();
    EXPECT_EQ(Sent(f.ctl.ResetChargeCount()), Req("S6C0000\r", WriteFrame16(0x6C, {0, 0})));

    if (Rs232()) {
        f.AnswerText("R10:15:54");
    } else {
        f.AnswerRead({0x10, 0x15, 0x54});
    }
    TimeOfDay rtc;
    EXPECT_EQ(Sent(f.ctl.GetRtc(&rtc)), Req("Q2\r", ReadFrame(0x0203, 3)));
    EXPECT_EQ(rtc, (TimeOfDay{10, 15, 54}));

    TimeOfDay sent;
    f.AnswerWrite();
    EXPECT_EQ(Sent(f.ctl.SetRtc(ClockToSend{false, {9, 5, 7}}, &sent)),
              Req("T090507\r", WriteFrame16(0x0203, {0x09, 0x05, 0x07})));
    EXPECT_EQ(sent, (TimeOfDay{9, 5, 7}));
    f.AnswerNothing();
    EXPECT_EQ(f.ctl.SetRtc(ClockToSend{false, {1, 2, 3}}, &sent), 0);
    EXPECT_EQ(sent, (TimeOfDay{9, 5, 7}));  // a failed write reports nothing sent
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
    TimeOfDay sent;
    ASSERT_EQ(f.ctl.SetRtc(ClockToSend{}, &sent), 1);
    // 500 ms into second 58: the request leaves in the first 49 ms of second 59.
    EXPECT_GE(sentAt - start, 501);
    EXPECT_LE(sentAt - start, 549);
    EXPECT_EQ(f.link.port.WrittenTexts().back(), "T235959\r");
    EXPECT_EQ(sent, (TimeOfDay{23, 59, 59}));
}

// ---------------------------------------------------------------- version and serial number

TEST(CommandsVersion, FormsInBothFramingsAndTheSignedRs485VendorByte) {
    ControllerFixture f;
    const struct {
        const char* reply;
        int ok;
        const char* version;
    } rows[] = {{"R0003010512", 1, "3.12"},
                {"R8103010612", 1, "3.12B1"},
                {"R1204010512", 1, "4.12A12"},
                {"R0003010512\r\n", 1, "3.12"},  // the line end is no part of the version
                {"R00030105A2", 0, "3.12"}};     // a letter after the "R" fails
    FirmwareIdentity id;
    for (const auto& row : rows) {
        f.AnswerText(row.reply);
        EXPECT_EQ(f.ctl.GetVersion(&id), row.ok) << row.reply;
        EXPECT_EQ(id.version, row.version) << row.reply;
        EXPECT_EQ(f.ctl.Scale().firmwareVersion, row.version) << row.reply;  // for the scale
    }
    EXPECT_EQ(f.link.port.WrittenTexts().back(), "G7B05\r");
    EXPECT_TRUE(id.VendorAccepted());
    EXPECT_EQ(id.batteryType, 5);

    // The same registers give the same text in RS485: a release has no revision suffix, the
    // revision and the minor are the packed digits RS232 shows.
    ControllerFixture g(Framing::Rs485Binary);
    for (const auto& [registers, version] : {std::pair{Bytes{0x00, 3, 1, 5, 0x12}, "3.12"},
                                             {Bytes{0x81, 3, 1, 6, 0x12}, "3.12B1"},
                                             {Bytes{0x12, 4, 1, 5, 0x12}, "4.12A12"},
                                             {Bytes{0x05, 3, 1, 5, 0x07}, "3.07A5"}}) {
        g.AnswerRead(registers);
        ASSERT_EQ(g.ctl.GetVersion(&id), 1);
        EXPECT_EQ(id.version, version);
    }
    EXPECT_EQ(g.requests.back(), ReadFrame(0x7B, 5));
    for (const auto& [vendor, id16] : {std::pair{0xFF, 0xFFFF}, {2, 2}}) {
        g.AnswerRead({0x05, 3, static_cast<uint8_t>(vendor), 5, 0x12});  // 0xFF is -1 widened
        ASSERT_EQ(g.ctl.GetVersion(&id), 1);  // another vendor's controller still answered
        EXPECT_EQ(id.vendorId, id16);
        EXPECT_FALSE(id.VendorAccepted());
    }
}

TEST(CommandsSerialNumber, BothFramingsAndBlanking) {
    ControllerFixture f;
    std::string serial;
    for (const auto& [reply, digits] : {std::pair{"R12345678901234", "12345678901234"},
                                        {"RFFF456789F1234", ""},
                                        // only characters 1 to 3 and 10 decide
                                        {"RFFF4567890FFFF", "FFF4567890FFFF"}}) {
        f.AnswerText(reply);
        ASSERT_EQ(f.ctl.GetSerialNumber(&serial), 1);
        EXPECT_EQ(serial, digits);
    }
    EXPECT_EQ(f.link.port.WrittenTexts().back(), "G8007\r");
    f.AnswerNothing();
    EXPECT_EQ(f.ctl.GetSerialNumber(&serial), 0);
    EXPECT_EQ(f.link.trace.lines.back().rfind("Get SN Out=", 0), 0u);

    // RS485: the same digits packed in the first half of the block, by the same rule.
    ControllerFixture g(Framing::Rs485Binary);
    for (const auto& [block, digits] :
         {std::pair{Bytes{0x12, 0x24, 0x03, 0x15, 0x00, 0x07, 0x42}, "12240315000742"},
          {Bytes{0xFF, 0xF4, 0x56, 0x78, 0x9F, 0x12, 0x34}, ""}}) {
        Bytes registers = block;
        registers.resize(14, 0xFF);
        g.AnswerRead(registers);
        ASSERT_EQ(g.ctl.GetSerialNumber(&serial), 1);
        EXPECT_EQ(serial, digits);
    }
    EXPECT_EQ(g.requests.back(), ReadFrame(0x80, 14));
}

// After set --ids: values the wire carries exactly pass, anything else is named.
TEST(CommandsReadBack, OnlyTheWiresResolutionPasses) {
    const WriteScales scales{0.025, 0.04, 12};  // the defaults' voltages are whole counts
    CCfgDocument sent;
    sent.lvdVoltage = 11.37f;    // between two counts
    sent.tempCompensation = 33;  // 10 per unit of the byte
    CCfgDocument read = sent;
    read.lvdVoltage = 11.375f;
    read.tempCompensation = 30;
    read.ochtTime = 60;  // below 6 goes out as 60
    // An empty slot comes back as 00:00 to 00:00 at 0 %.
    read.sectors.assign(8,
                        CTimeSectorData{ControllerStartToMinute(0), ControllerEndToMinute(0), 0});
    EXPECT_EQ(ReadBackDifferences(sent, scales, read, scales), std::vector<std::string>{});
    read.lvdVoltage = 11.5f;
    read.autoDuration[3] = 5;
    read.sectors[7].brightness = 10;
    const std::vector<std::string> named = ReadBackDifferences(sent, scales, read, scales);
    ASSERT_EQ(named.size(), 3u);
    EXPECT_EQ(named[0], "LVD: sent 11.37, read 11.50");
    EXPECT_EQ(named[1], "Step 4 duration: sent 60, read 5");
    EXPECT_EQ(named[2].rfind("Schedule 8: ", 0), 0u);
}

// ---------------------------------------------------------------- transport

TEST_P(CommandsBothModes, LateReplyAndReplyTailAreDroppedByTheNextCommand) {
    // The first reply comes after the 140-tick time-out; the next command must not take it.
    f.answers.push_back({[this](const Bytes&) {
                             return Rs232() ? ToBytes("R785000") : Bytes{250, 4, 3, 120, 80, 0, 0};
                         },
                         300, false});
    EXPECT_EQ(f.ctl.GetVoltForLoad(f.record), 0);
    f.link.clock.now += 400;  // the late reply is now queued
    f.AnswerRead({0x00, 0x3C, 0xFF, 0xC0});
    ASSERT_EQ(f.ctl.GetDuration(0, f.record), 1);
    EXPECT_EQ(f.record.autoDuration[0], 60);
    EXPECT_FLOAT_EQ(f.record.maxVout, 12.0f);  // untouched by the stale reply

    // A reply taken at its minimum length whose last byte lands just after the next command
    // has started.
    f.link.port.ReplyAfter(1, Rs232() ? Bytes{'\r'} : Bytes{0x6B});
    f.AnswerRead({0x00, 0x5A, 0xFF, 0xC0});
    ASSERT_EQ(f.ctl.GetDuration(0, f.record), 1);
    EXPECT_EQ(f.record.autoDuration[0], 90);
}

}  // namespace
}  // namespace zelt::testing

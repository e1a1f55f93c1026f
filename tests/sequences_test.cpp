// Read-all and write-all on the scripted line: a simulated controller answers in-process on
// the fake port (time is the fake clock's, so nothing sleeps for real), or nothing answers.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <span>

#include "link/Sequences.h"
#include "panel/ControllerTexts.h"
#include "support/ControllerFixture.h"
#include "support/SimOnFakePort.h"

namespace zelt::testing {
namespace {

constexpr const char* kReadAllEnglish =
    "Failed to get parameters, list them as follow:  \n"
    "\nF/W Version/VID/PID Fail !\nVoltage for Load Fail !"
    "\nSchedule 1 Fail !\nSchedule 2 Fail !\nSchedule 3 Fail !\nSchedule 4 Fail !"
    "\nSchedule 5 Fail !\nSchedule 6 Fail !\nSchedule 7 Fail !\nSchedule 8 Fail !"
    "\nDuration 1 Fail !\nDuration 2 Fail !\nDuration 3 Fail !\nDuration 4 Fail !"
    "\nDuration 5 Fail !\nDuration 6 Fail !\nDuration 7 Fail !\nDuration 8 Fail !"
    "\nFCV/ACV/Temp Comp Fail !\nRTC Fail !\nOperating Mode Fail !"
    "\nLVD/LVR & PV On/Off Voltage Fail !\nPWM Flag Fail !\nSN Fail !";

// The requests that reached the line, each by the command it starts: RS232 its first three
// characters ("T" for the clock, whose digits are the time), RS485 the function and address.
std::string Heads(const std::vector<Bytes>& requests) {
    std::string heads;
    for (const Bytes& r : requests) {
        const std::string text(r.begin(), r.end());
        if (r.size() > 4 && r[1] < ' ') {
            heads += StrF("%d/%02X%02X ", r[1], r[2], r[3]);
        } else {
            heads +=
                (text[0] == 'T' ? "T" : text.substr(0, std::min<size_t>(3, text.find('\r')))) + " ";
        }
    }
    return heads;
}

class SequencesBothModes : public ::testing::TestWithParam<Framing> {
  protected:
    SequencesBothModes() : f(GetParam()) {}
    // A request for the register at address: its RS232 text, else an RS485 frame of function.
    std::function<bool(const std::string&)> Request(std::string text, uint8_t function,
                                                    uint8_t address) const {
        const bool rs232 = f.Rs232();
        return [=](const std::string& r) {
            return rs232 ? r.rfind(text, 0) == 0
                         : r.size() > 4 && r[1] == function && r[3] == address;
        };
    }
    // "Set Parameters" as the callers run it: the status read, then the rest.
    WriteAllResult SetParameters() {
        EXPECT_TRUE(WriteAllStatus(f.ctl).has_value());
        return WriteAll(f.ctl, f.record, ClockToSend{});
    }
    ControllerFixture f;
};

ZELT_IN_BOTH_FRAMINGS(SequencesBothModes);

TEST_P(SequencesBothModes, UnpluggedReadAllListsEveryItemAndWriteAllWritesNothing) {
    const ReadAllResult read = ReadAll(f.ctl, f.record);
    std::string expected = kReadAllEnglish;
    if (!f.Rs232()) {  // RS485 has no operating-mode or low-battery read: they always succeed
        expected.erase(expected.find("\nOperating Mode Fail !"), 22);
    } else {
        expected += "\nLow Battery Levels Fail !";
    }
    EXPECT_EQ(read.outcome.Summary(true), expected);
    EXPECT_FALSE(read.outcome.AllListedSucceeded());
    EXPECT_EQ(f.requests.size(), f.Rs232() ? 52u : 48u);  // every item twice
    EXPECT_EQ(read.record, f.record);
    EXPECT_FALSE(read.identity || read.status || read.rtc || read.serialNumber);

    f.requests.clear();
    EXPECT_FALSE(WriteAllStatus(f.ctl).has_value());
    ASSERT_EQ(f.requests.size(), 2u);  // only the two status attempts went out
    EXPECT_EQ(f.requests[0], f.requests[1]);
}

// An outcome of items where the items at the listed positions failed.
SequenceOutcome Failing(std::span<const SequenceItem> items, std::vector<int> failed) {
    SequenceOutcome outcome{items, std::vector<bool>(items.size(), true)};
    for (const int n : failed) {
        outcome.ok[static_cast<size_t>(n)] = false;
    }
    return outcome;
}

TEST(SequencesSummary, BothLanguagesInTheListedOrderNotTheRunOrder) {
    // Schedule 2, duration 8, LVD/LVR & PV, the battery levels, and the status with no line.
    const SequenceOutcome read = Failing(ReadAllItems(), {4, 18, 25, 22, 1});
    EXPECT_EQ(read.Summary(false),
              "發生錯誤, 以下參數無法存取:  \n\n排程 2.\n週期 8.\n低壓回復/斷路 & "
              "PV On/Off 電壓.\n低電量參數.");
    EXPECT_FALSE(read.Succeeded(SequenceStep::Schedule, 1));
    EXPECT_TRUE(read.Succeeded(SequenceStep::Schedule, 2));
    // The PWM flag runs third but is listed after the clock; the battery levels last.
    const SequenceOutcome write = Failing(WriteAllItems(), {2, 3, 16, 23, 22});
    EXPECT_EQ(write.Summary(false),
              "發生錯誤, 以下參數無法設定:  \n\n排程 1.\n自動時段 3.\n即時時鐘資訊."
              "\n脈寬調變位元.\n低電量參數.");
    EXPECT_EQ(write.Summary(true),
              "Failed to set parameters, list them as follow:  \n\nSchedule 1 Fail !"
              "\nAuto Duration 3 Fail !\nRTC Fail !\nPWM bit !\nLow Battery Levels Fail !");
    EXPECT_FALSE(Failing(WriteAllItems(), {22}).AllListedSucceeded());
    // A cancelled Set: the status read and three writes went out, in the window's language.
    const SequenceOutcome cancelled{WriteAllItems(), {true, true, true, true}};
    const ControllerFixture f(Framing::Rs232Ascii);
    EXPECT_EQ(WrittenItemsText(cancelled, f.ctl.Framing(), false),
              "負載電壓\n脈寬調變位元\n排程 1\n");
    EXPECT_EQ(WrittenItemsText(cancelled, f.ctl.Framing(), true),
              "Set Volt for Load\nSet VMode/Pwm flag\nSet Sch 1\n");
}

TEST_P(SequencesBothModes, WriteAllThenReadAllGivesBackTheRecord) {
    SimOnFakePort line(f);
    std::vector<std::string> names;
    f.ctl.SetProgressHook([&](int n, int total, const std::string& name) {
        EXPECT_EQ(n, static_cast<int>(names.size()) + 1);
        names.push_back(name + "/" + std::to_string(total));
    });
    // Every voltage a little off its default, so that a value not sent or not read shows.
    const auto voltages = {&CCfgDocument::lvrVoltage,     &CCfgDocument::lvdVoltage,
                           &CCfgDocument::fcvVoltage,     &CCfgDocument::acvVoltage,
                           &CCfgDocument::lightOnVoltage, &CCfgDocument::lightOffVoltage};
    CCfgDocument& r = f.record;
    for (auto volts : voltages) {
        r.*volts += 0.2f;
    }
    r.sectors = {{360, 1080, 100}, {1200, 1380, 40}};
    r.sectorCount = 2;
    r.tempCompensation = 40;
    r.maxVout = 13.0f;
    r.minVout = 9.0f;
    r.ochtTime = 60;
    r.autoDuration = {30, 60, 90, 120, 150, 180, 210, 240};
    r.autoBrightness = {100, 90, 80, 70, 60, 50, 40, 30};
    r.lowLevelEnabled = 1;
    r.low1Brightness = 60;
    f.requests.clear();
    const WriteAllResult written = SetParameters();
    EXPECT_TRUE(written.outcome.AllListedSucceeded());
    EXPECT_TRUE(written.rtcSent.has_value());
    // The status read, then the writes of the record in their fixed order.
    EXPECT_EQ(Heads(f.requests),
              f.Rs232() ? "Q3 S78 S59 S00 S07 S0E S15 S1C S23 S2A S31 S61 S66 S5D "
                          "S38 S3C S40 S44 S48 S4C S50 S54 S6E T "
                        : "4/0104 16/0078 16/0000 16/0007 16/000E 16/0015 16/001C 16/0023 "
                          "16/002A 16/0031 16/0061 16/0066 16/005D 16/0038 16/003C 16/0040 "
                          "16/0044 16/0048 16/004C 16/0050 16/0054 16/0203 ");
    ASSERT_EQ(names.size(), static_cast<size_t>(kWriteAllItems));
    EXPECT_EQ(names[13], f.Rs232() ? "Set PV Detect/24" : "Set PV/24");
    // 12 ms before and after every one of the 23 write items.
    EXPECT_EQ(std::count(f.link.clock.sleeps.begin(), f.link.clock.sleeps.end(), 12), 46);
    const CCfgDocument& sent = written.sent;

    names.clear();
    f.requests.clear();
    const ReadAllResult read = ReadAll(f.ctl, CCfgDocument{});  // defaults until the read
    EXPECT_TRUE(read.outcome.AllListedSucceeded());
    // RS232 asks "Q3" twice: the status, and the operating mode after the clock.
    EXPECT_EQ(Heads(f.requests),
              f.Rs232() ? "G7B Q3 G78 G00 G07 G0E G15 G1C G23 G2A G31 G38 G3C G40 G44 G48 "
                          "G4C G50 G54 G66 Q2 Q3 G5D G58 G80 G6E "
                        : "4/007B 4/0104 4/0078 4/0001 4/0008 4/000F 4/0016 4/001D 4/0024 "
                          "4/002B 4/0032 4/0038 4/003C 4/0040 4/0044 4/0048 4/004C 4/0050 "
                          "4/0054 4/0066 4/0203 4/005D 4/0058 4/0080 ");
    EXPECT_EQ(names.size(), static_cast<size_t>(kReadAllItems));
    const CCfgDocument& got = read.record;
    for (auto volts : voltages) {  // they travel as 10-bit counts
        EXPECT_NEAR(got.*volts, sent.*volts, f.ctl.Scale().voltsPerCount);
    }
    EXPECT_FLOAT_EQ(got.maxVout, sent.maxVout);
    EXPECT_FLOAT_EQ(got.minVout, sent.minVout);
    EXPECT_EQ(got.tempCompensation, sent.tempCompensation);
    EXPECT_EQ(got.ochtTime, sent.ochtTime);
    // RS485 takes every slot as in use: the cleared ones come back as 12:00..12:00 at 0 %.
    std::vector<CTimeSectorData> expected = sent.sectors;
    if (!f.Rs232()) {
        expected.resize(8, CTimeSectorData{720, 720, 0});
    }
    EXPECT_EQ(got.sectors, expected);
    EXPECT_EQ(got.autoDuration, sent.autoDuration);
    EXPECT_EQ(got.autoBrightness, sent.autoBrightness);
    if (f.Rs232()) {  // the low-battery levels and the mode travel over RS232 only
        EXPECT_EQ(got.lowLevelEnabled, 1u);
        EXPECT_EQ(got.low1Brightness, 60);
    }
    EXPECT_EQ(read.serialNumber, "12240315000742");  // the same digits in both framings
    EXPECT_EQ(read.switchMode.has_value(), f.Rs232());
    ASSERT_TRUE(read.identity && read.status && read.rtc);
    EXPECT_EQ(read.identity->version, f.ctl.Scale().firmwareVersion);
}

TEST_P(SequencesBothModes, OnlyASlotThatFailsTwiceIsListedAndKeepsTheSchedule) {
    SimOnFakePort line(f);
    int slot2Requests = 0;
    const auto slot2 = Request("G0E07\r", 4, 15), slot4 = Request("G1507\r", 4, 22);
    line.drop = [&](const std::string& r) {
        return (slot2(r) && ++slot2Requests == 1) || slot4(r);
    };
    f.record.sectors = {{60, 300, 70}};
    f.record.sectorCount = 1;
    const ReadAllResult read = ReadAll(f.ctl, f.record);
    EXPECT_EQ(slot2Requests, 2);
    EXPECT_EQ(read.outcome.Summary(true),
              "Failed to get parameters, list them as follow:  \n\nSchedule 4 Fail !");
    // Half a schedule is no schedule: what was shown stays.
    EXPECT_EQ(read.record.sectors, (std::vector<CTimeSectorData>{{60, 300, 70}}));
    EXPECT_EQ(read.record.sectorCount, 1);
}

// Unplugged at schedule slot 4: the run stops there and says why instead of waiting out every
// item after it, the schedule on display stays, and the next command opens the port again.
TEST_P(SequencesBothModes, APortThatWentAwayStopsTheRunAndTheNextCommandReopensIt) {
    SimOnFakePort line(f);
    std::function<bool(const std::string&)> unplugAt = Request("G1507\r", 4, 22);
    line.drop = [&](const std::string& r) { return f.link.port.gone = unplugAt(r); };
    f.record.sectors = {{60, 300, 70}};
    const ReadAllResult read = ReadAll(f.ctl, f.record);
    EXPECT_EQ(read.outcome.Summary(true), "Failed to get parameters: the port went away.");
    EXPECT_EQ(read.outcome.Summary(false), "發生錯誤, 無法存取參數: 連接埠已中斷.");
    EXPECT_EQ(f.requests.size(), 7u);  // version, status, load limits, slots 1 to 4 once
    EXPECT_EQ(read.record.sectors, f.record.sectors);

    f.link.port.pluggedBack = true;
    unplugAt = Request("S3C", 16, 0x3C);  // duration step 2
    const WriteAllResult written = SetParameters();
    EXPECT_EQ(f.link.port.reopens, 1);
    EXPECT_EQ(written.outcome.Summary(true), "Failed to set parameters: the port went away.");
    EXPECT_FALSE(written.rtcSent.has_value());
}

TEST_P(SequencesBothModes, FailedWriteItemIsListedAndTheRestRuns) {
    SimOnFakePort line(f);
    line.drop = Request("S3C", 16, 0x3C);  // duration step 2
    const WriteAllResult written = SetParameters();
    EXPECT_EQ(written.outcome.Summary(true),
              "Failed to set parameters, list them as follow:  \n\nAuto Duration 2 Fail !");
    const std::string last = f.LastText();  // the clock, the last item, was still written
    EXPECT_EQ(f.Rs232() ? last[0] : last[3], f.Rs232() ? 'T' : '\x03');
    EXPECT_TRUE(written.rtcSent.has_value());
}

}  // namespace
}  // namespace zelt::testing

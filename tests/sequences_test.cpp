// Read-all and write-all on the scripted line: a simulated controller answers in-process on
// the fake port (time is the fake clock's, so nothing sleeps for real), or nothing answers.

#include <gtest/gtest.h>

#include <functional>

#include "kvrn/SimController.h"
#include "link/Sequences.h"
#include "support/ControllerFixture.h"

namespace zelt::testing {
namespace {

constexpr const char* kReadAllEnglish =
    "Failed to get parameters, list them as follow:  \n"
    "\nF/W Version/VID/PID Fail !"
    "\nVoltage for Load Fail !"
    "\nSchedule 1 Fail !\nSchedule 2 Fail !\nSchedule 3 Fail !\nSchedule 4 Fail !"
    "\nSchedule 5 Fail !\nSchedule 6 Fail !\nSchedule 7 Fail !\nSchedule 8 Fail !"
    "\nDuration 1 Fail !\nDuration 2 Fail !\nDuration 3 Fail !\nDuration 4 Fail !"
    "\nDuration 5 Fail !\nDuration 6 Fail !\nDuration 7 Fail !\nDuration 8 Fail !"
    "\nFCV/ACV/Temp Comp Fail !"
    "\nRTC Fail !"
    "\nOperating Mode Fail !"
    "\nLVD/LVR & PV On/Off Voltage Fail !"
    "\nPWM Flag Fail !"
    "\nSN Fail !";

// The fixture's port answered by a simulated controller; `drop` decides, per request, that
// the controller stays silent this time.
struct SimOnFakePort {
    SimOnFakePort(ControllerFixture& f, kvrn::SimOptions options = {})
        : fixture(f), sim(WithoutPacing(options), f.link.clock.now, 12LL * 3600 * 1000) {
        f.link.port.onWrite = [this](FakePort& port, const Bytes& request) {
            fixture.requests.push_back(request);
            const std::string text(request.begin(), request.end());
            if (drop && drop(text)) {
                return;
            }
            for (const auto& e : sim.Feed(request.data(), request.size(), fixture.link.clock.now)) {
                if (!e.reply.empty()) {
                    port.ReplyAfter(3, e.reply);
                }
            }
        };
    }
    static kvrn::SimOptions WithoutPacing(kvrn::SimOptions o) {
        o.lineRate = false;
        return o;
    }

    ControllerFixture& fixture;
    kvrn::SimController sim;
    std::function<bool(const std::string&)> drop;
};

class SequencesBothModes : public ::testing::TestWithParam<uint16_t> {
  protected:
    SequencesBothModes() : f(GetParam()) {}
    bool Rs232() const { return f.Rs232(); }
    ControllerFixture f;
};

INSTANTIATE_TEST_SUITE_P(Modes, SequencesBothModes,
                         ::testing::Values(kCommModeRs232, kCommModeRs485),
                         [](const auto& info) { return info.param == 232 ? "RS232" : "RS485"; });

// ---------------------------------------------------------------- nothing answers

TEST_P(SequencesBothModes, UnpluggedReadAllListsEveryItemAndKeepsTheRecord) {
    f.app.savedToController = 0;
    f.app.config.sectors = {{0, 600, 50}};
    f.app.config.sectorCount = 1;
    const CCfgDocument shown = f.app.config;
    EXPECT_EQ(ReadAllParameters(f.ctl), 0);
    ASSERT_EQ(f.host.messages.size(), 1u);
    // RS485 has no operating-mode read: the item always succeeds there.
    std::string expected = kReadAllEnglish;
    if (!Rs232()) {
        expected.erase(expected.find("\nOperating Mode Fail !"), 22);
    }
    EXPECT_EQ(f.host.messages[0].text, expected);
    EXPECT_EQ(f.host.messages[0].caption, "Error");
    EXPECT_EQ(f.host.messages[0].icon, MessageIcon::Stop);
    EXPECT_EQ(f.app.savedToController, 0u);
    EXPECT_EQ(f.app.config, shown);
    EXPECT_EQ(f.host.collects, 1);
    EXPECT_EQ(f.host.refreshes, 1);
    EXPECT_EQ(f.host.invalidates, 1);
    EXPECT_EQ(f.host.waitDepth, 0);
    // Every item twice, except the two reads that RS485 does not have.
    EXPECT_EQ(f.requests.size(), Rs232() ? 52u : 48u);
    EXPECT_EQ(f.link.trace.lines.front(), std::string(40, '*') + "\n");
}

TEST_P(SequencesBothModes, UnpluggedWriteAllWritesNothing) {
    f.app.savedToController = 0;
    const CCfgDocument shown = f.app.config;
    EXPECT_EQ(WriteAllParameters(f.ctl), 0);
    ASSERT_EQ(f.host.messages.size(), 1u);
    EXPECT_EQ(f.host.messages[0].text, "Operation fault ! Please check power & connection.");
    EXPECT_EQ(f.host.messages[0].caption, "Error");
    // Only the two status attempts went out.
    ASSERT_EQ(f.requests.size(), 2u);
    EXPECT_EQ(f.requests[0], f.requests[1]);
    EXPECT_EQ(Rs232() ? f.LastText() : "", Rs232() ? "Q3\r" : "");
    EXPECT_EQ(f.app.config, shown);
    EXPECT_EQ(f.app.savedToController, 0u);
    EXPECT_EQ(f.host.commits, 1);
    EXPECT_EQ(f.host.invalidates, 1);
    EXPECT_EQ(f.host.waitDepth, 0);
}

TEST(SequencesChinese, SummaryAndCaption) {
    ControllerFixture f;
    f.app.english = 0;
    EXPECT_EQ(WriteAllParameters(f.ctl), 0);
    EXPECT_EQ(f.host.messages[0].text, "作業失敗 ! 請檢查電源及連線");
    EXPECT_EQ(f.host.messages[0].caption, "錯誤");

    ReadAllFlags r;
    r.schedule[1] = false;
    r.duration[7] = false;
    r.lvdrPv = false;
    r.status = false;  // has no line
    r.advanceBatt = false;
    EXPECT_EQ(ReadAllSummary(r, false),
              "發生錯誤, 以下參數無法存取:  \n\n排程 2.\n週期 8.\n低壓回復/斷路 & PV On/Off 電壓.");

    WriteAllFlags w;
    w.pwmFlag = false;
    w.schedule[0] = false;
    w.duration[2] = false;
    w.rtc = false;
    w.advanceBatt = false;  // has no line
    EXPECT_EQ(
        WriteAllSummary(w, false),
        "發生錯誤, 以下參數無法設定:  \n\n排程 1.\n自動時段 3.\n即時時鐘資訊.\n脈寬調變位元.");
    EXPECT_EQ(WriteAllSummary(w, true),
              "Failed to set parameters, list them as follow:  \n\nSchedule 1 Fail !"
              "\nAuto Duration 3 Fail !\nRTC Fail !\nPWM bit !");
    EXPECT_EQ(WriteAllSummary(WriteAllFlags{}, true), "");
}

// ---------------------------------------------------------------- a controller answers

TEST_P(SequencesBothModes, WriteAllThenReadAllGivesBackTheRecord) {
    SimOnFakePort line(f);
    f.app.savedToController = 0;
    CCfgDocument& r = f.app.config;
    r.sectors = {{360, 1080, 100}, {1200, 1380, 40}};
    r.sectorCount = 2;
    r.lvrVoltage = 12.6f;
    r.lvdVoltage = 11.2f;
    r.fcvVoltage = 13.8f;
    r.acvVoltage = 14.4f;
    r.tempCompensation = 40;
    r.maxVout = 13.0f;
    r.minVout = 9.0f;
    r.lightOnVoltage = 3.0f;
    r.lightOffVoltage = 7.0f;
    r.autoDuration = {30, 60, 90, 120, 150, 180, 210, 240};
    r.autoBrightness = {100, 90, 80, 70, 60, 50, 40, 30};
    r.lowLevelEnabled = 1;
    r.low1Brightness = 60;
    r.dtTime = 60;
    r.ochtTime = 60;
    ASSERT_EQ(WriteAllParameters(f.ctl), 1)
        << (f.host.messages.empty() ? "" : f.host.messages[0].text);
    EXPECT_TRUE(f.host.messages.empty());
    EXPECT_EQ(f.app.savedToController, 1u);
    const CCfgDocument written = r;

    f.app.savedToController = 0;
    r = CCfgDocument{};  // the display shows defaults until the read
    ASSERT_EQ(ReadAllParameters(f.ctl), 1)
        << (f.host.messages.empty() ? "" : f.host.messages[0].text);
    EXPECT_TRUE(f.host.messages.empty());
    EXPECT_EQ(f.app.savedToController, 1u);

    // Voltages come back through 10-bit counts: within one count.
    const double count = f.ctl.voltsPerCount;
    EXPECT_NEAR(r.lvrVoltage, written.lvrVoltage, count);
    EXPECT_NEAR(r.lvdVoltage, written.lvdVoltage, count);
    EXPECT_NEAR(r.fcvVoltage, written.fcvVoltage, count);
    EXPECT_NEAR(r.acvVoltage, written.acvVoltage, count);
    EXPECT_NEAR(r.lightOnVoltage, written.lightOnVoltage, count);
    EXPECT_NEAR(r.lightOffVoltage, written.lightOffVoltage, count);
    EXPECT_FLOAT_EQ(r.maxVout, written.maxVout);
    EXPECT_FLOAT_EQ(r.minVout, written.minVout);
    EXPECT_EQ(r.tempCompensation, written.tempCompensation);
    EXPECT_EQ(r.ochtTime, written.ochtTime);
    EXPECT_EQ(r.dtTime, written.dtTime);
    EXPECT_EQ(r.pwmEnabled, written.pwmEnabled);
    // RS485 takes every slot as in use: the cleared ones come back as 12:00..12:00 at 0 %,
    // which the time area does not show.
    std::vector<CTimeSectorData> expected = written.sectors;
    if (!Rs232()) {
        expected.resize(8, CTimeSectorData{720, 720, 0});
    }
    EXPECT_EQ(r.sectors, expected);
    EXPECT_EQ(r.sectorCount, static_cast<int32_t>(expected.size()));
    EXPECT_EQ(r.autoDuration, written.autoDuration);
    EXPECT_EQ(r.autoBrightness, written.autoBrightness);
    if (Rs232()) {  // the low-battery levels travel over RS232 only
        EXPECT_EQ(r.lowLevelEnabled, 1u);
        EXPECT_EQ(r.low1Brightness, 60);
        EXPECT_NEAR(r.low1Voltage, written.low1Voltage, count);
    }
    EXPECT_EQ(f.app.vendorId, 1);
    EXPECT_FALSE(f.app.firmwareVersionText.empty());
    EXPECT_EQ(f.ctl.panel.rtcKnown, 1);
    EXPECT_EQ(f.host.firmwarePane, "F/W Ver: " + f.app.firmwareVersionText);
    EXPECT_EQ(f.host.batteryCaption, "Battery Information 12V");
}

TEST_P(SequencesBothModes, SlotThatFailsOnceProducesNoLine) {
    SimOnFakePort line(f);
    int slot2Requests = 0;
    line.drop = [&](const std::string& request) {
        const bool slot2 = Rs232() ? request == "G0E07\r"
                                   : request.size() == 6 && request[1] == 4 && request[3] == 15;
        return slot2 && ++slot2Requests == 1;
    };
    f.app.savedToController = 0;
    ASSERT_EQ(ReadAllParameters(f.ctl), 1);
    EXPECT_EQ(slot2Requests, 2);
    EXPECT_TRUE(f.host.messages.empty());
    EXPECT_EQ(f.app.savedToController, 1u);
}

TEST_P(SequencesBothModes, SlotThatFailsTwiceKeepsTheScheduleOnDisplay) {
    SimOnFakePort line(f);
    line.drop = [&](const std::string& request) {
        return Rs232() ? request == "G1507\r"
                       : request.size() == 6 && request[1] == 4 && request[3] == 22;
    };
    f.app.config.sectors = {{60, 300, 70}};
    f.app.config.sectorCount = 1;
    f.app.savedToController = 0;
    EXPECT_EQ(ReadAllParameters(f.ctl), 0);
    ASSERT_EQ(f.host.messages.size(), 1u);
    EXPECT_EQ(f.host.messages[0].text,
              "Failed to get parameters, list them as follow:  \n\nSchedule 4 Fail !");
    // Half a schedule is no schedule: what was shown stays.
    EXPECT_EQ(f.app.config.sectors, (std::vector<CTimeSectorData>{{60, 300, 70}}));
    EXPECT_EQ(f.app.config.sectorCount, 1);
    EXPECT_EQ(f.app.savedToController, 0u);
}

TEST_P(SequencesBothModes, FailedWriteItemIsListedAndTheRestRuns) {
    SimOnFakePort line(f);
    line.drop = [&](const std::string& request) {
        return Rs232() ? request.rfind("S3C", 0) == 0  // duration step 2
                       : request.size() > 4 && request[1] == 16 && request[3] == 0x3C;
    };
    f.app.savedToController = 0;
    EXPECT_EQ(WriteAllParameters(f.ctl), 0);
    ASSERT_EQ(f.host.messages.size(), 1u);
    EXPECT_EQ(f.host.messages[0].text,
              "Failed to set parameters, list them as follow:  \n\nAuto Duration 2 Fail !");
    EXPECT_EQ(f.app.savedToController, 0u);
    // The clock, the last item, was still written.
    const std::string last = f.LastText();
    EXPECT_EQ(Rs232() ? last.substr(0, 1) : std::string(1, last[3]), Rs232() ? "T" : "\x03");
}

TEST_P(SequencesBothModes, WriteAllPacesAndReportsProgress) {
    SimOnFakePort line(f);
    std::vector<std::string> names;
    f.ctl.SetProgressHook([&](int n, int total, const std::string& name) {
        EXPECT_EQ(n, static_cast<int>(names.size()) + 1);
        EXPECT_EQ(total, kWriteAllItems);
        names.push_back(name);
    });
    ASSERT_EQ(WriteAllParameters(f.ctl), 1);
    ASSERT_EQ(names.size(), static_cast<size_t>(kWriteAllItems));
    EXPECT_EQ(names[0], Rs232() ? "Get Q3 Status" : "Get Status");
    EXPECT_EQ(names[1], "Set Volt for Load");
    EXPECT_EQ(names[3], "Set Sch 1");
    EXPECT_EQ(names[13], Rs232() ? "Set PV Detect" : "Set PV");
    EXPECT_EQ(names[23], "Set RTC");
    // 12 ms before and after every one of the 23 write items.
    EXPECT_EQ(std::count(f.link.clock.sleeps.begin(), f.link.clock.sleeps.end(), 12), 46);
}

TEST_P(SequencesBothModes, ReadAllReportsProgress) {
    SimOnFakePort line(f);
    std::vector<std::string> names;
    f.ctl.SetProgressHook([&](int, int total, const std::string& name) {
        names.push_back(name + "/" + std::to_string(total));
    });
    ASSERT_EQ(ReadAllParameters(f.ctl), 1);
    ASSERT_EQ(names.size(), static_cast<size_t>(kReadAllItems));
    EXPECT_EQ(names[0], Rs232() ? "Get Version/VID/PID/26" : "Get Version/26");
    EXPECT_EQ(names[3], "Get Sch 1/26");
    EXPECT_EQ(names[25], "Get Advance Batt Para/26");
}

TEST(SequencesAdaptation, TwelveVoltRecordIsScaledBeforeWriting) {
    ControllerFixture f;
    kvrn::SimOptions options;
    options.system24V = true;
    SimOnFakePort line(f, options);
    f.app.systemVoltage = 12;
    f.app.config.fcvVoltage = 13.6f;  // a 12 V value on a 24 V system
    ASSERT_EQ(WriteAllParameters(f.ctl), 1);
    EXPECT_EQ(f.app.systemVoltage, 24);
    EXPECT_FLOAT_EQ(f.app.config.fcvVoltage, 27.2f);
    EXPECT_GE(f.host.refreshes, 1);
    // 27.2 V at 49/1024 V per count is 568 counts: 0x8E00.
    bool sent = false;
    for (const auto& text : f.link.port.WrittenTexts()) {
        sent = sent || text.rfind("S668E00", 0) == 0;
    }
    EXPECT_TRUE(sent);
}

TEST(SequencesReset, UnknownSystemVoltageAsksTheControllerFirst) {
    ControllerFixture f;
    f.app.systemVoltage = 0;
    f.app.config.maxVout = 13.3f;
    ResetToDefault(f.ctl);  // nothing answers: the 12 V column
    EXPECT_EQ(f.link.port.WrittenTexts(), std::vector<std::string>{"Q3\r"});
    EXPECT_EQ(f.host.batteryCaption, "Battery Information");
    EXPECT_FLOAT_EQ(f.app.config.maxVout, 12.0f);
    EXPECT_EQ(f.app.config.sectors, (std::vector<CTimeSectorData>{{0, 1440, 100}}));
    EXPECT_EQ(f.host.refreshes, 1);

    ControllerFixture g;
    kvrn::SimOptions options;
    options.system24V = true;
    SimOnFakePort line(g, options);
    g.app.systemVoltage = 0;
    ResetToDefault(g.ctl);
    EXPECT_EQ(g.app.systemVoltage, 24);
    EXPECT_EQ(g.host.batteryCaption, "Battery Information 24V");
    EXPECT_FLOAT_EQ(g.app.config.maxVout, 24.0f);
    EXPECT_EQ(g.app.config.tempCompensation, 60);

    // A known system voltage: no controller traffic at all.
    g.requests.clear();
    ResetToDefault(g.ctl);
    EXPECT_TRUE(g.requests.empty());
}

}  // namespace
}  // namespace zelt::testing

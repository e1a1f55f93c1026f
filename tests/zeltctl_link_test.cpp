// zeltctl's controller commands end to end: the tool and kvrn-sim run as separate processes,
// joined by a pseudo-terminal placed as COM12 in a private port folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "base/Trace.h"
#include "support/SilentTerminal.h"
#include "support/ToolRun.h"

namespace zelt::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::Not;
using Json = nlohmann::json;

size_t LineCount(const std::string& text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

class ZeltctlLink : public ToolBench {
  protected:
    std::string Port() const { return File("ports/COM12"); }

    Json StatusJson() {
        const ToolRun run = Run("--port COM12 status --json");
        EXPECT_EQ(0, run.status) << run.err;
        return Json::parse(run.out, nullptr, false);
    }
};

// ---------------------------------------------------------------------------------------
// Finding, reading and writing

TEST_F(ZeltctlLink, DetectThenGetSetGetRoundTripInBothModes) {
    struct Mode {
        const char *simOptions, *global, *found, *probe;
    };
    for (const Mode& mode : {
             Mode{"", "", "Controller is found at COM12.\n", "COM12"},
             // The ID walk starts at the given ID: found on the first probe.
             Mode{"--rs485-id 17", "--rs485 --id 17",
                  "Controller is found at COM12, RS485 ID = 17.\n", "COM12 RS485 ID 17"},
         }) {
        SCOPED_TRACE(mode.global);
        StartSim(mode.simOptions);
        const ToolRun detect = Run(std::string(mode.global) + " detect");
        ASSERT_EQ(0, detect.status) << detect.err;
        EXPECT_EQ(mode.found, detect.out);
        EXPECT_EQ("", detect.err);

        const std::string global = std::string("--port COM12 ") + mode.global;
        const ToolRun first = Run(global + " get -o " + File("a.cfg"));
        ASSERT_EQ(0, first.status) << first.err;
        EXPECT_EQ("", first.err);
        Json record = Show("a.cfg");
        const double lvd = record["lvdVoltage"].get<double>() > 11.3 ? 11.0 : 11.6;
        const int duration = record["autoDuration"][2].get<int>() == 95 ? 85 : 95;
        record["lvdVoltage"] = lvd;
        record["autoDuration"][2] = duration;
        WriteText(File("b.json"), record.dump(2));

        const ToolRun set = Run(global + " set " + File("b.json"));
        ASSERT_EQ(0, set.status) << set.err;
        EXPECT_EQ("", set.err);
        ASSERT_EQ(0, Run(global + " get -o " + File("c.cfg")).status);
        const Json back = Show("c.cfg");
        EXPECT_NEAR(lvd, back["lvdVoltage"].get<double>(), 0.03);  // 10-bit counts of ~24 mV
        EXPECT_EQ(duration, back["autoDuration"][2].get<int>());

        // Progress, with the time spent, shows only when standard error is a terminal.
        SilentTerminal terminal;
        const std::string toTerminal = " 2>" + terminal.path;
        EXPECT_EQ(0, Run(global + " get -o " + File("p.cfg") + toTerminal).status);
        EXPECT_EQ(0, Run(global + " set " + File("b.json") + toTerminal).status);
        EXPECT_EQ(0, Run(std::string(mode.global) + " detect" + toTerminal).status);
        EXPECT_THAT(terminal.Received(),
                    AllOf(HasSubstr("[1/26] "), ContainsRegex("\\[26/26\\] .*  [0-9]+\\.[0-9] s"),
                          HasSubstr("[24/24] "),
                          ContainsRegex(std::string(mode.probe) + "  [0-9]+\\.[0-9] s")));
        StopSim();
    }
}

TEST_F(ZeltctlLink, SetFailsNamingAWriteTheControllerAcknowledgedButDidNotKeep) {
    StartSim("--drop-write 0x61");  // the LVD/LVR block
    ASSERT_EQ(0, Run("--port COM12 get -o " + File("a.cfg")).status);
    Json record = Show("a.cfg");
    record["lvdVoltage"] = record["lvdVoltage"].get<double>() > 11.3 ? 11.0 : 11.6;
    WriteText(File("b.json"), record.dump());
    const ToolRun set = Run("--port COM12 --lang zh set " + File("b.json"));
    EXPECT_EQ(1, set.status);
    EXPECT_THAT(set.err, HasSubstr("未保存以下參數:\nLVD: 寫入 11."));
}

// RS232 firmware 4 reports voltages on a coarser scale: 11.1 V stays 11.1 V.
TEST_F(ZeltctlLink, GetConvertsWithTheScaleOfFirmwareFour) {
    StartSim("--firmware 4.01");
    const ToolRun get = Run("--port COM12 get -o " + File("a.cfg"));
    ASSERT_EQ(0, get.status) << get.err;
    EXPECT_NEAR(11.1, Show("a.cfg")["lvdVoltage"].get<double>(), 0.035);
}

// ---------------------------------------------------------------------------------------
// Watching

TEST_F(ZeltctlLink, StatusPrintsEveryReading) {
    // This seed drops the first status reply and a later reading's: each read runs twice.
    StartSim("--24v --drop 0.2 --seed 3");
    const ToolRun lines = Run("--port COM12 status");
    ASSERT_EQ(0, lines.status) << lines.err;
    EXPECT_THAT(lines.out,
                HasSubstr("Firmware version: 3.12\nVendor ID: 1\nSystem voltage: 24 V\n"));
    EXPECT_THAT(lines.out, AllOf(HasSubstr("\nController clock: "), Not(HasSubstr("--"))));
    // The JSON form's values: the clock test here and the MQTT test, field by field.
    StopSim();

    // A status read that never answers: the readings that need no voltage scale still come;
    // the voltages (their scale needs the system voltage) and what only the status tells are
    // unknown, and the command fails.
    StartSim("--mute Q3");
    const ToolRun muted = Run("--port COM12 status");
    EXPECT_EQ(1, muted.status);
    EXPECT_THAT(muted.out, AllOf(HasSubstr("System voltage: --\nBattery voltage: --"),
                                 HasSubstr("Load on: --\n"), HasSubstr("Operating mode: --\n"),
                                 HasSubstr("Charge count: 37\n")));
    EXPECT_THAT(muted.err, HasSubstr("Operation fault"));
}

TEST_F(ZeltctlLink, MonitorWritesAHeaderAndOneCsvRowPerPoll) {
    StartSim();
    const ToolRun run =
        Run("--port COM12 monitor --interval 0.2 --count 3 --csv " + File("log.csv"));
    EXPECT_EQ(3u, LineCount(run.out));
    std::istringstream csv(ReadText(File("log.csv")));
    std::string header;
    std::getline(csv, header);
    EXPECT_THAT(header, ::testing::StartsWith("time,systemVoltage,batteryVoltage,"));
    // A poll tries each reading once: on a loaded machine one may go unanswered, and then the
    // run ends with status 1. Every row complete means status 0.
    int rows = 0, complete = 0;
    for (std::string row; std::getline(csv, row); ++rows) {
        complete += ::testing::Value(
            row, MatchesRegex("[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}[+-][0-9]{2}:"
                              "[0-9]{2},12,[0-9.]+,[0-9]+,[0-9.]+,[0-9.]+,[0-9.]+,[0-9.]+,"
                              "[01],[0-9]+,[^,]+,.*"));
    }
    EXPECT_EQ(3, rows);
    EXPECT_GE(complete, 1);
    EXPECT_EQ(complete == 3 ? 0 : 1, run.status) << run.err;
}

// kvrn-sim ends and starts again on the same COM while the monitor runs: the polls between
// say that the port went away, and the readings come back by themselves.
TEST_F(ZeltctlLink, MonitorFindsTheControllerAgainAfterThePortWentAway) {
    StartSim();
    FILE* tool =
        popen("'" ZELTCTL_PATH "' --port COM12 monitor --interval 0.3 --count 12 2>/dev/null", "r");
    std::vector<std::string> lines;
    char text[512];
    const auto next = [&] {
        return std::fgets(text, sizeof text, tool) != nullptr && (lines.push_back(text), true);
    };
    ASSERT_TRUE(next());
    StopSim();
    ASSERT_TRUE(next() && next());
    StartSim();
    while (next()) {
    }
    EXPECT_EQ(1, WEXITSTATUS(pclose(tool)));  // some polls read nothing
    ASSERT_EQ(12u, lines.size());
    EXPECT_THAT(lines[1] + lines[2], HasSubstr("no answer: the port went away"));
    EXPECT_THAT(lines.back(), HasSubstr("  battery "));
}

TEST_F(ZeltctlLink, BatteryFailureAndOverVoltageEndMonitorWithStatusOne) {
    StartSim("--battery-fail");
    const ToolRun failed = Run("--port COM12 monitor --count 5 --interval 0.1");
    EXPECT_EQ(1, failed.status);
    EXPECT_THAT(failed.err, HasSubstr("Warning: The Battery is bad/over current/short circuit !"));
    StopSim();

    StartSim("--over-voltage");
    const ToolRun over =
        Run("--port COM12 monitor --count 5 --interval 0.1 --csv " + File("o.csv"));
    EXPECT_EQ(1, over.status);
    EXPECT_THAT(over.err, HasSubstr("The battery voltage is too high, Please input 12V.\nThe "
                                    "utility will be closed."));
    EXPECT_EQ(1u, LineCount(over.out));                 // ended after the first poll
    EXPECT_EQ(2u, LineCount(ReadText(File("o.csv"))));  // and kept its row
}

// ---------------------------------------------------------------------------------------
// Single commands and failures

TEST_F(ZeltctlLink, ClockResetCountAndMode) {
    StartSim();
    EXPECT_EQ("07:08:09\n", Run("--port COM12 clock 07:08:09").out);
    // Reset while the clock is mid-morning: no charging starts (and counts) before the read.
    EXPECT_EQ(0, Run("--port COM12 reset-count").status);
    const Json status = StatusJson();
    EXPECT_THAT(status["controllerClock"].get<std::string>(), MatchesRegex("07:08:(09|1[0-9])"));
    EXPECT_EQ(0, status["chargeCount"]);
    EXPECT_EQ(0, Run("--port COM12 clock --pc").status);
    EXPECT_THAT(Run("--port COM12 mode").out, ::testing::StartsWith("Operating mode: "));
}

TEST_F(ZeltctlLink, EveryEndPutsThePortBackAndASignalEndsWithWhatWasDone) {
    StartSim();
    ASSERT_EQ(0, Run("--port COM12 cfg new -o " + File("r.cfg")).status);
    const std::string device = fs::read_symlink(Port()).string();
    const std::string before = LineState(device);
    struct Interruption {
        std::string args;
        int signal, afterMs, status;
        const char* said;
    };
    // clang-format off
    for (const Interruption& row : {Interruption{"status", 0, 0, 0, ""},
             Interruption{"set " + File("r.cfg"), SIGINT, 900, 130, "zeltctl: interrupted (SIGINT): "},
             Interruption{"monitor --interval 0.1", SIGTERM, 600, 143, "zeltctl: interrupted"},
             Interruption{"get -o " + File("g.cfg"), SIGTERM, 500, 143, "zeltctl: interrupted"}}) {
        // clang-format on
        const ToolRun run = RunInterrupted("--port COM12 " + row.args, row.signal, row.afterMs);
        EXPECT_EQ(row.status, run.status) << row.args << "\n" << run.err;
        EXPECT_THAT(run.err, HasSubstr(row.said)) << row.args;
        EXPECT_EQ(before, LineState(device)) << row.args;
        for (const auto& entry : fs::directory_iterator(scratch_.path)) {
            EXPECT_THAT(entry.path().filename().string(), Not(HasSubstr(".tmp"))) << row.args;
        }
    }
}

TEST_F(ZeltctlLink, ControllerThatDoesNotAnswerGivesStatusOneWithTheSystemsMessage) {
    StartSim("--fault no-reply");
    ASSERT_EQ(0, Run("cfg new -o " + File("new.cfg")).status);
    const struct {
        std::string args, message;
    } cases[] = {
        {"detect", "Failed to detect.\nCan not found Controller.\n"},
        {"--lang zh detect", "偵測失敗.\n找不到控制器.\n"},
        {"--port COM12 status", "Operation fault ! Please check power & connection."},
        {"--port COM12 --lang zh set " + File("new.cfg"), "作業失敗 ! 請檢查電源及連線"},
        {"--port COM12 reset-count", "Failed to reset charge count."},
    };
    for (const auto& c : cases) {
        const ToolRun run = Run(c.args);
        EXPECT_EQ(1, run.status) << c.args;
        EXPECT_THAT(run.err, HasSubstr(c.message)) << c.args;
        EXPECT_EQ("", run.out) << c.args;
    }
}

TEST_F(ZeltctlLink, ChineseSummaryListsTheItemsThatFailed) {
    StartSim("--drop 0.67 --seed 7");  // two of three replies lost: some items fail twice
    WriteText(File("zh.cfg"), "a good backup");
    const ToolRun get = Run("--port COM12 --lang zh get --json -o " + File("zh.cfg"));
    EXPECT_EQ(1, get.status);
    EXPECT_THAT(get.err, HasSubstr("發生錯誤, 以下參數無法存取:  \n"));
    EXPECT_THAT(get.err, HasSubstr("zh.cfg: 未寫入"));
    EXPECT_THAT(get.err, Not(HasSubstr("Fail !")));
    EXPECT_EQ("a good backup", ReadText(File("zh.cfg")));  // a half-read record replaces nothing
    // Asked for, what was read is written as the window shows it; JSON has null for the rest.
    const ToolRun partial = Run("--port COM12 get --partial --json -o " + File("zh.cfg"));
    EXPECT_EQ(1, partial.status);
    const Json printed = Json::parse(partial.out);
    const Json written = Show("zh.cfg");
    int unread = 0;
    for (const auto& [key, value] : written.items()) {
        if (printed[key] != value) {
            ++unread;
            EXPECT_THAT(printed[key].dump(), HasSubstr("null")) << key;
        }
    }
    EXPECT_GT(unread, 0);
}

// ---------------------------------------------------------------------------------------
// Records outside the controller's limits

TEST_F(ZeltctlLink, SetRefusesAnUnsafeRecordBeforeAnyWriteOrClampsItAsThePanelDoes) {
    StartSim();
    ASSERT_EQ(0, Run("--port COM12 get -o " + File("a.cfg")).status);
    const Json before = Show("a.cfg");

    Json unsafe = before;
    unsafe["lvdVoltage"] = 99;    // halved once by the 12 V adaptation, still out of range
    unsafe["fcvVoltage"] = 15.5;  // the adaptation would reset these two
    unsafe["acvVoltage"] = "-Infinity";
    unsafe["autoBrightness"][2] = 250;
    unsafe["sectors"] = Json::parse(R"([{"startMinute": -50, "endMinute": 5000}])");
    WriteText(File("unsafe.json"), unsafe.dump());
    const ToolRun refused = Run("--port COM12 --trace set " + File("unsafe.json"));
    EXPECT_EQ(2, refused.status);
    EXPECT_THAT(refused.err,
                HasSubstr("fcvVoltage = 15.5: outside 13.0 to 15.0 at 12 V, would be reset to "
                          "13.6\nacvVoltage = -Infinity: outside 14.0 to 16.0 at 12 V, would be "
                          "reset to 14.6\nlvdVoltage = 49.5 (99 before the 12 V adaptation): "
                          "allowed 10.5 to 12.5 at 12 V\n"
                          "autoBrightness[2] = 250: allowed 0 to 100\n"
                          "sectors[0] = -50..5000: allowed 0 <= start <= end <= 1440\n"));
    EXPECT_THAT(refused.err, Not(HasSubstr("PC->KVRN")));  // the status read, then nothing
    ASSERT_EQ(0, Run("--port COM12 get -o " + File("b.cfg")).status);
    EXPECT_EQ(before, Show("b.cfg"));

    Json clampable = before;
    clampable["lvdVoltage"] = 30;
    clampable["autoBrightness"][2] = 250;
    clampable["tempCompensation"] = 70;  // halved for 12 V, then clamped
    clampable["fcvVoltage"] = 15.5;
    WriteText(File("clamp.json"), clampable.dump());
    const ToolRun clamped = Run("--port COM12 set --clamp " + File("clamp.json"));
    ASSERT_EQ(0, clamped.status) << clamped.err;
    for (const char* change : {"fcvVoltage: 15.5 -> 13.6\n", "lvdVoltage: 15 -> 12.5\n",
                               "autoBrightness[2]: 250 -> 100\n", "tempCompensation: 35 -> 30\n"}) {
        EXPECT_THAT(clamped.out, HasSubstr(change));
    }
    ASSERT_EQ(0, Run("--port COM12 get -o " + File("c.cfg")).status);
    const Json after = Show("c.cfg");
    EXPECT_NEAR(12.5, after["lvdVoltage"].get<double>(), 0.03);
    EXPECT_EQ(100, after["autoBrightness"][2]);
    EXPECT_EQ(30, after["tempCompensation"]);
}

// ---------------------------------------------------------------------------------------
// Bad input: status 2, a message, and not a byte on the line

TEST_F(ZeltctlLink, BadInputNeverReachesTheController) {
    SilentTerminal line;
    fs::create_symlink(line.path, Port());
    WriteText(File("garbage.cfg"), "this is not a configuration file");
    WriteText(File("unknown.json"), R"({"lvdVoltage": 11.0, "noSuchField": 1})");

    const std::string set = "--port COM12 set " + scratch_.path.string() + "/";
    // COM names, the port's and the files' refusals: their own tests; here that nothing is sent.
    for (const std::string& args : std::vector<std::string>{
             "--port COM41 status", "--port COM12 clock 25:00:00", "--port COM12 clock 12:00",
             "--port COM12 clock --pc 10:00:00", "--port COM12 --bogus status",
             "--port COM12 --rs485 --id 0 status", "--port COM12 --rs485 --id 256 status",
             "--port COM12 --lang fr status", "--port COM12 monitor --count -1", "--port COM12 set",
             set + "garbage.cfg", set + "unknown.json",
             "--port COM12 get --from " + File("missing.cfg"),
             "--port COM12 get -o " + File("no/such/folder/a.cfg"), "--port COM12 status --ids 0,3",
             "--port COM12 get --ids 5-3 -o " + File(""), "--port COM12 get --ids 3",
             "--port COM12 scan --from 9 --to 3"}) {
        const ToolRun run = Run(args);
        EXPECT_EQ(2, run.status) << args << "\n" << run.err;
        EXPECT_NE("", run.err) << args;
        EXPECT_EQ("", line.Received()) << args;
    }

    EXPECT_EQ("COM12\n", Run("ports").out);  // which ports open: the port's own test
    EXPECT_EQ(2, Run("ports COM12").status);

    // A saved port or ID out of range is caught the same way; "settings" shows what was read,
    // whatever the global options say.
    WriteText(File("settings.reg"),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZELT Utility Quorvel]\n"
              "\"COM Port\"=\"45\"\n\"RS485 ID\"=\"300\"\n\"English\"=\"No\"\n");
    const Json read = Json::parse(Run("--port COM3 --rs485 --id 7 --lang en settings").out);
    EXPECT_EQ(Json::parse("[45, 232, 300, 0]"),
              Json({read["comPort"], read["commMode"], read["rs485Id"], read["english"]}));
    EXPECT_EQ(File("settings.reg"), read["store"]);
    const ToolRun savedPort = Run("status");
    EXPECT_EQ(2, savedPort.status);
    EXPECT_THAT(savedPort.err, HasSubstr("COM45"));
    const ToolRun savedId = Run("--port COM12 --rs485 status");
    EXPECT_EQ(2, savedId.status);
    EXPECT_THAT(savedId.err, HasSubstr("300"));
    WriteText(File("blocker"), "");  // no settings key can be made below a file
    const ScopedEnv blocked{"ZELT_SETTINGS", File("blocker/settings.reg")};
    const ToolRun fatal = Run("--port COM12 status");
    EXPECT_EQ(2, fatal.status);
    EXPECT_THAT(fatal.err, ::testing::StartsWith("Fatal Error: Rigistry Fail ! "));
    EXPECT_EQ("", line.Received());
}

// ---------------------------------------------------------------------------------------
// A bus of controllers (the whole walk of 255 IDs takes half a minute: tests walk a few)

// 5's first answer (the probe's) comes 10 ms after its window: taken during 6's probe.
TEST_F(ZeltctlLink, ScanListsExactlyTheControllersOnTheBus) {
    StartSim("--bus 3,5,9 --fault late --late-ms 100 --fault-count 1 --fault-id 5");
    const ToolRun scan = Run("--port COM12 scan --from 2 --to 10 --json");
    ASSERT_EQ(0, scan.status) << scan.err;
    const Json found = Json::parse(scan.out);
    ASSERT_EQ(3u, found.size());
    for (size_t k = 0; k < 3; ++k) {
        const int id = std::vector<int>{3, 5, 9}[k];
        EXPECT_EQ(id, found[k]["id"]);
        EXPECT_EQ(StrF("12240315000%03d", id), found[k]["serialNumber"]);
        EXPECT_EQ("3.12", found[k]["firmwareVersion"]);  // as RS232 shows it
        EXPECT_EQ(12, found[k]["systemVoltage"]);
        EXPECT_GT(found[k]["batteryVoltage"].get<double>(), 10.0);
    }
    EXPECT_EQ(1, Run("--port COM12 scan --from 6 --to 8").status);  // nobody there
}

TEST_F(ZeltctlLink, FleetSetAndGetReportEachControllerAndSpareTheOthersAFailure) {
    StartSim("--bus 3,5,9 --fault no-reply --fault-id 5");
    ASSERT_EQ(0, Run("cfg new -o " + File("a.cfg")).status);
    Json record = Show("a.cfg");
    record["lvdVoltage"] = 11.5;
    record["autoDuration"][4] = 77;
    WriteText(File("b.json"), record.dump());

    const ToolRun set = Run("--port COM12 set --ids 3,5,9 " + File("b.json"));
    EXPECT_EQ(1, set.status);
    EXPECT_THAT(set.out, AllOf(HasSubstr("\n3     ok        written and verified\n"),
                               HasSubstr("\n5     failed    no answer\n"),
                               HasSubstr("\n9     ok        written and verified\n")));
    // Ctrl-C ends the write in flight between two requests; the table says what each holds.
    const ToolRun cut =
        RunInterrupted("--port COM12 set --ids 3,9 " + File("b.json"), SIGINT, 1500);
    EXPECT_EQ(130, cut.status) << cut.err;
    EXPECT_THAT(cut.err, HasSubstr("zeltctl: interrupted (SIGINT)"));
    EXPECT_THAT(cut.out, AllOf(ContainsRegex("\n3     failed    (interrupted|written, not)"),
                               HasSubstr("\n9     untouched \n")));

    fs::create_directory(File("backup"));
    WriteText(File("backup/id5.cfg"), "kept");
    const ToolRun get = Run("--port COM12 get --ids 3-5,9 -o " + File("backup"));
    EXPECT_EQ(1, get.status);
    EXPECT_THAT(get.out, AllOf(HasSubstr("\n4     failed    no answer\n"),
                               HasSubstr("\n5     failed    no answer\n")));
    EXPECT_EQ("kept", ReadText(File("backup/id5.cfg")));
    EXPECT_FALSE(fs::exists(File("backup/id4.cfg")));
    for (const int id : {3, 9}) {
        const Json back = Show(StrF("backup/12240315000%03d.cfg", id));
        EXPECT_NEAR(11.5, back["lvdVoltage"].get<double>(), 0.03);
        EXPECT_EQ(77, back["autoDuration"][4]);
    }

    record["lvdVoltage"] = 99;  // refused by the record check on every controller
    WriteText(File("bad.json"), record.dump());
    const ToolRun refused = Run("--port COM12 set --ids 3,9 " + File("bad.json"));
    EXPECT_EQ(2, refused.status);
    EXPECT_THAT(refused.err, HasSubstr("\nID 9: "));  // the lines of each controller named
}

}  // namespace
}  // namespace zelt::testing

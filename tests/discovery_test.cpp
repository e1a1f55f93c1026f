// Port enumeration, Auto Detect and the seek walk against pseudo-terminals: silent ports
// that nobody answers and simulated controllers, placed in a private port folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kvrn/Sim.h"
#include "link/BusScan.h"
#include "link/Discovery.h"
#include "link/Rs485Probe.h"
#include "link/WallClock.h"
#include "models/SeekDialogModel.h"
#include "support/FakeLink.h"
#include "support/SilentTerminal.h"
#include "support/TestEnv.h"
#include "ui/RecordingWindow.h"

namespace zelt::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::StartsWith;

// A private port folder with silent terminals and simulated controllers in it.
class PortBench : public ::testing::Test {
  protected:
    ~PortBench() override { port.Close(); }

    void PlaceSilent(int com) {
        silent_.push_back(std::make_unique<SilentTerminal>());
        fs::create_symlink(silent_.back()->path, PortPath(com));
    }
    void PlaceSim(int com, kvrn::SimOptions options = {}) {
        sims_.push_back(std::make_unique<kvrn::SimServer>(options));
        std::string error;
        EXPECT_TRUE(sims_.back()->Start(&error) &&
                    sims_.back()->PlaceAt(ports_.path.string(), com, &error))
            << error;
    }
    std::string PortPath(int com) const { return ports_.File("COM" + std::to_string(com)); }
    DetectResult Detect(const CPortTable& table, LinkAddress start) {
        return CAutoDetect(port, ProcessTickClock(), trace).Run(table, start);
    }

    // Trace lines that start with prefix.
    std::vector<std::string> LinesStartingWith(const std::string& prefix) const {
        std::vector<std::string> out;
        std::copy_if(trace.lines.begin(), trace.lines.end(), std::back_inserter(out),
                     [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
        return out;
    }

    ScratchFolder ports_;
    ScopedEnv portDir_{"ZELT_PORT_DIR", ports_.path.string()};
    std::vector<std::unique_ptr<SilentTerminal>> silent_;
    std::vector<std::unique_ptr<kvrn::SimServer>> sims_;
    CComPort port;
    CaptureTraceSink trace;
};

// ---------------------------------------------------------------------------------------
// Port enumeration and Auto Detect

TEST_F(PortBench, NothingFoundClosesThePort) {
    CPortTable empty;
    empty.Enumerate(port);
    EXPECT_EQ(0, empty.highestPort);
    const long start = ProcessTickClock().Now();
    EXPECT_EQ(0, Detect(empty, LinkAddress{}).port);
    EXPECT_LT(ProcessTickClock().Now() - start, 50);  // no port: fails at once
    EXPECT_TRUE(trace.lines.empty());

    PlaceSilent(1);  // a controller that answers wrongly: the next test
    CPortTable table;
    table.Enumerate(port);
    EXPECT_EQ(0, Detect(table, LinkAddress{Framing::Rs232Ascii, 42}).port);
    EXPECT_FALSE(port.IsOpen());
    const auto timeouts = LinesStartingWith("Auto Detect COM1 Time Out=");
    ASSERT_EQ(1u, timeouts.size());
    EXPECT_GE(std::atoi(timeouts[0].c_str() + strlen("Auto Detect COM1 Time Out=")), 91);
    EXPECT_THAT(timeouts[0], EndsWith(" ticks!\n"));
}

TEST_F(PortBench, ListHasGapsAndRs232SkipsSilentVanishedAndWrongPortsThenReadsTheId) {
    PlaceSilent(2);
    PlaceSim(4, {.fault = kvrn::Fault::WrongLeader});
    PlaceSilent(5);
    PlaceSim(7, {.deviceId = 0x3C});
    PlaceSilent(10);                    // after the controller: never probed
    ASSERT_EQ(1, port.Open(5, 19200));  // enumeration starts by closing the port
    CPortTable table;
    table.Enumerate(port);
    EXPECT_FALSE(port.IsOpen());
    ASSERT_THAT(table.ExistingPorts(), ElementsAre(2, 4, 5, 7, 10));
    EXPECT_EQ(10, table.highestPort);  // the list has gaps and ends at the highest port
    EXPECT_EQ(5, table.available[4]);
    EXPECT_EQ(CPortTable::kNoPort, table.available[2]);
    EXPECT_EQ(7, table.PortAtListIndex(3));
    fs::remove(PortPath(5));  // listed, then unplugged: skipped without a probe

    const DetectResult found = Detect(table, LinkAddress{Framing::Rs232Ascii, 42});
    EXPECT_EQ(7, found.port);
    EXPECT_EQ((LinkAddress{Framing::Rs232Ascii, 0x3C}), found.address);
    EXPECT_TRUE(port.IsOpen());  // stays open on the controller's port
    EXPECT_EQ(1u, LinesStartingWith("Auto Detect COM2 Time Out=").size());
    EXPECT_EQ(1u, LinesStartingWith("Auto Detect COM4 Fail, KVRN->PC:").size());
    for (const char* untouched : {"Auto Detect COM5", "Auto Detect COM7", "Auto Detect COM10"}) {
        EXPECT_TRUE(LinesStartingWith(untouched).empty()) << untouched;
    }
}

// The controller's first answer comes 10 ms after its window: taken during the next probe.
TEST_F(PortBench, Rs485TriesTheCurrentIdThenWalksDownFrom250) {
    PlaceSim(
        3, {.deviceId = 250, .fault = kvrn::Fault::LateReply, .lateReplyMs = 100, .faultCount = 1});
    CPortTable table;
    table.Enumerate(port);
    CAutoDetect detect(port, ProcessTickClock(), trace);
    std::vector<int> probed;
    detect.SetProbeHook([&](int com, int id) { probed.push_back(com * 1000 + id); });
    const long start = ProcessTickClock().Now();
    const DetectResult found = detect.Run(table, LinkAddress::Rs485(17));
    EXPECT_GE(ProcessTickClock().Now() - start, 2 * 25 + 90);  // paced, and 17 waited out

    EXPECT_EQ(3, found.port);
    EXPECT_EQ(LinkAddress::Rs485(250), found.address);
    ASSERT_LE(probed.size(), 3u);  // 249 only while 250's answer is on its way
    EXPECT_THAT(std::vector<int>(probed.begin(), probed.begin() + 2), ElementsAre(3017, 3250));
    EXPECT_THAT(LinesStartingWith("Auto Detect COM3 RS485 ID")[0],
                StartsWith("Auto Detect COM3 RS485 ID17 Time Out="));
}

// The walk of --ids all probes a silent ID twice: 5's lost first answer loses nothing.
TEST_F(PortBench, BusScanForIdsAllLosesNoControllerToOneLostAnswer) {
    PlaceSim(1, {.fault = kvrn::Fault::NoReply, .faultCount = 1, .busIds = {3, 5}, .faultId = 5});
    ASSERT_EQ(1, port.Open(1, 19200));
    CBusScan walk(port, ProcessTickClock(), trace, 2, 5, CBusScan::SilentIds::ProbedTwice);
    std::vector<std::string> found;
    while (!walk.Done()) {
        if (const auto c = walk.Step()) {
            found.push_back(StrF("%d %s", c->id, c->serialNumber.c_str()));
        }
    }
    EXPECT_THAT(found, ElementsAre("3 12240315000003", "5 12240315000005"));
}

// The probes of the two backends on the scripted line.
TEST(AutoDetectProbe, Rs232KeepsTheOldIdUnlessTheReplyHoldsTwoHexDigits) {
    for (const auto& [reply, id] :
         {std::pair{"R0G", 42}, {"R:1", 42}, {"R1 ", 42}, {"Rfa", 0xFA}, {"R0c", 0x0C}}) {
        FakeLink line;
        line.port.onWrite = [text = std::string(reply)](FakePort& p, const Bytes& request) {
            EXPECT_EQ(request, ToBytes("G7701\r"));
            p.ReplyAfter(2, text);
        };
        int unansweredId = 0, foundId = 0;
        EXPECT_TRUE(Rs232Backend().Probe(line.io, 1, 0, 42, &unansweredId, &foundId)) << reply;
        EXPECT_EQ(id, foundId) << reply;
    }
}

TEST(AutoDetectProbe, Rs485TakesOnlyTheProbedIdsAnswer) {
    FakeLink line;  // device 2 answers every probe
    line.port.onWrite = [](FakePort& p, const Bytes&) { p.ReplyAfter(3, Bytes{2, 4, 1, 2, 7}); };
    int unansweredId = 0, foundId = 0;
    EXPECT_FALSE(Rs485Backend().Probe(line.io, 3, 1, 17, &unansweredId, &foundId));
    EXPECT_THAT(line.trace.lines.back(), EndsWith("refused: another device ID\n"));
    ASSERT_TRUE(Rs485Backend().Probe(line.io, 3, 2, 17, &unansweredId, &foundId));
    EXPECT_EQ(2, foundId);
    EXPECT_EQ(line.port.writes.back(), (Bytes{2, 4, 1, 3, 1, 9}));
    EXPECT_THAT(line.clock.sleeps, ElementsAre(25, 25));
}

// ID 9 answers late, walked 9, 8, 7: its whole, sound answer is taken in 8's pause (8 is not
// sent) or window, never once another ID was probed after it.
TEST(AutoDetectProbe, Rs485TakesALateAnswerOnlyOfTheIdProbedJustBefore) {
    const struct {
        long delay;
        uint8_t checksum;
        std::vector<int> answered;
        size_t sent;
    } rows[] = {{100, 14, {0, 9}, 1},
                {130, 14, {0, 9}, 2},
                {100, 15, {0, 0, 0}, 3},
                {215, 14, {0, 0, 0}, 3}};
    for (const auto& row : rows) {
        FakeLink line;
        line.port.onWrite = [&row](FakePort& p, const Bytes& request) {
            if (request[0] == 9) {
                p.ReplyAfter(row.delay, Bytes{9, 4, 1, 9, row.checksum});
            }
        };
        int unansweredId = 0;
        std::vector<int> answered;
        for (int id = 9; id >= 7 && (answered.empty() || answered.back() == 0); --id) {
            answered.push_back(ProbeRs485Id(line.io, "Scan RS485 ID", id, &unansweredId));
        }
        EXPECT_EQ(row.answered, answered) << row.delay;
        EXPECT_EQ(row.sent, line.port.writes.size()) << row.delay;
    }
}

// ---------------------------------------------------------------------------------------
// The seek walk

class SeekWalk : public PortBench {
  protected:
    // A status read that answers on port `answering` only (the one the last trace line names).
    SeekActions Actions() {
        SeekActions actions;
        actions.statusRead = [this] {
            ++statusReads;
            duringRead();
            const int at = std::atoi(trace.lines.back().c_str() + strlen("Try to connect COM"));
            return at == answering ? 1 : 0;
        };
        actions.getParameters = [this] { ++getParameters; };
        actions.batteryFailed = [this] { return batteryFailed; };
        return actions;
    }

    CSeekPosition position;
    std::function<void()> duringRead = [] {};
    int answering = 0, statusReads = 0, getParameters = 0;
    bool batteryFailed = false;
};

TEST_F(SeekWalk, ProbesOneOpenPortPerStepWrapsToComOneAndEndsOnTheController) {
    PlaceSilent(2);
    PlaceSilent(5);
    CSeekWalk walk(port, trace, position, Actions());
    EXPECT_EQ(SeekStepResult::Continue, walk.Step());
    EXPECT_EQ(2, position.value);  // COM1 skipped at once, COM2 probed
    EXPECT_EQ(SeekStepResult::Continue, walk.Step());
    EXPECT_EQ(5, position.value);
    // COM6..COM40 do not open: the step runs to the end and wraps without probing.
    EXPECT_EQ(SeekStepResult::Continue, walk.Step());
    EXPECT_EQ(0, position.value);
    EXPECT_EQ(SeekStepResult::Continue, walk.Step());
    EXPECT_EQ(2, position.value);
    EXPECT_EQ(0, getParameters);

    answering = 5;
    EXPECT_EQ(SeekStepResult::Found, walk.Step());
    EXPECT_EQ(5, walk.FoundPort());
    EXPECT_TRUE(port.IsOpen());                    // the successful probe's port stays open
    EXPECT_EQ(SeekStepResult::Busy, walk.Step());  // a late tick after the end
    EXPECT_THAT(trace.lines, ElementsAre("Try to connect COM2\n.", "Try to connect COM5\n.",
                                         "Try to connect COM2\n.", "Try to connect COM5\n."));
    EXPECT_EQ(4, statusReads);
    EXPECT_EQ(1, getParameters);
}

TEST_F(SeekWalk, BatteryFailedStopsBeforeTheStatusRead) {
    PlaceSilent(3);
    batteryFailed = true;
    answering = 3;
    CSeekWalk walk(port, trace, position, Actions());
    EXPECT_EQ(SeekStepResult::Stopped, walk.Step());
    EXPECT_EQ(0, statusReads);
    EXPECT_EQ(2, position.value);  // not advanced past the port it stopped on
    EXPECT_EQ(SeekStepResult::Busy, walk.Step());
}

TEST_F(SeekWalk, StepDuringAProbeDoesNothing) {
    PlaceSilent(2);
    PlaceSilent(4);
    CSeekWalk walk(port, trace, position, Actions());
    std::vector<SeekStepResult> nested;
    std::vector<int> positionsSeen;
    duringRead = [&] {
        // The battery-fail dialog's loop lets a timer tick through in the middle of the read.
        nested.push_back(walk.Step());
        positionsSeen.push_back(position.value);
    };
    EXPECT_EQ(SeekStepResult::Continue, walk.Step());
    EXPECT_EQ(SeekStepResult::Continue, walk.Step());
    EXPECT_THAT(nested, ElementsAre(SeekStepResult::Busy, SeekStepResult::Busy));
    EXPECT_THAT(positionsSeen, ElementsAre(1, 3));  // untouched by the nested ticks
    EXPECT_EQ(4, position.value);
    EXPECT_THAT(trace.lines, ElementsAre("Try to connect COM2\n.", "Try to connect COM4\n."));
}

// The seek dialog's icons take turns while no port opens, the dim one first.
TEST_F(PortBench, SeekDialogIconsTakeTurns) {
    CMainApp app;
    uitest::RecordingWindow window;
    SystemWallClock wall;
    CControllerCommands commands{app, port, ProcessTickClock(), trace, wall, window};
    CSeekPosition position;
    CSeekDialogModel seek(commands, port, position, nullptr, nullptr);
    std::string shown;
    for (int tick = 0; tick < 3; ++tick) {
        EXPECT_EQ(SeekStepResult::Continue, seek.Tick());
        shown += seek.BrightIconShown() ? 'B' : 'd';
    }
    EXPECT_EQ("dBd", shown);
}

}  // namespace
}  // namespace zelt::testing

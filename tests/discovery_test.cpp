// Port enumeration, Auto Detect and the seek walk against pseudo-terminals: silent ports
// that nobody answers and simulated controllers, placed in a private port folder.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "kvrn/Sim.h"
#include "link/Discovery.h"

namespace zelt {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// A host that records what the link asks of the window.
class RecordingHost final : public ILinkHost {
  public:
    struct Message {
        std::string text, caption;
        MessageIcon icon;
    };
    void ShowMessage(const std::string& text, const std::string& caption,
                     MessageIcon icon) override {
        messages.push_back({text, caption, icon});
    }
    void RequestQuit(int) override {}
    void ExitNow(int) override {}
    BatteryFailChoice AskBatteryFail(const BatteryFailTexts&) override {
        return BatteryFailChoice::Retry;
    }
    void Post(Notification) override {}
    void DisplayChanged(Display, const std::string&) override {}
    void LightingTimeVisible(bool) override {}
    void BatteryCaptionChanged(const std::string&) override {}
    void FirmwarePaneChanged(const std::string&) override {}
    void SerialPaneChanged(const std::string&) override {}
    void TitleChanged(const std::string&) override {}
    void BeginWaitCursor() override { ++waitCursorDepth; }
    void EndWaitCursor() override { --waitCursorDepth; }
    void CommitAllFields() override {}
    void CommitClockFields() override {}
    void CollectIntoRecord() override {}
    void RefreshFromRecord() override {}
    void InvalidateAllControls() override {}

    std::vector<Message> messages;
    int waitCursorDepth = 0;
};

// A terminal that exists but where nothing answers.
class SilentTerminal {
  public:
    SilentTerminal() {
        int slave = -1;
        char name[256] = {};
        if (openpty(&master_, &slave, name, nullptr, nullptr) == 0) {
            close(slave);
            path_ = name;
        }
    }
    ~SilentTerminal() {
        if (master_ >= 0) {
            close(master_);
        }
    }
    SilentTerminal(const SilentTerminal&) = delete;
    SilentTerminal& operator=(const SilentTerminal&) = delete;
    const std::string& Path() const { return path_; }

  private:
    int master_ = -1;
    std::string path_;
};

// A private port folder with silent terminals and simulated controllers in it.
class PortBench : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/zelt-discovery-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        dir_ = pattern;
        const char* old = std::getenv("ZELT_PORT_DIR");
        hadOldDir_ = old != nullptr;
        oldDir_ = old != nullptr ? old : "";
        setenv("ZELT_PORT_DIR", dir_.c_str(), 1);
        app.commMode = kCommModeRs232;
        app.rs485Id = 250;
    }
    void TearDown() override {
        port.Close();
        sims_.clear();
        silent_.clear();
        if (hadOldDir_) {
            setenv("ZELT_PORT_DIR", oldDir_.c_str(), 1);
        } else {
            unsetenv("ZELT_PORT_DIR");
        }
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    void PlaceSilent(int com) {
        silent_.push_back(std::make_unique<SilentTerminal>());
        ASSERT_FALSE(silent_.back()->Path().empty());
        fs::create_symlink(silent_.back()->Path(), dir_ + "/COM" + std::to_string(com));
    }
    kvrn::SimServer& PlaceSim(int com, kvrn::SimOptions options = {}) {
        sims_.push_back(std::make_unique<kvrn::SimServer>(options));
        std::string error;
        EXPECT_TRUE(sims_.back()->Start(&error)) << error;
        EXPECT_TRUE(sims_.back()->PlaceAt(dir_, com, &error)) << error;
        return *sims_.back();
    }

    DiscoveryLink Link() { return DiscoveryLink{app, port, ProcessTickClock(), trace, host}; }

    // Trace lines that start with prefix.
    std::vector<std::string> LinesStartingWith(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& line : trace.lines) {
            if (line.rfind(prefix, 0) == 0) {
                out.push_back(line);
            }
        }
        return out;
    }

    CMainApp app;
    CComPort port;
    CaptureTraceSink trace;
    RecordingHost host;

  private:
    std::string dir_;
    std::string oldDir_;
    bool hadOldDir_ = false;
    std::vector<std::unique_ptr<SilentTerminal>> silent_;
    std::vector<std::unique_ptr<kvrn::SimServer>> sims_;
};

// ---------------------------------------------------------------------------------------
// Port enumeration

using PortTable = PortBench;

TEST_F(PortTable, ListsOnlyThePortsThatOpenInAscendingOrder) {
    PlaceSilent(10);
    PlaceSilent(1);
    PlaceSilent(3);
    ASSERT_EQ(1, port.Open(3, 19200));  // enumeration starts by closing the port

    CPortTable table;
    table.Enumerate(port);

    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(10, table.highestPort);
    EXPECT_THAT(table.ExistingPorts(), ElementsAre(1, 3, 10));
    EXPECT_EQ(3, table.available[2]);
    EXPECT_EQ(CPortTable::kNoPort, table.available[1]);
    EXPECT_EQ(CPortTable::kNoPort, table.available[39]);
    EXPECT_EQ(10, table.PortAtListIndex(2));  // the third list entry is COM10
    EXPECT_EQ(0, table.PortAtListIndex(3));
    EXPECT_EQ(0, table.PortAtListIndex(-1));
}

TEST_F(PortTable, NoPortGivesAnEmptyListAndDetectFailsAtOnce) {
    CPortTable table;
    table.Enumerate(port);
    EXPECT_EQ(0, table.highestPort);
    EXPECT_TRUE(table.ExistingPorts().empty());

    CAutoDetect detect(Link());
    int getParameters = 0;
    const long start = ProcessTickClock().Now();
    EXPECT_EQ(0, detect.Run(table, [&] { ++getParameters; }));
    EXPECT_LT(ProcessTickClock().Now() - start, 50);
    ASSERT_EQ(1u, host.messages.size());
    EXPECT_EQ("Failed to detect.\nCan not found Controller.", host.messages[0].text);
    EXPECT_EQ("Detect Fail", host.messages[0].caption);
    EXPECT_EQ(0, getParameters);
    EXPECT_TRUE(trace.lines.empty());
}

// ---------------------------------------------------------------------------------------
// Auto Detect, RS232

using AutoDetect = PortBench;

TEST_F(AutoDetect, Rs232SkipsSilentPortsAndWrongRepliesThenReadsTheId) {
    PlaceSilent(2);
    kvrn::SimOptions wrong;
    wrong.fault = kvrn::Fault::WrongLeader;
    PlaceSim(4, wrong);
    kvrn::SimOptions good;
    good.deviceId = 0x3C;
    PlaceSim(7, good);
    PlaceSilent(9);  // after the controller: never probed

    CPortTable table;
    table.Enumerate(port);
    ASSERT_THAT(table.ExistingPorts(), ElementsAre(2, 4, 7, 9));

    CAutoDetect detect(Link());
    int getParameters = 0;
    bool portOpenDuringGet = false;
    EXPECT_EQ(7, detect.Run(table, [&] {
        ++getParameters;
        portOpenDuringGet = port.IsOpen();
    }));

    EXPECT_EQ(0x3C, app.rs485Id);
    EXPECT_EQ(7, detect.FoundPort());
    EXPECT_EQ(1, getParameters);
    EXPECT_TRUE(portOpenDuringGet);
    EXPECT_TRUE(port.IsOpen());  // stays open on the controller's port
    EXPECT_EQ(0, host.waitCursorDepth);
    ASSERT_EQ(1u, host.messages.size());
    EXPECT_EQ("Controller is found at COM7.", host.messages[0].text);
    EXPECT_EQ("Detect OK", host.messages[0].caption);
    EXPECT_EQ(MessageIcon::Information, host.messages[0].icon);

    const auto timeouts = LinesStartingWith("Auto Detect COM2 Time Out=");
    ASSERT_EQ(1u, timeouts.size());
    const int ticks =
        std::atoi(timeouts[0].c_str() + std::string("Auto Detect COM2 Time Out=").size());
    EXPECT_GE(ticks, 91);
    EXPECT_LE(ticks, 120);
    EXPECT_THAT(timeouts[0], ::testing::EndsWith(" ticks!\n"));
    const auto fails = LinesStartingWith("Auto Detect COM4 Fail, KVRN->PC:");
    ASSERT_EQ(1u, fails.size());
    EXPECT_THAT(fails[0], ::testing::EndsWith("\n"));
    EXPECT_TRUE(LinesStartingWith("Auto Detect COM7").empty());
    EXPECT_TRUE(LinesStartingWith("Auto Detect COM9").empty());
}

TEST_F(AutoDetect, NothingFoundKeepsTheIdAndClosesThePortInChinese) {
    PlaceSilent(1);
    kvrn::SimOptions wrong;
    wrong.fault = kvrn::Fault::WrongLeader;
    PlaceSim(2, wrong);
    app.english = 0;
    app.rs485Id = 42;

    CPortTable table;
    table.Enumerate(port);
    CAutoDetect detect(Link());
    int getParameters = 0;
    EXPECT_EQ(0, detect.Run(table, [&] { ++getParameters; }));

    EXPECT_EQ(0, getParameters);
    EXPECT_EQ(42, app.rs485Id);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(0, host.waitCursorDepth);
    ASSERT_EQ(1u, host.messages.size());
    EXPECT_EQ("偵測失敗.\n找不到控制器.", host.messages[0].text);
    EXPECT_EQ("偵測失敗", host.messages[0].caption);
    EXPECT_EQ(MessageIcon::Stop, host.messages[0].icon);
    EXPECT_EQ(1u, LinesStartingWith("Auto Detect COM1 Time Out=").size());
    EXPECT_EQ(1u, LinesStartingWith("Auto Detect COM2 Fail, KVRN->PC:").size());
}

TEST_F(AutoDetect, PortThatVanishedAfterEnumerationIsSkipped) {
    PlaceSilent(5);
    PlaceSim(6);
    CPortTable table;
    table.Enumerate(port);
    table.available[4] = 5;  // keep COM5 listed, then take the device away
    std::filesystem::remove(std::getenv("ZELT_PORT_DIR") + std::string("/COM5"));

    CAutoDetect detect(Link());
    const long start = ProcessTickClock().Now();
    EXPECT_EQ(6, detect.Run(table));
    EXPECT_LT(ProcessTickClock().Now() - start, 90);  // no probe time-out on COM5
    EXPECT_TRUE(LinesStartingWith("Auto Detect COM5").empty());
}

// ---------------------------------------------------------------------------------------
// Auto Detect, RS485

TEST_F(AutoDetect, Rs485TriesTheCurrentIdFirstThen250Downwards) {
    kvrn::SimOptions options;
    options.deviceId = 249;
    PlaceSim(3, options);
    app.commMode = kCommModeRs485;
    app.rs485Id = 17;

    CPortTable table;
    table.Enumerate(port);
    CAutoDetect detect(Link());
    int getParameters = 0;
    EXPECT_EQ(3, detect.Run(table, [&] { ++getParameters; }));

    EXPECT_EQ(249, app.rs485Id);
    EXPECT_EQ(249, detect.FoundId());
    EXPECT_EQ(1, getParameters);
    ASSERT_EQ(1u, host.messages.size());
    EXPECT_EQ("Controller is found at COM3, RS485 ID = 249.", host.messages[0].text);
    EXPECT_EQ("Detect OK", host.messages[0].caption);
    const auto timeouts = LinesStartingWith("Auto Detect COM3 RS485 ID");
    ASSERT_EQ(2u, timeouts.size());
    EXPECT_THAT(timeouts[0], StartsWith("Auto Detect COM3 RS485 ID17 Time Out="));
    EXPECT_THAT(timeouts[1], StartsWith("Auto Detect COM3 RS485 ID250 Time Out="));
}

TEST_F(AutoDetect, Rs485WalksDownToIdOneInChinese) {
    kvrn::SimOptions options;
    options.deviceId = 1;
    PlaceSim(3, options);
    app.commMode = kCommModeRs485;
    app.rs485Id = 250;
    app.english = 0;

    CPortTable table;
    table.Enumerate(port);
    CAutoDetect detect(Link());
    const long start = ProcessTickClock().Now();
    EXPECT_EQ(3, detect.Run(table));
    const long elapsed = ProcessTickClock().Now() - start;

    EXPECT_EQ(1, app.rs485Id);
    ASSERT_EQ(1u, host.messages.size());
    EXPECT_EQ("發現控制器於 COM3, RS485 ID = 1.", host.messages[0].text);
    EXPECT_EQ("偵測成功", host.messages[0].caption);
    // 250 (the current ID), then 250 down to 2: every one timed out, in that order.
    const auto timeouts = LinesStartingWith("Auto Detect COM3 RS485 ID");
    ASSERT_EQ(250u, timeouts.size());
    EXPECT_THAT(timeouts.front(), StartsWith("Auto Detect COM3 RS485 ID250 Time Out="));
    EXPECT_THAT(timeouts[1], StartsWith("Auto Detect COM3 RS485 ID250 Time Out="));
    EXPECT_THAT(timeouts[2], StartsWith("Auto Detect COM3 RS485 ID249 Time Out="));
    EXPECT_THAT(timeouts.back(), StartsWith("Auto Detect COM3 RS485 ID2 Time Out="));
    // Each ID costs its 25 ms pause and a 90-tick wait, not more.
    EXPECT_GE(elapsed, 250 * (25 + 90));
    EXPECT_LE(elapsed, 250 * (25 + 90 + 15));
}

// ---------------------------------------------------------------------------------------
// The seek walk

class SeekWalk : public PortBench {
  protected:
    // A status read that answers on the given port only, and counts its calls.
    SeekActions Actions(int answeringPort) {
        SeekActions actions;
        actions.statusRead = [this, answeringPort] {
            ++statusReads;
            return openedAtRead() == answeringPort ? 1 : 0;
        };
        actions.getParameters = [this] { ++getParameters; };
        actions.batteryFailed = [this] { return batteryFailed; };
        return actions;
    }
    // Which COM port the walk's status read runs on, from the trace line before it.
    int openedAtRead() const {
        const std::string& last = trace.lines.back();
        return std::atoi(last.c_str() + std::string("Try to connect COM").size());
    }

    int statusReads = 0;
    int getParameters = 0;
    bool batteryFailed = false;
};

TEST_F(SeekWalk, ProbesOneOpenPortPerStepAndWrapsToComOne) {
    PlaceSilent(2);
    PlaceSilent(5);
    CSeekPosition position;
    CSeekWalk walk(port, trace, position, Actions(0));

    EXPECT_EQ(SeekStepResult::Continue, walk.Step());
    EXPECT_EQ(2, position.value);  // COM1 skipped at once, COM2 probed
    EXPECT_THAT(trace.lines, ElementsAre("Try to connect COM2\n."));

    EXPECT_EQ(SeekStepResult::Continue, walk.Step());
    EXPECT_EQ(5, position.value);

    // COM6..COM40 do not open: the step runs to the end and wraps without probing.
    EXPECT_EQ(SeekStepResult::Continue, walk.Step());
    EXPECT_EQ(0, position.value);
    EXPECT_EQ(2, statusReads);

    EXPECT_EQ(SeekStepResult::Continue, walk.Step());
    EXPECT_EQ(2, position.value);
    EXPECT_THAT(trace.lines, ElementsAre("Try to connect COM2\n.", "Try to connect COM5\n.",
                                         "Try to connect COM2\n."));
    EXPECT_EQ(0, getParameters);
    EXPECT_FALSE(walk.Ended());
}

TEST_F(SeekWalk, FindsTheControllerRunsGetParametersOnceAndEnds) {
    PlaceSilent(2);
    PlaceSilent(5);
    CSeekPosition position;
    position.value = 3;  // the position outlives a walk: start where an earlier one left off
    CSeekWalk walk(port, trace, position, Actions(5));

    EXPECT_EQ(SeekStepResult::Found, walk.Step());
    EXPECT_EQ(5, walk.FoundPort());
    EXPECT_EQ(1, getParameters);
    EXPECT_TRUE(port.IsOpen());  // the successful probe's port stays open
    EXPECT_TRUE(walk.Ended());

    EXPECT_EQ(SeekStepResult::Busy, walk.Step());  // a late tick after the end
    EXPECT_EQ(1, statusReads);
    EXPECT_EQ(1, getParameters);
}

TEST_F(SeekWalk, StepDuringAProbeDoesNothing) {
    PlaceSilent(2);
    PlaceSilent(4);
    CSeekPosition position;
    CSeekWalk* self = nullptr;
    std::vector<SeekStepResult> nested;
    std::vector<int> positionsSeen;
    SeekActions actions;
    actions.statusRead = [&] {
        // The battery-fail dialog's loop lets a timer tick through in the middle of the read.
        nested.push_back(self->Step());
        positionsSeen.push_back(position.value);
        return 0;
    };
    actions.batteryFailed = [] { return false; };
    CSeekWalk walk(port, trace, position, actions);
    self = &walk;

    EXPECT_EQ(SeekStepResult::Continue, walk.Step());
    EXPECT_EQ(SeekStepResult::Continue, walk.Step());
    EXPECT_THAT(nested, ElementsAre(SeekStepResult::Busy, SeekStepResult::Busy));
    EXPECT_THAT(positionsSeen, ElementsAre(1, 3));  // untouched by the nested ticks
    EXPECT_EQ(4, position.value);
    EXPECT_THAT(trace.lines, ElementsAre("Try to connect COM2\n.", "Try to connect COM4\n."));
}

TEST_F(SeekWalk, BatteryFailedStopsBeforeTheStatusRead) {
    PlaceSilent(3);
    CSeekPosition position;
    batteryFailed = true;
    CSeekWalk walk(port, trace, position, Actions(3));

    EXPECT_EQ(SeekStepResult::Stopped, walk.Step());
    EXPECT_EQ(0, statusReads);
    EXPECT_EQ(0, walk.FoundPort());
    EXPECT_EQ(2, position.value);  // not advanced past the port it stopped on
    EXPECT_THAT(trace.lines, ElementsAre("Try to connect COM3\n."));
    EXPECT_EQ(SeekStepResult::Busy, walk.Step());
}

TEST_F(SeekWalk, NoPortAtAllCyclesWithoutProbing) {
    CSeekPosition position;
    position.value = 39;
    CSeekWalk walk(port, trace, position, Actions(1));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(SeekStepResult::Continue, walk.Step());
        EXPECT_EQ(0, position.value);
    }
    EXPECT_EQ(0, statusReads);
    EXPECT_TRUE(trace.lines.empty());
}

}  // namespace
}  // namespace zelt

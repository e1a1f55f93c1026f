// Read-all and write-all end to end: the real COM port on a pseudo-terminal served by the
// simulated controller, in real time. Each full sequence takes a second or more, so the cases
// here are few; the finer cases run on the scripted line (sequences_test.cpp).

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

#include "kvrn/Sim.h"
#include "link/ComPort.h"
#include "link/Sequences.h"
#include "support/RecordingHost.h"

namespace zelt::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kCom = 7;

// A private port folder that ZELT_PORT_DIR names while the test runs.
class PortFolder {
  public:
    PortFolder() {
        dir_ = fs::temp_directory_path() /
               ("zelt-seq-sim-" + std::to_string(getpid()) + "-" + std::to_string(counter_++));
        fs::create_directories(dir_);
        if (const char* old = getenv("ZELT_PORT_DIR")) {
            saved_ = old;
        }
        setenv("ZELT_PORT_DIR", dir_.c_str(), 1);
    }
    ~PortFolder() {
        if (saved_) {
            setenv("ZELT_PORT_DIR", saved_->c_str(), 1);
        } else {
            unsetenv("ZELT_PORT_DIR");
        }
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    std::string Path() const { return dir_.string(); }

  private:
    static inline int counter_ = 0;
    fs::path dir_;
    std::optional<std::string> saved_;
};

// A simulated controller on COM7 and the controller object on the real port.
class SimLink {
  public:
    explicit SimLink(uint16_t mode, kvrn::SimOptions options = {}) : sim_(options) {
        app.commMode = mode;
        app.rs485Id = 250;
        std::string error;
        started = sim_.Start(&error) && sim_.PlaceAt(ports_.Path(), kCom, &error) &&
                  port.Open(kCom, 19200) == 1;
        if (!started) {
            ADD_FAILURE() << "simulator: " << error;
        }
    }
    void StopSimulator() { sim_.Stop(); }
    kvrn::SimServer& Sim() { return sim_; }

    PortFolder ports_;
    CMainApp app;
    CComPort port;
    NullTraceSink trace;
    RecordingHost host;
    SystemWallClock wall;
    CControllerLink link{app, port, ProcessTickClock(), trace, host, wall};
    bool started = false;

  private:
    kvrn::SimServer sim_;
};

std::string Messages(const RecordingHost& host) {
    std::string all;
    for (const auto& m : host.messages) {
        all += m.caption + ": " + m.text + "\n";
    }
    return all;
}

class SequencesSim : public ::testing::TestWithParam<uint16_t> {};

INSTANTIATE_TEST_SUITE_P(Modes, SequencesSim, ::testing::Values(kCommModeRs232, kCommModeRs485),
                         [](const auto& info) { return info.param == 232 ? "RS232" : "RS485"; });

TEST_P(SequencesSim, WriteAllThenReadAllGivesBackTheRecord) {
    SimLink s(GetParam());
    ASSERT_TRUE(s.started);
    CCfgDocument& r = s.app.config;
    r.sectors = {{360, 1080, 100}, {1140, 1260, 50}};
    r.sectorCount = 2;
    r.lvrVoltage = 12.8f;
    r.fcvVoltage = 13.9f;
    r.tempCompensation = 30;
    r.maxVout = 13.5f;
    r.minVout = 9.5f;
    r.autoDuration = {15, 30, 45, 60, 75, 90, 105, 120};
    r.autoBrightness = {100, 80, 60, 40, 20, 0, 10, 100};
    s.app.savedToController = 0;
    ASSERT_EQ(WriteAllParameters(s.link), 1) << Messages(s.host);
    EXPECT_EQ(s.app.savedToController, 1u);
    const CCfgDocument written = r;

    r = CCfgDocument{};
    s.app.savedToController = 0;
    ASSERT_EQ(ReadAllParameters(s.link), 1) << Messages(s.host);
    EXPECT_TRUE(s.host.messages.empty());
    EXPECT_EQ(s.app.savedToController, 1u);
    const double count = s.link.voltsPerCount;
    EXPECT_NEAR(r.lvrVoltage, written.lvrVoltage, count);
    EXPECT_NEAR(r.fcvVoltage, written.fcvVoltage, count);
    EXPECT_EQ(r.tempCompensation, written.tempCompensation);
    EXPECT_FLOAT_EQ(r.maxVout, written.maxVout);
    EXPECT_FLOAT_EQ(r.minVout, written.minVout);
    EXPECT_EQ(r.autoDuration, written.autoDuration);
    EXPECT_EQ(r.autoBrightness, written.autoBrightness);
    ASSERT_GE(r.sectors.size(), 2u);
    EXPECT_EQ(r.sectors[0], written.sectors[0]);
    EXPECT_EQ(r.sectors[1], written.sectors[1]);
    EXPECT_EQ(r.dtTime, 60);
    EXPECT_EQ(s.app.vendorId, 1);
    EXPECT_EQ(s.app.systemVoltage, 12);
}

TEST(SequencesSimStopped, ReadAllListsEveryItemAndWriteAllWritesNothing) {
    SimLink s(kCommModeRs232);
    ASSERT_TRUE(s.started);
    s.StopSimulator();
    const CCfgDocument shown = s.app.config;
    s.app.savedToController = 0;
    EXPECT_EQ(ReadAllParameters(s.link), 0);
    ASSERT_EQ(s.host.messages.size(), 1u);
    std::string expected =
        "Failed to get parameters, list them as follow:  \n"
        "\nF/W Version/VID/PID Fail !\nVoltage for Load Fail !";
    for (int i = 1; i <= 8; ++i) {
        expected += "\nSchedule " + std::to_string(i) + " Fail !";
    }
    for (int i = 1; i <= 8; ++i) {
        expected += "\nDuration " + std::to_string(i) + " Fail !";
    }
    expected +=
        "\nFCV/ACV/Temp Comp Fail !\nRTC Fail !\nOperating Mode Fail !"
        "\nLVD/LVR & PV On/Off Voltage Fail !\nPWM Flag Fail !\nSN Fail !";
    EXPECT_EQ(s.host.messages[0].text, expected);
    EXPECT_EQ(s.app.config, shown);
    EXPECT_EQ(s.app.savedToController, 0u);

    s.host.messages.clear();
    EXPECT_EQ(WriteAllParameters(s.link), 0);
    ASSERT_EQ(s.host.messages.size(), 1u);
    EXPECT_EQ(s.host.messages[0].text, "Operation fault ! Please check power & connection.");
    EXPECT_EQ(s.app.savedToController, 0u);
}

TEST(SequencesSimLate, LateReplyIsDrainedByTheNextTransaction) {
    SimLink s(kCommModeRs485);
    ASSERT_TRUE(s.started);
    s.Sim().SetFault(kvrn::Fault::LateReply, 1.0);
    EXPECT_EQ(s.link.GetVoltForLoad(), 0);
    s.Sim().SetFault(kvrn::Fault::None, 0.0);
    SleepMs(400);  // the late reply is queued by now
    ASSERT_EQ(s.link.GetFcvAcvOchtTc(), 1);
    // Decoded from its own reply, not from the stale one still queued before it.
    const auto fcv = s.Sim().Registers(0x66, 2);
    const int count = fcv[0] * 4 + (fcv[1] >> 6);
    EXPECT_FLOAT_EQ(s.app.config.fcvVoltage, static_cast<float>(count * s.link.voltsPerCount));
    EXPECT_EQ(s.link.GetVoltForLoad(), 1);
}

}  // namespace
}  // namespace zelt::testing

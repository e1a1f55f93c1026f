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
struct PortFolder {
    PortFolder()
        : dir(fs::temp_directory_path() /
              ("zelt-seq-sim-" + std::to_string(getpid()) + "-" + std::to_string(counter++))) {
        fs::create_directories(dir);
        if (const char* old = getenv("ZELT_PORT_DIR")) {
            saved = old;
        }
        setenv("ZELT_PORT_DIR", dir.c_str(), 1);
    }
    ~PortFolder() {
        saved ? setenv("ZELT_PORT_DIR", saved->c_str(), 1) : unsetenv("ZELT_PORT_DIR");
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    static inline int counter = 0;
    fs::path dir;
    std::optional<std::string> saved;
};

// A simulated controller on COM7 and the controller object on the real port.
struct SimLink {
    explicit SimLink(uint16_t mode) {
        app.commMode = mode;
        app.rs485Id = 250;
        std::string error;
        started = sim.Start(&error) && sim.PlaceAt(ports.dir.string(), kCom, &error) &&
                  port.Open(kCom, 19200) == 1;
        if (!started) {
            ADD_FAILURE() << "simulator: " << error;
        }
    }
    PortFolder ports;
    CMainApp app;
    CComPort port;
    NullTraceSink trace;
    RecordingHost host;
    SystemWallClock wall;
    CControllerLink link{app, port, ProcessTickClock(), trace, host, wall};
    bool started = false;
    kvrn::SimServer sim;
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
    r.sectors = {{360, 1080, 100}, {1140, 1260, 50}};  // 06:00-18:00, 19:00-21:00
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
    const CCfgDocument written = r;

    r = CCfgDocument{};
    ASSERT_EQ(ReadAllParameters(s.link), 1) << Messages(s.host);
    EXPECT_EQ(s.app.savedToController, 1u);
    EXPECT_NEAR(r.lvrVoltage, written.lvrVoltage, s.link.voltsPerCount);
    EXPECT_NEAR(r.fcvVoltage, written.fcvVoltage, s.link.voltsPerCount);
    EXPECT_EQ(r.tempCompensation, written.tempCompensation);
    EXPECT_FLOAT_EQ(r.maxVout, written.maxVout);
    EXPECT_FLOAT_EQ(r.minVout, written.minVout);
    EXPECT_EQ(r.autoDuration, written.autoDuration);
    EXPECT_EQ(r.autoBrightness, written.autoBrightness);
    ASSERT_GE(r.sectors.size(), 2u);
    EXPECT_EQ(std::vector(r.sectors.begin(), r.sectors.begin() + 2), written.sectors);
}

TEST(SequencesSimStopped, ReadAllListsEveryItemAndWriteAllWritesNothing) {
    SimLink s(kCommModeRs232);
    ASSERT_TRUE(s.started);
    s.sim.Stop();
    const CCfgDocument shown = s.app.config;
    s.app.savedToController = 0;
    EXPECT_EQ(ReadAllParameters(s.link), 0);
    std::string expected =
        "Failed to get parameters, list them as follow:  \n"
        "\nF/W Version/VID/PID Fail !\nVoltage for Load Fail !";
    for (const char* item : {"\nSchedule ", "\nDuration "}) {
        for (int i = 1; i <= 8; ++i) {
            expected += item + std::to_string(i) + " Fail !";
        }
    }
    expected +=
        "\nFCV/ACV/Temp Comp Fail !\nRTC Fail !\nOperating Mode Fail !"
        "\nLVD/LVR & PV On/Off Voltage Fail !\nPWM Flag Fail !\nSN Fail !";
    EXPECT_EQ(Messages(s.host), "Error: " + expected + "\n");

    s.host.messages.clear();
    EXPECT_EQ(WriteAllParameters(s.link), 0);
    EXPECT_EQ(Messages(s.host), "Error: Operation fault ! Please check power & connection.\n");
    EXPECT_EQ(s.app.config, shown);
    EXPECT_EQ(s.app.savedToController, 0u);
}

TEST(SequencesSimLate, LateReplyIsDrainedByTheNextTransaction) {
    SimLink s(kCommModeRs485);
    ASSERT_TRUE(s.started);
    s.sim.SetFault(kvrn::Fault::LateReply, 1.0);
    EXPECT_EQ(s.link.GetVoltForLoad(), 0);
    s.sim.SetFault(kvrn::Fault::None, 0.0);
    SleepMs(400);  // the late reply is queued by now
    ASSERT_EQ(s.link.GetFcvAcvOchtTc(), 1);
    // Decoded from its own reply, not from the stale one still queued before it.
    const auto fcv = s.sim.Registers(0x66, 2);
    const int count = fcv[0] * 4 + (fcv[1] >> 6);
    EXPECT_FLOAT_EQ(s.app.config.fcvVoltage, static_cast<float>(count * s.link.voltsPerCount));
    EXPECT_EQ(s.link.GetVoltForLoad(), 1);
}

}  // namespace
}  // namespace zelt::testing

// The simulated controller: its protocol brain fed with bytes and a time, the server on a
// pseudo-terminal with a plain termios client, and the kvrn-sim executable.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "kvrn/FaultPlan.h"
#include "kvrn/Sim.h"
#include "kvrn/SimController.h"

namespace kvrn {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Steady = std::chrono::steady_clock;

constexpr int64_t kStartMs = 5'000'000;
constexpr int64_t kHourMs = 3'600'000;

Bytes B(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

std::string S(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// An RS485 frame with its additive checksum (bytes after the ID, modulo 256).
Bytes Frame(Bytes bytes) {
    unsigned sum = 0;
    for (size_t i = 1; i < bytes.size(); ++i)
        sum += bytes[i];
    bytes.push_back(static_cast<uint8_t>(sum & 0xFF));
    return bytes;
}

// Count of an RS232 voltage reply "Rdddd": the first three digits over 4.
int AsciiCount(const std::string& reply) {
    return std::stoi(reply.substr(1, 3), nullptr, 16) / 4;
}

// A voltage word of a count as four hex digits.
std::string HexWord(int count) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", count << 6);
    return text;
}

// The brain with its clock at a chosen time of day; requests are fed a few ms apart.
class Brain {
  public:
    explicit Brain(SimOptions options = {}, int64_t msOfDay = 12 * kHourMs)
        : controller(options, kStartMs, msOfDay) {}

    // Sends one request in one piece and returns every reply it caused, joined.
    Bytes Ask(const Bytes& request) {
        now += 30;  // past any idle gap
        Bytes replies;
        for (const Exchange& exchange : controller.Feed(request.data(), request.size(), now))
            replies.insert(replies.end(), exchange.reply.begin(), exchange.reply.end());
        return replies;
    }
    std::string Ask(const std::string& request) { return S(Ask(B(request))); }
    void Wait(int64_t ms) { now += ms; }

    int64_t now = kStartMs;
    SimController controller;
};

SimOptions With(void (*edit)(SimOptions&)) {
    SimOptions options;
    edit(options);
    return options;
}

TEST(SimBrainTest, Rs232ReadsOfTheFactoryImage) {
    Brain brain;
    EXPECT_EQ(brain.Ask("G7803\r"), "R785000\r");  // 12.0 V and 8.0 V
    EXPECT_EQ(brain.Ask("G7B05\r"), "R0003010512\r");
    EXPECT_EQ(brain.Ask("G8007\r"), "R12240315000742\r");
    EXPECT_EQ(brain.Ask("G7701\r"), "RFA\r");
    EXPECT_EQ(brain.Ask("G5802\r"), "R0001\r");  // PWM disabled
    // Slot 0: in use, 18:00 to 23:00, full scale; slot 2 unused.
    EXPECT_EQ(brain.Ask("G0007\r"), "R0112001700FFF0\r");
    EXPECT_EQ(brain.Ask("G0E07\r"), "R00000000000000\r");
    // Slot 1 at 50 %: 10.0 V between the 8 V and 12 V limits.
    const std::string slot1 = brain.Ask("G0707\r");
    ASSERT_EQ(slot1.size(), 16u);
    EXPECT_EQ(slot1.substr(0, 11), "R0117000500");
    EXPECT_NEAR(AsciiCount("R" + slot1.substr(11, 4)) * 24.5 / 1024, 10.0, 0.025);

    const std::string lvd = brain.Ask("G5D09\r");
    ASSERT_EQ(lvd.size(), 20u);
    EXPECT_NEAR(AsciiCount("R" + lvd.substr(9, 4)) * 24.5 / 1024, 11.1, 0.025);   // LVD
    EXPECT_NEAR(AsciiCount("R" + lvd.substr(13, 4)) * 24.5 / 1024, 12.6, 0.025);  // LVR
    EXPECT_EQ(lvd.substr(17, 3), "3C\r");                                         // DT 60
}

TEST(SimBrainTest, OptionsShapeVersionSerialIdAndLimits) {
    Brain other(With([](SimOptions& o) {
        o.firmware = "4.5";
        o.vendorId = 2;
        o.deviceId = 17;
        o.system24V = true;
        o.serialNumber = "";
    }));
    EXPECT_EQ(other.Ask("G7B05\r"), "R0004020505\r");
    EXPECT_EQ(other.Ask("G8007\r"), "RFFFFFFFFFFFFFF\r");  // never programmed
    EXPECT_EQ(other.Ask("G7701\r"), "R11\r");
    EXPECT_EQ(other.Ask("G7803\r"), "RF0A000\r");  // 24.0 V and 16.0 V
    EXPECT_EQ(other.Ask(Frame({17, 4, 0, 0x7B, 5})), Frame({17, 4, 5, 0, 4, 2, 5, 0x05}));
}

TEST(SimBrainTest, Rs232WritesReadBackAndFactoryDataStays) {
    Brain brain;
    EXPECT_EQ(brain.Ask("S61540064403C\r"), "O\r");
    EXPECT_EQ(brain.Ask("G6105\r"), "R540064403C\r");
    EXPECT_EQ(brain.Ask("S78F0A000\r"), "O\r");
    EXPECT_EQ(brain.Ask("G7803\r"), "RF0A000\r");
    // The version record and serial number are factory data.
    EXPECT_EQ(brain.Ask("S7B0909\r"), "O\r");
    EXPECT_EQ(brain.Ask("G7B02\r"), "R0003\r");
    // Resetting the charge count.
    EXPECT_EQ(brain.Ask("Q8\r"), "R0025\r");
    EXPECT_EQ(brain.Ask("S6C0000\r"), "O\r");
    EXPECT_EQ(brain.Ask("Q8\r"), "R0000\r");
    // The status and live registers ignore writes.
    EXPECT_EQ(brain.Ask(Frame({250, 6, 0x01, 0x04, 0xFF})).size(), 6u);
    EXPECT_EQ(brain.Ask("Q3\r"), "R01\r");
}

TEST(SimBrainTest, Rs485ReadsAndWrites) {
    Brain brain;
    EXPECT_EQ(brain.Ask(Frame({250, 4, 0, 0x78, 3})), Frame({250, 4, 3, 0x78, 0x50, 0x00}));
    // Function 16: reply of ID, function, address, count and checksum.
    EXPECT_EQ(brain.Ask(Frame({250, 16, 0, 0x66, 6, 0x90, 0x40, 0x96, 0x80, 0x3C, 0x04})),
              Frame({250, 16, 0, 0x66, 6}));
    EXPECT_EQ(brain.Ask(Frame({250, 4, 0, 0x66, 6})),
              Frame({250, 4, 6, 0x90, 0x40, 0x96, 0x80, 0x3C, 0x04}));
    // Function 6 writes one byte.
    EXPECT_EQ(brain.Ask(Frame({250, 6, 0, 0x65, 0x1E})), Frame({250, 6, 0, 0x65, 0x1E}));
    EXPECT_EQ(brain.Ask("G6501\r"), "R1E\r");
    // The same registers through both wires.
    EXPECT_EQ(brain.Ask(Frame({250, 16, 0, 0x6C, 2, 0, 0})).size(), 6u);
    EXPECT_EQ(brain.Ask("Q8\r"), "R0000\r");
    // The discovery probe: one byte at 0x0103.
    const Bytes probe = brain.Ask(Frame({250, 4, 0x01, 0x03, 1}));
    ASSERT_EQ(probe.size(), 5u);
    EXPECT_EQ(probe[0], 250);
    EXPECT_EQ(probe[1], 4);
}

TEST(SimBrainTest, TemperatureCompensationCountsDifferPerWire) {
    Brain brain;  // 30 on a 12 V system: byte 6 over RS232 (x5), 3 over RS485 (x10)
    EXPECT_EQ(brain.Ask("G6B01\r"), "R06\r");
    EXPECT_EQ(brain.Ask(Frame({250, 4, 0, 0x6B, 1})), Frame({250, 4, 1, 3}));
    brain.Ask(Frame({250, 6, 0, 0x6B, 4}));  // 40 written over RS485
    EXPECT_EQ(brain.Ask("G6B01\r"), "R08\r");
}

TEST(SimBrainTest, DeviceIdFiltersFramesAndFollowsItsRegister) {
    Brain brain;
    EXPECT_TRUE(brain.Ask(Frame({249, 4, 0, 0x78, 3})).empty());
    EXPECT_TRUE(brain.Ask(Frame({249, 16, 0, 0x65, 1, 9})).empty());
    EXPECT_EQ(brain.Ask("G6501\r"), "R3C\r");  // the other controller's write did not land
    // A frame for another ID followed at once by ours: both are taken apart, ours answered.
    Bytes both = Frame({249, 4, 0, 0x78, 3});
    const Bytes ours = Frame({250, 4, 0, 0x77, 1});
    both.insert(both.end(), ours.begin(), ours.end());
    EXPECT_EQ(brain.Ask(both), Frame({250, 4, 1, 250}));
    // Writing 0x77 moves the controller to the new ID.
    brain.Ask("S7709\r");
    EXPECT_TRUE(brain.Ask(Frame({250, 4, 0, 0x77, 1})).empty());
    EXPECT_EQ(brain.Ask(Frame({9, 4, 0, 0x77, 1})), Frame({9, 4, 1, 9}));
}

TEST(SimBrainTest, MalformedRequestsGetNoReply) {
    Brain brain;
    for (const char* request : {"Q1\r", "Q\r", "G78\r", "G7800\r", "G78031\r", "S78\r", "S7812F\r",
                                "S78GG\r", "T126000\r", "T1200\r", "T2400000\r", "X\r"})
        EXPECT_EQ(brain.Ask(request), "") << request;
    // A frame with a bad checksum is not a frame.
    Bytes bad = Frame({250, 4, 0, 0x78, 3});
    bad.back() ^= 1;
    EXPECT_TRUE(brain.Ask(bad).empty());
    EXPECT_EQ(brain.Ask("Q3\r"), "R01\r");
}

TEST(SimBrainTest, ResynchronisesAfterGarbage) {
    Brain brain;
    // Noise and a half request in front of a whole one, in a single burst.
    EXPECT_EQ(brain.Ask("\x01\xFFR\r\rG12Q3\r"), "R01\r");
    Bytes noisy = {0x00, 0x7F};
    const Bytes status = Frame({250, 4, 1, 4, 1});
    noisy.insert(noisy.end(), status.begin(), status.end());
    EXPECT_EQ(brain.Ask(noisy), Frame({250, 4, 1, 1}));
    // A half frame that claims a long body is forgotten after an idle gap.
    brain.Ask(Bytes{250, 16, 0, 0x10, 200, 1, 2});
    brain.Wait(40);
    EXPECT_EQ(brain.Ask(Frame({250, 4, 0, 0x77, 1})), Frame({250, 4, 1, 250}));
    // Random noise never wedges the parser: after a pause both forms are answered again.
    std::mt19937 noise(7);
    for (int round = 0; round < 50; ++round) {
        Bytes junk(1 + noise() % 40);
        for (uint8_t& byte : junk)
            byte = static_cast<uint8_t>(noise());
        brain.Ask(junk);
        brain.Wait(100);
        ASSERT_EQ(brain.Ask("Q3\r"), "R01\r") << "round " << round;
        brain.Wait(100);
        ASSERT_EQ(brain.Ask(Frame({250, 4, 0, 0x77, 1})), Frame({250, 4, 1, 250}));
    }
}

TEST(SimBrainTest, AsciiBytesArrivingOneByOne) {
    Brain brain;
    std::string reply;
    for (char c : std::string("G7803\r")) {
        brain.Wait(4);  // the utility pauses 3 ms after each byte
        const uint8_t byte = static_cast<uint8_t>(c);
        for (const Exchange& exchange : brain.controller.Feed(&byte, 1, brain.now))
            reply += S(exchange.reply);
    }
    EXPECT_EQ(reply, "R785000\r");
}

TEST(SimBrainTest, StatusBitsFollowOptionsModeAndNight) {
    EXPECT_EQ(Brain().Ask("Q3\r"), "R01\r");                  // noon: schedule mode, load off
    EXPECT_EQ(Brain({}, 20 * kHourMs).Ask("Q3\r"), "R05\r");  // 20:00, inside slot 0
    EXPECT_EQ(Brain(With([](SimOptions& o) { o.system24V = true; })).Ask("Q3\r"), "R41\r");
    EXPECT_EQ(Brain(With([](SimOptions& o) { o.batteryFail = true; })).Ask("Q3\r"), "R09\r");

    Brain brain;
    // "Set Sw/Jp mode": Manual, 8 hours.
    EXPECT_EQ(brain.Ask("S720202000000\r"), "O\r");
    EXPECT_EQ(brain.Ask("Q3\r"), "R22\r");
    EXPECT_EQ(brain.Ask(Frame({250, 4, 0x01, 0x04, 1})), Frame({250, 4, 1, 0x22}));
    // The low-battery block passes over 0x72 without changing the mode.
    brain.Ask("S6E01" + std::string(16, '0') + "\r");
    EXPECT_EQ(brain.Ask("Q3\r"), "R22\r");
}

TEST(SimBrainTest, ClockRunsAndIsSetOverBothWires) {
    Brain brain;
    EXPECT_EQ(brain.Ask("T235958\r"), "O\r");
    EXPECT_EQ(brain.Ask("Q2\r"), "R23:59:58\r");
    brain.Wait(1500);
    EXPECT_EQ(brain.Ask("Q2\r"), "R23:59:59\r");
    brain.Wait(1000);
    EXPECT_EQ(brain.Ask(Frame({250, 4, 0x02, 0x03, 3})), Frame({250, 4, 3, 0x00, 0x00, 0x00}));
    // RS485 write of three packed-BCD bytes.
    EXPECT_EQ(brain.Ask(Frame({250, 16, 0x02, 0x03, 3, 0x10, 0x15, 0x54})).size(), 6u);
    EXPECT_EQ(brain.Ask("Q2\r"), "R10:15:54\r");
    // A byte that is no BCD value leaves the clock alone.
    brain.Ask(Frame({250, 6, 0x02, 0x04, 0x6A}));
    EXPECT_EQ(brain.Ask("Q2\r"), "R10:15:54\r");
}

TEST(SimBrainTest, VoltageScalePerWireAndFirmware) {
    // Firmware 3.x: one scale, so both wires carry the same words.
    Brain v3;
    const int rs485Count3 = [&] {
        const Bytes reply = v3.Ask(Frame({250, 4, 0x01, 0x05, 2}));
        return reply[3] * 4 + (reply[4] >> 6);
    }();
    EXPECT_EQ(AsciiCount(v3.Ask("Q4\r")), rs485Count3);

    // Firmware 4.x reports RS232 words on 35/1024 V a count; the volts agree.
    Brain v4(With([](SimOptions& o) { o.firmware = "4.01"; }));
    const Bytes reply = v4.Ask(Frame({250, 4, 0x01, 0x05, 2}));
    const double rs485Volts = (reply[3] * 4 + (reply[4] >> 6)) * 24.5 / 1024;
    const double rs232Volts = AsciiCount(v4.Ask("Q4\r")) * 35.0 / 1024;
    EXPECT_NEAR(rs232Volts, rs485Volts, 35.0 / 1024);
    EXPECT_GT(rs485Volts, 12.0);

    // A threshold written over RS232 at 35/1024 reads back unchanged there and as the same
    // volts over RS485; full scale stays full scale.
    const int lvdCount = 325;  // 11.11 V
    EXPECT_EQ(v4.Ask("S61" + HexWord(lvdCount) + "\r"), "O\r");
    EXPECT_EQ(v4.Ask("G6102\r"), "R" + HexWord(lvdCount) + "\r");
    const Bytes lvd = v4.Ask(Frame({250, 4, 0, 0x61, 2}));
    EXPECT_NEAR((lvd[3] * 4 + (lvd[4] >> 6)) * 24.5 / 1024, lvdCount * 35.0 / 1024, 0.02);
    EXPECT_EQ(v4.Ask("G3A02\r"), "RFFC0\r");
}

TEST(SimBrainTest, LiveReadingsFollowTheDay) {
    const auto volts = [](const std::string& reply) { return AsciiCount(reply) * 24.5 / 1024; };
    const auto amps = [](const std::string& reply, int divisor) {
        return AsciiCount(reply) * 5000.0 / 1023 / divisor;
    };
    Brain noon;
    EXPECT_GT(volts(noon.Ask("Q6\r")), 17.0);  // panel up
    EXPECT_GT(amps(noon.Ask("Q9\r"), 172), 3.0);
    EXPECT_GT(volts(noon.Ask("Q4\r")), 13.5);
    EXPECT_EQ(noon.Ask("Q7\r"), "R0000\r");  // load off
    EXPECT_EQ(noon.Ask("Q5\r"), "R0000\r");

    Brain night({}, 20 * kHourMs);
    EXPECT_LT(volts(night.Ask("Q6\r")), 1.0);
    EXPECT_EQ(night.Ask("Q9\r"), "R0000\r");
    const double battery = volts(night.Ask("Q4\r"));
    EXPECT_GT(battery, 12.0);
    EXPECT_LT(battery, 13.2);
    const double fullLoad = volts(night.Ask("Q7\r"));
    EXPECT_GT(fullLoad, 11.5);
    EXPECT_LE(fullLoad, battery);
    const double fullAmps = amps(night.Ask("Q5\r"), 213);
    EXPECT_GT(fullAmps, 2.0);
    // After 23:00 the lamp dims to the 50 % slot.
    night.Wait(4 * kHourMs);
    EXPECT_NEAR(volts(night.Ask("Q7\r")), 10.0, 0.05);
    EXPECT_LT(amps(night.Ask("Q5\r"), 213), fullAmps);

    Brain high(With([](SimOptions& o) { o.overVoltage = true; }));
    EXPECT_GT(volts(high.Ask("Q4\r")), 18.0);
    Brain double24(With([](SimOptions& o) { o.system24V = true; }));
    EXPECT_GT(AsciiCount(double24.Ask("Q4\r")) * 49.0 / 1024, 27.0);
}

TEST(SimBrainTest, ChargeCounterCountsMornings) {
    Brain brain({}, 3 * kHourMs);
    EXPECT_EQ(brain.Ask("Q8\r"), "R0025\r");
    brain.Wait(9 * kHourMs);  // noon: charging began
    EXPECT_EQ(brain.Ask("Q8\r"), "R0026\r");
    brain.Wait(kHourMs);
    EXPECT_EQ(brain.Ask("Q8\r"), "R0026\r");
    brain.Wait(14 * kHourMs);  // the night between
    EXPECT_EQ(brain.Ask("Q8\r"), "R0026\r");
    brain.Wait(10 * kHourMs);
    EXPECT_EQ(brain.Ask("Q8\r"), "R0027\r");
}

TEST(SimFaultTest, FaultsShapeRepliesRepeatably) {
    const Bytes ascii = B("R785000\r");
    const Bytes frame = Frame({250, 4, 3, 0x78, 0x50, 0x00});
    FaultPlan wrong(Fault::WrongLeader, 1.0, 0.0, 1, 300);
    EXPECT_EQ(S(wrong.Shape(Wire::Rs232, ascii).bytes), "E785000\r");
    const Bytes exception = wrong.Shape(Wire::Rs485, frame).bytes;
    EXPECT_EQ(exception, Frame({250, 0x84, 3, 0x78, 0x50, 0x00}));
    FaultPlan truncated(Fault::TruncatedReply, 1.0, 0.0, 1, 300);
    EXPECT_EQ(S(truncated.Shape(Wire::Rs232, ascii).bytes), "R785");
    FaultPlan late(Fault::LateReply, 1.0, 0.0, 1, 250);
    EXPECT_EQ(late.Shape(Wire::Rs232, ascii).delayMs, 250);
    FaultPlan garbage(Fault::Garbage, 1.0, 0.0, 3, 300);
    for (int i = 0; i < 200; ++i) {
        const Bytes noise = garbage.Shape(Wire::Rs485, frame).bytes;
        ASSERT_EQ(noise.size(), frame.size());
        ASSERT_NE(noise[1], 4);
        ASSERT_NE(garbage.Shape(Wire::Rs232, ascii).bytes[0], 'R');
    }

    // The same seed gives the same pattern; roughly the asked share is hit.
    const auto pattern = [&](uint32_t seed) {
        FaultPlan plan(Fault::NoReply, 0.3, 0.2, seed, 300);
        std::string marks;
        for (int i = 0; i < 400; ++i)
            marks += plan.Shape(Wire::Rs232, ascii).bytes.empty() ? 'x' : '.';
        return marks;
    };
    EXPECT_EQ(pattern(42), pattern(42));
    EXPECT_NE(pattern(42), pattern(43));
    const std::string marks = pattern(42);
    const auto lost = std::count(marks.begin(), marks.end(), 'x');
    EXPECT_GT(lost, 400 * 0.44 - 40);  // 1 - 0.8 * 0.7 = 0.44
    EXPECT_LT(lost, 400 * 0.44 + 40);
}

// A plain termios client of the simulator's terminal, as any serial program would be.
class TermClient {
  public:
    explicit TermClient(const std::string& path) {
        fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0)
            return;
        termios modes{};
        tcgetattr(fd_, &modes);
        cfmakeraw(&modes);
        cfsetspeed(&modes, B19200);
        tcsetattr(fd_, TCSANOW, &modes);
        tcflush(fd_, TCIOFLUSH);
    }
    ~TermClient() {
        if (fd_ >= 0)
            close(fd_);
    }
    TermClient(const TermClient&) = delete;
    TermClient& operator=(const TermClient&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    void Send(const Bytes& bytes) {
        ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void Send(const std::string& text) { Send(B(text)); }

    // Reads until count bytes have come or timeoutMs has passed; firstByte gets the arrival
    // time of the first byte when given.
    Bytes Read(size_t count, int timeoutMs, Steady::time_point* firstByte = nullptr) {
        Bytes bytes;
        const auto end = Steady::now() + std::chrono::milliseconds(timeoutMs);
        while (bytes.size() < count) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - Steady::now()).count();
            if (left < 0)
                break;
            pollfd fd{fd_, POLLIN, 0};
            if (poll(&fd, 1, static_cast<int>(left) + 1) <= 0)
                continue;
            uint8_t buffer[256];
            const ssize_t n = read(fd_, buffer, sizeof buffer);
            if (n > 0) {
                if (bytes.empty() && firstByte)
                    *firstByte = Steady::now();
                bytes.insert(bytes.end(), buffer, buffer + n);
            }
        }
        return bytes;
    }
    std::string Ask(const std::string& request, size_t replyLength, int timeoutMs = 200) {
        Send(request);
        return S(Read(replyLength, timeoutMs));
    }

  private:
    int fd_ = -1;
};

SimOptions Quick() {
    SimOptions options;
    options.lineRate = false;
    return options;
}

TEST(SimServerTest, AnswersBothWiresThroughTheTerminal) {
    SimServer server(Quick());
    std::string error;
    ASSERT_TRUE(server.Start(&error)) << error;
    TermClient client(server.TerminalPath());
    ASSERT_TRUE(client.IsOpen());
    EXPECT_EQ(client.Ask("G7803\r", 8), "R785000\r");
    EXPECT_EQ(client.Ask("S651E\r", 2), "O\r");
    client.Send(Frame({250, 4, 0, 0x65, 1}));
    EXPECT_EQ(client.Read(5, 200), Frame({250, 4, 1, 0x1E}));
    // A frame for another device: silence.
    client.Send(Frame({251, 4, 0, 0x65, 1}));
    EXPECT_TRUE(client.Read(1, 60).empty());
    // Register access from the test side while serving.
    EXPECT_EQ(server.Register(0x65), 0x1E);
    server.SetRegister(0x65, 0x2D);
    EXPECT_EQ(server.Registers(0x65, 1), Bytes{0x2D});
    EXPECT_EQ(client.Ask("G6501\r", 4), "R2D\r");
    EXPECT_EQ(server.RequestsServed(), 4);
}

TEST(SimServerTest, RepliesArePacedAtTheLineRate) {
    SimServer server;  // 19200 baud
    std::string error;
    ASSERT_TRUE(server.Start(&error)) << error;
    TermClient client(server.TerminalPath());
    // "R" + 18 digits + CR: 20 bytes of 10 bit times each, 10.42 ms at the least.
    const double floorMs = 20 * 10 / 19.2;
    double widestSpreadMs = 0;
    for (int round = 0; round < 5; ++round) {
        const auto sent = Steady::now();  // before the write: the reply cannot start earlier
        client.Send("G6E09\r");
        Steady::time_point first;
        const Bytes reply = client.Read(20, 500, &first);
        const auto last = Steady::now();
        ASSERT_EQ(reply.size(), 20u);
        EXPECT_EQ(reply.front(), 'R');
        const double totalMs = std::chrono::duration<double, std::milli>(last - sent).count();
        EXPECT_GE(totalMs, floorMs);
        widestSpreadMs = std::max(widestSpreadMs,
                                  std::chrono::duration<double, std::milli>(last - first).count());
    }
    // Byte after byte, not one burst after a pause. Judged on the widest round, with room,
    // as a busy machine may hold this process up in some.
    EXPECT_GE(widestSpreadMs, floorMs * 19 / 20 * 0.6);
}

TEST(SimServerTest, ClientMayCloseAndReopen) {
    SimServer server(Quick());
    std::string error;
    ASSERT_TRUE(server.Start(&error)) << error;
    for (int i = 0; i < 25; ++i) {
        TermClient client(server.TerminalPath());
        ASSERT_TRUE(client.IsOpen()) << "open " << i;
        ASSERT_EQ(client.Ask("Q3\r", 4), "R01\r") << "open " << i;
    }
    EXPECT_EQ(server.RequestsServed(), 25);
}

// Which of n status requests were answered, as '.' and 'x'.
std::string AnswerPattern(SimServer& server, int n) {
    TermClient client(server.TerminalPath());
    std::string marks;
    for (int i = 0; i < n; ++i) {
        const std::string reply = client.Ask("Q3\r", 4, 40);
        marks += reply == "R01\r" ? '.' : reply.empty() ? 'x' : '?';
    }
    return marks;
}

TEST(SimServerTest, DropsRepeatWithTheSeed) {
    SimOptions options = Quick();
    options.dropFraction = 0.5;
    options.seed = 11;
    SimServer first(options);
    SimServer second(options);
    std::string error;
    ASSERT_TRUE(first.Start(&error)) << error;
    ASSERT_TRUE(second.Start(&error)) << error;
    const std::string pattern = AnswerPattern(first, 16);
    EXPECT_EQ(AnswerPattern(second, 16), pattern);
    EXPECT_NE(pattern.find('.'), std::string::npos);
    EXPECT_NE(pattern.find('x'), std::string::npos);
    EXPECT_EQ(first.RequestsServed(), 16);  // dropped replies were still understood
}

TEST(SimServerTest, FaultsChangeWhileServing) {
    SimServer server(Quick());
    std::string error;
    ASSERT_TRUE(server.Start(&error)) << error;
    TermClient client(server.TerminalPath());
    server.SetFault(Fault::WrongLeader, 1.0);
    EXPECT_EQ(client.Ask("G7701\r", 4), "EFA\r");
    client.Send(Frame({250, 4, 0, 0x77, 1}));
    EXPECT_EQ(client.Read(5, 200), Frame({250, 0x84, 1, 250}));
    server.SetFault(Fault::TruncatedReply, 1.0);
    EXPECT_EQ(client.Ask("G7803\r", 8, 80), "R785");
    server.SetFault(Fault::NoReply, 1.0);
    EXPECT_EQ(client.Ask("Q3\r", 4, 60), "");
    server.SetFault(Fault::None, 0.0);
    EXPECT_EQ(client.Ask("Q3\r", 4), "R01\r");
}

TEST(SimServerTest, LateReplyComesAfterItsDelayWithoutHoldingUpOthers) {
    SimOptions options = Quick();
    options.fault = Fault::LateReply;
    options.lateReplyMs = 150;
    SimServer server(options);
    std::string error;
    ASSERT_TRUE(server.Start(&error)) << error;
    TermClient client(server.TerminalPath());
    client.Send("G7701\r");
    const auto sent = Steady::now();
    EXPECT_TRUE(client.Read(1, 100).empty());
    EXPECT_EQ(S(client.Read(4, 400)), "RFA\r");
    EXPECT_GE(Steady::now() - sent, std::chrono::milliseconds(150));

    // A prompt reply is not queued behind a late one still waiting.
    client.Send("Q3\r");
    for (int i = 0; i < 200 && server.RequestsServed() < 2; ++i)
        usleep(1000);
    server.SetFault(Fault::None, 0.0);
    client.Send("G7701\r");
    EXPECT_EQ(S(client.Read(4, 100)), "RFA\r");
    EXPECT_EQ(S(client.Read(4, 400)), "R01\r");
}

TEST(SimServerTest, PlacesAndRemovesTheComLink) {
    const fs::path dir = fs::temp_directory_path() / ("kvrn-sim-test-" + std::to_string(getpid()));
    fs::remove_all(dir);
    const fs::path link = dir / "COM7";
    {
        SimServer server(Quick());
        std::string error;
        EXPECT_FALSE(server.PlaceAt(dir.string(), 7, &error));  // not serving yet
        ASSERT_TRUE(server.Start(&error)) << error;
        ASSERT_TRUE(server.PlaceAt(dir.string(), 7, &error)) << error;  // creates the folder
        EXPECT_EQ(fs::read_symlink(link), server.TerminalPath());
        TermClient client(link.string());
        EXPECT_EQ(client.Ask("G7701\r", 4), "RFA\r");
        EXPECT_FALSE(server.PlaceAt(dir.string(), 41, &error));
        server.Stop();
        EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    }
    // A stale link is replaced; an entry that is no link is left alone.
    fs::create_symlink("/dev/null-gone", link);
    std::ofstream(dir / "COM8") << "not a terminal";
    {
        SimServer server(Quick());
        std::string error;
        ASSERT_TRUE(server.Start(&error)) << error;
        EXPECT_TRUE(server.PlaceAt(dir.string(), 7, &error)) << error;
        EXPECT_EQ(fs::read_symlink(link), server.TerminalPath());
        EXPECT_FALSE(server.PlaceAt(dir.string(), 8, &error));
        EXPECT_NE(error.find("not a link"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_TRUE(fs::exists(dir / "COM8"));
    fs::remove_all(dir);
}

TEST(SimServerTest, InvalidOptionsRefuseToStart) {
    const auto refused = [](void (*edit)(SimOptions&)) {
        SimServer server(With(edit));
        std::string error;
        const bool started = server.Start(&error);
        return !started && !error.empty();
    };
    EXPECT_TRUE(refused([](SimOptions& o) { o.firmware = "12.3"; }));
    EXPECT_TRUE(refused([](SimOptions& o) { o.firmware = "3.x"; }));
    EXPECT_TRUE(refused([](SimOptions& o) { o.deviceId = 0; }));
    EXPECT_TRUE(refused([](SimOptions& o) { o.vendorId = 256; }));
    EXPECT_TRUE(refused([](SimOptions& o) { o.dropFraction = 1.5; }));
    EXPECT_TRUE(refused([](SimOptions& o) { o.serialNumber = "12AB"; }));
    EXPECT_FALSE(refused([](SimOptions& o) { o.firmware = "9.0"; }));
}

// kvrn-sim as its own process, with its stdout on a pipe.
class SimProcess {
  public:
    SimProcess(const std::vector<std::string>& args, const std::string& portDir) {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
            close(fds[1]);
            setenv("ZELT_PORT_DIR", portDir.c_str(), 1);
            std::vector<char*> argv{const_cast<char*>(KVRN_SIM_PATH)};
            for (const std::string& arg : args)
                argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv(KVRN_SIM_PATH, argv.data());
            _exit(127);
        }
        close(fds[1]);
        out_ = fds[0];
    }
    ~SimProcess() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0)
            close(out_);
    }

    // The first line of stdout, or what came before the time-out or the end.
    std::string ReadLine(int timeoutMs) {
        std::string line;
        const auto end = Steady::now() + std::chrono::milliseconds(timeoutMs);
        while (Steady::now() < end) {
            pollfd fd{out_, POLLIN, 0};
            if (poll(&fd, 1, 20) <= 0)
                continue;
            char c;
            if (read(out_, &c, 1) != 1 || c == '\n')
                break;
            line += c;
        }
        return line;
    }
    // Exit status after the signal, -1 when it did not end within the time.
    int Terminate(int signal, int timeoutMs) {
        kill(pid_, signal);
        return Wait(timeoutMs);
    }
    int Wait(int timeoutMs) {
        const auto end = Steady::now() + std::chrono::milliseconds(timeoutMs);
        while (Steady::now() < end) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            usleep(5000);
        }
        return -1;
    }

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    bool exited_ = false;
};

TEST(SimExecutableTest, ReadyLineLinkAndCleanExit) {
    const fs::path dir = fs::temp_directory_path() / ("kvrn-sim-exe-" + std::to_string(getpid()));
    fs::remove_all(dir);
    for (int signal : {SIGTERM, SIGINT}) {
        SimProcess sim({"--port", "COM7", "--rs485-id", "33", "--24v"}, dir.string());
        const std::string line = sim.ReadLine(5000);
        const std::string prefix = "kvrn-sim: COM7 -> ";
        ASSERT_EQ(line.rfind(prefix, 0), 0u) << line;
        const std::string terminal = line.substr(prefix.size());
        EXPECT_EQ(fs::read_symlink(dir / "COM7").string(), terminal);
        {
            TermClient client((dir / "COM7").string());
            ASSERT_TRUE(client.IsOpen());
            EXPECT_EQ(client.Ask("G7701\r", 4), "R21\r");
            EXPECT_EQ(client.Ask("Q3\r", 4).substr(0, 2), "R4");  // 24 V
        }
        EXPECT_EQ(sim.Terminate(signal, 3000), 0);
        EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "COM7")));
    }
    fs::remove_all(dir);
}

TEST(SimExecutableTest, RejectsBadFlags) {
    const fs::path dir = fs::temp_directory_path() / ("kvrn-sim-bad-" + std::to_string(getpid()));
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--fault", "sometimes"},
                                                 {"--firmware", "12.3"},
                                                 {"--port", "COM99"},
                                                 {"--drop", "2"}}) {
        SimProcess sim(args, dir.string());
        EXPECT_EQ(sim.ReadLine(3000), "");
        EXPECT_EQ(sim.Wait(3000), 2) << args[0];
    }
    EXPECT_FALSE(fs::exists(dir));
}

}  // namespace
}  // namespace kvrn

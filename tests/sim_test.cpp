// What the simulated controller does that the end-to-end suites cannot see: the 0x72 register
// view, the shapes of its faults, its pacing at the line rate and where it places its link.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "kvrn/FaultPlan.h"
#include "kvrn/Sim.h"
#include "kvrn/SimController.h"
#include "support/TestEnv.h"

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

// The brain with its clock at noon; requests are fed 30 ms apart.
class Brain {
  public:
    explicit Brain(SimOptions options) : controller(options, kStartMs, 12 * kHourMs) {}

    // Sends one request in one piece and returns every reply it caused, joined.
    Bytes Ask(const Bytes& request) {
        now += 30;  // past any idle gap
        Bytes replies;
        for (const Exchange& exchange : controller.Feed(request.data(), request.size(), now))
            replies.insert(replies.end(), exchange.reply.begin(), exchange.reply.end());
        return replies;
    }
    std::string Ask(const std::string& request) { return S(Ask(B(request))); }

    int64_t now = kStartMs;
    SimController controller;
};

// "Set Sw/Jp mode" on the coarser RS232 scale changes only the bytes it names: the lighting
// time and flag are no voltage, the remote level is. Its low-battery block leaves the mode.
TEST(SimBrainTest, SwJpModeWriteRescalesOnlyTheRemoteLevel) {
    SimOptions options;
    options.system24V = true;
    Brain brain(options);
    EXPECT_EQ(brain.Ask("S720203018000\r"), "O");
    EXPECT_EQ(brain.Ask("Q3\r"), "R72");  // 24 V, 6 hours, Manual
    EXPECT_EQ(brain.Ask("G7205\r"), "R0203018000");
    brain.Ask("S6E01" + std::string(16, '0') + "\r");
    EXPECT_EQ(brain.Ask(Frame({250, 4, 0x01, 0x04, 1})), Frame({250, 4, 1, 0x72}));
}

TEST(SimFaultTest, FaultsShapeRepliesRepeatablyFromTheSeed) {
    const Bytes ascii = B("R785000");
    const Bytes frame = Frame({250, 4, 3, 0x78, 0x50, 0x00});
    const std::tuple<Fault, Wire, Bytes, Bytes, int> cases[] = {
        {Fault::WrongLeader, Wire::Rs232, ascii, B("E785000"), 0},
        {Fault::WrongLeader, Wire::Rs485, frame, Frame({250, 0x84, 3, 0x78, 0x50, 0x00}), 0},
        {Fault::TruncatedReply, Wire::Rs232, ascii, B("R78"), 0},
        {Fault::LateReply, Wire::Rs232, ascii, ascii, 250},
        {Fault::NoReply, Wire::Rs485, frame, {}, 0},
    };
    for (const auto& [fault, wire, reply, shaped, delayMs] : cases) {
        FaultPlan plan(fault, 1.0, 0.0, 1, 250);
        const ShapedReply result = plan.Shape(wire, reply);
        EXPECT_EQ(S(result.bytes), S(shaped)) << FaultName(fault);
        EXPECT_EQ(result.delayMs, delayMs) << FaultName(fault);
    }
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
    explicit TermClient(const std::string& path)
        : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        termios modes{};
        tcgetattr(fd_, &modes);
        cfmakeraw(&modes);
        cfsetspeed(&modes, B19200);
        tcsetattr(fd_, TCSANOW, &modes);
        tcflush(fd_, TCIOFLUSH);
    }
    ~TermClient() { close(fd_); }

    // Reads until count bytes have come or timeoutMs has passed; firstByte gets the arrival
    // time of the first byte when given.
    Bytes Read(size_t count, int timeoutMs, Steady::time_point* firstByte = nullptr) {
        Bytes bytes;
        const auto end = Steady::now() + std::chrono::milliseconds(timeoutMs);
        while (bytes.size() < count && Steady::now() < end) {
            pollfd fd{fd_, POLLIN, 0};
            uint8_t buffer[256];
            const ssize_t n = poll(&fd, 1, 5) > 0 ? read(fd_, buffer, sizeof buffer) : 0;
            if (n > 0 && bytes.empty() && firstByte)
                *firstByte = Steady::now();
            bytes.insert(bytes.end(), buffer, buffer + std::max<ssize_t>(n, 0));
        }
        return bytes;
    }
    void Send(const std::string& request) {
        EXPECT_EQ(write(fd_, request.data(), request.size()), ssize_t(request.size()));
    }

  private:
    int fd_;
};

TEST(SimServerTest, RepliesArePacedAtTheLineRate) {
    SimServer server;  // 19200 baud
    std::string error;
    ASSERT_TRUE(server.Start(&error)) << error;
    TermClient client(server.TerminalPath());
    // "R" + 18 digits: 19 bytes of 10 bit times each, 9.9 ms at the least.
    const double floorMs = 19 * 10 / 19.2;
    double widestSpreadMs = 0;
    for (int round = 0; round < 5; ++round) {
        const auto sent = Steady::now();  // before the write: the reply cannot start earlier
        client.Send("G6E09\r");
        Steady::time_point first;
        const Bytes reply = client.Read(19, 500, &first);
        const auto last = Steady::now();
        ASSERT_EQ(reply.size(), 19u);
        const std::chrono::duration<double, std::milli> total = last - sent;
        EXPECT_GE(total.count(), floorMs);
        widestSpreadMs = std::max(widestSpreadMs,
                                  std::chrono::duration<double, std::milli>(last - first).count());
    }
    // Byte after byte, not one burst after a pause. Judged on the widest round, with room,
    // as a busy machine may hold this process up in some.
    EXPECT_GE(widestSpreadMs, floorMs * 18 / 19 * 0.6);
}

TEST(SimServerTest, PlacesTheComLinkButNeverOverAnEntryThatIsNoLink) {
    zelt::testing::ScratchFolder folder;
    fs::create_symlink("/dev/null-gone", folder.path / "COM7");  // stale: replaced
    zelt::testing::WriteText(folder.path / "COM8", "not a terminal");
    {
        SimServer server;
        std::string error;
        ASSERT_TRUE(server.Start(&error)) << error;
        ASSERT_TRUE(server.PlaceAt(folder.path, 7, &error)) << error;
        EXPECT_EQ(fs::read_symlink(folder.path / "COM7"), server.TerminalPath());
        EXPECT_FALSE(server.PlaceAt(folder.path, 8, &error));
        EXPECT_NE(error.find("not a link"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(folder.path / "COM7")));
    EXPECT_TRUE(fs::exists(folder.path / "COM8"));
}

}  // namespace
}  // namespace kvrn

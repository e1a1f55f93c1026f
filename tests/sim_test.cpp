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
#include <cstring>
#include <filesystem>
#include <random>
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

// The brain with its clock at a chosen time of day; requests are fed 30 ms apart.
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

    int64_t now = kStartMs;
    SimController controller;
};

SimOptions With(void (*edit)(SimOptions&)) {
    SimOptions options;
    edit(options);
    return options;
}

TEST(SimBrainTest, ReadsWritesAndReadsBackOverBothWires) {
    const std::pair<Bytes, Bytes> script[] = {
        {B("G7803\r"), B("R785000")},  // 12.0 V and 8.0 V
        {Frame({250, 4, 0, 0x78, 3}), Frame({250, 4, 3, 0x78, 0x50, 0x00})},
        {B("G7B05\r"), B("R0003010512")},      // version record
        {B("G8007\r"), B("R12240315000742")},  // serial number
        {B("G7701\r"), B("RFA")},              // device ID
        {B("G0007\r"), B("R0112001700FFF0")},  // slot 0: in use, 18:00 to 23:00, full
        {B("G0E07\r"), B("R00000000000000")},  // slot 2: unused
        {B("G6B01\r"), B("R06")},              // temperature compensation 30: x5 here,
        {Frame({250, 4, 0, 0x6B, 1}), Frame({250, 4, 1, 3})},  // x10 over RS485
        {B("S61540064403C\r"), B("O")},
        {B("G6105\r"), B("R540064403C")},
        {Frame({250, 16, 0, 0x66, 6, 0x90, 0x40, 0x96, 0x80, 0x3C, 0x04}),
         Frame({250, 16, 0, 0x66, 6})},
        {Frame({250, 4, 0, 0x66, 6}), Frame({250, 4, 6, 0x90, 0x40, 0x96, 0x80, 0x3C, 0x04})},
        {Frame({250, 6, 0, 0x65, 0x1E}), Frame({250, 6, 0, 0x65, 0x1E})},
        {B("G6501\r"), B("R1E")},
        {B("S7B0909\r"), B("O")},  // the version record is factory data
        {B("G7B02\r"), B("R0003")},
        {B("Q8\r"), B("R0025")},  // the charge count, reset over RS485
        {Frame({250, 16, 0, 0x6C, 2, 0, 0}), Frame({250, 16, 0, 0x6C, 2})},
        {B("Q8\r"), B("R0000")},
        {Frame({249, 4, 0, 0x78, 3}), {}},  // frames for another ID are ignored
        {Frame({249, 16, 0, 0x65, 1, 9}), {}},
        {B("G6501\r"), B("R1E")},
        {B("T235958\r"), B("O")},  // the clock over both wires
        {B("Q2\r"), B("R23:59:58")},
        {Frame({250, 16, 0x02, 0x03, 3, 0x10, 0x15, 0x54}), Frame({250, 16, 0x02, 0x03, 3})},
        {B("Q2\r"), B("R10:15:54")},
        {Frame({250, 4, 0x02, 0x03, 3}), Frame({250, 4, 3, 0x10, 0x15, 0x54})},
        {B("S7709\r"), B("O")},  // a new device ID
        {Frame({250, 4, 0, 0x77, 1}), {}},
        {Frame({9, 4, 0, 0x77, 1}), Frame({9, 4, 1, 9})},
    };
    Brain brain;
    for (const auto& [request, reply] : script)
        EXPECT_EQ(S(brain.Ask(request)), S(reply)) << "request " << S(request);
}

TEST(SimBrainTest, OptionsShapeStatusVersionSerialAndLimits) {
    const std::tuple<SimOptions, int64_t, const char*> status[] = {
        {{}, 12 * kHourMs, "R01"},  // noon: schedule mode, load off
        {{}, 20 * kHourMs, "R05"},  // 20:00, inside slot 0
        {With([](SimOptions& o) { o.system24V = true; }), 12 * kHourMs, "R41"},
        {With([](SimOptions& o) { o.batteryFail = true; }), 12 * kHourMs, "R09"},
    };
    for (const auto& [options, msOfDay, reply] : status)
        EXPECT_EQ(Brain(options, msOfDay).Ask("Q3\r"), reply);

    Brain other(With([](SimOptions& o) {
        o.firmware = "4.5";
        o.vendorId = 2;
        o.deviceId = 17;
        o.system24V = true;
        o.serialNumber = "";
    }));
    EXPECT_EQ(other.Ask("G7B05\r"), "R0004020505");
    EXPECT_EQ(other.Ask("G8007\r"), "RFFFFFFFFFFFFFF");  // never programmed
    EXPECT_EQ(other.Ask("G7701\r"), "R11");
    EXPECT_EQ(other.Ask("G7803\r"), "RF0A000");  // 24.0 V and 16.0 V
    EXPECT_EQ(other.Ask(Frame({17, 4, 0, 0x7B, 5})), Frame({17, 4, 5, 0, 4, 2, 5, 0x05}));
    // "Set Sw/Jp mode" on the coarser RS232 scale changes only the bytes it names: the
    // lighting time and flag are no voltage, the remote level is.
    EXPECT_EQ(other.Ask("S720203018000\r"), "O");
    EXPECT_EQ(other.Ask("Q3\r"), "R72");  // 24 V, 6 hours, Manual
    EXPECT_EQ(other.Ask("G7205\r"), "R0203018000");

    // "Set Sw/Jp mode": Manual, 8 hours, in the status over both wires. The low-battery
    // block passes over 0x72 without changing the mode.
    Brain brain;
    EXPECT_EQ(brain.Ask("S720202000000\r"), "O");
    EXPECT_EQ(brain.Ask("Q3\r"), "R22");
    brain.Ask("S6E01" + std::string(16, '0') + "\r");
    EXPECT_EQ(brain.Ask(Frame({250, 4, 0x01, 0x04, 1})), Frame({250, 4, 1, 0x22}));
}

TEST(SimBrainTest, MalformedRequestsAndGarbageGetNoReplyAndTheParserResyncs) {
    Brain brain;
    Bytes badChecksum = Frame({250, 4, 0, 0x78, 3});
    badChecksum.back() ^= 1;
    EXPECT_TRUE(brain.Ask(badChecksum).empty());
    for (const char* request : {"Q1\r", "Q\r", "G78\r", "G7800\r", "G78031\r", "S78\r", "S7812F\r",
                                "S78GG\r", "T126000\r", "T1200\r", "T2400000\r", "X\r"})
        EXPECT_EQ(brain.Ask(request), "") << request;
    // Noise and a half request in front of a whole one, in a single burst.
    EXPECT_EQ(brain.Ask("\x01\xFFR\r\rG12Q3\r"), "R01");
    Bytes noisy = {0x00, 0x7F};
    const Bytes status = Frame({250, 4, 1, 4, 1});
    noisy.insert(noisy.end(), status.begin(), status.end());
    EXPECT_EQ(brain.Ask(noisy), Frame({250, 4, 1, 1}));
    // A half frame that claims a long body is forgotten after an idle gap.
    brain.Ask(Bytes{250, 16, 0, 0x10, 200, 1, 2});
    brain.now += 40;
    EXPECT_EQ(brain.Ask(Frame({250, 4, 0, 0x77, 1})), Frame({250, 4, 1, 250}));
    // Random noise never wedges the parser: after a pause both forms are answered again.
    std::mt19937 noise(7);
    for (int round = 0; round < 50; ++round) {
        Bytes junk(1 + noise() % 40);
        for (uint8_t& byte : junk)
            byte = static_cast<uint8_t>(noise());
        brain.Ask(junk);
        brain.now += 100;
        ASSERT_EQ(brain.Ask("Q3\r"), "R01") << "round " << round;
        brain.now += 100;
        ASSERT_EQ(brain.Ask(Frame({250, 4, 0, 0x77, 1})), Frame({250, 4, 1, 250}));
    }
    // A request whose bytes arrive one by one, 4 ms apart as the utility writes them.
    std::string reply;
    for (const char c : std::string("G7803\r")) {
        brain.now += 4;
        const uint8_t byte = static_cast<uint8_t>(c);
        for (const Exchange& exchange : brain.controller.Feed(&byte, 1, brain.now))
            reply += S(exchange.reply);
    }
    EXPECT_EQ(reply, "R785000");
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
    Bytes Ask(const Bytes& request, size_t replyLength, int timeoutMs = 200) {
        EXPECT_EQ(write(fd_, request.data(), request.size()), ssize_t(request.size()));
        return Read(replyLength, timeoutMs);
    }
    std::string Ask(const std::string& request, size_t replyLength, int timeoutMs = 200) {
        return S(Ask(B(request), replyLength, timeoutMs));
    }

  private:
    int fd_;
};

SimOptions Quick() {
    SimOptions options;
    options.lineRate = false;
    return options;
}

TEST(SimServerTest, AnswersBothWiresThroughTheTerminalWhileFaultsChange) {
    SimServer server(Quick());
    std::string error;
    ASSERT_TRUE(server.Start(&error)) << error;
    TermClient client(server.TerminalPath());
    EXPECT_EQ(client.Ask("G7803\r", 8), "R785000");
    EXPECT_EQ(client.Ask("S651E\r", 2), "O");
    EXPECT_EQ(client.Ask(Frame({250, 4, 0, 0x65, 1}), 5), Frame({250, 4, 1, 0x1E}));
    EXPECT_TRUE(client.Ask(Frame({251, 4, 0, 0x65, 1}), 1, 60).empty());  // another device
    // Register access from the test side while serving.
    EXPECT_EQ(server.Register(0x65), 0x1E);
    server.SetRegister(0x65, 0x2D);
    EXPECT_EQ(client.Ask("G6501\r", 4), "R2D");
    EXPECT_EQ(server.RequestsServed(), 4);

    server.SetFault(Fault::WrongLeader, 1.0);
    EXPECT_EQ(client.Ask("G7701\r", 4), "EFA");
    server.SetFault(Fault::None, 0.0);
    EXPECT_EQ(client.Ask("G7701\r", 4), "RFA");
    // A client may close the terminal and open it again.
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(TermClient(server.TerminalPath()).Ask("G7701\r", 4), "RFA") << "open " << i;
}

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
        client.Ask("G6E09\r", 0);         // sent, nothing read yet
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
        SimServer server(Quick());
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

// kvrn-sim as its own process with its stdout on a pipe. The shell execs it, so the process
// id the shell prints first is the simulator's.
class SimProcess {
  public:
    explicit SimProcess(const std::string& args)
        : out_(popen(("echo $$; exec '" + std::string(KVRN_SIM_PATH) + "' " + args).c_str(), "r")) {
        setvbuf(out_, nullptr, _IONBF, 0);  // so that poll sees every byte not yet read
        pid_ = std::stoi(ReadLine(5000));
    }
    ~SimProcess() {
        if (!exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        pclose(out_);
    }

    // The next line of stdout; empty at its end or when none came within the time.
    std::string ReadLine(int timeoutMs) {
        pollfd fd{fileno(out_), POLLIN, 0};
        char line[512] = "";
        if (poll(&fd, 1, timeoutMs) <= 0 || fgets(line, sizeof line, out_) == nullptr)
            return "";
        return std::string(line, strcspn(line, "\n"));
    }
    // The exit status after the signal (0: none sent), -1 when it did not end within 3 s.
    int Wait(int signal = 0) {
        if (signal != 0)
            kill(pid_, signal);
        for (const auto end = Steady::now() + std::chrono::seconds(3); Steady::now() < end;) {
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
    FILE* out_;
    pid_t pid_ = -1;
    bool exited_ = false;
};

TEST(SimExecutableTest, ReadyLineLinkAndCleanExit) {
    zelt::testing::ScratchFolder folder;
    zelt::testing::ScopedEnv portDir("ZELT_PORT_DIR", folder.path.string());
    for (const int signal : {SIGTERM, SIGINT}) {
        SimProcess sim("--port COM7 --rs485-id 33 --24v");
        const std::string line = sim.ReadLine(5000);
        const std::string prefix = "kvrn-sim: COM7 -> ";
        ASSERT_EQ(line.rfind(prefix, 0), 0u) << line;
        EXPECT_EQ(fs::read_symlink(folder.path / "COM7").string(), line.substr(prefix.size()));
        {
            TermClient client(folder.File("COM7"));
            EXPECT_EQ(client.Ask("G7701\r", 4), "R21");
            EXPECT_EQ(client.Ask("Q3\r", 4).substr(0, 2), "R4");  // 24 V
        }
        EXPECT_EQ(sim.Wait(signal), 0);
        EXPECT_FALSE(fs::exists(fs::symlink_status(folder.path / "COM7")));
    }
}

TEST(SimExecutableTest, RejectsBadFlagsWithStatus2) {
    const fs::path dir = fs::temp_directory_path() / ("kvrn-sim-bad-" + std::to_string(getpid()));
    zelt::testing::ScopedEnv portDir("ZELT_PORT_DIR", dir.string());
    for (const char* args : {"--fault sometimes", "--firmware 12.3", "--firmware 3.x",
                             "--rs485-id 0", "--port COM99", "--drop 2"}) {
        SimProcess sim(args);
        EXPECT_EQ(sim.ReadLine(3000), "");
        EXPECT_EQ(sim.Wait(), 2) << args;
    }
    EXPECT_FALSE(fs::exists(dir));
}

}  // namespace
}  // namespace kvrn

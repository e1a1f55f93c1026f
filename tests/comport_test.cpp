// The serial port on a real pseudo-terminal, the COM names, and zeltctl settings/ports.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "link/ComPort.h"
#include "link/PortNames.h"

namespace zelt {
namespace {

namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        Apply(value);
    }
    ~ScopedEnv() { Apply(old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    void Apply(const std::optional<std::string>& value) {
        if (value) {
            setenv(name_.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name_.c_str());
        }
    }
    std::string name_;
    std::optional<std::string> old_;
};

long MsSince(Steady::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - start).count());
}

// A temporary folder with a port folder inside; ZELT_PORT_DIR points at it.
class PortFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/zelt-port-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        ports_ = dir_ / "ports";
        fs::create_directory(ports_);
        portEnv_.emplace("ZELT_PORT_DIR", ports_.string());
    }
    void TearDown() override {
        portEnv_.reset();
        fs::remove_all(dir_);
    }

    fs::path dir_;
    fs::path ports_;
    std::optional<ScopedEnv> portEnv_;
};

// COM5 is the slave side of a pseudo-terminal; the test plays the controller on the master.
class ComPortTest : public PortFolderTest {
  protected:
    void SetUp() override {
        PortFolderTest::SetUp();
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(master_, 0);
        ASSERT_EQ(grantpt(master_), 0);
        ASSERT_EQ(unlockpt(master_), 0);
        char name[128];
        ASSERT_EQ(ptsname_r(master_, name, sizeof name), 0);
        fs::create_symlink(name, ports_ / "COM5");
    }
    void TearDown() override {
        port_.Close();
        if (master_ >= 0) {
            close(master_);
        }
        PortFolderTest::TearDown();
    }

    void SendFromController(const std::string& bytes) {
        ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Waits (up to 2 s) until the port has count bytes queued.
    bool QueuedWithin(int count) {
        const Steady::time_point start = Steady::now();
        while (port_.GetBytesWaiting() < count && MsSince(start) < 2000) {
            port_.WaitForInput(20);
        }
        return port_.GetBytesWaiting() == count;
    }
    // What the port sent, collected on the master side.
    std::string ReceivedByController(size_t expected) {
        std::string got;
        const Steady::time_point start = Steady::now();
        while (got.size() < expected && MsSince(start) < 2000) {
            pollfd wait{master_, POLLIN, 0};
            poll(&wait, 1, 20);
            char chunk[64];
            const ssize_t n = read(master_, chunk, sizeof chunk);
            if (n > 0) {
                got.append(chunk, static_cast<size_t>(n));
            }
        }
        return got;
    }

    int master_ = -1;
    CComPort port_;
};

TEST_F(ComPortTest, OpensRaw8N1AtTheGivenBaudRate) {
    ASSERT_EQ(port_.Open(5, 19200), 1);
    EXPECT_TRUE(port_.IsOpen());
    EXPECT_EQ(port_.Description(), "COM5:19200,n,8,1");

    termios tio{};
    ASSERT_EQ(tcgetattr(master_, &tio), 0);  // the master reports the slave's settings
    EXPECT_EQ(cfgetispeed(&tio), static_cast<speed_t>(B19200));
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B19200));
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_cc[VMIN], 0);
    EXPECT_EQ(tio.c_cc[VTIME], 0);
}

TEST_F(ComPortTest, OpeningAnOpenPortChangesNothing) {
    ASSERT_EQ(port_.Open(5, 19200), 1);
    EXPECT_EQ(port_.Open(5, 9600), 1);
    EXPECT_EQ(port_.Open(6, 9600), 1);
    EXPECT_EQ(port_.Description(), "COM5:19200,n,8,1");
    EXPECT_EQ(port_.PortNumber(), 5);
    termios tio{};
    ASSERT_EQ(tcgetattr(master_, &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B19200));
}

TEST_F(ComPortTest, PortsThatCannotOpenLeaveItClosed) {
    std::ofstream(ports_ / "COM8") << "not a terminal";
    fs::create_symlink(dir_ / "gone", ports_ / "COM7");
    for (const int number : {0, 6, 7, 8, 41, -3}) {
        EXPECT_EQ(port_.Open(number, 19200), 0) << "COM" << number;
        EXPECT_FALSE(port_.IsOpen());
        EXPECT_EQ(port_.Description(), "");
        EXPECT_EQ(port_.Close(), 1);
    }
    EXPECT_EQ(port_.Open(5, 12345), 0) << "a baud rate the line does not have";
    EXPECT_FALSE(port_.IsOpen());
    EXPECT_EQ(port_.Open(5, 19200), 1) << "a failed open holds nothing";
}

TEST_F(ComPortTest, HeldPortIsRefusedUntilClosed) {
    ASSERT_EQ(port_.Open(5, 19200), 1);
    CComPort other;
    EXPECT_EQ(other.Open(5, 19200), 0);
    EXPECT_FALSE(other.IsOpen());
    EXPECT_EQ(port_.Close(), 1);
    EXPECT_FALSE(port_.IsOpen());
    EXPECT_EQ(port_.Close(), 1);
    EXPECT_EQ(other.Open(5, 19200), 1);
}

TEST_F(ComPortTest, ReadTakesNoMoreThanTheLimit) {
    ASSERT_EQ(port_.Open(5, 19200), 1);
    std::string sent;
    for (int i = 0; i < 30; ++i) {
        sent += static_cast<char>('A' + i % 26);
    }
    sent[3] = '\r';  // raw: no translation
    sent[4] = '\0';
    SendFromController(sent);
    ASSERT_TRUE(QueuedWithin(30));

    uint8_t buffer[64] = {};
    EXPECT_EQ(port_.Read(buffer, 10), 10);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 10), sent.substr(0, 10));
    EXPECT_EQ(port_.GetBytesWaiting(), 20);
    EXPECT_EQ(port_.Read(buffer, 0), 0);
    EXPECT_EQ(port_.Read(buffer, -5), 0);
    EXPECT_EQ(port_.GetBytesWaiting(), 20);
    EXPECT_EQ(port_.Read(buffer, sizeof buffer), 20);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 20), sent.substr(10));
    EXPECT_EQ(port_.GetBytesWaiting(), 0);
}

TEST_F(ComPortTest, EmptyReadReturnsAtOnceAndWaitEndsOnInput) {
    ASSERT_EQ(port_.Open(5, 19200), 1);
    uint8_t buffer[8];
    Steady::time_point start = Steady::now();
    EXPECT_EQ(port_.Read(buffer, sizeof buffer), 0);
    EXPECT_EQ(port_.GetBytesWaiting(), 0);
    EXPECT_LT(MsSince(start), 100);

    start = Steady::now();
    port_.WaitForInput(60);
    EXPECT_GE(MsSince(start), 50) << "no input: waits out its time";

    SendFromController("Q");
    start = Steady::now();
    port_.WaitForInput(5000);
    EXPECT_LT(MsSince(start), 2000) << "input ends the wait";
    ASSERT_TRUE(QueuedWithin(1));
}

TEST_F(ComPortTest, ClosedPortDoesNothing) {
    uint8_t bytes[3] = {1, 2, 3};
    EXPECT_EQ(port_.Write(bytes, 3), 0);
    EXPECT_EQ(port_.GetBytesWaiting(), 0);
    EXPECT_EQ(port_.Read(bytes, 3), 0);
    const Steady::time_point start = Steady::now();
    port_.WaitForInput(40);
    const long waited = MsSince(start);
    EXPECT_GE(waited, 30);
    EXPECT_LT(waited, 2000);
}

TEST_F(ComPortTest, Rs232WritePacesEveryByte) {
    ASSERT_EQ(port_.Open(5, 19200), 1);
    const uint8_t request[6] = {'G', '0', '1', '0', '2', '\r'};
    port_.SetCommMode(232);
    Steady::time_point start = Steady::now();
    EXPECT_EQ(port_.Write(request, 6), 6);
    EXPECT_GE(MsSince(start), 2 + 3 * 6);
    EXPECT_EQ(ReceivedByController(6), "G0102\r");

    port_.SetCommMode(485);
    EXPECT_EQ(port_.Write(request, 6), 6);
    EXPECT_EQ(ReceivedByController(6), "G0102\r");

    start = Steady::now();
    EXPECT_EQ(port_.Write(request, 0), 0);
    EXPECT_GE(MsSince(start), 2) << "the pause comes before the count check";
}

TEST_F(PortFolderTest, EntriesNameThePortsAndNothingElseWhenExplicit) {
    std::ofstream(ports_ / "COM12") << "";
    fs::create_symlink("/dev/null", ports_ / "COM40");
    EXPECT_EQ(ComDevicePath(12), (ports_ / "COM12").string());
    EXPECT_EQ(ComDevicePath(40), (ports_ / "COM40").string());
    EXPECT_EQ(ComDevicePath(1), "");
    EXPECT_EQ(ComDevicePath(33), "");
    EXPECT_EQ(ComDevicePath(0), "");
    EXPECT_EQ(ComDevicePath(41), "");
    EXPECT_TRUE(PortDirectoryIsExplicit());
}

TEST_F(PortFolderTest, DefaultFolderBesideTheSettingsWithLinuxFallback) {
    portEnv_.emplace("ZELT_PORT_DIR", std::nullopt);
    ScopedEnv settings("ZELT_SETTINGS", (dir_ / "settings.reg").string());
    EXPECT_FALSE(PortDirectoryIsExplicit());
    EXPECT_EQ(PortDirectory(), ports_.string());
    fs::create_symlink("/dev/null", ports_ / "COM2");
    EXPECT_EQ(ComDevicePath(2), (ports_ / "COM2").string());
    EXPECT_EQ(ComDevicePath(1), "/dev/ttyS0");
    EXPECT_EQ(ComDevicePath(32), "/dev/ttyS31");
    EXPECT_EQ(ComDevicePath(33), "/dev/ttyUSB0");
    EXPECT_EQ(ComDevicePath(40), "/dev/ttyUSB7");
    EXPECT_EQ(ComDevicePath(41), "");
}

TEST(PortNamesTest, ParseComName) {
    EXPECT_EQ(ParseComName("COM1"), 1);
    EXPECT_EQ(ParseComName("com7"), 7);
    EXPECT_EQ(ParseComName("Com40"), 40);
    EXPECT_EQ(ParseComName("COM0"), 0);
    EXPECT_EQ(ParseComName("COM41"), 0);
    EXPECT_EQ(ParseComName("COM"), 0);
    EXPECT_EQ(ParseComName("COM1x"), 0);
    EXPECT_EQ(ParseComName("COM100"), 0);
    EXPECT_EQ(ParseComName("CON5"), 0);
    EXPECT_EQ(ParseComName("/dev/ttyS0"), 0);
}

// zeltctl as a separate process, with its settings and ports in the test's folder.
struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

class ZeltctlSettingsTest : public ComPortTest {
  protected:
    void SetUp() override {
        ComPortTest::SetUp();
        settingsEnv_.emplace("ZELT_SETTINGS", (dir_ / "settings.reg").string());
    }
    void TearDown() override {
        settingsEnv_.reset();
        ComPortTest::TearDown();
    }

    ToolRun Run(const std::string& args) {
        const fs::path errFile = dir_ / "stderr.txt";
        const std::string command =
            std::string(ZELTCTL_PATH) + " " + args + " 2>'" + errFile.string() + "'";
        ToolRun run;
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) {
            return run;
        }
        char chunk[256];
        size_t n = 0;
        while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0) {
            run.out.append(chunk, n);
        }
        const int status = pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::ifstream in(errFile);
        std::ostringstream err;
        err << in.rdbuf();
        run.err = err.str();
        return run;
    }

    std::optional<ScopedEnv> settingsEnv_;
};

TEST_F(ZeltctlSettingsTest, SettingsPrintsWhatStartUpReads) {
    std::ofstream(dir_ / "settings.reg")
        << "Windows Registry Editor Version 5.00\n\n"
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZELT Utility Quorvel]\n"
           "\"Cfg Path\"=\"/srv/cfg\"\n\"Cfg File Name\"=\"Lamp.cfg\"\n\"COM Port\"=\"12\"\n"
           "\"English\"=\"No\"\n\"Communication Mode\"=\"RS485\"\n\"RS485 ID\"=\"17\"\n";
    // Global options steer the session, not what was read.
    const ToolRun run = Run("--port COM3 --rs485 --lang en settings");
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["comPort"], 12);
    EXPECT_EQ(json["commMode"], 232);
    EXPECT_EQ(json["rs485Id"], 17);
    EXPECT_EQ(json["english"], 0);
    EXPECT_EQ(json["cfgPath"], "/srv/cfg/");
    EXPECT_EQ(json["cfgFileName"], "Lamp.cfg");
    EXPECT_EQ(json["cfgFullPath"], "/srv/cfg/Lamp.cfg");
}

TEST_F(ZeltctlSettingsTest, SettingsCreatesTheKeyOrFails) {
    ToolRun run = Run("settings");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(nlohmann::json::parse(run.out)["rs485Id"], 250);
    EXPECT_TRUE(fs::exists(dir_ / "settings.reg"));

    std::ofstream(dir_ / "blocker") << "";
    settingsEnv_.emplace("ZELT_SETTINGS", (dir_ / "blocker" / "settings.reg").string());
    run = Run("settings");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("Fatal Error: Rigistry Fail ! ", 0), 0u) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
}

TEST_F(ZeltctlSettingsTest, PortsListsThoseThatOpen) {
    std::ofstream(ports_ / "COM9") << "not a terminal";
    fs::create_symlink(dir_ / "gone", ports_ / "COM2");
    ToolRun run = Run("ports");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "COM5\n");

    ASSERT_EQ(port_.Open(5, 19200), 1);  // held by this process: refused to the tool
    run = Run("ports");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");

    run = Run("ports COM5");
    EXPECT_EQ(run.status, 2);
    EXPECT_FALSE(run.err.empty());
}

}  // namespace
}  // namespace zelt

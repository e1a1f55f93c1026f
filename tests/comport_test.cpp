// The serial port on a real pseudo-terminal and the COM names.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "link/ComPort.h"
#include "link/PortNames.h"
#include "support/SilentTerminal.h"
#include "support/TestEnv.h"
#include "support/ToolRun.h"

namespace zelt {
namespace {

namespace fs = std::filesystem;
using testing::ScopedEnv;
using testing::ScratchFolder;
using testing::WriteText;
using Steady = std::chrono::steady_clock;

long MsSince(Steady::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - start).count());
}

// COM5 in the port folder is the slave side of a pseudo-terminal; the test plays the
// controller on the master.
class ComPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directory(ports);
        ASSERT_FALSE(line.path.empty());
        fs::create_symlink(line.path, ports / "COM5");
    }
    void TearDown() override { port.Close(); }

    // What reached the far end, collected until `expected` bytes are in or a second has
    // passed: a pseudo-terminal may hand the bytes over in several pieces.
    std::string ReceivedByController(size_t expected) {
        std::string received = line.Received();
        for (int i = 0; i < 100 && received.size() < expected; ++i) {
            usleep(10000);
            received += line.Received();
        }
        return received;
    }

    ScratchFolder folder;
    fs::path ports = folder.path / "ports";
    std::optional<ScopedEnv> portEnv{std::in_place, "ZELT_PORT_DIR", ports.string()};
    testing::SilentTerminal line;  // the controller's end
    CComPort port;
};

TEST_F(ComPortTest, OpensRaw8N1AndASecondOpenChangesNothing) {
    ASSERT_EQ(port.Open(5, 19200), 1);
    EXPECT_EQ(port.Open(5, 9600), 1);
    EXPECT_EQ(port.Open(6, 9600), 1);
    EXPECT_EQ(port.Description(), "COM5:19200,n,8,1");
    EXPECT_EQ(port.PortNumber(), 5);
    termios tio{};
    ASSERT_EQ(line.Attributes(&tio), 0);
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

TEST_F(ComPortTest, PortsThatCannotOpenOrAreHeldLeaveItClosedAndSayWhy) {
    WriteText(ports / "COM8", "not a terminal");
    fs::create_symlink(folder.path / "gone", ports / "COM7");
    ASSERT_EQ(mkfifo((ports / "COM9").c_str(), 0600), 0);
    fs::create_symlink(ports / "COM10", ports / "COM10");
    // clang-format off
    const std::pair<int, const char*> refusals[] = {
        {0, "not one of COM1 to COM40"}, {6, "no such device"}, {7, "no such device"},  // dangling
        {8, "not a serial port but a regular file"}, {9, "not a serial port but a FIFO"},
        {10, "a loop of symbolic links"}, {41, "not one of COM1 to COM40"}, {-3, "not one of COM1 to COM40"}};
    // clang-format on
    for (const auto& [number, reason] : refusals) {
        EXPECT_EQ(port.Open(number, 19200), 0) << "COM" << number;
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(port.Description(), "");
        EXPECT_EQ(port.OpenFailureText(true), reason) << "COM" << number;
    }
    EXPECT_EQ(port.OpenFailureText(false), "不是 COM1 至 COM40 之一");
    EXPECT_EQ(port.Open(5, 12345), 0) << "a baud rate the line does not have";
    EXPECT_EQ(port.OpenFailureText(true), "the line does not take 12345 baud, 8N1");
    // A closed port does nothing, at once, and its wait still waits.
    uint8_t bytes[3] = {1, 2, 3};
    EXPECT_EQ(port.Write(bytes, 3), 0);
    EXPECT_EQ(port.GetBytesWaiting(), 0);
    EXPECT_EQ(port.Read(bytes, 3), 0);
    const Steady::time_point start = Steady::now();
    port.WaitForInput(40);
    EXPECT_GE(MsSince(start), 30);

    // The line as another program left it comes back at the close, exclusive mode released.
    const std::string before = testing::LineState(line.path);
    ASSERT_EQ(port.Open(5, 19200), 1) << "a failed open holds nothing";
    EXPECT_EQ(port.OpenFailureText(true), "");
    CComPort other;
    EXPECT_EQ(other.Open(5, 19200), 0) << "held by the first opener";
    EXPECT_EQ(other.OpenFailureText(true), "in use by another program");
    EXPECT_FALSE(other.IsOpen());
    EXPECT_EQ(port.Close(), 1);
    EXPECT_EQ(port.Close(), 1);
    EXPECT_EQ(testing::LineState(line.path), before);
    EXPECT_EQ(other.Open(5, 19200), 1);
}

TEST_F(ComPortTest, ReadTakesNoMoreThanTheLimitAndRs232WritePacesEveryByte) {
    ASSERT_EQ(port.Open(5, 19200), 1);
    uint8_t buffer[64] = {};
    Steady::time_point start = Steady::now();
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 0);
    EXPECT_LT(MsSince(start), 100);

    const std::string sent("ABC\r\0FGHIJKLMNOPQRSTUVWXYZABCD", 30);  // raw: no translation
    line.Send(sent);
    start = Steady::now();
    while (port.GetBytesWaiting() < 30 && MsSince(start) < 2000)
        port.WaitForInput(20);  // ends on input, not after its time
    ASSERT_EQ(port.GetBytesWaiting(), 30);
    EXPECT_EQ(port.Read(buffer, 10), 10);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 10), sent.substr(0, 10));
    EXPECT_EQ(port.Read(buffer, 0), 0);
    EXPECT_EQ(port.Read(buffer, -5), 0);
    EXPECT_EQ(port.GetBytesWaiting(), 20);
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 20);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 20), sent.substr(10));

    // An RS232 write paces every byte.
    const uint8_t request[6] = {'G', '0', '1', '0', '2', '\r'};
    port.SetCommMode(232);
    start = Steady::now();
    EXPECT_EQ(port.Write(request, 6), 6);
    EXPECT_GE(MsSince(start), 2 + 3 * 6);
    EXPECT_EQ(ReceivedByController(6), "G0102\r");
    port.SetCommMode(485);
    EXPECT_EQ(port.Write(request, 6), 6);
    EXPECT_EQ(ReceivedByController(6), "G0102\r");
}

// The far end closing (an unplugged adapter, a simulator that ended) and the node going from
// the port folder are both told at once; the same COM number opens again once it is back,
// and a close on purpose forgets it.
TEST_F(ComPortTest, ADeviceThatWentAwayIsToldAndReopenedOnceBack) {
    for (const bool hangUp : {true, false}) {
        auto device = std::make_unique<testing::SilentTerminal>();
        fs::create_symlink(device->path, ports / "COM6");
        ASSERT_EQ(port.Open(6, 19200), 1);
        port.WaitForInput(5);
        EXPECT_FALSE(port.WentAway());
        hangUp ? device.reset() : void(fs::remove(ports / "COM6"));
        const Steady::time_point start = Steady::now();
        port.WaitForInput(300);  // a hang-up ends the wait, a removed node is seen after it
        EXPECT_TRUE(port.WentAway()) << hangUp;
        EXPECT_LT(MsSince(start), hangUp ? 200 : 1000) << hangUp;
        fs::remove(ports / "COM6");
        EXPECT_TRUE(!port.Reopen() && port.WentAway() && !port.IsOpen());

        testing::SilentTerminal back;
        fs::create_symlink(back.path, ports / "COM6");
        EXPECT_TRUE(port.Reopen() && !port.WentAway() && port.PortNumber() == 6);
        fs::remove(ports / "COM6");
        port.Close();
    }
}

TEST_F(ComPortTest, ComNamesAndTheirDevices) {
    const std::pair<const char*, int> names[] = {
        {"COM1", 1}, {"com7", 7},  {"Com40", 40}, {"COM0", 0}, {"COM41", 0},
        {"COM", 0},  {"COM1x", 0}, {"COM100", 0}, {"CON5", 0}, {"/dev/ttyS0", 0}};
    for (const auto& [name, number] : names)
        EXPECT_EQ(ParseComName(name), number) << name;
    // An explicit folder: only its entries name ports.
    fs::create_symlink("/dev/null", ports / "COM40");
    EXPECT_TRUE(PortDirectoryIsExplicit());
    EXPECT_EQ(ComDevicePath(40), (ports / "COM40").string());
    for (const int number : {0, 1, 33, 41})
        EXPECT_EQ(ComDevicePath(number), "") << number;
    // Else the folder beside the settings, then the serial devices.
    portEnv.emplace("ZELT_PORT_DIR", std::nullopt);
    ScopedEnv settings("ZELT_SETTINGS", folder.File("settings.reg"));
    EXPECT_FALSE(PortDirectoryIsExplicit());
    EXPECT_EQ(PortDirectory(), ports.string());
    EXPECT_EQ(ComDevicePath(40), (ports / "COM40").string());  // the entry comes first
    const std::pair<int, const char*> devices[] = {{1, "/dev/ttyS0"},
                                                   {32, "/dev/ttyS31"},
                                                   {33, "/dev/ttyUSB0"},
                                                   {39, "/dev/ttyUSB6"},
                                                   {41, ""}};
    for (const auto& [number, device] : devices)
        EXPECT_EQ(ComDevicePath(number), device) << number;
}

// zeltctl as a separate process, with its settings and ports in the test's folder.
TEST_F(ComPortTest, ZeltctlRefusalsSayWhy) {
    const ScopedEnv settingsEnv("ZELT_SETTINGS", folder.File("settings.reg"));
    struct Refusal {
        const char* settings;  // the "COM Port" value, or nullptr for a 2 MB sparse file
        const char* portDir;   // ZELT_PORT_DIR, or nullptr for the test's folder
        const char* args;
        int status;
        const char* said;
    };
    const Refusal refusals[] = {
        {"3", nullptr, "--port COM6 status", 1, "COM6 cannot be opened: no such device.\n"},
        {"3", nullptr, "--lang zh --port COM6 status", 1, "無法開啟 COM6: 沒有此裝置.\n"},
        {"99999999999999999999", nullptr, "status", 2, "COM65535 is not one of COM1 to COM40"},
        {"3", "", "ports", 2, "zeltctl: ZELT_PORT_DIR is empty\n"},
        // The bus commands open the port the same way.
        {"3", nullptr, "--port COM6 scan", 1, "COM6 cannot be opened: no such device.\n"},
        {"3", "", "status --ids 1-3", 2, "zeltctl: ZELT_PORT_DIR is empty\n"},
        {nullptr, nullptr, "settings", 2,
         "settings.reg: larger than this kind of file can be (2097152 bytes, at most 65536)\n"},
    };
    for (const Refusal& row : refusals) {
        const std::string settings = folder.File("settings.reg");
        if (row.settings != nullptr) {
            WriteText(settings,
                      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZELT Utility Quorvel]\n\"COM Port\"=\"" +
                          std::string(row.settings) + "\"\n");
        } else {
            fs::resize_file(settings, 2u << 20);
        }
        portEnv.emplace("ZELT_PORT_DIR", row.portDir != nullptr ? row.portDir : ports.string());
        const testing::ToolRun run = testing::RunZeltctl(folder, row.args);
        EXPECT_EQ(run.status, row.status) << row.args;
        EXPECT_NE(run.err.find(row.said), std::string::npos) << row.args << ": " << run.err;
    }
}

}  // namespace
}  // namespace zelt

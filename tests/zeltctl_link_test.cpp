// zeltctl's controller commands end to end: the tool and the simulated controller run as
// separate processes, joined by a pseudo-terminal in a private port folder.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Splits "a b 'c d'"-free argument strings: the tests never need quoting.
std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    return words;
}

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

// The environment of the tests' processes: ours, with the port folder and settings file.
class ProcessEnvironment {
  public:
    ProcessEnvironment(const fs::path& portDir, const fs::path& settings) {
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            if (entry.rfind("ZELT_", 0) != 0) {
                entries_.push_back(entry);
            }
        }
        entries_.push_back("ZELT_PORT_DIR=" + portDir.string());
        entries_.push_back("ZELT_SETTINGS=" + settings.string());
    }

    // Starts program with args; stdout and stderr go to the given descriptors.
    pid_t Spawn(const std::string& program, const std::vector<std::string>& args, int outFd,
                int errFd) const {
        std::vector<std::string> argvText{program};
        argvText.insert(argvText.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : argvText) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        std::vector<std::string> envText = entries_;
        std::vector<char*> envp;
        for (auto& e : envText) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, outFd, 1);
        posix_spawn_file_actions_adddup2(&actions, errFd, 2);
        pid_t pid = -1;
        if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) {
            pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }

  private:
    std::vector<std::string> entries_;
};

// A terminal where nobody answers; it tells whether anything was sent to it.
class SilentTerminal {
  public:
    SilentTerminal() {
        int slave = -1;
        char name[256] = {};
        if (openpty(&master_, &slave, name, nullptr, nullptr) == 0) {
            close(slave);
            path_ = name;
            fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
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
    // Everything written to the terminal so far.
    std::string Received() {
        std::string got;
        char chunk[256];
        for (;;) {
            const ssize_t n = read(master_, chunk, sizeof chunk);
            if (n <= 0) {
                return got;
            }
            got.append(chunk, static_cast<size_t>(n));
        }
    }

  private:
    int master_ = -1;
    std::string path_;
};

class ZeltctlLink : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/zeltctl-link-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        dir_ = pattern;
        fs::create_directory(dir_ / "ports");
        env_.emplace(dir_ / "ports", dir_ / "settings.reg");
    }
    void TearDown() override {
        StopSim();
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    fs::path File(const std::string& name) const { return dir_ / name; }

    // Starts kvrn-sim on COMn with the given options and waits for its port entry.
    void StartSim(int com, const std::string& options = "") {
        std::vector<std::string> args{"--port", "COM" + std::to_string(com)};
        for (const auto& word : Words(options)) {
            args.push_back(word);
        }
        const int out = open(File("sim.out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(File("sim.err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        simPid_ = env_->Spawn(KVRN_SIM_PATH, args, out, err);
        close(out);
        close(err);
        ASSERT_GT(simPid_, 0);
        const fs::path entry = dir_ / "ports" / ("COM" + std::to_string(com));
        for (int i = 0; i < 200 && !fs::exists(entry); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_TRUE(fs::exists(entry)) << ReadText(File("sim.err"));
    }
    void StopSim() {
        if (simPid_ > 0) {
            kill(simPid_, SIGTERM);
            int status = 0;
            waitpid(simPid_, &status, 0);
            simPid_ = -1;
        }
    }
    void PlaceSilent(SilentTerminal& terminal, int com) {
        fs::create_symlink(terminal.Path(), dir_ / "ports" / ("COM" + std::to_string(com)));
    }

    // Runs zeltctl with the arguments; stdout and stderr are files, not terminals.
    ToolRun Run(const std::string& args) { return RunArgs(Words(args)); }
    ToolRun RunArgs(const std::vector<std::string>& args) {
        const int out = open(File("out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(File("err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const pid_t pid = env_->Spawn(ZELTCTL_PATH, args, out, err);
        close(out);
        close(err);
        ToolRun run;
        int status = 0;
        if (pid > 0 && waitpid(pid, &status, 0) == pid) {
            run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        run.out = ReadText(File("out.txt"));
        run.err = ReadText(File("err.txt"));
        return run;
    }

    // Runs zeltctl with standard error on a terminal, and returns what the terminal showed.
    std::string RunWithTerminalStderr(const std::string& args, int* exitStatus) {
        int master = -1;
        int slave = -1;
        if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
            return {};
        }
        const int out = open(File("out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const pid_t pid = env_->Spawn(ZELTCTL_PATH, Words(args), out, slave);
        close(out);
        close(slave);
        std::string shown;
        char chunk[512];
        for (;;) {  // keep the terminal drained while the tool runs
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 20000) <= 0) {
                break;
            }
            const ssize_t n = read(master, chunk, sizeof chunk);
            if (n <= 0) {
                break;  // EIO once the tool has closed its side
            }
            shown.append(chunk, static_cast<size_t>(n));
        }
        close(master);
        int status = 0;
        waitpid(pid, &status, 0);
        *exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return shown;
    }

    nlohmann::json Show(const std::string& cfg) {
        const ToolRun shown = Run("cfg show " + File(cfg).string());
        EXPECT_EQ(0, shown.status) << shown.err;
        return nlohmann::json::parse(shown.out);
    }

    // get -> edit -> set -> get through files, with the global options given.
    void RoundTrip(const std::string& global) {
        const ToolRun first = Run(global + " get -o " + File("a.cfg").string());
        ASSERT_EQ(0, first.status) << first.err;
        EXPECT_EQ("", first.err);  // no progress when standard error is not a terminal
        nlohmann::json record = Show("a.cfg");

        const double lvd = record["lvdVoltage"].get<double>() > 11.3 ? 11.0 : 11.6;
        const int duration = record["autoDuration"][2].get<int>() == 95 ? 85 : 95;
        record["lvdVoltage"] = lvd;
        record["autoDuration"][2] = duration;
        std::ofstream(File("b.json")) << record.dump(2);
        const ToolRun imported =
            Run("cfg import " + File("b.json").string() + " -o " + File("b.cfg").string());
        ASSERT_EQ(0, imported.status) << imported.err;

        const ToolRun set = Run(global + " set " + File("b.cfg").string());
        ASSERT_EQ(0, set.status) << set.err;
        EXPECT_EQ("", set.err);

        const ToolRun second = Run(global + " get -o " + File("c.cfg").string());
        ASSERT_EQ(0, second.status) << second.err;
        const nlohmann::json back = Show("c.cfg");
        // Voltages travel as 10-bit counts of about 24 mV.
        EXPECT_NEAR(lvd, back["lvdVoltage"].get<double>(), 0.03);
        EXPECT_EQ(duration, back["autoDuration"][2].get<int>());
        EXPECT_NE(record["lvdVoltage"], Show("a.cfg")["lvdVoltage"]);  // the edit was real
    }

    fs::path dir_;
    std::optional<ProcessEnvironment> env_;
    pid_t simPid_ = -1;
};

// ---------------------------------------------------------------------------------------
// Finding, reading and writing

TEST_F(ZeltctlLink, Rs232DetectThenGetSetGetRoundTrip) {
    StartSim(12);
    const ToolRun detect = Run("detect");
    ASSERT_EQ(0, detect.status) << detect.err;
    EXPECT_EQ("Controller is found at COM12.\n", detect.out);
    RoundTrip("--port COM12");
}

TEST_F(ZeltctlLink, Rs485DetectThenGetSetGetRoundTrip) {
    StartSim(12, "--rs485-id 17");
    // The ID walk starts at the given ID: found on the first probe.
    const ToolRun detect = Run("--rs485 --id 17 detect");
    ASSERT_EQ(0, detect.status) << detect.err;
    EXPECT_EQ("Controller is found at COM12, RS485 ID = 17.\n", detect.out);
    RoundTrip("--port COM12 --rs485 --id 17");
}

TEST_F(ZeltctlLink, GetPrintsJsonAndStartsFromTheGivenRecord) {
    StartSim(3, "--fault no-reply --fault-fraction 1");
    // Nothing answers, so every item keeps what --from gave it.
    ASSERT_EQ(0, Run("cfg new --system 12 -o " + File("from.cfg").string()).status);
    const ToolRun get = Run("--port COM3 get --json --from " + File("from.cfg").string() + " -o " +
                            File("kept.cfg").string());
    EXPECT_EQ(1, get.status);
    EXPECT_THAT(get.err, HasSubstr("Failed to get parameters, list them as follow:"));
    EXPECT_THAT(get.err, HasSubstr("\nSchedule 8 Fail !"));
    const nlohmann::json printed = nlohmann::json::parse(get.out);
    EXPECT_EQ(Show("from.cfg")["lvdVoltage"], printed["lvdVoltage"]);
    // The file is written all the same, as the window would show what was read.
    EXPECT_EQ(Show("from.cfg")["autoDuration"], Show("kept.cfg")["autoDuration"]);
}

TEST_F(ZeltctlLink, ProgressGoesToStderrOnlyWhenItIsATerminal) {
    StartSim(4);
    int status = -1;
    const std::string shown =
        RunWithTerminalStderr("--port COM4 get -o " + File("p.cfg").string(), &status);
    EXPECT_EQ(0, status);
    EXPECT_THAT(shown, HasSubstr("[1/26]"));
    EXPECT_THAT(shown, HasSubstr("[26/26]"));
    EXPECT_TRUE(fs::exists(File("p.cfg")));
}

// ---------------------------------------------------------------------------------------
// Watching

TEST_F(ZeltctlLink, StatusPrintsEveryReadingAsLinesAndJson) {
    StartSim(12, "--24v");
    const ToolRun lines = Run("--port COM12 status");
    ASSERT_EQ(0, lines.status) << lines.err;
    EXPECT_THAT(lines.out, HasSubstr("Firmware version: 3.12"));
    EXPECT_THAT(lines.out, HasSubstr("System voltage: 24 V\n"));
    for (const char* label :
         {"Battery voltage: ", "State of charge: ", "Charge voltage: ", "Charge current: ",
          "Load voltage: ", "Load current: ", "Load on: ", "Charge count: ", "Operating mode: ",
          "Lighting time: ", "Controller clock: "}) {
        EXPECT_THAT(lines.out, HasSubstr(label));
    }
    EXPECT_THAT(lines.out, Not(HasSubstr("--")));  // no reading missing

    const ToolRun json = Run("--port COM12 status --json");
    ASSERT_EQ(0, json.status) << json.err;
    const nlohmann::json status = nlohmann::json::parse(json.out);
    EXPECT_EQ("COM12", status["port"]);
    EXPECT_EQ(24, status["systemVoltage"]);
    EXPECT_GT(status["batteryVoltage"].get<double>(), 20.0);  // a 24 V battery
    EXPECT_TRUE(status["chargeCount"].is_number_integer());
    EXPECT_TRUE(status["loadOn"].is_boolean());
    EXPECT_THAT(status["controllerClock"].get<std::string>(),
                ::testing::MatchesRegex("[0-9][0-9]:[0-9][0-9]:[0-9][0-9]"));
}

TEST_F(ZeltctlLink, MonitorWritesAHeaderAndOneCsvRowPerPoll) {
    StartSim(12);
    const ToolRun run =
        Run("--port COM12 monitor --interval 0.2 --count 3 --csv " + File("log.csv").string());
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_EQ(3u, Lines(run.out).size());
    const std::vector<std::string> rows = Lines(ReadText(File("log.csv")));
    ASSERT_EQ(4u, rows.size());
    EXPECT_EQ(0u, rows[0].rfind("time,systemVoltage,batteryVoltage,", 0));
    for (size_t i = 1; i < rows.size(); ++i) {
        EXPECT_THAT(rows[i],
                    ::testing::MatchesRegex(
                        "[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}[+-][0-9]{2}:"
                        "[0-9]{2},12,[0-9.]+,[0-9]+,.*"));
    }
}

TEST_F(ZeltctlLink, BatteryFailureAndOverVoltageEndMonitorAndStatusWithStatusOne) {
    StartSim(12, "--battery-fail");
    const ToolRun failed = Run("--port COM12 monitor --count 5 --interval 0.1");
    EXPECT_EQ(1, failed.status);
    EXPECT_THAT(failed.err, HasSubstr("Warning: The Battery is bad/over current/short circuit !"));
    StopSim();

    StartSim(12, "--over-voltage");
    const ToolRun over =
        Run("--port COM12 monitor --count 5 --interval 0.1 --csv " + File("over.csv").string());
    EXPECT_EQ(1, over.status);
    EXPECT_THAT(over.err,
                HasSubstr("The battery voltage is too high, Please input 12V.\nThe utility will "
                          "be closed."));
    EXPECT_EQ(1u, Lines(over.out).size());                    // ended after the first poll
    EXPECT_EQ(2u, Lines(ReadText(File("over.csv"))).size());  // and kept its row
}

// ---------------------------------------------------------------------------------------
// Single commands and failures

TEST_F(ZeltctlLink, ClockResetCountAndMode) {
    StartSim(12);
    const ToolRun clock = Run("--port COM12 clock 07:08:09");
    ASSERT_EQ(0, clock.status) << clock.err;
    EXPECT_EQ("07:08:09\n", clock.out);
    const ToolRun status = Run("--port COM12 status --json");
    ASSERT_EQ(0, status.status) << status.err;
    EXPECT_THAT(nlohmann::json::parse(status.out)["controllerClock"].get<std::string>(),
                ::testing::MatchesRegex("07:08:(09|1[0-9])"));

    EXPECT_EQ(0, Run("--port COM12 clock --pc").status);
    EXPECT_EQ(0, Run("--port COM12 reset-count").status);
    EXPECT_EQ(0, nlohmann::json::parse(Run("--port COM12 status --json").out)["chargeCount"]);

    const ToolRun mode = Run("--port COM12 mode");
    ASSERT_EQ(0, mode.status) << mode.err;
    EXPECT_THAT(mode.out, ::testing::StartsWith("Operating mode: "));
}

TEST_F(ZeltctlLink, ControllerThatDoesNotAnswerGivesStatusOneWithTheSystemsMessage) {
    StartSim(12, "--fault no-reply");
    const ToolRun status = Run("--port COM12 status");
    EXPECT_EQ(1, status.status);
    EXPECT_THAT(status.err, HasSubstr("Operation fault ! Please check power & connection."));

    const ToolRun set = Run("--port COM12 --lang zh set " + File("none.cfg").string());
    EXPECT_EQ(2, set.status);  // the missing file is found before anything is sent

    ASSERT_EQ(0, Run("cfg new -o " + File("new.cfg").string()).status);
    const ToolRun setZh = Run("--port COM12 --lang zh set " + File("new.cfg").string());
    EXPECT_EQ(1, setZh.status);
    EXPECT_THAT(setZh.err, HasSubstr("作業失敗 ! 請檢查電源及連線"));

    const ToolRun reset = Run("--port COM12 reset-count");
    EXPECT_EQ(1, reset.status);
    EXPECT_THAT(reset.err, HasSubstr("Failed to reset charge count."));

    const ToolRun absent = Run("--port COM13 status");
    EXPECT_EQ(1, absent.status);
    EXPECT_THAT(absent.err, HasSubstr("COM13"));
}

TEST_F(ZeltctlLink, ChineseSummaryListsTheItemsThatFailed) {
    // Two of every three replies are lost: some items fail twice.
    StartSim(12, "--drop 0.67 --seed 7");
    const ToolRun get = Run("--port COM12 --lang zh get -o " + File("zh.cfg").string());
    EXPECT_EQ(1, get.status);
    EXPECT_THAT(get.err, HasSubstr("發生錯誤, 以下參數無法存取:  \n"));
    EXPECT_THAT(get.err, Not(HasSubstr("Fail !")));
    EXPECT_TRUE(fs::exists(File("zh.cfg")));
}

TEST_F(ZeltctlLink, DetectWithoutAControllerFails) {
    SilentTerminal silent;
    PlaceSilent(silent, 2);
    const ToolRun detect = Run("detect");
    EXPECT_EQ(1, detect.status);
    EXPECT_EQ("Failed to detect.\nCan not found Controller.\n", detect.err);
    EXPECT_EQ("", detect.out);
    const ToolRun zh = Run("--lang zh detect");
    EXPECT_EQ(1, zh.status);
    EXPECT_EQ("偵測失敗.\n找不到控制器.\n", zh.err);
}

// ---------------------------------------------------------------------------------------
// Bad input: status 2, a message, and not a byte on the line

TEST_F(ZeltctlLink, BadInputNeverReachesTheController) {
    SilentTerminal line;
    PlaceSilent(line, 12);
    std::ofstream(File("garbage.cfg")) << "this is not a configuration file";
    std::ofstream(File("unknown.json")) << R"({"lvdVoltage": 11.0, "noSuchField": 1})";
    std::ofstream(File("broken.json")) << R"({"lvdVoltage": )";

    const std::vector<std::string> cases = {
        "--port COM41 status",
        "--port COM0 status",
        "--port LPT1 status",
        "--port COM12 clock 25:00:00",
        "--port COM12 clock 12:5:00",
        "--port COM12 clock 12:00",
        "--port COM12 clock --pc 10:00:00",
        "--port COM12 status --verbose",
        "--port COM12 --bogus status",
        "--port COM12 --rs485 --id 0 status",
        "--port COM12 --rs485 --id 256 status",
        "--port COM12 --lang fr status",
        "--port COM12 monitor --count -1",
        "--port COM12 set " + File("missing.cfg").string(),
        "--port COM12 set " + File("garbage.cfg").string(),
        "--port COM12 set " + File("unknown.json").string(),
        "--port COM12 set " + File("broken.json").string(),
        "--port COM12 get --from " + File("missing.cfg").string(),
        "--port COM12 get -o " + File("no/such/folder/a.cfg").string(),
        "--port COM12 set",
    };
    for (const std::string& args : cases) {
        const ToolRun run = Run(args);
        EXPECT_EQ(2, run.status) << args << "\n" << run.err;
        EXPECT_NE("", run.err) << args;
        EXPECT_EQ("", line.Received()) << args;
    }

    // A saved port or ID out of range is caught the same way.
    std::ofstream(File("settings.reg")) << "Windows Registry Editor Version 5.00\n\n"
                                           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZELT Utility Quorvel]\n"
                                           "\"COM Port\"=\"45\"\n\"RS485 ID\"=\"300\"\n";
    const ToolRun savedPort = Run("status");
    EXPECT_EQ(2, savedPort.status);
    EXPECT_THAT(savedPort.err, HasSubstr("COM45"));
    const ToolRun savedId = Run("--port COM12 --rs485 status");
    EXPECT_EQ(2, savedId.status);
    EXPECT_THAT(savedId.err, HasSubstr("300"));
    EXPECT_EQ("", line.Received());
}

}  // namespace

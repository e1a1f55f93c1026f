// Every seeded fault of kvrn-sim against zeltctl's get, set, status and monitor, in both
// framings, each tool a separate process: the command must end within the bound its
// time-outs give, with the system's summary and exit status, and a failed get must leave its
// output file alone. Cases run side by side, each with its own port folder.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "link/LinkTexts.h"
#include "support/TestEnv.h"

extern char** environ;

namespace zelt::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using ::testing::HasSubstr;

const std::string kUntouched = "a file the failed command must leave alone";

// A child process with its own environment additions and its output in files.
class Child {
  public:
    Child(const std::vector<std::string>& args, const std::vector<std::string>& env,
          const std::string& out, const std::string& err) {
        std::vector<std::string> environment = env;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            if (std::string(*entry).rfind("ZELT_", 0) != 0) {  // ours replace the caller's
                environment.emplace_back(*entry);
            }
        }
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        if (posix_spawn(&pid_, args[0].c_str(), &files, nullptr, Pointers(args).data(),
                        Pointers(environment).data()) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&files);
    }
    ~Child() {
        if (pid_ > 0) {
            Kill(SIGKILL);
            Wait(Clock::now());
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    void Kill(int signal) const {
        if (pid_ > 0) {
            kill(pid_, signal);
        }
    }
    // The exit status; -1 for a signal, -2 when it was still running at the deadline (then
    // it is killed).
    int Wait(Clock::time_point deadline) {
        int raw = 0;
        while (pid_ > 0 && waitpid(pid_, &raw, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                Kill(SIGKILL);
                waitpid(pid_, &raw, 0);
                pid_ = -1;
                return -2;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pid_ = -1;
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

  private:
    static std::vector<char*> Pointers(const std::vector<std::string>& texts) {
        std::vector<char*> pointers;
        for (const std::string& text : texts) {
            pointers.push_back(const_cast<char*>(text.c_str()));
        }
        pointers.push_back(nullptr);
        return pointers;
    }
    pid_t pid_ = -1;
};

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    return words;
}

struct Fault {
    const char* name;
    const char* simOptions;
    // Every reply spoiled: the command fails. (Pieces of cut replies can still add up to the
    // length a later read waits for, so which items fail is not certain.)
    bool everyReplySpoiled;
};

const Fault kFaults[] = {
    {"no reply", "--fault no-reply", true},
    {"late", "--fault late", false},
    {"truncated", "--fault truncated", true},
    {"wrong leader or function", "--fault wrong-leader", true},
    {"garbage", "--fault garbage", true},
    {"30 % drops", "--drop 0.3 --seed 5", false},
};

struct Framing {
    const char* name;
    const char* options;
};

const Framing kFramings[] = {{"RS232", ""}, {"RS485", "--rs485 --id 250"}};

// The bound a command's time-outs give: every transaction tried as often as the command
// may, each waiting its longest time-out (140 ticks) plus pacing, with room for a loaded
// machine and the start of two processes.
struct Command {
    const char* name;
    const char* args;  // FILE stands for the case's .cfg file
    int transactions;
    const char* failure;  // what a failure that every read shares says on standard error

    Clock::duration Bound() const { return std::chrono::milliseconds(transactions * 240 + 4000); }
};

const Command kCommands[] = {
    {"get", "get -o FILE", 2 * 26, texts::kReadAllHeader.english},
    {"set", "set FILE", 2 * 24, texts::kOperationFault.english},
    {"status", "status", 2 * 12, texts::kOperationFault.english},
    {"monitor", "monitor --count 2 --interval 0.1", 2 * 10, texts::kOperationFault.english},
};

struct Outcome {
    int status = -1;
    Clock::duration took{};
    std::string out, err;
    bool fileUntouched = false;
};

// One case in its own folder: kvrn-sim on COM12 there, then zeltctl. With killAfterLines,
// the simulator is killed once its trace holds that many lines: the terminal goes away.
Outcome RunCase(const std::string& simOptions, const std::string& global, const Command& command,
                int killAfterLines = 0) {
    ScratchFolder dir;
    fs::create_directory(dir.path / "ports");
    const std::vector<std::string> env = {"ZELT_PORT_DIR=" + dir.File("ports"),
                                          "ZELT_SETTINGS=" + dir.File("settings.reg")};
    const std::string cfg = dir.File("case.cfg");
    Outcome outcome;
    if (command.name == std::string("set")) {
        Child make({ZELTCTL_PATH, "cfg", "new", "-o", cfg}, env, dir.File("o"), dir.File("e"));
        if (make.Wait(Clock::now() + std::chrono::seconds(10)) != 0) {
            outcome.err = "cfg new failed";
            return outcome;
        }
    } else {
        WriteText(cfg, kUntouched);
    }

    std::vector<std::string> simArgs = {KVRN_SIM_PATH, "--port", "COM12"};
    for (const std::string& word : Words(simOptions)) {
        simArgs.push_back(word);
    }
    Child sim(simArgs, env, "/dev/null", dir.File("sim.err"));
    for (int i = 0; i < 500 && !fs::exists(dir.path / "ports/COM12"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    std::vector<std::string> args = {ZELTCTL_PATH, "--port", "COM12"};
    for (std::string word : Words(global + " " + command.args)) {
        args.push_back(word == "FILE" ? cfg : word);
    }
    const Clock::time_point start = Clock::now();
    Child tool(args, env, dir.File("out"), dir.File("err"));
    if (killAfterLines > 0) {
        while (Clock::now() - start < std::chrono::seconds(10)) {
            const std::string trace = ReadText(dir.File("sim.err"));
            if (std::count(trace.begin(), trace.end(), '\n') >= killAfterLines) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        sim.Kill(SIGKILL);
    }
    outcome.status = tool.Wait(start + command.Bound());
    outcome.took = Clock::now() - start;
    outcome.out = ReadText(dir.File("out"));
    outcome.err = ReadText(dir.File("err"));
    outcome.fileUntouched = ReadText(cfg) == kUntouched;
    return outcome;
}

std::string Describe(const Outcome& o) {
    return "status " + std::to_string(o.status) + " after " +
           std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(o.took).count()) +
           " ms\n--- stdout\n" + o.out + "--- stderr\n" + o.err;
}

TEST(FaultMatrix, EveryFaultEndsInTimeWithTheSummaryAndNoFileOnFailure) {
    struct Case {
        const Fault* fault;
        const Framing* framing;
        const Command* command;
        Outcome outcome;
    };
    std::vector<Case> cases;
    for (const Fault& fault : kFaults) {
        for (const Framing& framing : kFramings) {
            for (const Command& command : kCommands) {
                cases.push_back({&fault, &framing, &command, {}});
            }
        }
    }
    // Most of a case is waiting on time-outs: several at a time fit on a small machine.
    std::atomic<size_t> next{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < 8; ++w) {
        workers.emplace_back([&] {
            for (size_t i = next++; i < cases.size(); i = next++) {
                Case& c = cases[i];
                c.outcome = RunCase(c.fault->simOptions, c.framing->options, *c.command);
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }

    for (const Case& c : cases) {
        const Outcome& o = c.outcome;
        SCOPED_TRACE(std::string(c.fault->name) + ", " + c.framing->name + ", " + c.command->name +
                     ": " + Describe(o));
        ASSERT_TRUE(o.status == 0 || o.status == 1);  // not killed, not a usage error
        EXPECT_LE(o.took, c.command->Bound());
        EXPECT_EQ(o.status == 0, o.err.empty());  // a failure always says so
        if (c.fault->everyReplySpoiled) {
            EXPECT_EQ(1, o.status);
            EXPECT_THAT(o.err, HasSubstr(c.command->failure));
        }
        if (c.command == &kCommands[0]) {
            EXPECT_EQ(o.status != 0, o.fileUntouched);  // written only when every item read
            if (c.fault == &kFaults[0]) {               // no reply at all: every item listed
                EXPECT_THAT(o.err, HasSubstr("F/W Version/VID/PID Fail !\nVoltage for Load"));
                EXPECT_THAT(o.err, HasSubstr("PWM Flag Fail !\nSN Fail !\n"));
            }
        }
    }
}

TEST(FaultMatrix, SimulatorKilledDuringReadAllEndsWithTheFailureSummary) {
    // Ten trace lines: five requests and their replies, early in the read-all.
    const Outcome o = RunCase("--trace", "", kCommands[0], 10);
    SCOPED_TRACE(Describe(o));
    EXPECT_EQ(1, o.status);
    EXPECT_LE(o.took, kCommands[0].Bound());
    EXPECT_THAT(o.err, HasSubstr(texts::kReadAllHeader.english));
    EXPECT_TRUE(o.fileUntouched);
}

}  // namespace
}  // namespace zelt::testing

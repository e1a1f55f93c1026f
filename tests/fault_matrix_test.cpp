// Every seeded fault of kvrn-sim against zeltctl's get, set, status and monitor, in both
// framings, each tool a separate process: the command must end within the bound its
// time-outs give, with the system's summary and exit status, and a failed get must leave its
// output file alone. Cases run side by side, each with its own port folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "panel/ControllerTexts.h"
#include "support/TestEnv.h"

namespace zelt::testing {
namespace {

using Clock = std::chrono::steady_clock;
using ::testing::HasSubstr;

const std::string kUntouched = "a file the failed command must leave alone";

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
    {"half the replies 200 ms late", "--fault late --fault-fraction 0.5 --late-ms 200 --seed 4",
     false},
    {"replies 150 ms late", "--fault late --fault-fraction 0.3 --late-ms 150 --seed 6", false},
    {"damaged data byte", "--fault damaged --fault-fraction 0.3 --seed 2", false},
    {"another device ID", "--fault other-id --fault-fraction 0.3 --seed 3", false},
};

struct Framing {
    const char* name;
    const char* options;
};

const Framing kFramings[] = {{"RS232", ""}, {"RS485", "--rs485 --id 250"}};

// The bound a command's time-outs give: every transaction tried as often as the command
// may, each waiting its longest time-out (140 ticks), the settling after a failure (300 ms)
// and pacing, with room for a loaded machine and the start of two processes.
struct Command {
    const char* name;
    const char* args;  // FILE stands for the case's .cfg file
    int transactions;
    const char* failure;  // what a failure that every read shares says on standard error

    Clock::duration Bound() const { return std::chrono::milliseconds(transactions * 560 + 4000); }
};

// What a failed get says first on standard error.
constexpr const char* kReadAllHeader = "Failed to get parameters, list them as follow:";

const Command kCommands[] = {
    {"get", "get -o FILE", 2 * 26, kReadAllHeader},
    {"set", "set FILE", 2 * 24, texts::kOperationFault.english},
    {"status", "status", 2 * 12, texts::kOperationFault.english},
    {"monitor", "monitor --count 2 --interval 0.1", 2 * 11, texts::kOperationFault.english},
};
const Command kPartialGet{"get", "get --partial --json", 2 * 26, kReadAllHeader};

struct Outcome {
    int status = -1;
    Clock::duration took{};
    std::string out, err;
    bool fileUntouched = false;
};

// One case in its own folder, as a shell script: kvrn-sim on COM12 there, then zeltctl, killed
// if it outlives its bound. With killAfterLines, the simulator is killed once its trace holds
// that many lines: the terminal goes away.
Outcome RunCase(const std::string& simOptions, const std::string& global, const Command& command,
                int killAfterLines = 0) {
    ScratchFolder dir;
    const std::string cfg = dir.File("case.cfg");
    WriteText(cfg, kUntouched);
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(command.Bound());
    std::string args = command.args;
    if (const size_t at = args.find("FILE"); at != std::string::npos) {
        args.replace(at, 4, cfg);
    }
    std::string script = "cd '" + dir.path.string() +
                         "' || exit 98; mkdir ports; unset ZELT_TRACE; " +
                         "export ZELT_PORT_DIR=\"$PWD/ports\" ZELT_SETTINGS=\"$PWD/s.reg\"; ";
    if (command.name == std::string("set")) {
        script += "'" ZELTCTL_PATH "' cfg new -o case.cfg >/dev/null || exit 99; ";
    }
    script += "'" KVRN_SIM_PATH "' --port COM12 " + simOptions +
              " >/dev/null 2>sim.err & sim=$!; " +
              "for i in $(seq 500); do [ -e ports/COM12 ] && break; sleep 0.01; done; ";
    if (killAfterLines > 0) {
        script += "(for i in $(seq 5000); do [ $(wc -l <sim.err) -ge " +
                  std::to_string(killAfterLines) +
                  " ] && break; sleep 0.002; done; kill -9 $sim) & ";
    }
    script += "timeout -s KILL " + std::to_string(seconds.count() + 1) +
              " '" ZELTCTL_PATH "' --port COM12 " + global + " " + args +
              " </dev/null >out 2>err; status=$?; " +
              "kill -9 $sim 2>/dev/null; wait; exit $status";

    Outcome outcome;
    const Clock::time_point start = Clock::now();
    const int raw = std::system(script.c_str());
    outcome.took = Clock::now() - start;
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
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

// Most of a case is waiting on time-outs: several at a time fit on a small machine.
void RunInParallel(size_t count, const std::function<void(size_t)>& job) {
    std::atomic<size_t> next{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < 8; ++w) {
        workers.emplace_back([&] {
            for (size_t i = next++; i < count; i = next++) {
                job(i);
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
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
    RunInParallel(cases.size(), [&](size_t i) {
        Case& c = cases[i];
        c.outcome = RunCase(c.fault->simOptions, c.framing->options, *c.command);
    });

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

// Under every fault, each field that get reports is either what the controller holds (the
// same simulator without faults) or the construction default it started from (an item that
// failed): never another item's reply, a damaged one or a wrong device's.
TEST(FaultMatrix, NoFaultShowsAWrongValue) {
    // Per framing: the truth, the defaults (nothing answers), then each fault that leaves
    // some replies whole.
    std::vector<const char*> simOptions = {"", "--fault no-reply"};
    for (const Fault& fault : kFaults) {
        if (!fault.everyReplySpoiled) {
            simOptions.push_back(fault.simOptions);
        }
    }
    const size_t perFraming = simOptions.size();
    std::vector<nlohmann::json> records(2 * perFraming);
    RunInParallel(records.size(), [&](size_t i) {
        const Outcome o =
            RunCase(simOptions[i % perFraming], kFramings[i / perFraming].options, kPartialGet);
        records[i] = nlohmann::json::parse(o.out, nullptr, false);
    });
    for (size_t f = 0; f < 2; ++f) {
        const nlohmann::json& truth = records[f * perFraming];
        const nlohmann::json& defaults = records[f * perFraming + 1];
        ASSERT_TRUE(truth.is_object() && defaults.is_object());
        ASSERT_NE(truth, defaults);
        for (size_t k = 2; k < perFraming; ++k) {
            const nlohmann::json& got = records[f * perFraming + k];
            const std::string where = std::string(kFramings[f].name) + ", " + simOptions[k];
            ASSERT_TRUE(got.is_object()) << where;
            for (const auto& [key, value] : got.items()) {
                // The steps are items of their own; every other field is one item's.
                const bool perStep = value.is_array() && key != "sectors";
                for (size_t i = 0; i < (perStep ? value.size() : 1); ++i) {
                    const auto& v = perStep ? value[i] : value;
                    const auto& t = perStep ? truth[key][i] : truth[key];
                    const auto& d = perStep ? defaults[key][i] : defaults[key];
                    EXPECT_TRUE(v == t || v == d)
                        << where << ": " << key << " " << i << " = " << v.dump();
                }
            }
        }
    }
}

TEST(FaultMatrix, SimulatorKilledDuringReadAllStopsThereAndSaysWhy) {
    // Ten trace lines: five requests and their replies, early in the read-all.
    const Outcome o = RunCase("--trace", "", kCommands[0], 10);
    SCOPED_TRACE(Describe(o));
    EXPECT_EQ(1, o.status);
    EXPECT_LT(o.took, std::chrono::seconds(5));  // the remaining items are not waited out
    EXPECT_THAT(o.err, HasSubstr("Failed to get parameters: the port went away.\n"));
    EXPECT_TRUE(o.fileUntouched);
}

}  // namespace
}  // namespace zelt::testing

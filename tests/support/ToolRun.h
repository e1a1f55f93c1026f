#pragma once
// zeltctl as a separate process, run in a scratch folder with its output kept.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "support/SimProcess.h"
#include "support/TestEnv.h"

namespace zelt::testing {

struct ToolRun {
    int status = -1;
    std::string out, err;
};

// Runs "zeltctl ARGS" inside the folder with an empty standard input; a "2>" in args sends
// standard error elsewhere. A tool killed by a signal gives 128 plus the signal.
inline ToolRun RunZeltctl(const ScratchFolder& folder, const std::string& args) {
    const int raw = std::system(("cd '" + folder.path.string() +
                                 "' && '" ZELTCTL_PATH "' </dev/null >out.txt 2>err.txt " + args)
                                    .c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw),
            ReadText(folder.File("out.txt")), ReadText(folder.File("err.txt"))};
}

// A scratch folder holding the port folder and the settings file, for zeltctl runs in it,
// and kvrn-sim on COM12 there.
class ToolBench : public ::testing::Test {
  protected:
    ToolBench() { std::filesystem::create_directory(scratch_.path / "ports"); }

    std::string File(const std::string& name) const { return scratch_.File(name); }
    ToolRun Run(const std::string& args) { return RunZeltctl(scratch_, args); }
    // The same, sent the signal afterMs after its start.
    ToolRun RunInterrupted(const std::string& args, int signal, int afterMs) {
        FILE* tool =
            popen(("cd '" + scratch_.path.string() +
                   "' && echo $$ && exec '" ZELTCTL_PATH "' </dev/null >out.txt 2>err.txt " + args)
                      .c_str(),
                  "r");
        int pid = -1;
        EXPECT_EQ(1, std::fscanf(tool, "%d", &pid));
        std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
        kill(pid, signal);
        const int raw = pclose(tool);
        return {WEXITSTATUS(raw), ReadText(File("out.txt")), ReadText(File("err.txt"))};
    }
    // A configuration file in the folder as "cfg show" prints it.
    nlohmann::json Show(const std::string& name) {
        const ToolRun shown = Run("cfg show " + name);
        EXPECT_EQ(0, shown.status) << shown.err;
        return nlohmann::json::parse(shown.out, nullptr, false);
    }
    void StartSim(const std::string& options = "") {
        sim_ = std::make_unique<SimProcess>(scratch_.path / "ports", "COM12", options);
        ASSERT_TRUE(sim_->Running());
    }
    void StopSim() { sim_.reset(); }

    ScratchFolder scratch_;
    ScopedEnv portDir_{"ZELT_PORT_DIR", (scratch_.path / "ports").string()};
    ScopedEnv settings_{"ZELT_SETTINGS", File("settings.reg")};
    ScopedEnv trace_{"ZELT_TRACE", std::nullopt};
    std::unique_ptr<SimProcess> sim_;  // kvrn-sim on COM12, gone before the folder
};

}  // namespace zelt::testing

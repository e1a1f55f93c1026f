#pragma once
// kvrn-sim as a separate process on a COM name of a port folder, for the object's life.

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

namespace zelt::testing {

class SimProcess {
  public:
    SimProcess(const std::filesystem::path& portDir, const std::string& com,
               const std::string& options)
        : port_(portDir / com) {
        const std::string command =
            "echo $$; exec '" KVRN_SIM_PATH "' --port " + com + " " + options + " >/dev/null 2>&1";
        pipe_ = popen(command.c_str(), "r");
        if (pipe_ == nullptr || std::fscanf(pipe_, "%d", &pid_) != 1) {
            return;
        }
        for (int i = 0; i < 300 && !std::filesystem::exists(port_); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~SimProcess() {
        if (pipe_ != nullptr) {
            kill(pid_, SIGTERM);
            pclose(pipe_);
        }
        std::error_code ignored;
        std::filesystem::remove(port_, ignored);
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool Running() const { return std::filesystem::exists(port_); }

  private:
    std::filesystem::path port_;
    FILE* pipe_ = nullptr;
    int pid_ = -1;
};

}  // namespace zelt::testing

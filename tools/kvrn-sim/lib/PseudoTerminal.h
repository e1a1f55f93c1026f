#pragma once

#include <string>

namespace kvrn {

// A pseudo-terminal pair in raw mode: the simulator serves the master side, a client opens
// the slave path. The simulator keeps its own slave descriptor open, so a client may close
// and reopen the port any number of times without the master seeing a hang-up.
class PseudoTerminal {
  public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool Open(std::string* error);
    void Close();
    int MasterFd() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }

  private:
    int master_ = -1;
    int heldSlave_ = -1;
    std::string slavePath_;
};

}  // namespace kvrn

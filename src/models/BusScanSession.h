#pragma once
// "Scan Bus" on one port as every window runs it: the port opens at the discovery rate for the
// walk and closes when the session ends (the link dialog keeps the port closed outside its own
// walks). A port that does not open ends the walk at once with nothing found. The window steps
// it from its timer, one ID per turn, and lists each controller as it answers.

#include <memory>
#include <optional>
#include <vector>

#include "base/Ticks.h"
#include "base/Trace.h"
#include "link/BusScan.h"
#include "link/ComPort.h"
#include "link/Discovery.h"
#include "policy/Finding.h"

namespace zelt {

class CBusScanSession {
  public:
    CBusScanSession(CComPort& port, ITickClock& clock, ITraceSink& trace, int portNumber,
                    int fromId = kFirstBusId, int toId = kLastBusId);
    ~CBusScanSession();
    CBusScanSession(const CBusScanSession&) = delete;
    CBusScanSession& operator=(const CBusScanSession&) = delete;

    bool Done() const { return !run_ || run_->Done(); }
    // Probes the next ID; the controller when one answered (the window adds its row).
    std::optional<BusController> Step();
    const std::vector<BusController>& Found() const { return run_ ? run_->Found() : none_; }
    std::string ProgressText(bool english) const;
    // The ID listed in row (0 for none): what OK and a double-click hand back.
    int IdOfRow(int row) const;

  private:
    CComPort& port_;
    std::unique_ptr<CBusScan> scan_;
    std::unique_ptr<BusScanRun> run_;
    const std::vector<BusController> none_;
};

}  // namespace zelt

#include "models/BusScanSession.h"

namespace zelt {

CBusScanSession::CBusScanSession(CComPort& port, ITickClock& clock, ITraceSink& trace,
                                 int portNumber, int fromId, int toId)
    : port_(port) {
    port_.Close();
    if (port_.Open(portNumber, kDiscoveryBaudRate) != 0) {
        scan_ = std::make_unique<CBusScan>(port_, clock, trace, fromId, toId);
        run_ = std::make_unique<BusScanRun>(*scan_);
    }
}

CBusScanSession::~CBusScanSession() {
    port_.Close();
}

std::optional<BusController> CBusScanSession::Step() {
    return Done() ? std::nullopt : run_->Step();
}

std::string CBusScanSession::ProgressText(bool english) const {
    return run_ ? run_->ProgressText(english) : BusScanRun::FoundText(0, english);
}

int CBusScanSession::IdOfRow(int row) const {
    return row >= 0 && row < static_cast<int>(Found().size()) ? Found()[static_cast<size_t>(row)].id
                                                              : 0;
}

}  // namespace zelt

#include "link/Discovery.h"

#include "link/Transaction.h"

namespace zelt {

void CPortTable::Enumerate(CComPort& port) {
    port.Close();
    available = AllAbsent();
    highestPort = 0;
    if (const auto listed = SystemComPorts()) {
        for (const int n : *listed) {
            available[n - 1] = static_cast<uint16_t>(n);
            highestPort = static_cast<uint16_t>(n);
        }
        return;
    }
    for (int n = kFirstComPort; n <= kLastComPort; ++n) {
        if (port.Open(n, kDiscoveryBaudRate) != 0) {
            available[n - 1] = static_cast<uint16_t>(n);
            port.Close();
            highestPort = static_cast<uint16_t>(n);
        }
    }
}

bool CPortTable::Exists(int portNumber) const {
    return portNumber >= kFirstComPort && portNumber <= kLastComPort &&
           available[portNumber - 1] != kNoPort;
}

std::vector<int> CPortTable::ExistingPorts() const {
    std::vector<int> ports;
    for (int n = kFirstComPort; n <= highestPort; ++n) {
        if (Exists(n)) {
            ports.push_back(n);
        }
    }
    return ports;
}

int CPortTable::PortAtListIndex(int index) const {
    const std::vector<int> ports = ExistingPorts();
    return index >= 0 && index < static_cast<int>(ports.size()) ? ports[index] : 0;
}

DetectResult CAutoDetect::Run(const CPortTable& table, LinkAddress start,
                              const std::atomic<bool>* cancel) {
    const IFraming& framing = FramingOf(start.framing);
    port_.SetCommMode(framing.CommMode());
    LinkIo io{port_, clock_, trace_};
    for (const int n : table.ExistingPorts()) {
        port_.Close();
        if (port_.Open(n, kDiscoveryBaudRate) == 0) {
            continue;
        }
        const auto found = [&](int foundId) {
            return DetectResult{n, LinkAddress{start.framing, static_cast<uint8_t>(foundId)}};
        };
        int unansweredId = 0;
        int foundId = 0;
        for (const int id : framing.ProbeOrder(start.rs485Id)) {
            if (cancel != nullptr && cancel->load()) {
                port_.Close();
                return DetectResult{};
            }
            ReportProbe(n, id);
            if (framing.Probe(io, n, id, start.rs485Id, &unansweredId, &foundId)) {
                return found(foundId);
            }
        }
        if (framing.TakeLateReply(io, n, &unansweredId, &foundId)) {
            return found(foundId);
        }
    }
    port_.Close();
    return DetectResult{};
}

SeekStepResult CSeekWalk::Step() {
    if (probing_ || ended_) {
        return SeekStepResult::Busy;
    }
    for (;;) {
        if (position_.value >= kLastComPort) {
            position_.value = 0;  // the walk starts again at COM1 on a later tick
            return SeekStepResult::Continue;
        }
        const int n = position_.value + 1;
        port_.Close();
        if (port_.Open(n, kDiscoveryBaudRate) == 0) {
            ++position_.value;
            continue;
        }
        TraceF(trace_, "Try to connect COM%d\n.", n);
        if (actions_.batteryFailed && actions_.batteryFailed()) {
            ended_ = true;
            return SeekStepResult::Stopped;
        }
        probing_ = true;
        const int answered = actions_.statusRead ? actions_.statusRead() : 0;
        if (answered == 0) {
            probing_ = false;
            ++position_.value;
            return SeekStepResult::Continue;
        }
        foundPort_ = n;
        if (actions_.getParameters) {
            actions_.getParameters();
        }
        probing_ = false;
        ended_ = true;
        return SeekStepResult::Found;
    }
}

}  // namespace zelt

#include "link/BusScan.h"

#include <algorithm>

#include "link/Framing.h"
#include "link/Rs485Probe.h"

namespace zelt {

namespace {

constexpr int kIdentifyAttempts = 2;

// Each identity read is tried twice; the link lets the line settle after a failure.
template <typename Read>
bool TwiceIfNeeded(Read&& read) {
    for (int attempt = 0; attempt < kIdentifyAttempts; ++attempt) {
        if (read() != 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool ConfirmBusId(LinkIo& io, int id) {
    int unansweredId = 0;
    for (int attempt = 0; attempt < kIdentifyAttempts; ++attempt) {
        if (ProbeRs485Id(io, kBusScanTrace, id, &unansweredId) == id) {
            return true;
        }
    }
    return TakeLateProbeReply(io, kBusScanTrace, &unansweredId) == id;
}

CBusScan::CBusScan(ISerialPort& port, ITickClock& clock, ITraceSink& trace, int fromId, int toId,
                   SilentIds silentIds)
    : link_(port, clock, trace, wallClock_, LinkAddress::Rs485(fromId)),
      from_(std::max(fromId, kFirstBusId)),
      to_(std::min(toId, kLastBusId)),
      next_(from_),
      silentIds_(silentIds) {
    port.SetCommMode(link_.Framing().CommMode());
}

std::optional<BusController> CBusScan::Step() {
    if (Done()) {
        return std::nullopt;
    }
    const int id = next_;
    link_.SetAddress(LinkAddress::Rs485(id));
    int answered = link_.ProbeBusId(&unansweredId_);
    if (answered == 0 && silentIds_ == SilentIds::ProbedTwice) {
        answered = link_.ProbeBusId(&unansweredId_);
    }
    if (answered == 0 || answered == id) {
        ++next_;
    }
    if (answered == 0 && Done()) {
        answered = link_.TakeLateBusAnswer(&unansweredId_);
    }
    if (answered == 0) {
        return std::nullopt;
    }
    return Identify(answered);
}

BusController CBusScan::Identify(int id) {
    link_.SetAddress(LinkAddress::Rs485(id));
    link_.ForgetController();  // identified afresh, whatever an earlier step learnt
    BusController found;
    found.id = id;
    ControllerStatus status;
    if (TwiceIfNeeded([&] { return link_.GetStatus(&status); })) {
        found.systemVoltage = status.systemVoltage;
        float volts = 0;
        if (TwiceIfNeeded([&] { return link_.GetBatteryVoltage(&volts); })) {
            found.batteryVoltage = volts;
        }
    }
    FirmwareIdentity identity;
    if (TwiceIfNeeded([&] { return link_.GetVersion(&identity); })) {
        found.firmwareVersion = identity.version;
    }
    std::string serial;
    if (TwiceIfNeeded([&] { return link_.GetSerialNumber(&serial); })) {
        found.serialNumber = serial;
    }
    return found;  // the next probe's pause and drain take the last reply's tail
}

}  // namespace zelt

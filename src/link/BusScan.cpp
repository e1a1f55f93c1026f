#include "link/BusScan.h"

#include <algorithm>

#include "link/Framing.h"
#include "link/Rs485Probe.h"

namespace zelt {

namespace {

constexpr const char* kScanTrace = "Scan RS485 ID";
constexpr int kIdentifyAttempts = 2;

constexpr int kSettleMs = 25;  // as long as the pause before a frame

// Replies carry a checksum after the bytes a read waits for, and it may still be on its way
// when the read returns: give the line the time of a frame's pause, then drop what came, so
// that it does not lead the next reply.
void SettleAndDrain(LinkIo& io) {
    io.clock.Sleep(kSettleMs);
    uint8_t drained[kReplyBufferSize] = {};
    DrainInput(io, drained, kReplyBufferSize);
}

// A failed read is tried again once the line has settled: what failed it was most often the
// tail of an earlier reply.
template <typename Read>
bool TwiceIfNeeded(LinkIo& io, Read&& read) {
    for (int attempt = 0; attempt < kIdentifyAttempts; ++attempt) {
        if (attempt > 0) {
            SettleAndDrain(io);
        }
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
        if (ProbeRs485Id(io, kScanTrace, id, &unansweredId) == id) {
            return true;
        }
    }
    return TakeLateProbeReply(io, kScanTrace, &unansweredId) == id;
}

CBusScan::CBusScan(ISerialPort& port, ITickClock& clock, ITraceSink& trace, int fromId, int toId,
                   SilentIds silentIds)
    : port_(port),
      clock_(clock),
      trace_(trace),
      link_(port, clock, trace, wallClock_, LinkAddress::Rs485(fromId)),
      from_(std::max(fromId, kFirstBusId)),
      to_(std::min(toId, kLastBusId)),
      next_(from_),
      silentIds_(silentIds) {
    port_.SetCommMode(link_.Framing().CommMode());
}

std::optional<BusController> CBusScan::Step() {
    if (Done()) {
        return std::nullopt;
    }
    const int id = next_;
    LinkIo io{port_, clock_, trace_};
    int answered = ProbeRs485Id(io, kScanTrace, id, &unansweredId_);
    if (answered == 0 && silentIds_ == SilentIds::ProbedTwice) {
        answered = ProbeRs485Id(io, kScanTrace, id, &unansweredId_);
    }
    if (answered == 0 || answered == id) {
        ++next_;
    }
    if (answered == 0 && Done()) {
        answered = TakeLateProbeReply(io, kScanTrace, &unansweredId_);
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
    LinkIo io{port_, clock_, trace_};
    ControllerStatus status;
    if (TwiceIfNeeded(io, [&] { return link_.GetStatus(&status); })) {
        found.systemVoltage = status.systemVoltage;
        float volts = 0;
        if (TwiceIfNeeded(io, [&] { return link_.GetBatteryVoltage(&volts); })) {
            found.batteryVoltage = volts;
        }
    }
    FirmwareIdentity identity;
    if (TwiceIfNeeded(io, [&] { return link_.GetVersion(&identity); })) {
        found.firmwareVersion = identity.version;
    }
    std::string serial;
    if (TwiceIfNeeded(io, [&] { return link_.GetSerialNumber(&serial); })) {
        found.serialNumber = serial;
    }
    SettleAndDrain(io);  // before the next probe
    return found;
}

}  // namespace zelt

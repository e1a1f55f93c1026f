#include "link/Rs485Probe.h"

#include <cstring>

#include "link/Framing.h"

namespace zelt {

namespace {

constexpr int kPauseMs = 25;    // the pause before every RS485 frame
constexpr int kProbeReply = 5;  // ID, function, count, one register byte, checksum

struct ProbeFrame {
    explicit ProbeFrame(int id) {
        bytes[0] = static_cast<uint8_t>(id & 0xFF);
        bytes[5] = Rs485Checksum(bytes, 5);
    }
    uint8_t bytes[6] = {0, 4, 0x01, 0x03, 1, 0};
};

// True when reply (length bytes) is the whole answer to the probe of *unansweredId; that ID
// then counts as answered.
bool IsLateAnswer(const uint8_t* reply, int length, const int* unansweredId) {
    return *unansweredId != 0 &&
           Rs485ReplyFault(reply, length, ProbeFrame(*unansweredId).bytes, kProbeReply) == nullptr;
}

int TakeLate(LinkIo& io, const std::string& tracePrefix, int* unansweredId) {
    const int late = *unansweredId;
    *unansweredId = 0;
    io.trace.Write(tracePrefix + StrF("%d late reply taken\n", late));
    return late;
}

}  // namespace

int ProbeRs485Id(LinkIo& io, const std::string& tracePrefix, int id, int* unansweredId) {
    uint8_t reply[kReplyBufferSize] = {};
    io.clock.Sleep(kPauseMs);
    const int drained = DrainInput(io, reply, kReplyBufferSize);
    if (IsLateAnswer(reply, drained, unansweredId)) {
        return TakeLate(io, tracePrefix, unansweredId);
    }
    const ProbeFrame frame(id);
    io.port.Write(frame.bytes, 6);
    long elapsed = 0;
    if (!WaitForBytes(io, kProbeReply, kProbeTimeoutTicks, &elapsed)) {
        // Not drained: what comes now is looked at by the next probe, after its pause.
        TraceF(io.trace, "%s%d Time Out=%d ticks!\n", tracePrefix.c_str(), id,
               static_cast<int>(elapsed));
        *unansweredId = id;
        return 0;
    }
    std::memset(reply, 0, sizeof reply);
    const int got = io.port.Read(reply, kReplyBufferSize - 1);
    // Another device's answer, or a damaged one, must not find a controller at this ID.
    const char* why = Rs485ReplyFault(reply, got, frame.bytes, kProbeReply);
    if (why == nullptr) {
        *unansweredId = 0;
        return id;
    }
    if (IsLateAnswer(reply, got, unansweredId)) {
        const int late = TakeLate(io, tracePrefix, unansweredId);
        *unansweredId = id;  // its own answer may still come
        return late;
    }
    TraceF(io.trace, "%s%d Fail, KVRN->PC:%s\n", tracePrefix.c_str(), id,
           reinterpret_cast<const char*>(reply));
    TraceF(io.trace, "%s%d reply refused: %s\n", tracePrefix.c_str(), id, why);
    *unansweredId = id;
    return 0;
}

int TakeLateProbeReply(LinkIo& io, const std::string& tracePrefix, int* unansweredId) {
    uint8_t reply[kReplyBufferSize] = {};
    if (*unansweredId == 0) {
        DrainInput(io, reply, kReplyBufferSize);
        return 0;
    }
    io.clock.Sleep(kPauseMs);
    const int drained = DrainInput(io, reply, kReplyBufferSize);
    if (IsLateAnswer(reply, drained, unansweredId)) {
        return TakeLate(io, tracePrefix, unansweredId);
    }
    *unansweredId = 0;
    return 0;
}

}  // namespace zelt

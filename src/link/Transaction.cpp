#include "link/Transaction.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace zelt {

namespace {

constexpr int kFrameBufferSize = 80;
constexpr int kAsciiReadRequestSize = 15;
constexpr int kAsciiWriteRequestSize = 30;
constexpr int kRs485Pause = 25;
constexpr const char* kFailSuffix = " Fail, KVRN->PC:%s\n";
constexpr const char* kOkSuffix = " OK, KVRN->PC:%s\n";
constexpr const char* kRequestSuffix = ", PC->KVRN:%s\n";
constexpr const char* kUnknownParameter = "Unknown parameter";

const char* AsText(const uint8_t* buffer) {
    return reinterpret_cast<const char*>(buffer);
}

// Waits until at least `needed` bytes are queued or the time-out fires. Each check looks at
// the queue before the clock: a reply that is complete when a late wake-up finds the deadline
// passed is still taken. The clock decides the rest: start is read once, every check reads
// now, and the wait ends when more than timeoutTicks have passed or the clock went backwards.
// Between checks the port is asked to wake us when input arrives, for no longer than is left
// before the deadline.
class ReplyWait {
  public:
    ReplyWait(LinkIo& io, int timeoutTicks)
        : io_(io), timeout_(timeoutTicks), start_(io.clock.Now()) {}

    // True once needed bytes are waiting; false on time-out (ElapsedTicks says how long) or
    // as soon as the port went away: no reply can come through it.
    bool Until(int needed) {
        for (;;) {
            if (io_.port.GetBytesWaiting() >= needed) {
                return true;
            }
            const long now = io_.clock.Now();
            elapsed_ = now - start_;
            if (elapsed_ > timeout_ || now < start_ || io_.port.WentAway()) {
                return false;
            }
            // The check fires at elapsed == timeout + 1: sleep at most until then.
            io_.port.WaitForInput(static_cast<int>(timeout_ - elapsed_ + 1));
        }
    }

    int ElapsedTicks() const { return static_cast<int>(elapsed_); }

  private:
    LinkIo& io_;
    long timeout_;
    long start_;
    long elapsed_ = 0;
};

// A zeroed request buffer holding the command text, large enough for length bytes and a
// terminating zero whatever the caller passes.
std::vector<char> RequestBuffer(const char* command, int length, int minimumSize) {
    const int size = std::max(minimumSize, std::max(length, 0) + 1);
    std::vector<char> request(static_cast<size_t>(size), '\0');
    const size_t textLength = strnlen(command, static_cast<size_t>(std::max(length, 0)));
    std::memcpy(request.data(), command, textLength);
    return request;
}

void WriteRequest(LinkIo& io, const std::vector<char>& request, int length) {
    io.port.Write(reinterpret_cast<const uint8_t*>(request.data()), std::max(length, 0));
}

bool IsUpperHex(uint8_t c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

bool IsDecimal(uint8_t c) {
    return c >= '0' && c <= '9';
}

// Why an ASCII reply of length bytes is not the one the request expects; nullptr when it is.
// The body is what follows the leading letter, without one trailing line end.
const char* AsciiReplyFault(const uint8_t* reply, int length, uint8_t letter, AsciiReply form,
                            int minLength) {
    if (length < 1 || reply[0] != letter) {
        return "wrong leading letter";
    }
    int end = length;
    if (end > 1 && reply[end - 1] == '\n') {
        --end;
    }
    if (end > 1 && reply[end - 1] == '\r') {
        --end;
    }
    const uint8_t* body = reply + 1;
    const int size = end - 1;
    if (letter == 'O') {
        return size == 0 ? nullptr : "characters after O";
    }
    switch (form) {
        case AsciiReply::Digits:
            if (size != minLength - 1) {
                return "wrong length";
            }
            return std::all_of(body, body + size, IsUpperHex) ? nullptr : "not hex digits";
        case AsciiReply::Version:
            if (size < 5 || size > 15) {
                return "wrong length";
            }
            return std::all_of(body, body + size, IsDecimal) ? nullptr : "not decimal digits";
        case AsciiReply::SerialNumber:
            if (size != 14) {
                return "wrong length";
            }
            return std::all_of(body, body + size, IsUpperHex) ? nullptr : "not hex digits";
        case AsciiReply::Clock:
            if (size != 8) {
                return "wrong length";
            }
            for (int i : {0, 1, 3, 4, 6, 7}) {
                if (!IsDecimal(body[i])) {
                    return "not decimal digits";
                }
            }
            return nullptr;
    }
    return "unknown form";
}

// No reply: the port went away, which waiting longer cannot mend, or the time-out fired.
void TraceNoReply(LinkIo& io, const std::string& name, const char* timeoutSuffix,
                  const ReplyWait& wait) {
    if (io.port.WentAway()) {
        io.trace.Write(name + " Port went away!\n");
    } else {
        io.trace.Write(name + StrF(timeoutSuffix, wait.ElapsedTicks()));
    }
}

void TraceRefusal(LinkIo& io, const std::string& name, const char* why) {
    io.trace.Write(name + StrF(" reply refused: %s\n", why));
}

}  // namespace

int DrainInput(LinkIo& io, uint8_t* buffer, int size) {
    if (buffer == nullptr || size < 2) {
        return 0;
    }
    // Read until the queue is empty, not once: a burst longer than the buffer must not leave
    // its tail for the next reply. Bounded, so a line that never stops cannot hold us here.
    constexpr int kMostReads = 64;
    int total = 0;
    for (int i = 0; i < kMostReads; ++i) {
        const int n = io.port.Read(buffer, size - 1);
        total += std::max(n, 0);
        if (n < size - 1) {
            break;
        }
    }
    return total;
}

bool WaitForBytes(LinkIo& io, int minBytes, int timeoutTicks, long* elapsed) {
    ReplyWait wait(io, timeoutTicks);
    const bool arrived = wait.Until(minBytes);
    *elapsed = wait.ElapsedTicks();
    return arrived;
}

uint8_t Rs485Checksum(const uint8_t* frame, int end) {
    unsigned sum = 0;
    for (int i = 1; i < end; ++i) {
        sum += frame[i];
    }
    return static_cast<uint8_t>(sum & 0xFF);
}

const char* Rs485ReplyFault(const uint8_t* reply, int length, const uint8_t* request,
                            int expectedLength) {
    if (length != expectedLength) {
        return "wrong length";
    }
    if (reply[0] != request[0]) {
        return "another device ID";
    }
    if (reply[1] != request[1]) {
        return "wrong function";
    }
    if (request[1] == 4
            ? reply[2] != request[4]
            : (reply[2] != request[2] || reply[3] != request[3] || reply[4] != request[4])) {
        return request[1] == 4 ? "wrong byte count" : "another address";
    }
    if (reply[length - 1] != Rs485Checksum(reply, length - 1)) {
        return "checksum does not hold";
    }
    return nullptr;
}

int AsciiReadTransaction(LinkIo& io, const char* command, int length, int minLength,
                         int timeoutTicks, const TraceName& name, uint8_t* reply, int replySize,
                         AsciiReply form) {
    if (command == nullptr || reply == nullptr || replySize < 2) {
        return 0;
    }
    DrainInput(io, reply, replySize);
    std::memset(reply, 0, static_cast<size_t>(replySize));
    const std::vector<char> request = RequestBuffer(command, length, kAsciiReadRequestSize);
    WriteRequest(io, request, length);

    ReplyWait wait(io, timeoutTicks);
    if (!wait.Until(std::max(minLength, 1))) {
        TraceNoReply(io, name.name, name.timeoutSuffix, wait);
        DrainInput(io, reply, replySize);
        return 0;
    }
    const int got = io.port.Read(reply, replySize - 1);
    if (const char* why = AsciiReplyFault(reply, got, 'R', form, minLength)) {
        io.trace.Write(name.name + StrF(kFailSuffix, AsText(reply)));
        TraceRefusal(io, name.name, why);
        return 0;
    }
    io.trace.Write(name.name + StrF(kOkSuffix, AsText(reply)));

    if (form == AsciiReply::Digits) {
        // Hex digits become their values in place: '0'..'9' -> 0..9, anything else - 55,
        // so 'A'..'F' -> 10..15. The terminating zero at replySize - 1 is never touched.
        const int end = std::min(minLength, replySize - 1);
        for (int i = 1; i < end; ++i) {
            const uint8_t c = reply[i];
            reply[i] = (c >= '0' && c <= '9') ? static_cast<uint8_t>(c - '0')
                                              : static_cast<uint8_t>(c - 55);
        }
    }
    return 1;
}

int AsciiWriteTransaction(LinkIo& io, const char* command, int length, int timeoutTicks,
                          const TraceName& name, uint8_t* reply, int replySize, bool logRequest) {
    if (command == nullptr || reply == nullptr || replySize < 2) {
        return 0;
    }
    DrainInput(io, reply, replySize);
    std::memset(reply, 0, static_cast<size_t>(replySize));
    const std::vector<char> request = RequestBuffer(command, length, kAsciiWriteRequestSize);
    WriteRequest(io, request, length);
    if (logRequest) {
        io.trace.Write(name.name + StrF(kRequestSuffix, request.data()));
    }

    ReplyWait wait(io, timeoutTicks);
    if (!wait.Until(1)) {
        TraceNoReply(io, name.name, name.timeoutSuffix, wait);
        DrainInput(io, reply, replySize);
        return 0;
    }
    const int got = io.port.Read(reply, replySize - 1);
    if (const char* why = AsciiReplyFault(reply, got, 'O', AsciiReply::Digits, 1)) {
        io.trace.Write(name.name + StrF(kFailSuffix, AsText(reply)));
        TraceRefusal(io, name.name, why);
        return 0;
    }
    io.trace.Write(name.name + StrF(kOkSuffix, AsText(reply)));
    return 1;
}

int Rs485Transaction(LinkIo& io, uint8_t deviceId, uint8_t function, uint8_t addressHigh,
                     uint8_t addressLow, uint8_t count, const uint8_t* data, uint8_t* reply,
                     int replySize, int timeoutTicks, const char* displayName) {
    if (reply == nullptr || replySize < 2) {
        return 0;
    }
    uint8_t frame[kFrameBufferSize] = {};
    io.clock.Sleep(kRs485Pause);
    DrainInput(io, reply, replySize);  // what came in during the pause is no reply to this frame
    std::memset(reply, 0, static_cast<size_t>(replySize));

    const char* name = displayName;
    if (name == nullptr || std::strlen(name) > static_cast<size_t>(kMaxDisplayNameLength)) {
        name = kUnknownParameter;
    }

    frame[0] = deviceId;
    frame[1] = function;
    frame[2] = addressHigh;
    frame[3] = addressLow;
    int frameLength = 0;
    int needed = 0;
    switch (function) {
        case 4:
            frame[4] = count;
            frame[5] = Rs485Checksum(frame, 5);
            frameLength = 6;
            needed = count + 4;
            break;
        case 6:
            if (data == nullptr) {
                return 0;
            }
            frame[4] = data[0];
            frame[5] = Rs485Checksum(frame, 5);
            frameLength = 6;
            needed = 6;
            break;
        case 16:
            // The frame holds 80 bytes: refuse a count that would not fit rather than
            // write past it.
            if ((count > 0 && data == nullptr) || count + 6 > kFrameBufferSize) {
                return 0;
            }
            frame[4] = count;
            std::memcpy(frame + 5, data, count);
            frame[count + 5] = Rs485Checksum(frame, count + 5);
            frameLength = count + 6;
            needed = 6;
            break;
        default:
            return 0;
    }
    io.port.Write(frame, frameLength);

    ReplyWait wait(io, timeoutTicks);
    if (!wait.Until(needed)) {
        TraceNoReply(io, name, " Time Out=%d ticks!\n", wait);
        io.port.Read(reply, replySize - 1);
        return 0;
    }
    const int got = io.port.Read(reply, replySize - 1);
    if (const char* why = Rs485ReplyFault(reply, got, frame, needed)) {
        TraceF(io.trace, "%s Fail, KVRN->PC:%s\n", name, AsText(reply));
        TraceRefusal(io, name, why);
        return 0;
    }
    TraceF(io.trace, "%s OK, KVRN->PC:%s\n", name, AsText(reply));
    return 1;
}

}  // namespace zelt

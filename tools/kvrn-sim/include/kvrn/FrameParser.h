#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvrn {

enum class Wire { Rs232, Rs485 };

// One complete request taken off the line.
struct Request {
    Wire wire = Wire::Rs232;
    // RS232: the command text without its carriage return. RS485: the whole frame with a
    // good checksum, for any device ID.
    std::vector<uint8_t> bytes;
};

// Splits the received byte stream into requests of either protocol, without being told which.
// An ASCII request starts with G, S, Q or T, continues with hex digits and ends in '\r'. An
// RS485 frame has 4, 6 or 16 as its second byte, which no ASCII request has; its length
// follows from the function and its checksum must hold. Anything else is dropped byte by byte
// until a request lines up again. A half-received request is forgotten after an idle gap, so
// stray bytes cannot hold up the next request.
class FrameParser {
  public:
    // Quiet spells after which a half-received request is dropped. An ASCII request needs
    // little of this, as every request starts with a leader letter that no request carries
    // inside; the gap only clears a fragment that nothing follows. A binary frame can claim a
    // long body, so its fragment must go before the next frame, which the utility sends
    // after its time-out and a 25 ms pause; it is sent one byte per write, so the gap leaves
    // room for a busy machine between those writes.
    static constexpr int64_t kAsciiIdleMs = 500;
    static constexpr int64_t kBinaryIdleMs = 40;
    static constexpr size_t kMaxAsciiLength = 80;

    // Adds bytes received at nowMs and returns the requests they complete, in order.
    std::vector<Request> Feed(const uint8_t* data, size_t size, int64_t nowMs);
    // Bytes held back waiting for the rest of a request.
    size_t Pending() const { return buffer_.size(); }

  private:
    enum class Scan { Complete, NeedMore, Invalid };
    Scan ScanAscii(Request* request, size_t* used) const;
    Scan ScanBinary(Request* request, size_t* used) const;
    bool LooksBinary() const;

    std::vector<uint8_t> buffer_;
    int64_t lastByteMs_ = 0;
};

bool IsAsciiLeader(uint8_t byte);

}  // namespace kvrn

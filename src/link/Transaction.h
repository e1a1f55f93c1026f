#pragma once

#include <cstdint>
#include <string>

#include "base/Ticks.h"
#include "base/Trace.h"
#include "link/SerialPort.h"

namespace zelt {

// What one transaction talks through.
struct LinkIo {
    ISerialPort& port;
    ITickClock& clock;
    ITraceSink& trace;
};

constexpr int kReplyBufferSize = 80;       // every command but the live readings
constexpr int kLiveReplyBufferSize = 200;  // live readings and the charge count
constexpr int kMaxDisplayNameLength = 100;

// The names a command's trace lines carry. Almost every command uses the standard time-out
// suffix; "Get SN" has its own.
struct TraceName {
    std::string name;
    const char* timeoutSuffix = " Time Out=%d ticks!\n";
};

// Reads up to size - 1 pending bytes into buffer and drops them: the late reply of an earlier
// command must not be taken for this one's. Every command runs it first; the ASCII
// transactions run it themselves, RS485 callers before Rs485Transaction. Returns the count.
int DrainInput(LinkIo& io, uint8_t* buffer, int size);

// ASCII read ("G", "Q"): drain, send length bytes of command, wait for at least minLength
// bytes within timeoutTicks, check the leading 'R'. With decodeDigits, characters 1 to
// minLength - 1 of the reply are decoded in place into digit values (see AsciiReplyByte).
// reply must hold replySize bytes; at most replySize - 1 are read, so it stays a C string.
int AsciiReadTransaction(LinkIo& io, const char* command, int length, int minLength,
                         int timeoutTicks, const TraceName& name, uint8_t* reply, int replySize,
                         bool decodeDigits = true);

// ASCII write ("S", "T"): drain, send, log the request line (unless logRequest is false),
// accept the first reply whose first byte is 'O'.
int AsciiWriteTransaction(LinkIo& io, const char* command, int length, int timeoutTicks,
                          const TraceName& name, uint8_t* reply, int replySize,
                          bool logRequest = true);

// Decoding of an ASCII reply after AsciiReadTransaction decoded it in place.
inline int AsciiReplyByte(const uint8_t* reply, int k) {
    return reply[1 + 2 * k] * 16 + reply[2 + 2 * k];
}

// Every transaction waits on the port between its checks of the clock and gives up when more
// than timeoutTicks have passed since it started, or when the clock went backwards (the
// time-out line then shows a negative count).

// RS485 transaction with function 4 (read count bytes), 6 (write data[0]) or 16 (write count
// bytes of data), after a 25 ms pause. For function 4 the register bytes start at reply
// offset 3. Any other function, or a function 16 frame longer than 80 bytes (count > 74),
// sends nothing and returns 0. A display name longer than 100 characters is traced as
// "Unknown parameter".
int Rs485Transaction(LinkIo& io, uint8_t deviceId, uint8_t function, uint8_t addressHigh,
                     uint8_t addressLow, uint8_t count, const uint8_t* data, uint8_t* reply,
                     int replySize, int timeoutTicks, const char* displayName);

// Additive checksum of an RS485 frame: bytes 1 .. end - 1 modulo 256 (the ID is excluded).
uint8_t Rs485Checksum(const uint8_t* frame, int end);

}  // namespace zelt

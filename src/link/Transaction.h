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

// Reads every pending byte, size - 1 at a time through buffer, and drops them: the late reply
// of an earlier command must not be taken for this one's. Every command runs it first; the
// ASCII transactions run it themselves, RS485 callers before Rs485Transaction, which drains
// again after its pause. Returns the count.
int DrainInput(LinkIo& io, uint8_t* buffer, int size);

// What an ASCII read reply carries after its 'R'. A reply is taken only when it has exactly
// this form (a trailing CR, LF or CR LF allowed): replies carry no address, so anything else
// may be another request's.
enum class AsciiReply {
    Digits,        // minLength - 1 upper-case hex digits, decoded in place
    Version,       // 5 to 15 decimal digits, kept as text
    SerialNumber,  // 14 hex digits, kept as text
    Clock,         // "hh?mm?ss": six decimal digits around two separators, kept as text
};

// ASCII read ("G", "Q"): drain, send length bytes of command, wait for at least minLength
// bytes within timeoutTicks, then take the reply only when it is 'R' followed by the form.
// Digits replies are decoded in place: characters 1 to minLength - 1 become digit values (see
// AsciiReplyByte). reply must hold replySize bytes; at most replySize - 1 are read, so it
// stays a C string.
int AsciiReadTransaction(LinkIo& io, const char* command, int length, int minLength,
                         int timeoutTicks, const TraceName& name, uint8_t* reply, int replySize,
                         AsciiReply form = AsciiReply::Digits);

// ASCII write ("S", "T"): drain, send, log the request line (unless logRequest is false),
// accept a reply that is "O" alone (a trailing line end allowed).
int AsciiWriteTransaction(LinkIo& io, const char* command, int length, int timeoutTicks,
                          const TraceName& name, uint8_t* reply, int replySize,
                          bool logRequest = true);

// Decoding of an ASCII reply after AsciiReadTransaction decoded it in place.
inline int AsciiReplyByte(const uint8_t* reply, int k) {
    return reply[1 + 2 * k] * 16 + reply[2 + 2 * k];
}

// Waits until at least minBytes are queued; false after more than timeoutTicks (or when the
// clock went backwards), with the ticks spent in *elapsed. Auto Detect's probes use it.
bool WaitForBytes(LinkIo& io, int minBytes, int timeoutTicks, long* elapsed);

// Every transaction waits on the port between its checks of the clock and gives up when more
// than timeoutTicks have passed since it started, or when the clock went backwards (the
// time-out line then shows a negative count).

// RS485 transaction with function 4 (read count bytes), 6 (write data[0]) or 16 (write count
// bytes of data), after a 25 ms pause. For function 4 the register bytes start at reply
// offset 3. A reply is taken only when it is this request's: exactly count + 4 bytes for a
// read (ID, function, count, data, checksum) or 6 for a write (ID, function, the request's
// address and count or data byte, checksum), with the request's device ID, function, count or
// address and a checksum that holds; otherwise the fail line and a line saying why. Any other
// function, or a function 16 frame longer than 80 bytes (count > 74), sends nothing and returns 0.
// A display name longer than 100 characters is traced as "Unknown parameter".
int Rs485Transaction(LinkIo& io, uint8_t deviceId, uint8_t function, uint8_t addressHigh,
                     uint8_t addressLow, uint8_t count, const uint8_t* data, uint8_t* reply,
                     int replySize, int timeoutTicks, const char* displayName);

// Why reply (length bytes) is not the reply to the RS485 request frame; nullptr when it is.
// expectedLength: count + 4 for a read, 6 for a write.
const char* Rs485ReplyFault(const uint8_t* reply, int length, const uint8_t* request,
                            int expectedLength);

// Additive checksum of an RS485 frame: bytes 1 .. end - 1 modulo 256 (the ID is excluded).
uint8_t Rs485Checksum(const uint8_t* frame, int end);

}  // namespace zelt

#pragma once

#include <cstdint>

namespace zelt {

// What the transaction layer needs of a serial line. CComPort is the real one; tests put a
// scripted port in its place.
class ISerialPort {
  public:
    virtual ~ISerialPort() = default;

    // Number of bytes requested when the port is open, else 0 (never per-byte failures).
    virtual int Write(const uint8_t* buffer, int count) = 0;
    // Received bytes queued in the driver, 0 when none or when closed.
    virtual int GetBytesWaiting() = 0;
    // Up to limit queued bytes; never waits for more than is already queued.
    virtual int Read(uint8_t* buffer, int limit) = 0;
    // Blocks until input may be waiting or at most maxMs have passed. Lets a transaction
    // sleep on the line instead of spinning between its checks; it decides nothing itself.
    virtual void WaitForInput(int maxMs) = 0;
    // The communication mode that the byte pacing of Write follows (232 = RS232 ASCII).
    virtual void SetCommMode(uint16_t commMode) = 0;
    // True once the device behind the port hung up or vanished (a read or write error, a
    // hang-up, its node deleted or replaced): nothing more comes through this opening of it,
    // so waiting for a reply is pointless. A hang-up since the last call is noticed here too.
    virtual bool WentAway() { return false; }
    // After WentAway: closes the port and opens the same one again. True when it is open and
    // usable; false while the device is still gone (WentAway stays true).
    virtual bool Reopen() { return false; }
};

}  // namespace zelt

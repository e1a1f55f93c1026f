#pragma once

// kvrn-sim: a simulated solar lighting controller on a pseudo-terminal. It answers the
// controller's two wire protocols (RS232 ASCII and RS485 binary frames) from a plausible
// register map, so tests, demos and the default run have a peer on the serial line.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kvrn {

// What goes wrong with a reply that a fault hits.
// Damaged: one data byte spoiled on the line, an RS485 checksum left as it was (RS232: a data
// character that is no longer a hex digit). OtherId: the reply of another RS485 device ID
// (RS232 replies carry no ID and pass unchanged).
enum class Fault {
    None,
    NoReply,
    LateReply,
    TruncatedReply,
    WrongLeader,
    Garbage,
    Damaged,
    OtherId
};

// "none", "no-reply", "late", "truncated", "wrong-leader", "garbage", "damaged", "other-id".
const char* FaultName(Fault fault);
// Inverse of FaultName; false for an unknown name.
bool ParseFault(const std::string& name, Fault* fault);

struct SimOptions {
    bool system24V = false;
    int deviceId = 250;             // RS485 device ID, also register 0x77
    bool batteryFail = false;       // status bit 3
    bool overVoltage = false;       // battery reads above 18 V (12 V system)
    int vendorId = 1;               // version record byte 2
    std::string firmware = "3.12";  // "major.minor" (digits); a leading major >= 4 changes the
                                    // RS232 voltage scale
    bool lineRate = true;           // replies paced at 19200 baud, about 0.52 ms a byte
    Fault fault = Fault::None;      // what goes wrong with a reply the fault hits
    double faultFraction = 1.0;     // share of replies the fault hits, 0..1
    double dropFraction = 0.0;      // share of replies dropped (no reply at all)
    uint32_t seed = 1;              // makes faults and drops repeatable
    int lateReplyMs = 300;          // delay of a LateReply
    int faultCount = 0;             // the fault hits at most this many replies; 0 = no limit
    bool trace = false;             // log requests and replies to stderr
    int clockOffsetS = 0;           // the clock starts this many seconds off the host's
    // 14 decimal digits, kept as 7 packed-BCD bytes at 0x80; empty = never programmed (the
    // bytes read as 0xFF, which the utility shows as no serial number).
    std::string serialNumber = "12240315000742";
    // A bus of several controllers on one line (empty: one controller with deviceId). Each
    // has its own registers, clock and fault pattern; its serial number ends in its ID.
    std::vector<int> busIds{};
    int faultId = 0;  // on a bus, the only controller the fault and drops hit; 0 = every one
    // RS232 requests that start with one of these texts are never answered ("G66": the
    // FCV/ACV read), so that one item of a sequence fails.
    std::vector<std::string> muted{};
    // A write that covers this register is acknowledged and not kept (-1: none), so that a
    // check after writing has something to find.
    int dropWrite = -1;
};

// The options of one controller of a bus: its device ID and serial number, and no fault
// unless the fault is aimed at it.
SimOptions StationOptions(const SimOptions& bus, int id);

// Checks the options a server would run with; false and a reason when one is out of range.
bool ValidateOptions(const SimOptions& options, std::string* error);

// Serves one simulated controller on a pseudo-terminal from a thread.
class SimServer {
  public:
    explicit SimServer(SimOptions options = {});
    ~SimServer();  // Stop()
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    bool Start(std::string* error);           // opens the pty, starts serving
    void Stop();                              // stops, removes the COM entry it placed
    const std::string& TerminalPath() const;  // the pty slave a client opens
    // Points portDir/COMn at the terminal (symlink; replaces a stale link).
    bool PlaceAt(const std::string& portDir, int comNumber, std::string* error);
    // Register map access, safe while serving.
    uint8_t Register(int address) const;
    void SetRegister(int address, uint8_t value);
    std::vector<uint8_t> Registers(int address, int count) const;
    void SetFault(Fault fault, double fraction);  // change faults while serving
    int RequestsServed() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kvrn

#pragma once
// Finding the controller: which COM ports exist, Auto Detect over them (RS232 "G7701" probe
// or RS485 ID walk), and the start-up seek walk that the seek dialog's timer drives.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/Ticks.h"
#include "base/Trace.h"
#include "link/ComPort.h"
#include "link/ControllerPort.h"
#include "link/Framing.h"
#include "link/LinkAddress.h"
#include "link/PortNames.h"

namespace zelt {

constexpr int kDiscoveryBaudRate = kControllerBaudRate;
constexpr int kSeekPeriodMs = 400;

// The ports the system lists, or where it keeps no list those that opened at the controller's
// rate: entry n - 1 holds n when COMn exists, kNoPort
// otherwise. highestPort bounds every walk over the table.
class CPortTable {
  public:
    static constexpr uint16_t kNoPort = 0xFFFF;

    // Closes the port; then takes the system's list of ports, or where there is none tries
    // COM1..COM40 in turn (closing each again). Leaves the port closed.
    void Enumerate(CComPort& port);

    bool Exists(int portNumber) const;
    // The existing ports up to highestPort, ascending: the link dialog's list entries.
    std::vector<int> ExistingPorts() const;
    // The port of the k-th existing port (list index k from 0); 0 when there is none.
    int PortAtListIndex(int index) const;

    std::array<uint16_t, kLastComPort> available = AllAbsent();
    uint16_t highestPort = 0;

  private:
    static constexpr std::array<uint16_t, kLastComPort> AllAbsent() {
        std::array<uint16_t, kLastComPort> table{};
        table.fill(kNoPort);
        return table;
    }
};

// Where Auto Detect found the controller: the port (0 when none) and its address there.
struct DetectResult {
    int port = 0;
    LinkAddress address;
};

// The link dialog's "Auto Detect": probes every existing port in the framing of start, in
// RS232 with "G7701\r" and in RS485 with the one-byte read of 0x0103 for each candidate ID
// (start's ID first). The port found stays open; with none found it is left closed. It shows
// nothing: the caller tells the user.
class CAutoDetect {
  public:
    // Told before each probe: the port and, in RS485 mode, the device ID (0 in RS232 mode).
    // Windows and the command line show where a long walk is with it.
    using ProbeHook = std::function<void(int port, int rs485Id)>;

    CAutoDetect(CComPort& port, ITickClock& clock, ITraceSink& trace)
        : port_(port), clock_(clock), trace_(trace) {}

    void SetProbeHook(ProbeHook hook) { probeHook_ = std::move(hook); }

    // cancel, when set by another thread, stops the walk before its next probe.
    DetectResult Run(const CPortTable& table, LinkAddress start,
                     const std::atomic<bool>* cancel = nullptr);

  private:
    void ReportProbe(int port, int id) const {
        if (probeHook_) {
            probeHook_(port, id);
        }
    }

    CComPort& port_;
    ITickClock& clock_;
    ITraceSink& trace_;
    ProbeHook probeHook_;
};

// The process-wide seek position: the next port to try is value + 1. It only ever wraps from
// 40 back to 0. The caller keeps one for the life of the process.
struct CSeekPosition {
    int value = 0;
};

// What one seek step needs from the controller object and the main window.
struct SeekActions {
    std::function<int()> statusRead;      // "Get Status": 1 when a controller answered
    std::function<void()> getParameters;  // "Get Parameters"
    std::function<bool()> batteryFailed;  // the main window's battery-failed flag
};

enum class SeekStepResult {
    Continue,  // nothing found this time: blink and wait for the next tick
    Found,     // a controller answered and "Get Parameters" ran: end the dialog
    Stopped,   // the battery-failed flag is set: end the dialog
    Busy,      // an earlier step is still probing (or the walk has ended): do nothing
};

// The seek dialog's timer step. A step that arrives while an earlier one is still inside its
// status read or "Get Parameters" (their dialogs let timer ticks through) does nothing.
class CSeekWalk {
  public:
    CSeekWalk(CComPort& port, ITraceSink& trace, CSeekPosition& position, SeekActions actions)
        : port_(port), trace_(trace), position_(position), actions_(std::move(actions)) {}

    SeekStepResult Step();

    // The port where the controller answered; 0 until then.
    int FoundPort() const { return foundPort_; }
    bool Ended() const { return ended_; }

  private:
    CComPort& port_;
    ITraceSink& trace_;
    CSeekPosition& position_;
    SeekActions actions_;
    bool probing_ = false;
    bool ended_ = false;
    int foundPort_ = 0;
};

}  // namespace zelt

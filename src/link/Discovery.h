#pragma once
// Finding the controller: which COM ports exist, Auto Detect over them (RS232 "G7701" probe
// or RS485 ID walk), and the start-up seek walk that the seek dialog's timer drives.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/Ticks.h"
#include "base/Trace.h"
#include "config/MainApp.h"
#include "link/ComPort.h"
#include "link/LinkHost.h"
#include "link/PortNames.h"

namespace zelt {

constexpr int kDiscoveryBaudRate = 19200;
constexpr int kProbeTimeoutTicks = 90;
constexpr int kSeekPeriodMs = 400;

// The ports that opened at 19200 baud: entry n - 1 holds n when COMn exists, kNoPort
// otherwise. highestPort bounds every walk over the table.
class CPortTable {
  public:
    static constexpr uint16_t kNoPort = 0xFFFF;

    // Closes the port, tries COM1..COM40 in turn (closing each again) and leaves it closed.
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

// What Auto Detect and the seek walk talk through.
struct DiscoveryLink {
    CMainApp& app;
    CComPort& port;
    ITickClock& clock;
    ITraceSink& trace;
    ILinkHost& host;
};

// The link dialog's "Auto Detect": probes every existing port, in RS232 mode with "G7701\r"
// and in RS485 mode with the one-byte read of 0x0103 for each candidate ID. On success the
// port stays open, rs485Id is updated, the detect message is shown and getParameters (when
// given) runs on the open port.
class CAutoDetect {
  public:
    // Told before each probe: the port and, in RS485 mode, the device ID (0 in RS232 mode).
    // Windows and the command line show where a long walk is with it.
    using ProbeHook = std::function<void(int port, int rs485Id)>;

    explicit CAutoDetect(DiscoveryLink link) : link_(link) {}

    void SetProbeHook(ProbeHook hook) { probeHook_ = std::move(hook); }

    // The port found, 0 when none (the port is then left closed).
    int Run(const CPortTable& table, const std::function<void()>& getParameters = {});

    int FoundPort() const { return foundPort_; }
    int FoundId() const { return foundId_; }
    // The message shown at the end of the last run, in the current language.
    static std::string FoundText(const CMainApp& app, int port);
    static std::string FoundText(const CMainApp& app, int port, int rs485Id);
    static std::string FailedText(const CMainApp& app);

  private:
    bool ProbeRs232(int portNumber);
    bool ProbeRs485(int portNumber);
    bool ProbeRs485Id(int portNumber, int id);
    // Waits on the line until minBytes are queued. False on time-out, with the ticks spent.
    bool WaitForReply(int minBytes, long* elapsed);
    void Drain();

    void ReportProbe(int port, int id) const {
        if (probeHook_) {
            probeHook_(port, id);
        }
    }

    DiscoveryLink link_;
    ProbeHook probeHook_;
    int foundPort_ = 0;
    int foundId_ = 0;
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

#pragma once
// Walking an RS485 bus: every device ID in a range gets Auto Detect's probe (the one-byte
// read of 0x0103 with its 90-tick time-out), and each controller that answers is asked who it
// is. One ID per step, so a window can stay responsive and cancel between steps.

#include <optional>
#include <string>

#include "base/Ticks.h"
#include "base/Trace.h"
#include "link/ControllerLink.h"
#include "link/SerialPort.h"
#include "link/Transaction.h"
#include "link/WallClock.h"

namespace zelt {

constexpr int kFirstBusId = 1;
constexpr int kLastBusId = 255;

// What a scan reports of one controller that answered its probe.
struct BusController {
    int id = 0;
    std::string serialNumber;     // empty when unread or never programmed
    std::string firmwareVersion;  // empty when unread
    int systemVoltage = 0;        // 12 or 24; 0 when the status read failed
    std::optional<double> batteryVoltage;
};

// The probe, sent once more when the first had no answer (the second takes the first's late
// reply), and a last look after it: true when this ID answered.
bool ConfirmBusId(LinkIo& io, int id);

class CBusScan {
  public:
    // How many probes an ID that stays silent gets: a listing probes once; a walk that then
    // acts on what it found confirms silence as ConfirmBusId does, so that one lost reply
    // loses no controller.
    enum class SilentIds { ProbedOnce, ProbedTwice };

    // The scan talks in RS485 framing on the open port with a controller object of its own,
    // addressed to each ID in turn; it shows no message.
    CBusScan(ISerialPort& port, ITickClock& clock, ITraceSink& trace, int fromId, int toId,
             SilentIds silentIds = SilentIds::ProbedOnce);

    bool Done() const { return next_ > to_; }
    // The ID the next step probes, and the steps done out of the total.
    int NextId() const { return next_; }
    int StepsDone() const { return next_ - from_; }
    int StepCount() const { return to_ - from_ + 1; }

    // Probes the next ID; the controller when one answered. A late reply of the ID probed
    // before finds that one, and the next step probes this ID again.
    std::optional<BusController> Step();
    // Reads serial number, firmware version, system and battery voltage of one controller.
    BusController Identify(int id);

  private:
    SystemWallClock wallClock_;
    CControllerLink link_;
    int from_;
    int to_;
    int next_;
    SilentIds silentIds_;
    int unansweredId_ = 0;  // carried from probe to probe: see ProbeRs485Id
};

}  // namespace zelt

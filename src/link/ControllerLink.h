#pragma once
// The controller's commands as a protocol core: values in, values out. One object talks to one
// address (framing and RS485 device ID) on one port, and its commands fill or send the values
// the caller passes. It shows nothing and decides nothing for the user: the window's commands
// and zeltctl do.
//
// Usage:
//   CControllerLink link(port, clock, trace, wallClock, LinkAddress::FromSettings(232, 1));
//   ControllerStatus status;
//   if (link.GetStatus(&status)) ...
//   ReadAllResult all = ReadAll(link, shownRecord);  // Sequences.h
//
// Every command returns 1 on success and 0 on failure and never throws.

#include <atomic>
#include <functional>
#include <optional>
#include <string>

#include "base/Ticks.h"
#include "base/Trace.h"
#include "config/CfgDocument.h"
#include "link/Framing.h"
#include "link/LinkAddress.h"
#include "link/Readings.h"
#include "link/SerialPort.h"
#include "link/Telemetry.h"
#include "link/Transaction.h"
#include "link/WallClock.h"

namespace zelt {

// Before item n (1-based) of total of a read-all or write-all; name is the item's trace name.
using SequenceProgress = std::function<void(int n, int total, const std::string& name)>;

// What "Set RTC" sends: the PC clock (sent just after a second boundary) or a time of day.
struct ClockToSend {
    bool pcClock = true;
    TimeOfDay time;  // when not pcClock
};

class CControllerLink {
  public:
    // All references must outlive the object.
    CControllerLink(ISerialPort& port, ITickClock& clock, ITraceSink& trace, IWallClock& wallClock,
                    LinkAddress address = {});

    // Where the next command goes. The port's byte pacing follows the framing. Another
    // address is another controller: what was learnt of the last one is forgotten.
    void SetAddress(LinkAddress address);
    const LinkAddress& Address() const { return address_; }
    const IFraming& Framing() const { return *framing_; }

    // Reported before each item of read-all and write-all.
    void SetProgressHook(SequenceProgress hook) { progress_ = std::move(hook); }
    void ReportProgress(int n, int total, const std::string& name) const {
        if (progress_) {
            progress_(n, total, name);
        }
    }

    // A flag another thread sets to stop a sequence or a walk between two requests; the
    // request in flight always ends first. Null: never cancelled.
    void SetCancelFlag(const std::atomic<bool>* cancel) { cancel_ = cancel; }
    bool Cancelled() const { return cancel_ != nullptr && cancel_->load(); }

    // The port went away during the last command, or was gone before it and did not open
    // again: the command failed at once instead of waiting out its time-out. Callers stop
    // what they run rather than try item after item. Every command first reopens a port that
    // went away, so the next poll or command finds the controller once it is back.
    bool PortWentAway() const { return portWentAway_; }

    ITraceSink& Trace() { return trace_; }
    ITickClock& Clock() { return clock_; }
    IWallClock& WallClock() { return wallClock_; }

    // What the link learnt of the controller at its address: the version read gives the
    // firmware, the status read the system voltage, the load limits' read or write the
    // limits. The volts per count follow from the framing, the system voltage and (RS232)
    // the firmware. A command that converts volts and counts first reads what is missing.
    const ControllerScale& Scale() const { return scale_; }
    std::optional<FirmwareIdentity> Identity() const { return identity_; }
    // The controller behind the port may have changed (the port was opened again on another
    // COM number): forget what was learnt.
    void ForgetController();

    // --- Reads into a record ---
    int GetVoltForLoad(CCfgDocument& record);
    int GetLvdrPvOnOffDt(CCfgDocument& record);
    int GetAdvanceBattPara(CCfgDocument& record);  // RS485: sends nothing, returns 1
    int GetVModePwmFlag(CCfgDocument& record);
    int GetSchedule(int slot, CCfgDocument& record);  // appends a sector when the slot is used
    int GetDuration(int step, CCfgDocument& record);
    int GetFcvAcvOchtTc(CCfgDocument& record);

    // --- The bus walk (RS485) ---
    // The probe of the address's ID with its own pause and time-out (Rs485Probe.h): the ID
    // that answered, which may be the ID *unansweredId names; 0 when none did. *unansweredId
    // carries an answer still out from one probe of a walk to the next (0 to start with).
    int ProbeBusId(int* unansweredId);
    // After a walk's last probe: the late answer of *unansweredId, else 0.
    int TakeLateBusAnswer(int* unansweredId);

    // --- Reads of values ---
    int GetChargeCount(int* count);
    int GetRtc(TimeOfDay* time);
    int GetVersion(FirmwareIdentity* identity);
    // The 14 digits in either framing; empty when never programmed.
    int GetSerialNumber(std::string* serial);
    int GetStatus(ControllerStatus* status);
    int GetBatteryVoltage(float* volts);
    int GetChargeVoltage(float* volts);
    int GetLoadVoltage(float* volts);
    // Amperes from the sense reading; a divisor of 0 takes the channel's default.
    int GetChargeCurrent(uint32_t divisor, float* amps);
    int GetLoadCurrent(uint32_t divisor, float* amps);
    // RS232 only: RS485 sends nothing, returns 1 and leaves mode unset.
    int GetSwitchMode(std::optional<SwitchMode>* mode);

    // --- Writes of a record (ready to send: adapted and checked) ---
    int SetVoltForLoad(const CCfgDocument& record);
    int SetVModePwmFlag(const CCfgDocument& record);  // RS485: sends nothing, returns 1
    int SetSchedule(int slot, const CCfgDocument& record);
    int SetLvdLvr(const CCfgDocument& record);
    int SetAdvanceBattPara(const CCfgDocument& record);  // RS485: sends nothing, returns 1
    int SetFcvAcvOchtTc(const CCfgDocument& record);
    int SetPvDetect(const CCfgDocument& record);
    int SetDuration(int step, const CCfgDocument& record);
    int SetSwJpMode(const CCfgDocument& record);
    int ResetChargeCount();
    // The time sent goes to *sent on success.
    int SetRtc(const ClockToSend& clock, TimeOfDay* sent = nullptr);

  private:
    friend class CommandRunner;

    // Reads what the scale lacks for a command that needs it; false, with a trace line
    // saying why, when the controller did not tell.
    bool LearnScale(ScaleNeed need);
    void UpdateScale();

    ISerialPort& port_;
    ITickClock& clock_;
    ITraceSink& trace_;
    IWallClock& wallClock_;
    LinkAddress address_;
    const IFraming* framing_;
    LinkIo io_;
    // A failed attempt may still be answered late: the next command first lets the line settle.
    bool settlePending_ = false;
    bool portWentAway_ = false;
    long failedAt_ = 0;
    SequenceProgress progress_;
    const std::atomic<bool>* cancel_ = nullptr;
    std::optional<FirmwareIdentity> identity_;
    ControllerScale scale_;
};

}  // namespace zelt

#pragma once
// What each controller command means for the user, decided once for every front end: the
// window and zeltctl (single and per ID of a fleet) call these and only present the verdicts.
// The link work runs through an exchange runner (the window's link worker, or inline), the
// questions a command may ask go to a host, and both are asked on the caller's thread.
//
// Usage:
//   SetVerdict set = SetParameters(link, Inline(), host, {record, app.systemVoltage, true});
//   if (set.status) ...present the status...;  message = set.Summary(english);

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/CfgDocument.h"
#include "link/ControllerLink.h"
#include "link/Sequences.h"

namespace zelt {

// Runs an exchange that uses the link (and nothing of a window); false when it did not run.
using ExchangeRunner = std::function<bool(const std::function<void()>& exchange)>;
// The runner of a front end without a worker: runs the exchange at once.
ExchangeRunner Inline();

// What the controller's identity and status say, for every command that read them.
struct StateVerdict {
    std::optional<FirmwareIdentity> identity;
    std::optional<ControllerStatus> status;
    bool vendorRefused = false;  // a foreign vendor: the command ends, nothing is written
    bool batteryFailed = false;  // the Battery Fail question (or report) comes first
    bool systemVoltageChanged = false;
};

// ---------------------------------------------------------------- Get Parameters

struct GetRequest {
    CCfgDocument shown;          // what the front end shows: unread items keep it
    int knownSystemVoltage = 0;  // 0: not known yet
    bool usePcTime = true;       // the clock is kept at the PC's: drift is corrected
};

struct GetVerdict : StateVerdict {
    bool ran = false;  // false: not run, or cancelled: nothing read is taken
    ReadAllResult read;
    // From "Get Switch Mode" (RS232) or the status byte (RS485); none when neither was read.
    std::optional<SwitchMode> mode;
    // The drift correction sent the PC clock: this is the controller's clock now.
    std::optional<TimeOfDay> clockSent;
    // Every item with a summary line was read (the low-battery levels included).
    bool Complete() const { return ran && read.outcome.AllListedSucceeded(); }
    std::string Summary(bool english) const { return read.outcome.Summary(english); }
};

// Read-all, then its one ending: the vendor check, the status verdict, the clock drift
// correction (not for a refused vendor or a failed battery), the mode. A failed read-all is
// not run again: each item has had its two tries.
GetVerdict GetParameters(CControllerLink& link, const ExchangeRunner& run,
                         const GetRequest& request);

// ---------------------------------------------------------------- Set Parameters

// The questions "Set Parameters" asks of whoever runs it, in this order.
class ISetHost {
  public:
    virtual ~ISetHost() = default;
    // The record holds values nobody read from this controller: send them anyway?
    virtual bool AllowUnreadValues() { return true; }
    // The 12 V / 24 V adaptation changed the record; and later the corrections did, or the
    // refusal put it back as it came.
    virtual void RecordChanged(const CCfgDocument& /*record*/) {}
    // The record check's problems, each with what correcting makes of it: correct and send?
    virtual bool CorrectAndSend(const std::vector<std::string>& problems) = 0;
    // The corrections made, one line per changed value.
    virtual void Corrected(const std::vector<std::string>& /*changes*/) {}
    // What the write-all's clock item sends, asked just before the writes.
    virtual ClockToSend ClockForWrite() { return {}; }
};

struct SetVerdict : StateVerdict {
    enum class Stage {
        NotRun,          // the runner did not run it, or it was cancelled before writing
        NoAnswer,        // the version or status read failed: "Operation fault"
        Stopped,         // vendor refused or battery failed: nothing written
        UnreadDeclined,  // the user kept the unread values back
        RecordRefused,   // the record check refused it (problems say why)
        Written,         // the write-all ran (see written and the verify)
    } stage = Stage::NotRun;
    std::vector<std::string> problems;  // what the record check refused
    bool corrected = false;             // the record check corrected it before sending
    WriteAllResult written;
    // The read-back after a complete write-all: complete, and what differs from what was sent.
    bool readBack = false;
    std::vector<std::string> differences;

    bool Cancelled() const { return stage == Stage::Written && written.outcome.cancelled; }
    bool WriteAllComplete() const {
        return stage == Stage::Written && written.outcome.AllListedSucceeded();
    }
    // Written, every item acknowledged, read back and found as sent.
    bool Verified() const { return WriteAllComplete() && readBack && differences.empty(); }
    // What failed once it was written: the write-all's summary, the read-back that could not be
    // read, or the items the controller acknowledged and did not keep (named in the request's
    // language); empty when verified.
    std::string Summary(bool english) const;
};

struct SetRequest {
    CCfgDocument record;  // as the front end holds it, before the adaptation
    int knownSystemVoltage = 0;
    bool english = true;
};

// Version and status read, the vendor and battery verdicts, the unread values, the 12 V /
// 24 V adaptation and the record check, the write-all, and one read-all to verify it.
SetVerdict SetParameters(CControllerLink& link, const ExchangeRunner& run, ISetHost& host,
                         const SetRequest& request);

// ---------------------------------------------------------------- the panel's commands

// "Set RTC": the time sent, or nothing when it failed or did not run.
std::optional<TimeOfDay> SetClock(CControllerLink& link, const ExchangeRunner& run,
                                  const ClockToSend& clock);
// "Reset Charge Count": true when the controller took it.
bool ResetChargeCount(CControllerLink& link, const ExchangeRunner& run);

struct ModeVerdict {
    std::optional<SwitchMode> mode;          // none: "Failed to Update Operating Mode."
    std::optional<ControllerStatus> status;  // read when the mode came from the status byte
};
// "Update Operating Mode": "Get Switch Mode" tried twice; RS485 has none, so the status byte
// says it. Never a mode without a read.
ModeVerdict ReadOperatingMode(CControllerLink& link, const ExchangeRunner& run);

}  // namespace zelt

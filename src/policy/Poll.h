#pragma once
// One poll of the controller's status and live readings, as the parameter panel runs it every
// fifth tick of its timer and `zeltctl status` / `monitor` run it: the reads in panel order,
// and the verdicts every front end presents (battery failed, system voltage changed,
// over-voltage, the mode codes). Whether the readings shown are still current is decided here
// too. Nothing is shown: the caller does that.

#include <cstdint>
#include <optional>
#include <string>

#include "base/TimeOfDay.h"
#include "link/ControllerLink.h"
#include "link/Readings.h"
#include "link/Telemetry.h"

namespace zelt {

// The timer ticks between two polls.
constexpr int kPollEveryTicks = 5;

// What the caller knew before the poll, from the last status read that answered.
struct PollStart {
    uint16_t systemVoltage = 0;  // 12 or 24; 0 while no status read has told
    std::optional<bool> loadOn;  // the firmware has switched the load on
};

struct PollOptions {
    // Each read runs until it succeeds or has run this often: a periodic poll tries once (the
    // next one comes soon), a one-shot command twice, as "Get Parameters" does.
    int attempts = 1;
    // The folder of "MFG.ini": beside the executable, for every front end.
    std::string mfgFolder = ExecutableFolder();
};

// What one poll read and what it means. A read that failed is absent.
struct LiveReadings {
    std::optional<ControllerStatus> status;  // this poll's status read
    bool portWentAway = false;               // the last read failed because the port went away
    // After the poll: what the status read told, or what was known before when it failed.
    uint16_t systemVoltage = 0;
    std::optional<bool> loadOn;
    CurrentDivisors divisors;  // "MFG.ini" as this poll read it
    std::optional<float> batteryVoltage;
    std::optional<int> stateOfCharge;
    std::optional<float> chargeVoltage;
    std::optional<float> chargeCurrent;
    std::optional<float> loadVoltage;
    std::optional<float> loadCurrent;  // as shown: 0 below 1 A while the load is off
    std::optional<int> chargeCount;

    // The status read reported a failed battery: nothing else was read.
    bool batteryFailed = false;
    // The status read told another system voltage than the one known before.
    bool systemVoltageChanged = false;
    // A 24 V battery on a 12 V system: the program (or the command) ends once this is shown.
    bool overVoltage = false;

    // The controller answered anything at all.
    bool AnyRead() const;
    // The status and every reading answered.
    bool Complete() const;
    // The mode and lighting time codes (0..3) of this poll's status byte.
    std::optional<uint8_t> OperatingModeCode() const;
    std::optional<uint8_t> LightingTimeCode() const;
};

// The status read (once more while the system voltage is unknown), then, unless it reported
// a failed battery, the current divisors and the live readings. A failed status read leaves
// the system voltage and the load switch as they were and the poll goes on with the readings.
LiveReadings PollController(CControllerLink& link, const PollStart& start,
                            const PollOptions& options = {});

// Whether the live readings shown are current. A poll that read nothing, or a due poll that
// could not run, leaves the last readings shown; from the second such poll in a row they are
// stale (shown with the time of the last good poll), and the next poll that reads something
// makes them current again.
class ReadingsFreshness {
  public:
    struct Change {
        bool stale = false;
        TimeOfDay lastGood;
    };

    // A poll ended at the PC time now; read: it read something. The change to show, if any.
    std::optional<Change> PollEnded(bool read, TimeOfDay now);
    // The poll has been due for ticksSinceDue ticks and still cannot run: every full period
    // it stays so counts as a failed poll.
    std::optional<Change> PollMissed(int ticksSinceDue);
    bool Stale() const { return failedInARow_ >= 2; }

  private:
    std::optional<Change> Failed();

    int failedInARow_ = 0;
    std::optional<TimeOfDay> lastGood_;
};

}  // namespace zelt

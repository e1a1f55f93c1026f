#pragma once
// What the parameter panel shows of the controller besides the record: the live readings, the
// two clocks, the operating mode and lighting time codes, and the main window's flags that
// stop the panel timer. The window's commands fill it from what the link read.

#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "base/TimeOfDay.h"

namespace zelt {

struct PanelValues {
    // Unknown (shown blank) until a reading comes, and again after one failed.
    std::optional<int> chargeCount;
    std::optional<float> batteryVoltage;
    std::optional<int> batteryCapacity;  // state of charge, percent
    float chargeVoltage = 0.0f;
    float chargeCurrent = 0.0f;
    float loadVoltage = 0.0f;
    float loadCurrent = 0.0f;  // as shown: 0 below 1 A while the load is off
    TimeOfDay rtcTime;         // the controller clock as shown
    int rtcKnown = 0;          // the controller-clock-known flag
    TimeOfDay rtcRead;         // the controller clock last read or sent ...
    TimeOfDay rtcReadAt;       // ... and the PC clock at that moment
    TimeOfDay pcTime;          // PC clock as the timer last stored it
    TimeOfDay userTime;        // clock typed into the panel
    int usePcTime = 1;         // "Set as PC time" (radio 1053) selected
    // The operating mode and lighting time codes (0..3) last read; -1 before any read. Their
    // texts are made when they are shown.
    int operatingModeCode = -1;
    int lightingTimeCode = -1;
    int firmwareLoadOn = 0;
    int statusByte = -1;  // the last status byte read; -1 before
    int pollTicks = 3;    // so the first poll comes on the second tick
    // Record values by name ("fcvVoltage", "autoDuration[3]", "sectors[2]") that the last
    // "Get Parameters" could not read and nothing gave since (a file, a reset, the user);
    // everRead: those some Get has read (ReadState.h).
    std::set<std::string> unread;
    std::set<std::string> everRead;
    // Main-window flags: link-busy stops the panel timer; battery-failed stops the seek.
    int linkBusy = 0;
    int batteryFailed = 0;
};

}  // namespace zelt

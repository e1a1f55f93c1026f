#pragma once
// What the controller reports, as values. The link fills them; the window and zeltctl decide
// what the user sees.

#include <cstdint>
#include <string>

namespace zelt {

// Volts per brightness percent between two load limits; a record's levels convert between
// its own limits.
inline double VoltsPerPercent(float maxVout, float minVout) {
    return (maxVout - minVout) / 100.0f;
}

// What the commands need to turn counts into volts, as the link learnt it of the controller
// at its address: the system voltage from the status read, the firmware version from the
// version read (the RS232 volts per count depend on it), the load limits last read or written.
struct ControllerScale {
    uint16_t systemVoltage = 0;  // 12 or 24 once a status read told; 0 before
    double voltsPerCount = 24.5 / 1024;
    double voltsPerPercent = 0.04;  // (maxVout - minVout) / 100
    std::string firmwareVersion;    // empty until a version read told
};

// What a command needs of the scale before it runs.
enum class ScaleNeed : uint8_t {
    None,
    SystemVoltage,  // 12 V and 24 V values differ
    VoltsPerCount,  // converts volts and counts: system voltage, and on RS232 the firmware
};

// The status byte ("Q3" / 0x0104).
struct ControllerStatus {
    int statusByte = 0;
    uint16_t systemVoltage = 12;
    bool loadOn = false;         // the firmware has switched the load on
    bool batteryFailed = false;  // bad battery, over current or short circuit

    // The 2-bit codes of the operating mode and of the lighting time, as the record keeps them.
    uint8_t OperatingModeCode() const { return static_cast<uint8_t>(statusByte & 3); }
    uint8_t LightingTimeCode() const { return static_cast<uint8_t>((statusByte >> 4) & 3); }
};

// "Get Version": firmware version text, vendor and battery type.
struct FirmwareIdentity {
    uint16_t vendorId = 0;
    uint8_t batteryType = 0;
    // The same text in both framings: "3.12" for a release, "3.12A5" or "3.12B1" for a
    // revision. The window's pane, zeltctl and the MQTT discovery record all show it.
    std::string version;

    // Only controllers of vendor 1 are ours to configure.
    bool VendorAccepted() const { return vendorId == 1; }
};

// "Get Switch Mode" (RS232): the operating mode and lighting time codes.
struct SwitchMode {
    uint8_t operatingModeCode = 0;
    uint8_t lightingTimeCode = 0;
};

}  // namespace zelt

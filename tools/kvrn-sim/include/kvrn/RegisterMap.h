#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "kvrn/Sim.h"

namespace kvrn {

// The controller's byte-addressed register space: 0x000-0x0FF configuration, 0x100-0x1FF
// status and live readings, 0x200-0x2FF the clock. Addresses outside read as 0.
constexpr int kRegisterSpace = 0x300;

// Register addresses the simulated controller gives a meaning to.
namespace reg {
constexpr int kScheduleSlots = 0x00;  // 8 slots of 7 bytes
constexpr int kSlotSize = 7;
constexpr int kSlotCount = 8;
constexpr int kAutoSteps = 0x38;  // 8 steps of 4 bytes: duration word, level word
constexpr int kAutoStepCount = 8;
constexpr int kVMode = 0x58;
constexpr int kPwm = 0x59;
constexpr int kLightOn = 0x5D;
constexpr int kLightOff = 0x5F;
constexpr int kLvd = 0x61;
constexpr int kLvr = 0x63;
constexpr int kDt = 0x65;
constexpr int kFcv = 0x66;
constexpr int kAcv = 0x68;
constexpr int kOcht = 0x6A;
constexpr int kTempCompensation = 0x6B;
constexpr int kChargeCount = 0x6C;
constexpr int kLowLevelEnable = 0x6E;
constexpr int kLow1Voltage = 0x6F;
constexpr int kLow1Level = 0x71;
constexpr int kLow2Voltage = 0x73;
constexpr int kLow2Level = 0x75;
constexpr int kOperatingMode = 0x72;  // the switch block 0x72..0x76 overlaps the low block
constexpr int kLightingTime = 0x73;
constexpr int kRs485Id = 0x77;
constexpr int kLoadLimits = 0x78;  // max low byte, min low byte, ninth bits
constexpr int kVersion = 0x7B;     // revision, major, vendor ID, battery type, minor
constexpr int kVersionSize = 5;
constexpr int kSerial = 0x80;  // 7 packed-BCD bytes, then erased bytes up to 0x8D
constexpr int kSerialSize = 14;
constexpr int kProbe = 0x0103;  // the byte an RS485 discovery probe reads
constexpr int kStatus = 0x0104;
constexpr int kBatteryVolt = 0x0105;
constexpr int kChargeVolt = 0x0107;
constexpr int kLoadVolt = 0x0109;
constexpr int kChargeCurrent = 0x010D;
constexpr int kLoadCurrent = 0x010F;
constexpr int kClock = 0x0203;  // hour, minute, second in packed BCD
}  // namespace reg

class RegisterMap {
  public:
    uint8_t Get(int address) const;
    // Ignores addresses outside the space.
    void Set(int address, uint8_t value);
    std::vector<uint8_t> Block(int address, int count) const;
    uint16_t Word(int address) const;  // big-endian
    void SetWord(int address, uint16_t value);

  private:
    std::array<uint8_t, kRegisterSpace> bytes_{};
};

// A firmware version as the version record carries it: major as a binary byte, minor as
// packed BCD (so "3.12" is major 3, minor 0x12 and the RS232 version reply stays decimal).
struct FirmwareVersion {
    int major = 3;
    int minorBcd = 0x12;
};
// "3.12", "4.5" -> major 0..9 and one or two minor digits; false for anything else.
bool ParseFirmware(const std::string& text, FirmwareVersion* version);

// Volts per count of a 10-bit voltage word. The controller's own scale is the RS485 one;
// firmware from major 4 on reports RS232 words on a coarser scale.
struct VoltScales {
    double rs485 = 24.5 / 1024;
    double rs232 = 24.5 / 1024;
};
VoltScales ScalesFor(bool system24V, const FirmwareVersion& firmware);

// Count from volts, rounded to nearest and kept within 0..1023.
int CountFromVolts(double volts, double voltsPerCount);
// A voltage word holds its count in bits 15..6.
inline uint16_t WordFromCount(int count) {
    return static_cast<uint16_t>(count << 6);
}
inline int CountFromWord(uint16_t word) {
    return word >> 6;
}

// Addresses of the voltage words (thresholds and level words) in the configuration area.
const std::vector<int>& VoltageWordAddresses();

// The register contents a new controller leaves the factory with, under the options.
void LoadFactoryImage(RegisterMap& map, const SimOptions& options, const FirmwareVersion& firmware);

}  // namespace kvrn

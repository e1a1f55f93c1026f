#pragma once
// The arithmetic behind the live readings of the parameter panel: counts to volts and
// amperes, the battery's state of charge, the over-voltage test, the current divisors of
// "MFG.ini" and the controller clock as the panel carries it between reads. No port, no
// window: the controller object runs the reads, its callers show the results; everything here
// is pure except the two file-system look-ups, which take their folder or path as a parameter.

#include <cstdint>
#include <string>

#include "base/TimeOfDay.h"

namespace zelt {

// ---------------------------------------------------------------------------------------
// Voltages

// The 10-bit count of a voltage or current-sense reading from the RS232 reply digits
// (decoded hex digit values 1 to 3 of "Q4", "Q5", ...): (d1 * 256 + d2 * 16 + d3) / 4.
int VoltageCountFromDigits(int d1, int d2, int d3);

// The same count from the two RS485 register bytes: byte0 * 4 + (byte1 >> 6).
int VoltageCountFromBytes(uint8_t byte0, uint8_t byte1);

// State of charge in percent, 0..100, of a battery at volts on a 12 V or 24 V system (any
// other systemVoltage counts as 12 V). Eleven bands, thresholds per 12 V doubled on 24 V;
// within a band base + (volts - threshold) / slope, truncated toward zero, with the
// difference and the slope taken in single precision as the controller's tables expect.
int StateOfCharge(float volts, int systemVoltage);

// True when a 12 V system reads more than 18.0 V: a 24 V battery on a 12 V controller. A
// 24 V system (or one not yet known, 0) never is.
bool IsOverVoltage(float batteryVolts, int systemVoltage);

// ---------------------------------------------------------------------------------------
// Currents

constexpr uint32_t kDefaultChargeDivisor = 172;
constexpr uint32_t kDefaultLoadDivisor = 213;

// Volts across the current sense resistor: count * 5 / 1023.
double SenseVolts(int count);

// Amperes from a sense count: sense millivolts per divisor. A divisor of 0 stands for
// "not configured" and uses fallbackDivisor instead; with both 0 the current is 0.
double SenseCurrent(int count, uint32_t divisor, uint32_t fallbackDivisor);

// The load current as the panel shows it: with the load switched off, readings below 1.0 A
// are noise and show as 0.0.
double LoadCurrentShown(double amps, bool loadOn);

// The divisors that turn sense millivolts into amperes, one per channel.
struct CurrentDivisors {
    uint32_t charge = kDefaultChargeDivisor;
    uint32_t load = kDefaultLoadDivisor;
};

// Reads section "Current Divisor", keys "Charge" and "Load", of "MFG.ini" in folder (the
// executable's folder, see ExecutableFolder; a missing trailing '/' is supplied). A missing
// file, section or key gives the default, and so does any value that is not a positive
// integer (0, negative, no digits): both divisors returned are always non-zero.
CurrentDivisors ReadCurrentDivisors(const std::string& folder);

// The folder of the running executable with a trailing separator (the platform's own call);
// empty when it cannot be found (the file is then looked for in the working folder).
std::string ExecutableFolder();

// Private-profile integer look-up in an INI file: section and key names match without
// regard to case or surrounding blanks, the first matching section and key win, other lines
// (comments included) are passed over, and the value is its leading integer (optional sign,
// decimal digits; "12abc" is 12, "abc" is 0). A missing file, section or key, or an empty value,
// gives defaultValue.
int64_t ReadProfileInt(const std::string& path, const std::string& section, const std::string& key,
                       int64_t defaultValue);

// ---------------------------------------------------------------------------------------
// The running copy of the controller clock

// The controller clock as the panel shows it between reads: the time read (or sent) at
// pcAtRead, carried forward by the PC seconds that passed since. A tick the display missed
// changes nothing: the next tick shows the right time again.
TimeOfDay CarriedForward(TimeOfDay read, TimeOfDay pcAtRead, TimeOfDay pcNow);

// A clock just read from the controller against the PC clock of the same moment: worth
// setting when it is 2 to 5 seconds off within the same hour and minute and the user chose
// "Set as PC time". A 1 s difference is read jitter; larger ones are left to the user.
bool ClockWorthCorrecting(TimeOfDay controller, TimeOfDay pc, bool setAsPcTime);

}  // namespace zelt

#include "link/Telemetry.h"

#include <cstdlib>

#include <unistd.h>

#include <array>
#include <cctype>
#include <climits>
#include <optional>
#include <sstream>
#include <string_view>

#include "base/FileRead.h"
#include "base/PathSeparator.h"

namespace zelt {

namespace {

// One band of the state-of-charge table: from threshold (per 12 V) up to the band above,
// base % plus one percent per slope volts.
struct ChargeBand {
    double threshold;
    int base;
    double slope;
};

constexpr std::array<ChargeBand, 11> kChargeBands{{
    {12.6, 100, 0.0},  // full: the state is 100 from here up
    {12.5, 90, 0.01},
    {12.42, 80, 0.008},
    {12.32, 70, 0.01},
    {12.2, 60, 0.012},
    {12.06, 50, 0.014},
    {11.9, 40, 0.016},
    {11.75, 30, 0.015},
    {11.58, 20, 0.017},
    {11.31, 10, 0.027},
    {10.5, 0, 0.081},
}};

constexpr double kOverVoltageLimit = 18.0;
constexpr double kLoadOffNoiseAmps = 1.0;

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// The leading decimal integer of text: "12abc" is 12, "abc" is 0; clamped to 64 bits, so that
// a file reads alike where long has 32 bits (Windows) and where it has 64.
int64_t LeadingInteger(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (value > (INT64_MAX - digit) / 10) {
            return negative ? INT64_MIN : INT64_MAX;
        }
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

// The raw value of key in section, without surrounding blanks or one pair of quotes.
std::optional<std::string> ProfileString(const std::string& path, std::string_view section,
                                         std::string_view key) {
    const FileReadResult read = ReadLimitedFile(path, kProfileFileLimit);
    if (!read.ok()) {
        return std::nullopt;  // as a missing file: the defaults hold
    }
    std::istringstream file(read.bytes);
    std::string line;
    bool inSection = false;
    bool firstLine = true;
    while (std::getline(file, line)) {
        std::string_view text = line;
        if (firstLine && text.starts_with("\xEF\xBB\xBF")) {
            text.remove_prefix(3);
        }
        firstLine = false;
        text = Trim(text);
        if (text.starts_with('[')) {
            if (inSection) {
                return std::nullopt;  // only the first matching section counts
            }
            const size_t close = text.find(']');
            const std::string_view name =
                Trim(text.substr(1, close == std::string_view::npos ? text.npos : close - 1));
            inSection = SameName(name, section);
            continue;
        }
        if (!inSection) {
            continue;
        }
        const size_t equals = text.find('=');
        if (equals == std::string_view::npos || !SameName(Trim(text.substr(0, equals)), key)) {
            continue;
        }
        std::string_view value = Trim(text.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return std::string(value);
    }
    return std::nullopt;
}

uint32_t DivisorOrDefault(int64_t value, uint32_t defaultValue) {
    // 0 would divide by zero and a negative divisor turns every current negative: neither
    // is a divisor anyone meant, so the factory value stands.
    if (value <= 0 || value > int64_t{UINT32_MAX}) {
        return defaultValue;
    }
    return static_cast<uint32_t>(value);
}

}  // namespace

int VoltageCountFromDigits(int d1, int d2, int d3) {
    return (d1 * 256 + d2 * 16 + d3) / 4;
}

int VoltageCountFromBytes(uint8_t byte0, uint8_t byte1) {
    return byte0 * 4 + (byte1 >> 6);
}

int StateOfCharge(float volts, int systemVoltage) {
    const int n = systemVoltage == 24 ? 2 : 1;
    for (const ChargeBand& band : kChargeBands) {
        const double threshold = band.threshold * n;
        if (volts < threshold) {
            continue;
        }
        if (band.slope == 0.0) {
            return band.base;
        }
        const float difference = static_cast<float>(volts - threshold);
        const float slope = static_cast<float>(band.slope * n);
        return band.base + static_cast<int>(difference / slope);
    }
    return 0;
}

bool IsOverVoltage(float batteryVolts, int systemVoltage) {
    return systemVoltage == 12 && batteryVolts > kOverVoltageLimit;
}

double SenseVolts(int count) {
    return count * 5.0 / 1023;
}

double SenseCurrent(int count, uint32_t divisor, uint32_t fallbackDivisor) {
    const uint32_t used = divisor != 0 ? divisor : fallbackDivisor;
    if (used == 0) {
        return 0.0;
    }
    return SenseVolts(count) / 0.001 / used;
}

double LoadCurrentShown(double amps, bool loadOn) {
    return !loadOn && amps < kLoadOffNoiseAmps ? 0.0 : amps;
}

int64_t ReadProfileInt(const std::string& path, const std::string& section, const std::string& key,
                       int64_t defaultValue) {
    const std::optional<std::string> value = ProfileString(path, section, key);
    if (!value || value->empty()) {
        return defaultValue;
    }
    return LeadingInteger(*value);
}

CurrentDivisors ReadCurrentDivisors(const std::string& folder) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/' && path.back() != kPathSeparator) {
        path += kPathSeparator;
    }
    path += "MFG.ini";
    CurrentDivisors divisors;
    divisors.charge =
        DivisorOrDefault(ReadProfileInt(path, "Current Divisor", "Charge", kDefaultChargeDivisor),
                         kDefaultChargeDivisor);
    divisors.load = DivisorOrDefault(
        ReadProfileInt(path, "Current Divisor", "Load", kDefaultLoadDivisor), kDefaultLoadDivisor);
    return divisors;
}

namespace {

int SecondOfDay(TimeOfDay t) {
    return t.hour * 3600 + t.minute * 60 + t.second;
}

}  // namespace

TimeOfDay CarriedForward(TimeOfDay read, TimeOfDay pcAtRead, TimeOfDay pcNow) {
    constexpr int kDay = 24 * 3600;
    const int elapsed = ((SecondOfDay(pcNow) - SecondOfDay(pcAtRead)) % kDay + kDay) % kDay;
    const int shown = (SecondOfDay(read) + elapsed) % kDay;
    return TimeOfDay{shown / 3600, shown / 60 % 60, shown % 60};
}

bool ClockWorthCorrecting(TimeOfDay controller, TimeOfDay pc, bool setAsPcTime) {
    const int drift = std::abs(pc.second - controller.second);
    return setAsPcTime && drift >= 2 && drift <= 5 && pc.hour == controller.hour &&
           pc.minute == controller.minute;
}

}  // namespace zelt

#include <algorithm>
#include <cmath>
#include <numbers>

#include "kvrn/SimController.h"

namespace kvrn {

namespace {

// Battery voltage of a 12 V battery through a day: charged from mid-morning to the float
// level in the afternoon, drawn down by the lamp through the night.
struct CurvePoint {
    double hour;
    double volts;
};
constexpr CurvePoint kBatteryCurve[] = {{0, 12.45},  {5, 12.22},  {6.5, 12.30}, {10, 13.60},
                                        {13, 14.30}, {16, 13.80}, {18, 13.40},  {19, 12.90},
                                        {23, 12.55}, {24, 12.45}};

constexpr double kPanelNightVolts = 0.4;
constexpr double kPanelPeakVolts = 20.4;
constexpr double kPeakChargeAmps = 6.0;
constexpr double kFullLoadAmps = 3.0;
constexpr double kLoadDropVolts = 0.2;
constexpr double kOverVoltageVolts = 18.6;

double Clamp01(double value) {
    return std::clamp(value, 0.0, 1.0);
}

}  // namespace

int PlantModel::SenseCount(double amperes, int divisor) {
    // The utility shows count * 5 / 1023 volts of shunt signal, in millivolts per divisor.
    const long count = std::lround(amperes * divisor * 1023.0 / 5000.0);
    return static_cast<int>(std::clamp(count, 0L, 1023L));
}

double PlantModel::BatteryVolts(double hour) const {
    for (size_t i = 1; i < std::size(kBatteryCurve); ++i) {
        const CurvePoint& a = kBatteryCurve[i - 1];
        const CurvePoint& b = kBatteryCurve[i];
        if (hour <= b.hour) {
            const double t = (hour - a.hour) / (b.hour - a.hour);
            return a.volts + t * (b.volts - a.volts);
        }
    }
    return kBatteryCurve[0].volts;
}

int PlantModel::ActiveSlotWord(int minuteOfDay, const RegisterMap& map) {
    for (int slot = 0; slot < reg::kSlotCount; ++slot) {
        const int base = reg::kScheduleSlots + slot * reg::kSlotSize;
        if (map.Get(base) == 0)
            continue;
        const int start = map.Get(base + 1) * 60 + map.Get(base + 2);
        const int end = map.Get(base + 3) * 60 + map.Get(base + 4);
        const bool inside = start <= end ? (minuteOfDay >= start && minuteOfDay < end)
                                         : (minuteOfDay >= start || minuteOfDay < end);
        if (inside)
            return map.Word(base + 5);
    }
    return -1;
}

PlantReading PlantModel::At(int secondOfDay, const RegisterMap& map, double voltsPerCount,
                            bool scheduleMode) const {
    PlantReading reading;
    const double hour = secondOfDay / 3600.0;
    const double sun = (hour > 6 && hour < 18) ? std::sin(std::numbers::pi * (hour - 6) / 12) : 0;
    reading.panelVolts =
        factor_ *
        std::min(kPanelPeakVolts, kPanelNightVolts + (kPanelPeakVolts - 0.4) * std::sqrt(sun));
    reading.batteryVolts = factor_ * (overVoltage_ ? kOverVoltageVolts : BatteryVolts(hour));
    reading.charging = reading.panelVolts > reading.batteryVolts + 0.3 * factor_;
    if (reading.charging)
        reading.chargeSenseCount = SenseCount(kPeakChargeAmps * sun, kChargeDivisor);

    int levelWord = 0xFFC0;
    if (scheduleMode) {
        levelWord = ActiveSlotWord(secondOfDay / 60, map);
        reading.loadOn = levelWord > 0;
    } else {
        const double lightOn = CountFromWord(map.Word(reg::kLightOn)) * voltsPerCount;
        reading.loadOn = reading.panelVolts < lightOn;
    }
    if (reading.loadOn) {
        const double ceiling = reading.batteryVolts - kLoadDropVolts * factor_;
        const double levelVolts =
            levelWord >= 0xFFC0 ? ceiling
                                : CountFromWord(static_cast<uint16_t>(levelWord)) * voltsPerCount;
        reading.loadVolts = std::min(ceiling, levelVolts);
        // LED drivers draw roughly in proportion to the level above the 8 V knee.
        const double knee = 8.0 * factor_;
        const double share = Clamp01((reading.loadVolts - knee) / std::max(0.1, ceiling - knee));
        reading.loadSenseCount = SenseCount(kFullLoadAmps * std::max(0.1, share), kLoadDivisor);
    }
    return reading;
}

}  // namespace kvrn

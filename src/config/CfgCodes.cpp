#include "config/CfgCodes.h"

#include <span>

namespace zelt {

namespace {

struct CodeLabel {
    uint8_t code;
    const char* english;
    const char* chinese;
};

constexpr CodeLabel kOperatingModes[] = {
    {3, "Auto", "自動"},
    {2, "Manual", "手動"},
    {1, "Schedule", "排程"},
    {0, "Reserved", "保留"},
};
constexpr uint8_t kOperatingModeFallback = 0;

constexpr CodeLabel kLightingTimes[] = {
    {3, "6 Hours", "6 小時"},
    {2, "8 Hours", "8 小時"},
    {1, "10 Hours", "10 小時"},
    {0, "12 Hours", "12 小時"},
};
constexpr uint8_t kLightingTimeFallback = 0;

constexpr CodeLabel kBatteryTypes[] = {
    {1, "Ni-Cd Battery", "鎳鎘電池"},
    {5, "Lead-acid Battery", "鉛酸電池"},
    {6, "Li-ion Battery", "鋰電池"},
};
constexpr uint8_t kBatteryTypeFallback = 6;

uint8_t CodeOf(std::span<const CodeLabel> table, std::string_view text, uint8_t fallback) {
    for (const auto& entry : table) {
        if (text == entry.english || text == entry.chinese) {
            return entry.code;
        }
    }
    return fallback;
}

const char* LabelOf(std::span<const CodeLabel> table, uint8_t code, uint8_t fallback,
                    bool english) {
    for (const auto& entry : table) {
        if (entry.code == code) {
            return english ? entry.english : entry.chinese;
        }
    }
    return LabelOf(table, fallback, fallback, english);
}

}  // namespace

uint8_t BatteryTypeFromText(std::string_view text) {
    return CodeOf(kBatteryTypes, text, kBatteryTypeFallback);
}

const char* OperatingModeLabel(uint8_t code, bool english) {
    return LabelOf(kOperatingModes, code, kOperatingModeFallback, english);
}

const char* LightingTimeLabel(uint8_t code, bool english) {
    return LabelOf(kLightingTimes, code, kLightingTimeFallback, english);
}

const char* BatteryTypeLabel(uint8_t code, bool english) {
    return LabelOf(kBatteryTypes, code, kBatteryTypeFallback, english);
}

}  // namespace zelt

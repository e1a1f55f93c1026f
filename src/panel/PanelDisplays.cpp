#include "panel/PanelDisplays.h"

#include <cstdint>

#include "base/Trace.h"
#include "config/CfgCodes.h"
#include "panel/FieldRules.h"

namespace zelt {

namespace {

constexpr uint8_t kBatteryTypeCodes[] = {1, 5, 6};

}  // namespace

OperatingModeShown ShownOperatingMode(const PanelValues& values, bool english) {
    const int mode = values.operatingModeCode;
    const int time = values.lightingTimeCode;
    return {mode >= 0 ? OperatingModeLabel(static_cast<uint8_t>(mode), english) : "",
            time >= 0 ? LightingTimeLabel(static_cast<uint8_t>(time), english) : "",
            mode == kOperatingModeManual};
}

ReadingsShown ShownReadings(const PanelValues& values) {
    return {values.chargeCount ? StrF("%d", *values.chargeCount) : "",
            values.batteryVoltage ? VoltsText(*values.batteryVoltage) : "",
            values.batteryCapacity ? PercentText(*values.batteryCapacity) : ""};
}

bool NoteUserGave(const PanelFields& fields, PanelValues& values, int fieldId) {
    const FieldRule* rule = FindFieldRule(fieldId);
    return rule != nullptr && fields.edited.count(fieldId) != 0 &&
           values.unread.erase(ValueName(*rule, fieldId - rule->id)) != 0;
}

std::vector<std::string> BatteryTypeChoices(bool english) {
    std::vector<std::string> choices;
    for (const uint8_t code : kBatteryTypeCodes) {
        choices.emplace_back(BatteryTypeLabel(code, english));
    }
    return choices;
}

void TranslateBatteryType(PanelFields& fields, bool english) {
    for (const uint8_t code : kBatteryTypeCodes) {
        if (fields.batteryTypeText == BatteryTypeLabel(code, !english)) {
            fields.batteryTypeText = BatteryTypeLabel(code, english);
        }
    }
}

int BatteryTypeIndex(const PanelFields& fields, bool english) {
    const std::vector<std::string> choices = BatteryTypeChoices(english);
    for (size_t i = 0; i < choices.size(); ++i) {
        if (choices[i].starts_with(fields.batteryTypeText)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace zelt

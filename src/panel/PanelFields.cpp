#include "panel/PanelFields.h"

namespace zelt {

PanelFields::PanelFields(bool english) {
    lvrVoltage = 12.4f;
    lvdVoltage = 11.1f;
    fcvVoltage = 13.6f;
    acvVoltage = 14.6f;
    low1Voltage = 11.8f;
    low2Voltage = 11.4f;
    low1Brightness = 40;
    low2Brightness = 30;
    tempCompensation = 30;
    maxVout = 12.0f;
    minVout = 8.0f;
    lightOnVoltage = 2.5f;
    lightOffVoltage = 6.0f;
    batteryTypeText = english ? "Lead-acid Battery" : "鉛酸電池";
}

const std::string& PanelFields::FieldText(int id) const {
    static const std::string kEmpty;
    const auto it = fieldText.find(id);
    return it != fieldText.end() ? it->second : kEmpty;
}

}  // namespace zelt

#pragma once

#include <cstdint>
#include <string_view>

namespace zelt {

// The record's code tables. Texts are compared whole and case-sensitively in both languages;
// a text that matches no label gives the table's fallback code.

// "Auto"/"自動" 3, "Manual"/"手動" 2, "Schedule"/"排程" 1, anything else 0.
uint8_t OperatingModeFromText(std::string_view text);
// "6 Hours"/"6 小時" 3, "8 Hours" 2, "10 Hours" 1, anything else 0.
uint8_t LightingTimeFromText(std::string_view text);
// "Ni-Cd Battery"/"鎳鎘電池" 1, "Lead-acid Battery"/"鉛酸電池" 5, anything else 6.
uint8_t BatteryTypeFromText(std::string_view text);

// Labels of the codes in English (true) or Chinese. Codes outside a table get the label of its
// fallback: operating mode "Reserved", lighting time "12 Hours", battery type "Li-ion Battery".
const char* OperatingModeLabel(uint8_t code, bool english);
const char* LightingTimeLabel(uint8_t code, bool english);
const char* BatteryTypeLabel(uint8_t code, bool english);

}  // namespace zelt

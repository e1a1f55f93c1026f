#pragma once

#include <cstdint>
#include <string_view>

namespace zelt {

// The record's code tables. The operating mode and the lighting time are kept as their codes
// (as the controller reports them); the battery type list is matched by its text, compared
// whole and case-sensitively in both languages, a text that matches no label giving the
// fallback code.

// Operating modes: 0 Reserved, 1 Schedule, 2 Manual, 3 Auto. Lighting times: 0 12 hours,
// 1 10 hours, 2 8 hours, 3 6 hours.
constexpr uint8_t kOperatingModeManual = 2;

// "Ni-Cd Battery"/"鎳鎘電池" 1, "Lead-acid Battery"/"鉛酸電池" 5, anything else 6.
uint8_t BatteryTypeFromText(std::string_view text);

// Labels of the codes in English (true) or Chinese. Codes outside a table get the label of its
// fallback: operating mode "Reserved", lighting time "12 Hours", battery type "Li-ion Battery".
const char* OperatingModeLabel(uint8_t code, bool english);
const char* LightingTimeLabel(uint8_t code, bool english);
const char* BatteryTypeLabel(uint8_t code, bool english);

}  // namespace zelt

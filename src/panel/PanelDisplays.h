#pragma once
// What the panel's displays and lists show, for every window: the operating mode and lighting
// time, the readings a refresh shows, the displays greyed while stale, and the battery-type
// list in the current language.

#include <string>
#include <vector>

#include "panel/ControllerTexts.h"
#include "panel/PanelFields.h"
#include "panel/PanelValues.h"

namespace zelt {

struct OperatingModeShown {
    std::string mode;          // display 1040; blank before any read
    std::string lightingTime;  // display 1041; blank before any read
    bool lightingTimeVisible;  // Manual mode only
};
OperatingModeShown ShownOperatingMode(const PanelValues& values, bool english);

// The battery readings as a refresh shows them: blank until read, since a made-up 0 % reads as
// a dead battery.
struct ReadingsShown {
    std::string chargeCount;
    std::string batteryVoltage;
    std::string batteryCapacity;
};
ReadingsShown ShownReadings(const PanelValues& values);

// The live readings greyed while the poll does not read.
inline constexpr Display kStaleDisplays[] = {
    Display::BatteryVoltage, Display::BatteryCapacity, Display::ChargeCount, Display::ChargeVoltage,
    Display::ChargeCurrent,  Display::LoadVoltage,     Display::LoadCurrent};

// The user typed into or stepped fieldId: a value the last Get could not read is the user's
// from now on. True when the field was shown as unread and shows plain now.
bool NoteUserGave(const PanelFields& fields, PanelValues& values, int fieldId);

// The battery-type list (4006) in its order: Ni-Cd, lead-acid, Li-ion.
std::vector<std::string> BatteryTypeChoices(bool english);
// Follows a language switch: a battery type shown in the other language takes this one's label.
void TranslateBatteryType(PanelFields& fields, bool english);
// The list entry batteryTypeText starts; -1 when none does.
int BatteryTypeIndex(const PanelFields& fields, bool english);

}  // namespace zelt

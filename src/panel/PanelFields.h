#pragma once
// The parameter panel's own copy of the values it edits, and the last text of each edit field.
// Qt-free: the widget (CWndMiscPara) only moves texts in and out; the rules in PanelRules.h,
// PanelRecordMap.h and FieldRules.h decide everything else.
//
// The telemetry and clock side of the panel (chargeCount, batteryVoltage, rtcTime, pcTime,
// userTime, usePcTime) lives in PanelValues of link/ControllerLink.h.

#include <map>
#include <set>
#include <string>

#include "config/CfgRecord.h"

namespace zelt {

// Edit control ids of the panel; the rules are keyed by them.
namespace field {
inline constexpr int kLvr = 1028;
inline constexpr int kLvd = 1029;
inline constexpr int kFcv = 3300;
inline constexpr int kAcv = 3301;
inline constexpr int kLow1 = 3309;
inline constexpr int kLow2 = 3313;
inline constexpr int kBrightness1 = 3311;
inline constexpr int kBrightness2 = 3315;
inline constexpr int kTempCompensation = 3303;
inline constexpr int kHour = 1033;
inline constexpr int kMinute = 1034;
inline constexpr int kSecond = 1051;
inline constexpr int kMaxVout = 1030;
inline constexpr int kMinVout = 1031;
inline constexpr int kLightOn = 1038;
inline constexpr int kLightOff = 1039;
inline constexpr int kRemoteLevel = 4003;
inline constexpr int kDuration0 = 1060;        // step i: kDuration0 + i
inline constexpr int kStepBrightness0 = 1080;  // step i: kStepBrightness0 + i
inline constexpr int kSteps = CCfgDocument::kAutoSteps;
}  // namespace field

// The editable panel values, named as the record's fields (PanelRecordValues is what the
// collect step copies into the record), with the panel's initial values.
struct PanelFields : PanelRecordValues {
    // batteryTypeText starts as "Lead-acid Battery" in the language of creation.
    explicit PanelFields(bool english = true);

    // The last text the panel put into or accepted from each edit, by field id; empty for a
    // field that was never filled.
    std::map<int, std::string> fieldText;
    // The fields the user typed into or stepped since the last refresh. Only these are
    // validated before a Set or a save; the others keep the record's values to the last bit,
    // whatever their one-decimal text rounds them to.
    std::set<int> edited;

    const std::string& FieldText(int id) const;
};

}  // namespace zelt

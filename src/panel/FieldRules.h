#pragma once
// One table of the panel's edit fields: typing filter, leave rule, ranges at 12 V and 24 V,
// spin step and the rule between paired fields. The panel's validation (PanelRules.h) and the
// check of a whole record before it is written (RecordLimits.h) both read it.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "config/VoltageRanges.h"
#include "panel/PanelFields.h"

namespace zelt {

// What the typing filter accepts besides the empty text.
enum class TypingFilter {
    None,            // no filter: the field is validated only when it is left
    Decimal,         // digits and one ".", not first, not as the fourth character
    Hour,            // digits, value below 24
    MinuteOrSecond,  // digits, value below 60
    Integer,         // digits
    Brightness,      // digits, value below 101
};

// What leaving the field does after parsing.
enum class LeaveRule {
    ClampVoltage,      // clamp to the range, then the pair rule
    ClampTemperature,  // "" counts as "0"; clamp; always shown again
    LightOn,           // outside the range or not below Light OFF: 2.5
    LightOff,          // outside the range or not above Light ON: 6.0
    Clock,             // "" counts as "0"; always shown again; no range
    Duration,          // shown again; no range in the panel
    Brightness,        // "%" handling and rounding by pwmEnabled
};

// How a voltage field is tied to its partner.
enum class PairRule {
    None,
    RestoreUpper,  // upper − lower < 1.0 restores the previous value (LVR over LVD, ACV over FCV)
    RestoreLower,
    StepUpper,  // Low 1: low2 >= low1 sets low1 = low2 + 0.1
    StepLower,  // Low 2: low2 >= low1 sets low2 = low1 − 0.1
    GapUpper,   // Max.Vout: max − min < gap sets max = min + gap (gap 1.0, 2.0 at 24 V)
    GapLower,   // Min.Vout: sets min = max − gap
};

using FieldRange = ValueRange;

struct FieldRule {
    int id;            // the edit's control id (first of eight for the step columns)
    int count;         // 8 for the step columns, 1 otherwise
    int spinId;        // 0: no reachable spin
    const char* name;  // the record's (and panel's) field name
    TypingFilter filter;
    bool storedWhileTyping;
    LeaveRule leave;
    bool isFloat;  // volts in a float; otherwise an int
    // The panel's ranges; for fields the panel does not range, what the record check allows
    // (brightness 0..100 percent, durations the 16-bit word of the wire).
    FieldRange range12;
    FieldRange range24;
    double step12;  // spin step, 0 without a spin
    double step24;
    PairRule pair;
    int partner;  // the paired field's id, 0 without
    // The value in the panel values; arrays for the step columns.
    float PanelRecordValues::*floatValue;
    int32_t PanelRecordValues::*intValue;
    std::array<int32_t, CCfgDocument::kAutoSteps> PanelRecordValues::*stepValues;
};

// Every field of the table (the step columns as two entries: durations, then brightness;
// CommitOrder in PanelRules.h interleaves them per column for a commit of the edited fields).
std::span<const FieldRule> AllFieldRules();
// The rule of an edit id (1060..1067 and 1080..1087 find their step column rule); null when
// the id is no edit field.
const FieldRule* FindFieldRule(int id);
// The rule whose spin button is spinId; null when there is none.
const FieldRule* FindSpinRule(int spinId);

// The 24 V column applies when systemVoltage is 24, every other value uses the 12 V one.
const FieldRange& RangeAt(const FieldRule& rule, int systemVoltage);
double StepAt(const FieldRule& rule, int systemVoltage);
// Max.Vout − Min.Vout must be at least this: 1.0 at 12 V, 2.0 at 24 V.
double VoutGap(int systemVoltage);

// The 32-bit float constants of the pair rules, as doubles: the spin step and Low gap.
inline constexpr double kVoltStep = static_cast<double>(0.1f);
inline constexpr double kLowGap = static_cast<double>(0.11f);
inline constexpr double kThresholdGap = 1.0;  // LVR over LVD, ACV over FCV

// The value "Reset to default" gives the field at systemVoltage (the 12 V column unless 24).
double ResetValue(const FieldRule& rule, int systemVoltage);

// The record's name of a field's value: "lvrVoltage", "autoDuration[3]" for step 3.
std::string ValueName(const FieldRule& rule, int step = 0);

// The value of a field (step i for the step columns) as a double.
double FieldValue(const PanelRecordValues& values, const FieldRule& rule, int step = 0);

}  // namespace zelt

// The parameter panel's rules without a window, and the check of a record before it is written.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "config/CfgRecord.h"
#include "panel/FieldRules.h"
#include "panel/PanelRecordMap.h"
#include "panel/PanelRules.h"
#include "panel/RecordLimits.h"

namespace zelt {
namespace {

using namespace field;
using Values = std::vector<std::pair<int, double>>;

void Set(PanelFields& fields, int id, double value) {
    const FieldRule& rule = *FindFieldRule(id);
    if (rule.floatValue != nullptr) {
        fields.*rule.floatValue = static_cast<float>(value);
    } else if (rule.intValue != nullptr) {
        fields.*rule.intValue = static_cast<int>(value);
    } else {
        (fields.*rule.stepValues)[static_cast<size_t>(id - rule.id)] = static_cast<int>(value);
    }
}

double Get(const PanelFields& fields, int id) {
    const FieldRule& rule = *FindFieldRule(id);
    return FieldValue(fields, rule, id - rule.id);
}

struct Panel {
    explicit Panel(const Values& values, bool pwm = false) {
        fields.pwmEnabled = pwm ? 1 : 0;
        for (const auto& [id, value] : values) {
            Set(fields, id, value);
        }
    }
    PanelFields fields;
    TimeOfDay userTime;
    PanelRules rules{fields, userTime};
};

struct EditCase {
    int id;  // a field id, or a spin id for the spin table
    const char* text;
    int volts;
    bool pwm;
    Values values;
    double expected;
    const char* shown;  // nullptr: the edit keeps its text
};

TEST(PanelRules, LeaveFieldClampsAppliesPairRulesAndRoundsBrightness) {
    const EditCase cases[] = {
        {kLvr, "20", 12, false, {}, 13.5, "13.5"},
        {kLvr, "11.6", 12, false, {{kLvd, 11.1}}, 12.4, "12.4"},  // the previous value again
        {kLvr, "25", 24, false, {{kLvd, 22.2}}, 25.0, nullptr},
        {kLvr, "12.5abc", 12, false, {}, 12.5, nullptr},
        {kLvd, "nan", 12, false, {}, 10.5, "10.5"},  // not a number: 0, clamped
        // A previous value out of range (from a record) comes back clamped, not as it was.
        {kLvd, "99", 12, false, {{kLvd, 49.5}}, 12.5, "12.5"},
        {kLow2, "11.6", 12, false, {{kLow1, 11.5}}, 11.4, "11.4"},
        {kLow2, "12.0", 12, false, {{kLow1, 11.5}}, 11.4, "11.4"},
        {kLow1, "11", 12, false, {{kLow2, 11.4}}, 11.5, "11.5"},
        {kMaxVout, "8.5", 12, false, {{kMinVout, 8}}, 9.0, "9.0"},
        {kMaxVout, "17", 24, false, {{kMinVout, 16}}, 18.0, "18.0"},
        {kMinVout, "14", 12, false, {{kMaxVout, 12}}, 11.0, "11.0"},
        {kLightOn, "12.0", 12, false, {}, 2.5, "2.5"},
        {kLightOn, "7.0", 12, false, {{kLightOff, 6}}, 2.5, "2.5"},
        {kLightOn, "12.0", 24, false, {{kLightOff, 15}}, 12.0, nullptr},
        {kLightOff, "2", 12, false, {{kLightOn, 2.5}}, 6.0, "6.0"},
        {kRemoteLevel, "", 12, false, {{kRemoteLevel, 11.1}}, 0.0, nullptr},
        {kRemoteLevel, "30", 24, false, {}, 25.5, "25.5"},
        {kTempCompensation, "", 12, false, {}, 20, "20"},
        {kTempCompensation, "45", 12, false, {}, 30, "30"},
        {kTempCompensation, "45", 24, false, {}, 45, "45"},
        {kHour, "", 12, false, {}, 0, "0"},
        {kDuration0 + 3, "abc", 12, false, {}, 0, "0"},
        {kBrightness1, "55", 12, true, {}, 60, "60%"},
        {kBrightness1, "54%", 12, true, {}, 50, "50%"},
        {kBrightness2, "55", 12, false, {}, 100, "100%"},
        {kBrightness2, "0", 12, false, {}, 0, "0%"},
        {kStepBrightness0 + 7, "0%", 12, false, {}, 0, nullptr},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.id << " \"" << c.text << "\" at " << c.volts);
        Panel panel(c.values, c.pwm);
        const EditOutcome outcome = panel.rules.ValidateOnLeave(c.id, c.text, c.volts);
        EXPECT_FLOAT_EQ(
            static_cast<float>(c.expected),
            static_cast<float>(c.id == kHour ? panel.userTime.hour : Get(panel.fields, c.id)));
        EXPECT_EQ(c.shown != nullptr, outcome.text.has_value());
        if (c.shown != nullptr && outcome.text) {
            EXPECT_EQ(c.shown, *outcome.text);
            std::string number = c.shown;
            if (number.back() == '%') {
                number.pop_back();
            }
            EXPECT_EQ(number, panel.fields.FieldText(c.id));  // typing it again changes nothing
        }
    }
}

TEST(PanelRules, TypingFilterCutsTheRejectedCharacterAndStoresSomeFieldsAtOnce) {
    struct TypingCase {
        int id;
        const char* before;
        const char* typed;
        const char* written;
        double stored;  // the field's value afterwards (LVR starts at 12.4)
    };
    const TypingCase cases[] = {
        {kLvr, "123", "123.", "123", 12.4},
        {kLvr, "1.2", "1.2.", "1.2", 12.4},
        {kLvr, "", ".", "", 12.4},
        {kLvr, "12", "12.5", nullptr, 12.4},
        {kMaxVout, "13", "13.2", nullptr, 13.2},
        {kHour, "2", "24", "2", 0},
        {kMinute, "6", "60", "6", 0},
        {kBrightness1, "10", "101", "10", 40},
        {kBrightness1, "", "100%", nullptr, 100},
        {kTempCompensation, "2", "2x", "2", 30},
    };
    for (const TypingCase& c : cases) {
        SCOPED_TRACE(c.typed);
        Panel panel({});
        panel.fields.fieldText[c.id] = c.before;
        const EditOutcome outcome = panel.rules.FilterOnTyping(c.id, c.typed);
        EXPECT_EQ(c.written != nullptr, outcome.text.has_value());
        if (c.written != nullptr && outcome.text) {
            EXPECT_EQ(c.written, *outcome.text);
            EXPECT_EQ(c.written, panel.fields.FieldText(c.id));
        }
        if (c.id != kHour && c.id != kMinute) {
            EXPECT_FLOAT_EQ(static_cast<float>(c.stored),
                            static_cast<float>(Get(panel.fields, c.id)));
        }
        EXPECT_EQ(c.id != kHour && c.id != kMinute, outcome.markModified);  // not the clock
    }
}

TEST(PanelRules, SpinStepsWithinLimitsAndPairGaps) {
    struct SpinCase {
        EditCase edit;
        int change;
        bool marked;
    };
    const SpinCase cases[] = {
        {{1042, "13.5", 12, false, {{kLvr, 13.5}}, 13.5, nullptr}, -1, false},
        {{1042, "12.4", 12, false, {}, 12.5, "12.5"}, -1, true},
        {{1042, "12.1", 12, false, {{kLvr, 12.1}, {kLvd, 11.1}}, 12.1, nullptr}, +1, false},
        {{1042, "27.0", 24, false, {{kLvr, 27}, {kLvd, 22.2}}, 27.0, nullptr}, -1, false},
        {{1042, "26.9", 24, false, {{kLvr, 26.9}, {kLvd, 22.2}}, 27.0, "27.0"}, -1, true},
        {{3314, "11.4", 12, false, {{kLow1, 11.5}, {kLow2, 11.4}}, 11.4, nullptr}, -1, false},
        {{1045, "22.0", 24, false, {{kMaxVout, 24}, {kMinVout, 22}}, 22.0, nullptr}, -1, false},
        {{1044, "18.1", 24, false, {{kMaxVout, 18.1}, {kMinVout, 16}}, 18.0, "18.0"}, +1, true},
        {{3402, "40", 24, false, {}, 60, "60"}, -1, true},
        {{3402, "60", 24, false, {}, 60, "60"}, -1, false},  // shown again, not stepped
        {{3312, "0%", 12, false, {}, 100, "100%"}, -1, true},
        {{3312, "10%", 12, true, {}, 0, "0%"}, +1, true},
        {{3316, "5%", 12, true, {}, 0, "0%"}, +1, true},  // rounded to 10 first
        {{1042, "12.4", 12, false, {}, 12.4, "12.4"}, 0, false},
    };
    for (const SpinCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.edit.id << " " << c.edit.text << " " << c.change);
        Panel panel(c.edit.values, c.edit.pwm);
        const EditOutcome outcome =
            panel.rules.StepOnSpin(c.edit.id, c.change, c.edit.text, c.edit.volts);
        const int fieldId = FindSpinRule(c.edit.id)->id;
        EXPECT_FLOAT_EQ(static_cast<float>(c.edit.expected),
                        static_cast<float>(Get(panel.fields, fieldId)));
        EXPECT_EQ(c.edit.shown != nullptr, outcome.text.has_value());
        if (c.edit.shown != nullptr && outcome.text) {
            EXPECT_EQ(c.edit.shown, *outcome.text);
        }
        EXPECT_EQ(c.marked, outcome.markModified);
    }
}

TEST(PanelRules, CommitValidatesInOrderAndEmptiesTheRemoteLevel) {
    CCfgDocument record;
    ApplyResetValues(record, 12);
    record.remoteLevel = 11.1f;
    Panel panel({});
    RefreshFromConfig(record, true, panel.userTime, panel.fields);
    std::map<int, std::string> texts = panel.fields.fieldText;
    texts[kLvr] = "20";
    texts[kLightOn] = "8";  // Light OFF is still 6.0 when Light ON is left
    texts[kLightOff] = "9";
    texts[kStepBrightness0 + 2] = "55%";
    std::map<int, std::string> written;
    panel.rules.CommitAllFields([&](int id) { return texts[id]; },
                                [&](int id, const std::string& text) { written[id] = text; }, 12);
    EXPECT_FLOAT_EQ(13.5f, panel.fields.lvrVoltage);
    EXPECT_FLOAT_EQ(2.5f, panel.fields.lightOnVoltage);
    EXPECT_FLOAT_EQ(9.0f, panel.fields.lightOffVoltage);
    EXPECT_FLOAT_EQ(0.0f, panel.fields.remoteLevel);
    EXPECT_EQ(100, panel.fields.autoBrightness[2]);
    EXPECT_EQ(100, panel.fields.low1Brightness);  // without PWM: off or full
    EXPECT_EQ("13.5", written[kLvr]);
    EXPECT_EQ("2.5", written[kLightOn]);
    EXPECT_EQ("100%", written[kStepBrightness0 + 2]);
    EXPECT_EQ(0u, written.count(kLightOff));
    EXPECT_EQ(0u, written.count(kRemoteLevel));
}

TEST(PanelRecordMap, RefreshThenStoreKeepsThePanelValuesAndMapsTheTexts) {
    for (const int volts : {12, 24}) {
        for (const auto& [battery, pwm, lowLevel, storedBattery, storedLowLevel] :
             std::vector<std::tuple<int, int, int, int, int>>{
                 {2, 1, 1, 6, 1}, {1, 0, 1, 1, 0}, {5, 1, 0, 5, 0}}) {
            SCOPED_TRACE(::testing::Message() << volts << " V, battery " << battery);
            CCfgDocument record;
            ApplyResetValues(record, static_cast<uint16_t>(volts));
            record.batteryType = static_cast<uint8_t>(battery);
            record.pwmEnabled = static_cast<uint32_t>(pwm);
            record.lowLevelEnabled = static_cast<uint32_t>(lowLevel);
            record.autoDuration[5] = 42;
            PanelFields fields(false);
            fields.modeText = "手動";
            RefreshFromConfig(record, false, TimeOfDay{}, fields);
            EXPECT_EQ(volts == 24 ? "24.8" : "12.4", fields.FieldText(kLvr));
            EXPECT_EQ("100%", fields.FieldText(kStepBrightness0 + 5));

            CCfgDocument stored;
            stored.sectors = record.sectors;
            StoreToConfig(fields, stored);
            CCfgDocument expected = record;
            expected.batteryType = static_cast<uint8_t>(storedBattery);
            expected.lowLevelEnabled = static_cast<uint32_t>(storedLowLevel);
            expected.remoteLevel = 0.0f;  // never refreshed: the panel's own
            expected.operatingMode = 2;
            expected.lightingTime = 0;
            expected.dtTime = stored.dtTime;
            expected.sectorCount = stored.sectorCount;
            EXPECT_EQ(expected, stored);
        }
    }
}

TEST(PanelRecordMap, ControlsFollowPwmTheOnBoxAndTheTab) {
    struct StateCase {
        int pwm, lowLevel, tab;
        bool vout, box, advanceEdits, basic;
    };
    for (const StateCase& c : {StateCase{0, 1, 1, false, false, false, false},
                               StateCase{1, 0, 0, true, true, false, true},
                               StateCase{1, 1, 1, true, true, true, false}}) {
        PanelFields fields;
        fields.pwmEnabled = static_cast<uint32_t>(c.pwm);
        fields.lowLevelEnabled = static_cast<uint32_t>(c.lowLevel);
        const PanelControlStates states = ControlStates(fields, c.tab);
        EXPECT_EQ(c.vout, states.voutEnabled);
        EXPECT_EQ(c.box, states.lowLevelBoxEnabled);
        EXPECT_EQ(c.advanceEdits, states.advanceEditsEnabled);
        EXPECT_EQ(c.basic, states.basicVisible);
        EXPECT_EQ(!c.basic, states.advanceVisible);
    }
}

TEST(RecordLimits, NamesEachOffendingFieldWithItsValueAndRange) {
    constexpr float kInf = std::numeric_limits<float>::infinity();
    struct LimitCase {
        int volts;
        void (*change)(CCfgDocument&);
        std::vector<std::string> lines;
    };
    const LimitCase cases[] = {
        {12, [](CCfgDocument&) {}, {}},  // the reset values, Low 1 at its bound 11.8
        {24, [](CCfgDocument&) {}, {}},
        {12,
         [](CCfgDocument& r) { r.lvdVoltage = 99; },
         {"lvdVoltage = 99: allowed 10.5 to 12.5 at 12 V"}},
        {24,
         [](CCfgDocument& r) { r.lvrVoltage = std::nanf(""); },
         {"lvrVoltage = NaN: allowed 23.0 to 27.0 at 24 V"}},
        {12,
         [](CCfgDocument& r) {
             r.lvrVoltage = 11.6f;
             r.lvdVoltage = 12.0f;
             r.minVout = 11.5f;
         },
         {"lvdVoltage = 12: must be below lvrVoltage (11.6)",
          "minVout = 11.5: must be at least 1.0 below maxVout (12)"}},
        {12,
         [](CCfgDocument& r) {
             r.autoBrightness[2] = 250;
             r.autoDuration[0] = -1;
             r.ochtTime = 300;
         },
         {"autoDuration[0] = -1: allowed 0 to 65535", "autoBrightness[2] = 250: allowed 0 to 100",
          "ochtTime = 300: allowed 0 to 255"}},
        {12,
         [](CCfgDocument& r) {
             r.sectors = {{-50, 5000, 100}, {0, 100, 101}, {50, 200, 0}};
         },
         {"sectors[0] = -50..5000: allowed 0 <= start <= end <= 1440",
          "sectors[1].brightness = 101: allowed 0 to 100",
          "sectors[2] = 50..200: overlaps sectors[1] (0..100)"}},
        // Unused slots as an RS485 read gives them: empty, overlapping nothing.
        {12,
         [](CCfgDocument& r) {
             r.sectors = {{0, 1440, 100}, {720, 720, 0}, {720, 720, 0}};
         },
         {}},
        {12,
         [](CCfgDocument& r) {
             r.sectors.clear();
             for (int i = 0; i < 9; ++i) {
                 r.sectors.push_back({i * 100, i * 100 + 50, 100});
             }
         },
         {"sectors: 9 sectors, at most 8"}},
    };
    for (const LimitCase& c : cases) {
        CCfgDocument record;
        ApplyResetValues(record, static_cast<uint16_t>(c.volts));
        c.change(record);
        EXPECT_EQ(c.lines, CheckRecordLimits(record, c.volts, true));
    }

    // A value the adaptation replaced: named with what it was; refused when it was not finite.
    CCfgDocument file;
    ApplyResetValues(file, 12);
    file.lvrVoltage = -kInf;
    file.lvdVoltage = 99;
    CCfgDocument adapted = file;
    AdaptToSystemVoltage(adapted, 12);
    EXPECT_EQ((std::vector<std::string>{"lvrVoltage = 12.4 (-Infinity before the 12 V adaptation): "
                                        "allowed 11.5 to 13.5 at 12 V",
                                        "lvdVoltage = 49.5 (99 before the 12 V adaptation): "
                                        "allowed 10.5 to 12.5 at 12 V"}),
              CheckRecordLimits(adapted, 12, true, &file));
    EXPECT_EQ("lvdVoltage = 49.5 (12V 調整前為 99)：12V 系統允許 10.5 至 12.5",
              CheckRecordLimits(adapted, 12, false, &file).back());
}

TEST(RecordLimits, ClampAppliesThePanelCorrectionsAndListsEachChange) {
    CCfgDocument record;
    ApplyResetValues(record, 12);
    record.lvdVoltage = 49.5f;
    record.remoteLevel = 20.0f;  // not sent, left alone
    record.tempCompensation = 35;
    record.autoBrightness[2] = 250;
    record.operatingMode = 1;
    const CCfgDocument before = record;
    EXPECT_EQ((std::vector<std::string>{"lvdVoltage: 49.5 -> 12.5", "low1Brightness: 40 -> 100",
                                        "low2Brightness: 30 -> 100", "tempCompensation: 35 -> 30",
                                        "autoBrightness[2]: 250 -> 100"}),
              ClampRecordToPanel(record, 12, true));
    EXPECT_EQ(before.operatingMode, record.operatingMode);  // codes and flags stay
    EXPECT_EQ(before.sectors, record.sectors);
    // LVD restored above LVR by the pair rule: still refused.
    EXPECT_EQ((std::vector<std::string>{"lvdVoltage = 12.5: must be below lvrVoltage (12.4)"}),
              CheckRecordLimits(record, 12, true));
}

}  // namespace
}  // namespace zelt

// The parameter panel's rules without a window, and the check of a record before it is written.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "config/CfgCodes.h"
#include "config/CfgRecord.h"
#include "panel/FieldRules.h"
#include "panel/LiveChartHistory.h"
#include "panel/PanelDisplays.h"
#include "panel/PanelLayout.h"
#include "panel/PanelRecordMap.h"
#include "panel/PanelRules.h"
#include "panel/RecordLimits.h"

namespace zelt {
namespace {

using namespace field;
using Values = std::vector<std::pair<int, double>>;
using Lines = std::vector<std::string>;

double Get(const PanelFields& fields, int id) {
    const FieldRule& rule = *FindFieldRule(id);
    return FieldValue(fields, rule, id - rule.id);
}

struct Panel {
    explicit Panel(const Values& values, bool pwm = false) {
        fields.pwmEnabled = pwm ? 1 : 0;
        for (const auto& [id, value] : values) {
            const FieldRule& rule = *FindFieldRule(id);
            if (rule.floatValue != nullptr) {
                fields.*rule.floatValue = static_cast<float>(value);
            } else {
                fields.*rule.intValue = static_cast<int>(value);
            }
        }
    }
    PanelFields fields;
    TimeOfDay userTime;
    PanelRules rules{fields, userTime};
};

// A field left with typed text (step 0) or its spin (a spin id) stepped by step.
struct EditCase {
    int id;
    int step;
    const char* text;
    int volts;
    bool pwm;
    Values values;
    double expected;
    const char* shown;    // nullptr: the edit keeps its text
    bool marked = false;  // spins only
};

// The window test types and spins a few of these through the panel to prove the wiring.
TEST(PanelRules, LeavingAndSpinningClampApplyPairRulesAndRoundBrightness) {
    const EditCase cases[] = {
        {kLvr, 0, "11.6", 12, false, {{kLvd, 11.1}}, 12.4, "12.4"},  // the previous value again
        {kLvr, 0, "25", 24, false, {{kLvd, 22.2}}, 25.0, nullptr},
        {kLvr, 0, "12.5abc", 12, false, {}, 12.5, nullptr},
        {kLvd, 0, "nan", 12, false, {}, 10.5, "10.5"},  // not a number: 0, clamped
        // A previous value out of range (from a record) comes back as it was; no number, as
        // the default.
        {kLvd, 0, "99", 12, false, {{kLvd, 49.5}}, 49.5, "49.5"},
        {kLvd, 0, "99", 24, false, {{kLvd, NAN}}, 22.2, "22.2"},
        {kLow1, 0, "11", 12, false, {{kLow2, 11.4}}, 11.5, "11.5"},
        {kLow2, 0, "11.6", 12, false, {{kLow1, 11.5}, {kLow2, 11.4}}, 11.4, "11.4"},
        {kMaxVout, 0, "8.5", 12, false, {{kMinVout, 8}}, 9.0, "9.0"},
        {kMaxVout, 0, "17", 24, false, {{kMinVout, 16}}, 18.0, "18.0"},
        {kMinVout, 0, "14", 12, false, {{kMaxVout, 12}}, 11.0, "11.0"},
        {kLightOn, 0, "12.0", 12, false, {}, 2.5, "2.5"},
        {kLightOn, 0, "7.0", 12, false, {{kLightOff, 6}}, 2.5, "2.5"},
        {kLightOn, 0, "12.0", 24, false, {{kLightOff, 15}}, 12.0, nullptr},
        {kLightOff, 0, "2", 12, false, {{kLightOn, 2.5}}, 6.0, "6.0"},
        {kRemoteLevel, 0, "30", 24, false, {}, 25.5, "25.5"},
        {kTempCompensation, 0, "45", 12, false, {}, 30, "30"},
        {kTempCompensation, 0, "45", 24, false, {}, 45, "45"},
        {kDuration0 + 3, 0, "abc", 12, false, {}, 0, "0"},
        {kBrightness1, 0, "55", 12, true, {}, 60, "60%"},
        {kBrightness1, 0, "54%", 12, true, {}, 50, "50%"},
        {kBrightness2, 0, "55", 12, false, {}, 100, "100%"},
        {kBrightness2, 0, "0", 12, false, {}, 0, "0%"},
        {kStepBrightness0 + 7, 0, "0%", 12, false, {}, 0, nullptr},
        // Spins (a step of -1 is the upper arrow): limits at 12 V and 24 V, the pair gaps.
        {1042, -1, "12.4", 12, false, {}, 12.5, "12.5", true},
        {1042, +1, "12.1", 12, false, {{kLvr, 12.1}, {kLvd, 11.1}}, 12.1, nullptr, false},
        {1042, -1, "27.0", 24, false, {{kLvr, 27}, {kLvd, 22.2}}, 27.0, nullptr, false},
        {1042, -1, "26.9", 24, false, {{kLvr, 26.9}, {kLvd, 22.2}}, 27.0, "27.0", true},
        {3314, -1, "11.4", 12, false, {{kLow1, 11.5}, {kLow2, 11.4}}, 11.4, nullptr, false},
        {1045, -1, "22.0", 24, false, {{kMaxVout, 24}, {kMinVout, 22}}, 22.0, nullptr, false},
        {1044, +1, "18.1", 24, false, {{kMaxVout, 18.1}, {kMinVout, 16}}, 18.0, "18.0", true},
        {3402, -1, "60", 24, false, {}, 60, "60", false},  // shown again, not stepped
        {3402, -1, "40", 24, false, {}, 60, "60", true},
        {3312, -1, "0%", 12, false, {}, 100, "100%", true},
        {3312, +1, "10%", 12, true, {}, 0, "0%", true},
        {3316, +1, "5%", 12, true, {}, 0, "0%", true},  // rounded to 10 first
        {1042, 0, "12.4", 12, false, {}, 12.4, "12.4", false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const EditCase& c = cases[i];
        SCOPED_TRACE(::testing::Message()
                     << "row " << i << ": " << c.id << " \"" << c.text << "\"");
        Panel panel(c.values, c.pwm);
        const bool spin = FindFieldRule(c.id) == nullptr;
        const EditOutcome outcome = spin ? panel.rules.StepOnSpin(c.id, c.step, c.text, c.volts)
                                         : panel.rules.ValidateOnLeave(c.id, c.text, c.volts);
        EXPECT_FLOAT_EQ(
            static_cast<float>(c.expected),
            static_cast<float>(Get(panel.fields, spin ? FindSpinRule(c.id)->id : c.id)));
        using Text = std::optional<std::string>;
        EXPECT_EQ(c.shown != nullptr ? Text(c.shown) : std::nullopt, outcome.text);
        EXPECT_TRUE(!spin || c.marked == outcome.markModified);
        const std::string number = c.shown == nullptr ? "" : std::string(c.shown);
        EXPECT_TRUE(spin || c.shown == nullptr ||  // typed again: no change
                    number.substr(0, number.find('%')) == panel.fields.FieldText(c.id));
    }
}

TEST(PanelRules, TypingFilterCutsTheRejectedCharacterAndStoresSomeFieldsAtOnce) {
    // Field, text before, text typed, text written back (nullptr: kept), the value afterwards;
    // the window test types the second point and the 101st percent.
    const std::tuple<int, const char*, const char*, const char*, double> cases[] = {
        {kLvr, "123", "123.", "123", 12.4},  {kLvr, "", ".", "", 12.4},
        {kLvr, "12", "12.5", nullptr, 12.4}, {kMaxVout, "13", "13.2", nullptr, 13.2},
        {kMinute, "6", "60", "6", 0},        {kBrightness1, "", "100%", nullptr, 100},
        {kHour, "2", "25", "2", 0},          {kTempCompensation, "2", "2x", "2", 30}};
    for (const auto& [id, before, typed, written, stored] : cases) {
        SCOPED_TRACE(typed);
        Panel panel({});
        panel.fields.fieldText[id] = before;
        const EditOutcome outcome = panel.rules.FilterOnTyping(id, typed);
        EXPECT_EQ(written != nullptr ? std::optional<std::string>(written) : std::nullopt,
                  outcome.text);
        EXPECT_TRUE(written == nullptr || written == panel.fields.FieldText(id));
        const bool clock = id == kHour || id == kMinute;
        EXPECT_TRUE(clock ||
                    static_cast<float>(stored) == static_cast<float>(Get(panel.fields, id)));
        EXPECT_EQ(!clock, outcome.markModified);  // the clock fields are no record edit
    }
}

TEST(PanelRecordMap, RefreshThenStoreKeepsThePanelValuesAndMapsTheTexts) {
    // Battery type, PWM, low levels; the battery type stored back, the low-level flag kept
    // even while PWM off shows it unchecked.
    const std::tuple<int, int, int, int> cases[] = {{2, 1, 1, 6}, {1, 0, 1, 1}, {5, 1, 0, 5}};
    for (const int volts : {12, 24}) {
        for (const auto& [battery, pwm, lowLevel, storedBattery] : cases) {
            SCOPED_TRACE(::testing::Message() << volts << " V, battery " << battery);
            CCfgDocument record;
            ApplyResetValues(record, static_cast<uint16_t>(volts));
            record.batteryType = static_cast<uint8_t>(battery);
            record.pwmEnabled = static_cast<uint32_t>(pwm);
            record.lowLevelEnabled = static_cast<uint32_t>(lowLevel);
            record.autoDuration[5] = 42;
            PanelFields fields(false);
            fields.operatingModeCode = 2;  // Manual, as the controller read it
            RefreshFromConfig(record, false, TimeOfDay{}, fields);
            EXPECT_EQ(volts == 24 ? "24.8" : "12.4", fields.FieldText(kLvr));
            EXPECT_EQ("100%", fields.FieldText(kStepBrightness0 + 5));

            CCfgDocument stored;
            stored.sectors = record.sectors;
            StoreToConfig(fields, stored);
            CCfgDocument expected = record;
            expected.batteryType = static_cast<uint8_t>(storedBattery);
            expected.remoteLevel = 0.0f;  // never refreshed: the panel's own
            expected.operatingMode = 2;
            expected.lightingTime = 0;
            expected.dtTime = stored.dtTime;
            expected.sectorCount = stored.sectorCount;
            EXPECT_EQ(expected, stored);
        }
    }
}

TEST(RecordLimits, NamesWhatTheZeltctlRangeChecksDoNotReachAndClampsAsThePanelWould) {
    // The pair rules, overlaps and the sector count; the reset values and unused slots pass.
    const std::pair<void (*)(CCfgDocument&), Lines> cases[] = {
        {[](CCfgDocument&) {}, {}},
        {[](CCfgDocument& r) { r.lvrVoltage = 11.6f, r.lvdVoltage = 12.0f, r.minVout = 11.5f; },
         {"lvdVoltage = 12: must be below lvrVoltage (11.6)",
          "minVout = 11.5: must be at least 1.0 below maxVout (12)"}},
        {[](CCfgDocument& r) {
             r.sectors = {{500, 600, 0}, {0, 100, 101}, {50, 200, 0}};
         },
         {"sectors[1].brightness = 101: allowed 0 to 100",
          "sectors[2] = 50..200: overlaps sectors[1] (0..100)"}},
        {[](CCfgDocument& r) {
             r.sectors = {{0, 1440, 100}, {720, 720, 0}, {720, 720, 0}};
         },
         {}},
        {[](CCfgDocument& r) {
             r.sectors.assign(9, {0, 0, 100});
         },
         {"sectors: 9 sectors, at most 8"}},
    };
    for (const auto& [change, expected] : cases) {
        CCfgDocument record;
        ApplyResetValues(record, 12);
        change(record);
        EXPECT_EQ(expected, CheckRecordLimits(record, 12, true));
    }
    // The correction touches only what is outside the limits (PWM off: brightness 80 stays),
    // each line says what it would become; the LVR/LVD order is not mended.
    CCfgDocument record;
    ApplyResetValues(record, 12);
    record.lvdVoltage = 49.5f;
    record.low1Voltage = 11.2f;
    record.minVout = 11.5f;
    record.lightOffVoltage = 2.0f;
    record.autoBrightness[1] = 80;
    record.remoteLevel = 20.0f;
    EXPECT_EQ((Lines{"lvdVoltage = 49.5: allowed 10.5 to 12.5 at 12 V, would become 12.5",
                     "low2Voltage = 11.4: must be below low1Voltage (11.2), would become 11.1",
                     "minVout = 11.5: must be at least 1.0 below maxVout (12), would become 11",
                     "lightOffVoltage = 2: must be above lightOnVoltage (2.5), would become 6"}),
              CheckRecordLimits(record, 12, true, nullptr, true));
    CCfgDocument expected = record;
    expected.lvdVoltage = 12.5f, expected.low2Voltage = static_cast<float>(11.2f - kVoltStep),
    expected.minVout = 11.0f;
    expected.lightOffVoltage = 6.0f;
    EXPECT_EQ(4u, CorrectRecordLimits(record, 12, true).size());
    EXPECT_EQ(expected, record);
    EXPECT_EQ(Lines{"lvdVoltage = 12.5: must be below lvrVoltage (12.4), cannot be corrected"},
              CheckRecordLimits(record, 12, true, nullptr, true));

    // In Chinese the fields are named as the panel labels them.
    CCfgDocument zh;
    ApplyResetValues(zh, 12);
    cases[1].first(zh);
    cases[2].first(zh);
    EXPECT_EQ((Lines{"低壓斷路 = 12：須低於 低壓回復 (11.6)",
                     "最小電壓 = 11.5：須比 最大電壓 (12) 低至少 1.0",
                     "排程時段 2 亮度 = 101：允許 0 至 100",
                     "排程時段 3 = 50..200：與 排程時段 2 (0..100) 重疊"}),
              CheckRecordLimits(zh, 12, false));
    EXPECT_EQ("浮充電壓 = 15.5：超出 12V 系統的 13.0 至 15.0，將重設為 13.6",
              ResetLine({"fcvVoltage", 15.5, 13.6}, 12, false));
}

// Every window builds its controls from the layout and finds each field's edit and spin by id:
// each rule's edit and spin must be there, the spin right after the edit it steps.
TEST(PanelLayout, EveryFieldHasItsEditAndTheSpinRightAfterIt) {
    const auto controls = panel_layout::Controls();
    std::map<int, size_t> at;
    for (size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].id != 0) {
            EXPECT_TRUE(at.emplace(controls[i].id, i).second) << "id twice: " << controls[i].id;
        }
    }
    for (const FieldRule& rule : AllFieldRules()) {
        for (int i = 0; i < rule.count; ++i) {
            ASSERT_TRUE(at.count(rule.id + i)) << rule.name;
            EXPECT_TRUE(controls[at[rule.id + i]].TakesInput()) << rule.name;
            const int spin = rule.spinId == 0 ? 0 : rule.spinId + i;
            if (spin != 0) {
                ASSERT_TRUE(at.count(spin)) << rule.name;
                EXPECT_EQ(at[spin], at[rule.id + i] + 1) << rule.name;
            }
        }
    }
    for (Display d : kStaleDisplays) {
        ASSERT_TRUE(at.count(static_cast<int>(d)));
        EXPECT_FALSE(controls[at[static_cast<int>(d)]].TakesInput());
    }
    EXPECT_EQ(panel_layout::BatteryTitle(true, 24), "Battery Information 24V");
    EXPECT_EQ(panel_layout::BatteryTitle(false, 0), "電池資訊");
}

TEST(PanelDisplays, ModeLanguageSwitchAndUserGivenValues) {
    PanelValues values;
    EXPECT_EQ(ShownOperatingMode(values, true).mode, "");
    values.operatingModeCode = kOperatingModeManual;
    values.lightingTimeCode = 1;
    EXPECT_TRUE(ShownOperatingMode(values, true).lightingTimeVisible);
    EXPECT_NE(ShownOperatingMode(values, false).lightingTime, "");
    EXPECT_EQ(ShownReadings(values).batteryCapacity, "");  // never read: no made-up 0 %

    // The battery type follows the language switch and stays selected.
    PanelFields fields(true);
    const int leadAcid = BatteryTypeIndex(fields, true);
    ASSERT_GE(leadAcid, 0);
    TranslateBatteryType(fields, false);
    EXPECT_EQ(BatteryTypeIndex(fields, false), leadAcid);
    EXPECT_EQ(fields.batteryTypeText, BatteryTypeChoices(false)[leadAcid]);

    // Only a field the user edited makes an unread value the user's.
    values.unread = {"lvrVoltage"};
    EXPECT_FALSE(NoteUserGave(fields, values, kLvr));
    fields.edited.insert(kLvr);
    EXPECT_TRUE(NoteUserGave(fields, values, kLvr));
    EXPECT_TRUE(values.unread.empty());
}

TEST(LiveChartHistory, KeepsTheLastHourRestartsWhenTheClockGoesBackAndRangesTheAxes) {
    LiveChartHistory history;
    EXPECT_EQ(history.Axes(5000).endMs, 5000);  // nothing read: the hour up to now
    const int64_t t0 = 1'000'000'000;
    history.Append({t0, 12.4, 0.5, 0.0});
    history.Append({t0 + 1000, 13.6, 2.2, 1.0});
    const ChartAxes axes = history.Axes(0);
    EXPECT_EQ(axes.endMs, t0 + 1000);
    EXPECT_EQ(axes.startMs, t0 + 1000 - LiveChartHistory::kSpanMs);
    EXPECT_EQ(axes.voltLow, 11.0);
    EXPECT_EQ(axes.voltHigh, 15.0);
    EXPECT_EQ(axes.ampHigh, 3.0);

    const auto expired = history.Append({t0 + LiveChartHistory::kSpanMs + 500, 12.0, 0, 0});
    EXPECT_EQ(expired.expired, 1);
    EXPECT_EQ(history.Samples().size(), 2u);
    const auto restarted = history.Append({t0, 12.0, 0, 0});
    EXPECT_TRUE(restarted.restarted);
    EXPECT_EQ(history.Samples().size(), 1u);
}

}  // namespace
}  // namespace zelt

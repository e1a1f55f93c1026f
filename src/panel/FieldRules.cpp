#include "panel/FieldRules.h"

#include "base/Trace.h"
#include "config/CfgRecord.h"
#include "config/VoltageRanges.h"
#include "panel/PanelRecordMap.h"

namespace zelt {

namespace {

using V = PanelRecordValues;
constexpr FieldRange kPercent{0, 100};
// A step duration travels as a 16-bit word.
constexpr FieldRange kDurationWord{0, 65535};

// clang-format off
constexpr FieldRule kRules[] = {
    // id, count, spin, name, filter, stored while typing, leave, float,
    // 12 V range, 24 V range, step 12 V, step 24 V, pair, partner, value
    {field::kLvr, 1, 1042, "lvrVoltage", TypingFilter::Decimal, false, LeaveRule::ClampVoltage, true,
     ranges::kLvr.at12, ranges::kLvr.at24, kVoltStep, kVoltStep, PairRule::RestoreUpper, field::kLvd,
     &V::lvrVoltage, nullptr, nullptr},
    {field::kLvd, 1, 1043, "lvdVoltage", TypingFilter::Decimal, false, LeaveRule::ClampVoltage, true,
     ranges::kLvd.at12, ranges::kLvd.at24, kVoltStep, kVoltStep, PairRule::RestoreLower, field::kLvr,
     &V::lvdVoltage, nullptr, nullptr},
    {field::kFcv, 1, 3400, "fcvVoltage", TypingFilter::Decimal, false, LeaveRule::ClampVoltage, true,
     ranges::kFcv.at12, ranges::kFcv.at24, kVoltStep, kVoltStep, PairRule::RestoreLower, field::kAcv,
     &V::fcvVoltage, nullptr, nullptr},
    {field::kAcv, 1, 3401, "acvVoltage", TypingFilter::Decimal, false, LeaveRule::ClampVoltage, true,
     ranges::kAcv.at12, ranges::kAcv.at24, kVoltStep, kVoltStep, PairRule::RestoreUpper, field::kFcv,
     &V::acvVoltage, nullptr, nullptr},
    {field::kLow1, 1, 3310, "low1Voltage", TypingFilter::Decimal, false, LeaveRule::ClampVoltage, true,
     ranges::kLow1.at12, ranges::kLow1.at24, kVoltStep, kVoltStep, PairRule::StepUpper, field::kLow2,
     &V::low1Voltage, nullptr, nullptr},
    {field::kLow2, 1, 3314, "low2Voltage", TypingFilter::Decimal, false, LeaveRule::ClampVoltage, true,
     ranges::kLow2.at12, ranges::kLow2.at24, kVoltStep, kVoltStep, PairRule::StepLower, field::kLow1,
     &V::low2Voltage, nullptr, nullptr},
    {field::kBrightness1, 1, 3312, "low1Brightness", TypingFilter::Brightness, true, LeaveRule::Brightness, false,
     kPercent, kPercent, 10, 10, PairRule::None, 0,
     nullptr, &V::low1Brightness, nullptr},
    {field::kBrightness2, 1, 3316, "low2Brightness", TypingFilter::Brightness, true, LeaveRule::Brightness, false,
     kPercent, kPercent, 10, 10, PairRule::None, 0,
     nullptr, &V::low2Brightness, nullptr},
    {field::kTempCompensation, 1, 3402, "tempCompensation", TypingFilter::Integer, true, LeaveRule::ClampTemperature, false,
     ranges::kTempCompensation.at12, ranges::kTempCompensation.at24, 10, 20, PairRule::None, 0,
     nullptr, &V::tempCompensation, nullptr},
    {field::kHour, 1, 0, "hour", TypingFilter::Hour, true, LeaveRule::Clock, false,
     {0, 23}, {0, 23}, 0, 0, PairRule::None, 0, nullptr, nullptr, nullptr},
    {field::kMinute, 1, 0, "minute", TypingFilter::MinuteOrSecond, true, LeaveRule::Clock, false,
     {0, 59}, {0, 59}, 0, 0, PairRule::None, 0, nullptr, nullptr, nullptr},
    {field::kSecond, 1, 0, "second", TypingFilter::MinuteOrSecond, true, LeaveRule::Clock, false,
     {0, 59}, {0, 59}, 0, 0, PairRule::None, 0, nullptr, nullptr, nullptr},
    {field::kMaxVout, 1, 1044, "maxVout", TypingFilter::Decimal, true, LeaveRule::ClampVoltage, true,
     ranges::kMaxVout.at12, ranges::kMaxVout.at24, kVoltStep, kVoltStep, PairRule::GapUpper, field::kMinVout,
     &V::maxVout, nullptr, nullptr},
    {field::kMinVout, 1, 1045, "minVout", TypingFilter::Decimal, true, LeaveRule::ClampVoltage, true,
     ranges::kMinVout.at12, ranges::kMinVout.at24, kVoltStep, kVoltStep, PairRule::GapLower, field::kMaxVout,
     &V::minVout, nullptr, nullptr},
    {field::kLightOn, 1, 0, "lightOnVoltage", TypingFilter::None, false, LeaveRule::LightOn, true,
     ranges::kLightOnOff.at12, ranges::kLightOnOff.at24, 0, 0, PairRule::None, field::kLightOff,
     &V::lightOnVoltage, nullptr, nullptr},
    {field::kLightOff, 1, 0, "lightOffVoltage", TypingFilter::None, false, LeaveRule::LightOff, true,
     ranges::kLightOnOff.at12, ranges::kLightOnOff.at24, 0, 0, PairRule::None, field::kLightOn,
     &V::lightOffVoltage, nullptr, nullptr},
    {field::kRemoteLevel, 1, 0, "remoteLevel", TypingFilter::None, false, LeaveRule::ClampVoltage, true,
     ranges::kRemoteLevel.at12, ranges::kRemoteLevel.at24, 0, 0, PairRule::None, 0,
     &V::remoteLevel, nullptr, nullptr},
    {field::kDuration0, field::kSteps, 0, "autoDuration", TypingFilter::None, false, LeaveRule::Duration, false,
     kDurationWord, kDurationWord, 0, 0, PairRule::None, 0,
     nullptr, nullptr, &V::autoDuration},
    {field::kStepBrightness0, field::kSteps, 0, "autoBrightness", TypingFilter::None, false, LeaveRule::Brightness, false,
     kPercent, kPercent, 0, 0, PairRule::None, 0,
     nullptr, nullptr, &V::autoBrightness},
};
// clang-format on

}  // namespace

std::span<const FieldRule> AllFieldRules() {
    return kRules;
}

const FieldRule* FindFieldRule(int id) {
    for (const FieldRule& rule : kRules) {
        if (id >= rule.id && id < rule.id + rule.count) {
            return &rule;
        }
    }
    return nullptr;
}

const FieldRule* FindSpinRule(int spinId) {
    for (const FieldRule& rule : kRules) {
        if (rule.spinId != 0 && rule.spinId == spinId) {
            return &rule;
        }
    }
    return nullptr;
}

const FieldRange& RangeAt(const FieldRule& rule, int systemVoltage) {
    return systemVoltage == 24 ? rule.range24 : rule.range12;
}

double StepAt(const FieldRule& rule, int systemVoltage) {
    return systemVoltage == 24 ? rule.step24 : rule.step12;
}

double VoutGap(int systemVoltage) {
    return systemVoltage == 24 ? 2.0 : 1.0;
}

double ResetValue(const FieldRule& rule, int systemVoltage) {
    CCfgDocument reset;
    ApplyResetValues(reset, static_cast<uint16_t>(systemVoltage == 24 ? 24 : 12));
    return FieldValue(PanelValuesOfRecord(reset), rule);
}

std::string ValueName(const FieldRule& rule, int step) {
    return rule.count > 1 ? StrF("%s[%d]", rule.name, step) : std::string(rule.name);
}

double FieldValue(const PanelRecordValues& values, const FieldRule& rule, int step) {
    if (rule.floatValue != nullptr) {
        return static_cast<double>(values.*rule.floatValue);
    }
    if (rule.intValue != nullptr) {
        return values.*rule.intValue;
    }
    if (rule.stepValues != nullptr) {
        return (values.*rule.stepValues)[static_cast<size_t>(step)];
    }
    return 0;
}

}  // namespace zelt

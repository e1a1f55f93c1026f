#include "panel/PanelRules.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>

#include "base/Trace.h"
#include "panel/FieldRules.h"

namespace zelt {

namespace {

constexpr size_t kFieldReadLimit = 9;
constexpr float kLightOnDefault = 2.5f;
constexpr float kLightOffDefault = 6.0f;

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Leading blanks and a sign, as atof and atoi skip them; returns the position after them.
size_t SkipBlanksAndSign(std::string_view text, bool* negative) {
    size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])) != 0) {
        ++at;
    }
    *negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        *negative = text[at] == '-';
        ++at;
    }
    return at;
}

bool Accepts(TypingFilter filter, const std::string& text) {
    if (text.empty()) {
        return true;
    }
    const bool lastIsDigit = IsDigit(text.back());
    switch (filter) {
        case TypingFilter::Decimal: {
            const size_t points = static_cast<size_t>(std::count(text.begin(), text.end(), '.'));
            return (lastIsDigit || text.back() == '.') && text.front() != '.' && points <= 1 &&
                   !(text.size() == 4 && text[3] == '.');
        }
        case TypingFilter::Hour:
            return lastIsDigit && ParseInteger(text) < 24;
        case TypingFilter::MinuteOrSecond:
            return lastIsDigit && ParseInteger(text) < 60;
        case TypingFilter::Integer:
            return lastIsDigit;
        case TypingFilter::Brightness:
            return lastIsDigit && ParseInteger(text) < 101;
        case TypingFilter::None:
            break;
    }
    return true;
}

// Low 1 − Low 2, LVR − LVD and the like: the upper value of a pair minus the lower one.
double PairDifference(const PanelFields& fields, const FieldRule& rule) {
    const FieldRule& partner = *FindFieldRule(rule.partner);
    const double own = FieldValue(fields, rule);
    const double other = FieldValue(fields, partner);
    switch (rule.pair) {
        case PairRule::RestoreUpper:
        case PairRule::StepUpper:
        case PairRule::GapUpper:
            return own - other;
        default:
            return other - own;
    }
}

bool IsUpper(PairRule pair) {
    return pair == PairRule::RestoreUpper || pair == PairRule::StepUpper ||
           pair == PairRule::GapUpper;
}

}  // namespace

std::string ReadFieldText(std::string_view text) {
    return std::string(text.substr(0, kFieldReadLimit));
}

double ParseVolts(std::string_view text) {
    bool negative = false;
    size_t at = SkipBlanksAndSign(text, &negative);
    std::string number;
    while (at < text.size() && IsDigit(text[at])) {
        number += text[at++];
    }
    if (at < text.size() && text[at] == '.') {
        number += text[at++];
        while (at < text.size() && IsDigit(text[at])) {
            number += text[at++];
        }
    }
    if (number.empty() || number == ".") {
        return 0.0;
    }
    // from_chars ignores the locale: a Qt application sets the user's, with its own point.
    double value = 0.0;
    std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::fixed);
    return negative ? -value : value;
}

int ParseInteger(std::string_view text) {
    bool negative = false;
    size_t at = SkipBlanksAndSign(text, &negative);
    long long value = 0;
    while (at < text.size() && IsDigit(text[at]) && value <= INT_MAX) {
        value = value * 10 + (text[at++] - '0');
    }
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

std::vector<int> CommitOrder() {
    std::vector<int> order = {field::kLvr,         field::kLvd,         field::kFcv,
                              field::kAcv,         field::kLow1,        field::kLow2,
                              field::kBrightness1, field::kBrightness2, field::kTempCompensation,
                              field::kHour,        field::kMinute,      field::kSecond,
                              field::kMaxVout,     field::kMinVout,     field::kLightOn,
                              field::kLightOff,    field::kRemoteLevel};
    for (int i = 0; i < field::kSteps; ++i) {
        order.push_back(field::kDuration0 + i);
        order.push_back(field::kStepBrightness0 + i);
    }
    return order;
}

int* PanelRules::IntOf(int fieldId) {
    const FieldRule* rule = FindFieldRule(fieldId);
    if (rule == nullptr) {
        return nullptr;
    }
    if (rule->intValue != nullptr) {
        return &(fields_.*rule->intValue);
    }
    if (rule->stepValues != nullptr) {
        return &(fields_.*rule->stepValues)[static_cast<size_t>(fieldId - rule->id)];
    }
    switch (fieldId) {
        case field::kHour:
            return &userTime_.hour;
        case field::kMinute:
            return &userTime_.minute;
        case field::kSecond:
            return &userTime_.second;
        default:
            return nullptr;
    }
}

float* PanelRules::FloatOf(int fieldId) {
    const FieldRule* rule = FindFieldRule(fieldId);
    return rule != nullptr && rule->floatValue != nullptr ? &(fields_.*rule->floatValue) : nullptr;
}

std::string PanelRules::ShownText(int fieldId) {
    if (const float* volts = FloatOf(fieldId)) {
        return StrF("%0.1f", static_cast<double>(*volts));
    }
    const int* value = IntOf(fieldId);
    if (value == nullptr) {
        return {};
    }
    return StrF(FindFieldRule(fieldId)->leave == LeaveRule::Brightness ? "%d%%" : "%d", *value);
}

void PanelRules::Show(int fieldId, EditOutcome& outcome) {
    const std::string text = ShownText(fieldId);
    const bool percent = FindFieldRule(fieldId)->leave == LeaveRule::Brightness;
    fields_.fieldText[fieldId] = percent ? text.substr(0, text.size() - 1) : text;
    outcome.text = text;
}

EditOutcome PanelRules::FilterOnTyping(int fieldId, std::string_view typed) {
    EditOutcome outcome;
    const FieldRule* rule = FindFieldRule(fieldId);
    if (rule == nullptr || rule->filter == TypingFilter::None) {
        return outcome;
    }
    // The clock fields are the controller's time, not the configuration.
    outcome.markModified = rule->leave != LeaveRule::Clock;
    std::string text = ReadFieldText(typed);
    if (rule->filter == TypingFilter::Brightness && !text.empty() && text.back() == '%') {
        text.pop_back();
    }
    std::string& fieldText = fields_.fieldText[fieldId];
    if (text == fieldText) {
        return outcome;
    }
    fields_.edited.insert(fieldId);
    fieldText = text;
    if (!Accepts(rule->filter, text)) {
        text.pop_back();
        fieldText = text;
        outcome.text = text;
        return outcome;
    }
    if (rule->storedWhileTyping) {
        if (float* volts = FloatOf(fieldId)) {
            *volts = static_cast<float>(ParseVolts(text));
        } else {
            *IntOf(fieldId) = ParseInteger(text);
        }
    }
    return outcome;
}

EditOutcome PanelRules::ValidateOnLeave(int fieldId, std::string_view text, int systemVoltage) {
    const FieldRule* rule = FindFieldRule(fieldId);
    if (rule == nullptr) {
        return {};
    }
    switch (rule->leave) {
        case LeaveRule::ClampVoltage:
        case LeaveRule::LightOn:
        case LeaveRule::LightOff:
            return LeaveVoltage(fieldId, text, systemVoltage);
        case LeaveRule::Brightness:
            return LeaveBrightness(fieldId, text);
        case LeaveRule::ClampTemperature:
        case LeaveRule::Clock:
        case LeaveRule::Duration:
            return LeaveInteger(fieldId, text, systemVoltage);
    }
    return {};
}

EditOutcome PanelRules::LeaveVoltage(int fieldId, std::string_view typed, int systemVoltage) {
    EditOutcome outcome;
    const FieldRule& rule = *FindFieldRule(fieldId);
    const FieldRange& range = RangeAt(rule, systemVoltage);
    float& value = *FloatOf(fieldId);
    const float previous = value;
    const std::string text = ReadFieldText(typed);
    fields_.fieldText[fieldId] = text;
    value = static_cast<float>(ParseVolts(text));
    const double v = value;

    if (rule.leave == LeaveRule::LightOn || rule.leave == LeaveRule::LightOff) {
        const bool on = rule.leave == LeaveRule::LightOn;
        const double other = on ? fields_.lightOffVoltage : fields_.lightOnVoltage;
        const bool ordered = on ? other > v : v > other;
        if (v < range.min || v > range.max || !ordered) {
            value = on ? kLightOnDefault : kLightOffDefault;
            Show(fieldId, outcome);
        }
        return outcome;
    }

    if (v > range.max) {
        value = static_cast<float>(range.max);
        Show(fieldId, outcome);
    } else if (v < range.min) {
        value = static_cast<float>(range.min);
        Show(fieldId, outcome);
    }
    if (rule.pair == PairRule::None) {
        return outcome;
    }
    const double other = FieldValue(fields_, *FindFieldRule(rule.partner));
    const double difference = PairDifference(fields_, rule);
    switch (rule.pair) {
        case PairRule::RestoreUpper:
        case PairRule::RestoreLower:
            if (difference < kThresholdGap) {
                // The previous value comes back as it was, unless it is no number at all (a
                // NaN from a file): then the field's default.
                value = std::isfinite(previous)
                            ? previous
                            : static_cast<float>(ResetValue(rule, systemVoltage));
                Show(fieldId, outcome);
            }
            break;
        case PairRule::StepUpper:  // Low 1: low2 >= low1
        case PairRule::StepLower:
            if (difference <= 0.0) {
                value = static_cast<float>(rule.pair == PairRule::StepUpper ? other + kVoltStep
                                                                            : other - kVoltStep);
                Show(fieldId, outcome);
            }
            break;
        case PairRule::GapUpper:
        case PairRule::GapLower:
            if (difference < VoutGap(systemVoltage)) {
                const double gap = VoutGap(systemVoltage);
                value =
                    static_cast<float>(rule.pair == PairRule::GapUpper ? other + gap : other - gap);
                Show(fieldId, outcome);
            }
            break;
        case PairRule::None:
            break;
    }
    return outcome;
}

EditOutcome PanelRules::LeaveBrightness(int fieldId, std::string_view typed) {
    EditOutcome outcome;
    std::string text = ReadFieldText(typed);
    if (!text.empty() && text.back() == '%') {
        text.pop_back();
    } else {
        outcome.text = text + "%";
    }
    fields_.fieldText[fieldId] = text;
    int& value = *IntOf(fieldId);
    value = ParseInteger(text);
    if (fields_.pwmEnabled != 0) {
        const int remainder = value % 10;  // with the sign of the value
        if (remainder >= 5) {
            value += 10 - remainder;
        } else if (value >= remainder) {
            value -= remainder;
        }
        Show(fieldId, outcome);
    } else if (value >= 1 && value != 100) {
        // Without PWM the lamp is either off or full.
        value = 100;
        Show(fieldId, outcome);
    }
    return outcome;
}

EditOutcome PanelRules::LeaveInteger(int fieldId, std::string_view typed, int systemVoltage) {
    EditOutcome outcome;
    const FieldRule& rule = *FindFieldRule(fieldId);
    std::string text = ReadFieldText(typed);
    if (text.empty() && rule.leave != LeaveRule::Duration) {
        text.push_back('0');  // an empty field counts as "0"
    }
    fields_.fieldText[fieldId] = text;
    int& value = *IntOf(fieldId);
    value = ParseInteger(text);
    switch (rule.leave) {
        case LeaveRule::ClampTemperature: {
            const FieldRange& range = RangeAt(rule, systemVoltage);
            value = static_cast<int>(std::clamp<double>(value, range.min, range.max));
            Show(fieldId, outcome);
            break;
        }
        case LeaveRule::Clock:
            outcome.text = text;
            break;
        default:
            Show(fieldId, outcome);
            break;
    }
    return outcome;
}

bool PanelRules::SpinAllowed(int fieldId, bool up, int systemVoltage) const {
    const FieldRule& rule = *FindFieldRule(fieldId);
    const FieldRange& range = RangeAt(rule, systemVoltage);
    const double value = FieldValue(fields_, rule);
    if (rule.leave == LeaveRule::Brightness) {
        return up ? value < range.max : value >= 10;
    }
    // A voltage compares as the float it is held in: 10.8f lies above the double 10.8.
    const double min = rule.isFloat ? static_cast<float>(range.min) : range.min;
    const double max = rule.isFloat ? static_cast<float>(range.max) : range.max;
    if (!(up ? value < max : value > min)) {
        return false;
    }
    if (rule.pair == PairRule::None || IsUpper(rule.pair) == up) {
        return true;  // moving away from the partner
    }
    double gap = kThresholdGap;
    if (rule.pair == PairRule::StepUpper || rule.pair == PairRule::StepLower) {
        gap = kLowGap;
    } else if (rule.pair == PairRule::GapUpper || rule.pair == PairRule::GapLower) {
        gap = VoutGap(systemVoltage);
    }
    return PairDifference(fields_, rule) > gap;
}

EditOutcome PanelRules::StepOnSpin(int spinId, int positionChange, std::string_view text,
                                   int systemVoltage) {
    const FieldRule* rule = FindSpinRule(spinId);
    if (rule == nullptr) {
        return {};
    }
    fields_.edited.insert(rule->id);  // steps from what the field shows
    EditOutcome outcome = ValidateOnLeave(rule->id, text, systemVoltage);
    if (positionChange != -1 && positionChange != 1) {
        Show(rule->id, outcome);
        return outcome;
    }
    const bool up = positionChange == -1;
    if (!SpinAllowed(rule->id, up, systemVoltage)) {
        return outcome;
    }
    const double step = up ? StepAt(*rule, systemVoltage) : -StepAt(*rule, systemVoltage);
    // A step from a value off the grid stops at the bound (temperature compensation 25 goes
    // up to 30, not 35).
    const FieldRange& range = RangeAt(*rule, systemVoltage);
    if (float* volts = FloatOf(rule->id)) {
        *volts = std::clamp(static_cast<float>(*volts + step), static_cast<float>(range.min),
                            static_cast<float>(range.max));
    } else if (rule->leave == LeaveRule::Brightness && fields_.pwmEnabled == 0) {
        *IntOf(rule->id) = up ? 100 : 0;
    } else {
        int& value = *IntOf(rule->id);
        value = static_cast<int>(std::clamp<double>(value + step, range.min, range.max));
    }
    outcome.markModified = true;
    Show(rule->id, outcome);
    if (rule->leave == LeaveRule::Brightness) {
        fields_.fieldText[rule->id] = *outcome.text;  // shown with its "%", as a refresh does
    }
    return outcome;
}

bool PanelRules::ValidatesOnLeave(int fieldId) const {
    const FieldRule* rule = FindFieldRule(fieldId);
    return rule != nullptr &&
           (rule->leave == LeaveRule::Clock || fields_.edited.count(fieldId) != 0);
}

}  // namespace zelt

#include "panel/RecordLimits.h"

#include <algorithm>
#include <cmath>

#include "base/Trace.h"
#include "panel/ControllerTexts.h"
#include "panel/FieldRules.h"
#include "panel/PanelRecordMap.h"
#include "panel/PanelRules.h"

namespace zelt {

namespace {

constexpr int kMaxSectors = 8;
constexpr int kAxisMinutes = 1440;
constexpr double kByteMax = 255;

// The value as a technician reads it; non-finite values as the record's JSON names them.
std::string ValueText(double value) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "Infinity" : "-Infinity";
    }
    return StrF("%.6g", value);
}

std::string BoundText(const FieldRule& rule, double bound) {
    return rule.isFloat ? StrF("%0.1f", bound) : StrF("%.0f", bound);
}

// English lines name a field by its record key, as zeltctl's JSON records spell it; Chinese
// lines by the panel's label.
std::string Named(const std::string& field, bool english) {
    return english ? field : FieldLabel(field, false);
}

bool SameValue(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

// The bounds of a voltage range as the 32-bit floats a clamp would store.
bool WithinRange(const FieldRule& rule, const FieldRange& range, double value) {
    const double min = rule.isFloat ? static_cast<float>(range.min) : range.min;
    const double max = rule.isFloat ? static_cast<float>(range.max) : range.max;
    return value >= min && value <= max;  // false for NaN
}

// The fields of the record that are checked: not the clock fields, and not the remote level,
// which "Set Parameters" does not send ("Set Sw/Jp mode" is a command of its own).
const std::vector<FieldRule>& CheckedFieldRules() {
    static const std::vector<FieldRule> rules = [] {
        std::vector<FieldRule> checked;
        for (const FieldRule& rule : AllFieldRules()) {
            const bool holdsValue = rule.floatValue != nullptr || rule.intValue != nullptr ||
                                    rule.stepValues != nullptr;
            if (holdsValue && rule.id != field::kRemoteLevel) {
                checked.push_back(rule);
            }
        }
        return checked;
    }();
    return rules;
}

void SetFieldValue(PanelRecordValues& values, const FieldRule& rule, int step, double value) {
    if (rule.floatValue != nullptr) {
        values.*rule.floatValue = static_cast<float>(value);
    } else if (rule.intValue != nullptr) {
        values.*rule.intValue = static_cast<int32_t>(value);
    } else {
        (values.*rule.stepValues)[static_cast<size_t>(step)] = static_cast<int32_t>(value);
    }
}

// A voltage moved by a pair rule, kept within its own range.
float ClampTo(const FieldRule& rule, int systemVoltage, double value) {
    const FieldRange& range = RangeAt(rule, systemVoltage);
    return std::clamp(static_cast<float>(value), static_cast<float>(range.min),
                      static_cast<float>(range.max));
}

// The checked values back into the record; nothing else of it changes.
void StoreCheckedValues(const PanelRecordValues& v, CCfgDocument& r) {
    r.lvrVoltage = v.lvrVoltage;
    r.lvdVoltage = v.lvdVoltage;
    r.fcvVoltage = v.fcvVoltage;
    r.acvVoltage = v.acvVoltage;
    r.low1Voltage = v.low1Voltage;
    r.low2Voltage = v.low2Voltage;
    r.low1Brightness = v.low1Brightness;
    r.low2Brightness = v.low2Brightness;
    r.tempCompensation = v.tempCompensation;
    r.maxVout = v.maxVout;
    r.minVout = v.minVout;
    r.lightOnVoltage = v.lightOnVoltage;
    r.lightOffVoltage = v.lightOffVoltage;
    r.autoDuration = v.autoDuration;
    r.autoBrightness = v.autoBrightness;
}

class LimitReport {
  public:
    LimitReport(const CCfgDocument& record, int systemVoltage, bool english,
                const CCfgDocument* before, bool withOutcome)
        : values_(PanelValuesOfRecord(record)),
          systemVoltage_(systemVoltage == 24 ? 24 : 12),
          english_(english) {
        if (before != nullptr) {
            before_ = PanelValuesOfRecord(*before);
            hasBefore_ = true;
        }
        if (withOutcome) {
            CCfgDocument corrected = record;
            CorrectRecordLimits(corrected, systemVoltage_, english_);
            corrected_ = PanelValuesOfRecord(corrected);
            hasCorrected_ = true;
        }
    }

    void CheckFields() {
        for (const FieldRule& rule : AllFieldRules()) {
            const bool checked = std::any_of(
                CheckedFieldRules().begin(), CheckedFieldRules().end(),
                [&rule](const FieldRule& candidate) { return candidate.id == rule.id; });
            if (!checked) {
                continue;
            }
            for (int step = 0; step < rule.count; ++step) {
                CheckRange(rule, step);
            }
            // A pair is reported on its second field, once both are within their ranges.
            const FieldRule* partner = rule.partner != 0 ? FindFieldRule(rule.partner) : nullptr;
            if (partner != nullptr && partner < &rule && InRange(rule) && InRange(*partner)) {
                CheckPair(rule, *partner);
            }
        }
    }

    void CheckBytes(const CCfgDocument& record) {
        Byte(Named("ochtTime", english_), record.ochtTime);
        Byte(Named("dtTime", english_), record.dtTime);
    }

    void CheckSectors(const std::vector<CTimeSectorData>& sectors) {
        const int count = static_cast<int>(sectors.size());
        if (count > kMaxSectors) {
            lines_.push_back(english_
                                 ? StrF("sectors: %d sectors, at most %d", count, kMaxSectors)
                                 : StrF("%s：%d 個時段，最多 %d 個",
                                        FieldLabel("sectors", false).c_str(), count, kMaxSectors));
        }
        for (int i = 0; i < count; ++i) {
            const CTimeSectorData& s = sectors[static_cast<size_t>(i)];
            if (!SpanValid(s)) {
                lines_.push_back(english_ ? StrF("sectors[%d] = %d..%d: allowed 0 <= start <= end "
                                                 "<= %d",
                                                 i, s.startMinute, s.endMinute, kAxisMinutes)
                                          : StrF("%s = %d..%d：須 0 <= 開始 <= 結束 <= %d",
                                                 SectorLabel(i).c_str(), s.startMinute, s.endMinute,
                                                 kAxisMinutes));
            } else if (!Empty(s)) {
                for (int j = 0; j < i; ++j) {
                    const CTimeSectorData& t = sectors[static_cast<size_t>(j)];
                    if (SpanValid(t) && !Empty(t) && s.startMinute < t.endMinute &&
                        t.startMinute < s.endMinute) {
                        lines_.push_back(
                            english_
                                ? StrF("sectors[%d] = %d..%d: overlaps sectors[%d] (%d..%d)", i,
                                       s.startMinute, s.endMinute, j, t.startMinute, t.endMinute)
                                : StrF("%s = %d..%d：與 %s (%d..%d) 重疊", SectorLabel(i).c_str(),
                                       s.startMinute, s.endMinute, SectorLabel(j).c_str(),
                                       t.startMinute, t.endMinute));
                        break;
                    }
                }
            }
            if (s.brightness < 0 || s.brightness > 100) {
                Plain(Named(StrF("sectors[%d].brightness", i), english_), ValueText(s.brightness),
                      "0", "100");
            }
        }
    }

    std::vector<std::string> Lines() { return std::move(lines_); }

  private:
    // An empty sector (start = end) is what an RS485 read gives for an unused slot; it is
    // written back as it came and overlaps nothing.
    static bool SpanValid(const CTimeSectorData& s) {
        return s.startMinute >= 0 && s.startMinute <= s.endMinute && s.endMinute <= kAxisMinutes;
    }
    static bool Empty(const CTimeSectorData& s) { return s.startMinute == s.endMinute; }

    static std::string SectorLabel(int i) { return FieldLabel(StrF("sectors[%d]", i), false); }

    bool InRange(const FieldRule& rule) const {
        return WithinRange(rule, RangeAt(rule, systemVoltage_), FieldValue(values_, rule));
    }

    // "49.5", or "49.5 (99 before the 12 V adaptation)".
    std::string Shown(const FieldRule& rule, int step) const {
        const double value = FieldValue(values_, rule, step);
        std::string text = ValueText(value);
        if (hasBefore_) {
            const double before = FieldValue(before_, rule, step);
            if (!SameValue(before, value)) {
                text += english_
                            ? StrF(" (%s before the %d V adaptation)", ValueText(before).c_str(),
                                   systemVoltage_)
                            : StrF(" (%dV 調整前為 %s)", systemVoltage_, ValueText(before).c_str());
            }
        }
        return text;
    }

    // ", would become 13.5" (the correction "Correct and Send" applies), or that it cannot.
    std::string Outcome(const FieldRule& rule, int step, const FieldRule* partner) const {
        if (!hasCorrected_) {
            return {};
        }
        const double now = FieldValue(corrected_, rule, step);
        if (!SameValue(FieldValue(values_, rule, step), now)) {
            return StrF(english_ ? ", would become %s" : "，將改為 %s", ValueText(now).c_str());
        }
        if (partner != nullptr &&
            !SameValue(FieldValue(values_, *partner), FieldValue(corrected_, *partner))) {
            return StrF(english_ ? ", %s would become %s" : "，%s 將改為 %s", partner->name,
                        ValueText(FieldValue(corrected_, *partner)).c_str());
        }
        return english_ ? ", cannot be corrected" : "，無法自動修正";
    }

    void CheckRange(const FieldRule& rule, int step) {
        const FieldRange& range = RangeAt(rule, systemVoltage_);
        if (WithinRange(rule, range, FieldValue(values_, rule, step))) {
            return;
        }
        const std::string name = Named(ValueName(rule, step), english_);
        const std::string value = Shown(rule, step);
        const std::string min = BoundText(rule, range.min);
        const std::string max = BoundText(rule, range.max);
        if (rule.range12.min == rule.range24.min && rule.range12.max == rule.range24.max) {
            Plain(name, value, min, max);  // the same at 12 V and 24 V
        } else {
            lines_.push_back(english_
                                 ? StrF("%s = %s: allowed %s to %s at %d V", name.c_str(),
                                        value.c_str(), min.c_str(), max.c_str(), systemVoltage_)
                                 : StrF("%s = %s：%dV 系統允許 %s 至 %s", name.c_str(),
                                        value.c_str(), systemVoltage_, min.c_str(), max.c_str()));
        }
        lines_.back() += Outcome(rule, step, nullptr);
    }

    void CheckPair(const FieldRule& rule, const FieldRule& partner) {
        const double own = FieldValue(values_, rule);
        const double other = FieldValue(values_, partner);
        const bool upper = rule.pair == PairRule::RestoreUpper || rule.pair == PairRule::GapUpper ||
                           rule.leave == LeaveRule::LightOff;
        const std::string name = Named(rule.name, english_);
        const std::string partnerName = Named(partner.name, english_);
        const std::string value = Shown(rule, 0);
        const std::string otherText = ValueText(other);
        // LVR over LVD and ACV over FCV only need their order: the panel's 1.0 V gap guards
        // edits, and restoring the previous value lets a record's narrower gap through (a
        // controller may hold FCV 13.8 V with ACV 14.4 V).
        if (rule.pair != PairRule::GapLower && rule.pair != PairRule::GapUpper) {
            if (upper ? own > other : own < other) {
                return;
            }
            if (english_) {
                lines_.push_back(StrF("%s = %s: must be %s %s (%s)", name.c_str(), value.c_str(),
                                      upper ? "above" : "below", partnerName.c_str(),
                                      otherText.c_str()));
            } else {
                lines_.push_back(StrF("%s = %s：須%s %s (%s)", name.c_str(), value.c_str(),
                                      upper ? "高於" : "低於", partnerName.c_str(),
                                      otherText.c_str()));
            }
            lines_.back() += Outcome(rule, 0, &partner);
            return;
        }
        const double gap = VoutGap(systemVoltage_);  // Max.Vout over Min.Vout
        if ((upper ? own - other : other - own) >= gap) {
            return;
        }
        const std::string gapText = StrF("%0.1f", gap);
        if (english_) {
            lines_.push_back(StrF("%s = %s: must be at least %s %s %s (%s)", name.c_str(),
                                  value.c_str(), gapText.c_str(), upper ? "above" : "below",
                                  partnerName.c_str(), otherText.c_str()));
        } else {
            lines_.push_back(StrF("%s = %s：須比 %s (%s) %s至少 %s", name.c_str(), value.c_str(),
                                  partnerName.c_str(), otherText.c_str(), upper ? "高" : "低",
                                  gapText.c_str()));
        }
        lines_.back() += Outcome(rule, 0, &partner);
    }

    void Byte(const std::string& name, int32_t value) {
        if (value < 0 || value > kByteMax) {
            Plain(name, ValueText(value), "0", "255");
        }
    }

    void Plain(const std::string& name, const std::string& value, const std::string& min,
               const std::string& max) {
        lines_.push_back(english_ ? StrF("%s = %s: allowed %s to %s", name.c_str(), value.c_str(),
                                         min.c_str(), max.c_str())
                                  : StrF("%s = %s：允許 %s 至 %s", name.c_str(), value.c_str(),
                                         min.c_str(), max.c_str()));
    }

    PanelRecordValues values_;
    PanelRecordValues before_;
    bool hasBefore_ = false;
    PanelRecordValues corrected_;
    bool hasCorrected_ = false;
    int systemVoltage_;
    bool english_;
    std::vector<std::string> lines_;
};

}  // namespace

std::vector<std::string> CheckRecordLimits(const CCfgDocument& record, int systemVoltage,
                                           bool english, const CCfgDocument* beforeAdaptation,
                                           bool withOutcome) {
    LimitReport report(record, systemVoltage, english, beforeAdaptation, withOutcome);
    report.CheckFields();
    report.CheckBytes(record);
    report.CheckSectors(record.sectors);
    return report.Lines();
}

std::vector<std::string> CorrectRecordLimits(CCfgDocument& record, int systemVoltage,
                                             bool english) {
    const int volts = systemVoltage == 24 ? 24 : 12;
    const PanelRecordValues before = PanelValuesOfRecord(record);
    PanelRecordValues v = before;
    for (const FieldRule& rule : CheckedFieldRules()) {
        const FieldRange& range = RangeAt(rule, volts);
        for (int step = 0; step < rule.count; ++step) {
            const double value = FieldValue(v, rule, step);
            if (WithinRange(rule, range, value)) {
                continue;
            }
            const bool light =
                rule.leave == LeaveRule::LightOn || rule.leave == LeaveRule::LightOff;
            SetFieldValue(v, rule, step,
                          light || !std::isfinite(value) ? ResetValue(rule, volts)
                                                         : std::clamp(value, range.min, range.max));
        }
    }
    // Pairs out of order: the second of the pair moves first, as leaving it would move it.
    if (v.low2Voltage >= v.low1Voltage) {
        v.low2Voltage = ClampTo(*FindFieldRule(field::kLow2), volts, v.low1Voltage - kVoltStep);
    }
    const double gap = VoutGap(volts);
    if (v.maxVout - v.minVout < gap) {
        v.minVout = ClampTo(*FindFieldRule(field::kMinVout), volts, v.maxVout - gap);
        if (v.maxVout - v.minVout < gap) {
            v.maxVout = ClampTo(*FindFieldRule(field::kMaxVout), volts, v.minVout + gap);
        }
    }
    if (!(v.lightOffVoltage > v.lightOnVoltage)) {
        v.lightOffVoltage = static_cast<float>(ResetValue(*FindFieldRule(field::kLightOff), volts));
        if (!(v.lightOffVoltage > v.lightOnVoltage)) {
            v.lightOnVoltage =
                static_cast<float>(ResetValue(*FindFieldRule(field::kLightOn), volts));
        }
    }
    StoreCheckedValues(v, record);

    std::vector<std::string> changes;
    for (const FieldRule& rule : CheckedFieldRules()) {
        for (int step = 0; step < rule.count; ++step) {
            const double was = FieldValue(before, rule, step);
            const double now = FieldValue(v, rule, step);
            if (!SameValue(was, now)) {
                changes.push_back(StrF(english ? "%s: %s -> %s" : "%s：%s -> %s",
                                       Named(ValueName(rule, step), english).c_str(),
                                       ValueText(was).c_str(), ValueText(now).c_str()));
            }
        }
    }
    return changes;
}

std::string ResetLine(const AdaptReset& reset, int systemVoltage, bool english) {
    const FieldRule* rule = nullptr;
    for (const FieldRule& candidate : AllFieldRules()) {
        if (reset.field == candidate.name) {
            rule = &candidate;
        }
    }
    const int volts = systemVoltage == 24 ? 24 : 12;
    const FieldRange& range = RangeAt(*rule, volts);
    const std::string min = BoundText(*rule, range.min);
    const std::string max = BoundText(*rule, range.max);
    const std::string before = ValueText(reset.before);
    const std::string replacement = BoundText(*rule, reset.replacement);
    const std::string name = Named(reset.field, english);
    return english ? StrF("%s = %s: outside %s to %s at %d V, would be reset to %s", name.c_str(),
                          before.c_str(), min.c_str(), max.c_str(), volts, replacement.c_str())
                   : StrF("%s = %s：超出 %dV 系統的 %s 至 %s，將重設為 %s", name.c_str(),
                          before.c_str(), volts, min.c_str(), max.c_str(), replacement.c_str());
}

bool RecordGate::Adapt(CCfgDocument& record) {
    before_ = record;
    resets_.clear();
    return AdaptToSystemVoltage(record, static_cast<uint16_t>(systemVoltage_), &resets_);
}

std::vector<std::string> RecordGate::Problems(const CCfgDocument& record, bool withOutcome) const {
    std::vector<std::string> lines;
    if (!resetsAccepted_) {
        for (const AdaptReset& reset : resets_) {
            lines.push_back(ResetLine(reset, systemVoltage_, english_));
        }
    }
    for (std::string& line :
         CheckRecordLimits(record, systemVoltage_, english_, &before_, withOutcome)) {
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<std::string> RecordGate::Correct(CCfgDocument& record) {
    std::vector<std::string> changes;
    if (!resetsAccepted_) {
        for (const AdaptReset& reset : resets_) {
            changes.push_back(StrF(
                english_ ? "%s: %s -> %s" : "%s：%s -> %s", Named(reset.field, english_).c_str(),
                ValueText(reset.before).c_str(), ValueText(reset.replacement).c_str()));
        }
        resetsAccepted_ = true;
    }
    for (std::string& change : CorrectRecordLimits(record, systemVoltage_, english_)) {
        changes.push_back(std::move(change));
    }
    return changes;
}

}  // namespace zelt

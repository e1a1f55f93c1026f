#include "panel/PanelRecordMap.h"

#include <utility>

#include "base/Trace.h"
#include "config/CfgCodes.h"
#include "config/CfgRecord.h"

namespace zelt {

namespace {

std::string Volts(float value) {
    return StrF("%0.1f", static_cast<double>(value));
}

std::string Percent(int value) {
    return StrF("%d%%", value);
}

// The collect step's editors for the panel half only: the sectors are the record's own.
class PanelOnlyEditors final : public IRecordEditors {
  public:
    PanelOnlyEditors(const PanelFields& fields, const CCfgDocument& record)
        : fields_(fields), sectors_(record.sectors) {}
    std::vector<CTimeSectorData> ScheduleSectors() const override { return sectors_; }
    PanelRecordValues PanelValues() const override { return fields_; }

  private:
    const PanelFields& fields_;
    std::vector<CTimeSectorData> sectors_;
};

}  // namespace

PanelRecordValues PanelValuesOfRecord(const CCfgDocument& r) {
    PanelRecordValues v;
    v.lvrVoltage = r.lvrVoltage;
    v.lvdVoltage = r.lvdVoltage;
    v.fcvVoltage = r.fcvVoltage;
    v.acvVoltage = r.acvVoltage;
    v.lowLevelEnabled = r.lowLevelEnabled;
    v.low1Voltage = r.low1Voltage;
    v.low2Voltage = r.low2Voltage;
    v.low1Brightness = r.low1Brightness;
    v.low2Brightness = r.low2Brightness;
    v.tempCompensation = r.tempCompensation;
    v.pwmEnabled = r.pwmEnabled;
    v.maxVout = r.maxVout;
    v.minVout = r.minVout;
    v.lightOnVoltage = r.lightOnVoltage;
    v.lightOffVoltage = r.lightOffVoltage;
    v.remoteLevel = r.remoteLevel;
    v.remoteLevelEnabled = r.remoteLevelEnabled;
    v.autoDuration = r.autoDuration;
    v.autoBrightness = r.autoBrightness;
    return v;
}

void RefreshFromConfig(const CCfgDocument& record, bool english, const TimeOfDay& userTime,
                       PanelFields& fields) {
    // Not part of the refresh: the remote level and its check box (the panel keeps its own),
    // and the mode codes, which come from the controller's mode read.
    PanelRecordValues values = PanelValuesOfRecord(record);
    values.remoteLevel = fields.remoteLevel;
    values.remoteLevelEnabled = fields.remoteLevelEnabled;
    values.operatingModeCode = fields.operatingModeCode;
    values.lightingTimeCode = fields.lightingTimeCode;
    static_cast<PanelRecordValues&>(fields) = std::move(values);
    fields.batteryTypeText = BatteryTypeLabel(record.batteryType, english);
    // Without PWM the "On" box shows unchecked (ControlStates), but the record's flag is kept:
    // a display rule never changes what is sent back.
    fields.edited.clear();

    auto& text = fields.fieldText;
    text[field::kLvr] = Volts(fields.lvrVoltage);
    text[field::kLvd] = Volts(fields.lvdVoltage);
    text[field::kFcv] = Volts(fields.fcvVoltage);
    text[field::kAcv] = Volts(fields.acvVoltage);
    text[field::kLow1] = Volts(fields.low1Voltage);
    text[field::kLow2] = Volts(fields.low2Voltage);
    text[field::kBrightness1] = Percent(fields.low1Brightness);
    text[field::kBrightness2] = Percent(fields.low2Brightness);
    text[field::kTempCompensation] = StrF("%d", fields.tempCompensation);
    text[field::kHour] = StrF("%d", userTime.hour);
    text[field::kMinute] = StrF("%d", userTime.minute);
    text[field::kSecond] = StrF("%d", userTime.second);
    text[field::kMaxVout] = Volts(fields.maxVout);
    text[field::kMinVout] = Volts(fields.minVout);
    text[field::kLightOn] = Volts(fields.lightOnVoltage);
    text[field::kLightOff] = Volts(fields.lightOffVoltage);
    for (int i = 0; i < field::kSteps; ++i) {
        const size_t step = static_cast<size_t>(i);
        text[field::kDuration0 + i] = StrF("%d", fields.autoDuration[step]);
        text[field::kStepBrightness0 + i] = Percent(fields.autoBrightness[step]);
    }
}

void StoreToConfig(const PanelFields& fields, CCfgDocument& record) {
    CollectIntoRecord(PanelOnlyEditors(fields, record), record);
}

PanelControlStates ControlStates(const PanelFields& fields, int tabIndex) {
    const bool pwm = fields.pwmEnabled != 0;
    const bool lowLevel = pwm && fields.lowLevelEnabled != 0;
    const bool manual = fields.operatingModeCode == kOperatingModeManual;
    return PanelControlStates{pwm, pwm, lowLevel, lowLevel, tabIndex == 0, tabIndex != 0, manual};
}

}  // namespace zelt

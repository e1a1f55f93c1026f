#include "config/CfgRecord.h"

#include <limits>

#include "config/CfgCodes.h"
#include "config/TimeSectorData.h"
#include "config/VoltageRanges.h"

namespace zelt {

namespace {

// One row of the reset table: the 12 V and the 24 V value.
struct ResetColumns {
    float at12;
    float at24;
};

// Applies one adaptation table and names the values it replaces by a default.
class Adapter {
  public:
    Adapter(CCfgDocument& record, std::vector<AdaptReset>* resets) : r_(record), resets_(resets) {}

    // 12 V: halve above the range, then replace below it.
    void For12(const char* name, float& value, const SystemRanges& ranges, float replacement) {
        const float before = value;
        if (value > static_cast<float>(ranges.at12.max)) {
            value = value / 2.0f;
        }
        if (value < static_cast<float>(ranges.at12.min)) {
            Reset(name, before, value = replacement);
        }
    }

    // 24 V: double below the range, then replace above it.
    void For24(const char* name, float& value, const SystemRanges& ranges, float replacement) {
        const float before = value;
        if (value < static_cast<float>(ranges.at24.min)) {
            value = value * 2.0f;
        }
        if (value > static_cast<float>(ranges.at24.max)) {
            Reset(name, before, value = replacement);
        }
    }

    void Record12() {
        For12("lvrVoltage", r_.lvrVoltage, ranges::kLvr, 12.4f);
        For12("lvdVoltage", r_.lvdVoltage, ranges::kLvd, 11.1f);
        For12("fcvVoltage", r_.fcvVoltage, ranges::kFcv, 13.6f);
        For12("acvVoltage", r_.acvVoltage, ranges::kAcv, 14.6f);
        For12("low1Voltage", r_.low1Voltage, ranges::kLow1, 11.8f);
        For12("low2Voltage", r_.low2Voltage, ranges::kLow2, 11.4f);
        const int32_t temperature = r_.tempCompensation;
        const ValueRange& temperatures12 = ranges::kTempCompensation.at12;
        if (r_.tempCompensation > temperatures12.max) {
            r_.tempCompensation /= 2;
        }
        if (r_.tempCompensation < temperatures12.min) {
            Reset("tempCompensation", temperature, r_.tempCompensation = 30);
        }
        For12("maxVout", r_.maxVout, ranges::kMaxVout, 12.0f);
        For12("minVout", r_.minVout, ranges::kMinVout, 8.0f);
        For12("lightOnVoltage", r_.lightOnVoltage, ranges::kLightOnOff, 2.5f);
        For12("lightOffVoltage", r_.lightOffVoltage, ranges::kLightOnOff, 6.0f);
    }

    void Record24() {
        For24("lvrVoltage", r_.lvrVoltage, ranges::kLvr, 24.8f);
        For24("lvdVoltage", r_.lvdVoltage, ranges::kLvd, 22.2f);
        For24("fcvVoltage", r_.fcvVoltage, ranges::kFcv, 27.2f);
        For24("acvVoltage", r_.acvVoltage, ranges::kAcv, 29.2f);
        For24("low1Voltage", r_.low1Voltage, ranges::kLow1, 23.6f);
        For24("low2Voltage", r_.low2Voltage, ranges::kLow2, 22.8f);
        const int32_t temperature = r_.tempCompensation;
        const ValueRange& temperatures24 = ranges::kTempCompensation.at24;
        if (r_.tempCompensation < temperatures24.min) {
            // Saturates: a value from a file below -2^30 would overflow when doubled.
            constexpr int32_t kLowest = std::numeric_limits<int32_t>::min();
            r_.tempCompensation =
                r_.tempCompensation < kLowest / 2 ? kLowest : r_.tempCompensation * 2;
        }
        if (r_.tempCompensation > temperatures24.max) {
            Reset("tempCompensation", temperature, r_.tempCompensation = 60);
        }
        For24("maxVout", r_.maxVout, ranges::kMaxVout, 24.0f);
        For24("minVout", r_.minVout, ranges::kMinVout, 16.0f);
        For24("lightOnVoltage", r_.lightOnVoltage, ranges::kLightOnOff, 5.0f);
        For24("lightOffVoltage", r_.lightOffVoltage, ranges::kLightOnOff, 12.0f);
    }

  private:
    void Reset(const char* name, double before, double replacement) {
        if (resets_ != nullptr) {
            resets_->push_back(AdaptReset{name, before, replacement});
        }
    }

    CCfgDocument& r_;
    std::vector<AdaptReset>* resets_;
};

}  // namespace

void CollectIntoRecord(const IRecordEditors& editors, CCfgDocument& record) {
    record.sectors = editors.ScheduleSectors();
    record.sectorCount = static_cast<int32_t>(record.sectors.size());

    const PanelRecordValues panel = editors.PanelValues();
    record.lvrVoltage = panel.lvrVoltage;
    record.lvdVoltage = panel.lvdVoltage;
    record.fcvVoltage = panel.fcvVoltage;
    record.acvVoltage = panel.acvVoltage;
    record.lowLevelEnabled = panel.lowLevelEnabled;
    record.low1Voltage = panel.low1Voltage;
    record.low2Voltage = panel.low2Voltage;
    record.low1Brightness = panel.low1Brightness;
    record.low2Brightness = panel.low2Brightness;
    record.tempCompensation = panel.tempCompensation;
    record.pwmEnabled = panel.pwmEnabled;
    record.maxVout = panel.maxVout;
    record.minVout = panel.minVout;
    record.lightOnVoltage = panel.lightOnVoltage;
    record.lightOffVoltage = panel.lightOffVoltage;
    record.remoteLevel = panel.remoteLevel;
    record.remoteLevelEnabled = panel.remoteLevelEnabled;
    record.operatingMode =
        static_cast<uint8_t>(panel.operatingModeCode >= 0 ? panel.operatingModeCode : 0);
    record.lightingTime =
        static_cast<uint8_t>(panel.lightingTimeCode >= 0 ? panel.lightingTimeCode : 0);
    record.batteryType = BatteryTypeFromText(panel.batteryTypeText);
    record.autoDuration = panel.autoDuration;
    record.autoBrightness = panel.autoBrightness;
}

void ApplyResetValues(CCfgDocument& record, uint16_t systemVoltage) {
    record.sectors.assign(1,
                          CTimeSectorData{0, timeaxis::kMinutesPerDay, timeaxis::kMaxBrightness});
    record.sectorCount = 1;

    record.lowLevelEnabled = 0;
    record.low1Brightness = 40;
    record.low2Brightness = 30;
    record.batteryType = 5;

    const bool at24 = systemVoltage == 24;
    auto pick = [at24](ResetColumns columns) { return at24 ? columns.at24 : columns.at12; };
    record.lvrVoltage = pick({12.4f, 24.8f});
    record.lvdVoltage = pick({11.1f, 22.2f});
    record.fcvVoltage = pick({13.6f, 27.2f});
    record.acvVoltage = pick({14.6f, 29.2f});
    record.low1Voltage = pick({11.8f, 23.6f});
    record.low2Voltage = pick({11.4f, 22.8f});
    record.tempCompensation = at24 ? 60 : 30;
    record.maxVout = pick({12.0f, 24.0f});
    record.minVout = pick({8.0f, 16.0f});
    record.lightOnVoltage = pick({2.5f, 5.0f});
    record.lightOffVoltage = pick({6.0f, 12.0f});
    record.remoteLevel = pick({11.1f, 22.2f});

    record.operatingMode = 3;
    record.lightingTime = 3;
    record.pwmEnabled = 0;
    record.autoDuration.fill(180);
    record.autoBrightness.fill(100);
    record.dtTime = 60;
}

void ResetToDefault(CMainApp& app, const ResetHooks& hooks) {
    if (app.systemVoltage == 0 && hooks.settleSystemVoltage) {
        hooks.settleSystemVoltage();
    }
    ApplyResetValues(app.config, app.systemVoltage);
    if (hooks.refresh) {
        hooks.refresh();
    }
}

bool AdaptToSystemVoltage(CCfgDocument& record, uint16_t systemVoltage,
                          std::vector<AdaptReset>* resets) {
    Adapter adapter(record, resets);
    if (systemVoltage == 12) {
        adapter.Record12();
        return true;
    }
    if (systemVoltage == 24) {
        adapter.Record24();
        return true;
    }
    return false;
}

}  // namespace zelt

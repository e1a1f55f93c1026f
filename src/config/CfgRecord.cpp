#include "config/CfgRecord.h"

#include <limits>

#include "config/CfgCodes.h"
#include "schedule/TimeAxis.h"

namespace zelt {

namespace {

// One row of the reset table: the 12 V and the 24 V value.
struct ResetColumns {
    float at12;
    float at24;
};

// 12 V: halve above the first value, then replace below the second.
void AdaptFor12(float& value, float halveAbove, float replaceBelow, float replacement) {
    if (value > halveAbove) {
        value = value / 2.0f;
    }
    if (value < replaceBelow) {
        value = replacement;
    }
}

// 24 V: double below the first value, then replace above the second.
void AdaptFor24(float& value, float doubleBelow, float replaceAbove, float replacement) {
    if (value < doubleBelow) {
        value = value * 2.0f;
    }
    if (value > replaceAbove) {
        value = replacement;
    }
}

void AdaptRecordFor12(CCfgDocument& r) {
    AdaptFor12(r.lvrVoltage, 13.5f, 11.5f, 12.4f);
    AdaptFor12(r.lvdVoltage, 12.5f, 10.5f, 11.1f);
    AdaptFor12(r.fcvVoltage, 15.0f, 13.0f, 13.6f);
    AdaptFor12(r.acvVoltage, 16.0f, 14.0f, 14.6f);
    AdaptFor12(r.low1Voltage, 11.8f, 11.0f, 11.8f);
    AdaptFor12(r.low2Voltage, 11.6f, 10.8f, 11.4f);
    if (r.tempCompensation > 30) {
        r.tempCompensation /= 2;
    }
    if (r.tempCompensation < 20) {
        r.tempCompensation = 30;
    }
    AdaptFor12(r.maxVout, 14.0f, 8.0f, 12.0f);
    AdaptFor12(r.minVout, 14.0f, 8.0f, 8.0f);
    AdaptFor12(r.lightOnVoltage, 10.0f, 0.0f, 2.5f);
    AdaptFor12(r.lightOffVoltage, 10.0f, 0.0f, 6.0f);
}

void AdaptRecordFor24(CCfgDocument& r) {
    AdaptFor24(r.lvrVoltage, 23.0f, 27.0f, 24.8f);
    AdaptFor24(r.lvdVoltage, 21.0f, 25.0f, 22.2f);
    AdaptFor24(r.fcvVoltage, 26.0f, 30.0f, 27.2f);
    AdaptFor24(r.acvVoltage, 28.0f, 32.0f, 29.2f);
    AdaptFor24(r.low1Voltage, 22.0f, 23.6f, 23.6f);
    AdaptFor24(r.low2Voltage, 21.6f, 23.2f, 22.8f);
    if (r.tempCompensation < 40) {
        // Saturates: a value from a file below -2^30 would overflow when doubled.
        constexpr int32_t kLowest = std::numeric_limits<int32_t>::min();
        r.tempCompensation = r.tempCompensation < kLowest / 2 ? kLowest : r.tempCompensation * 2;
    }
    if (r.tempCompensation > 60) {
        r.tempCompensation = 60;
    }
    AdaptFor24(r.maxVout, 18.0f, 28.0f, 24.0f);
    AdaptFor24(r.minVout, 16.0f, 28.0f, 16.0f);
    AdaptFor24(r.lightOnVoltage, 0.0f, 20.0f, 5.0f);
    AdaptFor24(r.lightOffVoltage, 0.0f, 20.0f, 12.0f);
}

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
    record.operatingMode = OperatingModeFromText(panel.modeText);
    record.lightingTime = LightingTimeFromText(panel.lightingTimeText);
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

bool AdaptToSystemVoltage(CCfgDocument& record, uint16_t systemVoltage) {
    if (systemVoltage == 12) {
        AdaptRecordFor12(record);
        return true;
    }
    if (systemVoltage == 24) {
        AdaptRecordFor24(record);
        return true;
    }
    return false;
}

}  // namespace zelt

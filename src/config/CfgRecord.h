#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "config/CfgDocument.h"
#include "config/MainApp.h"
#include "config/TimeSectorData.h"

namespace zelt {

// What the parameter panel hands over when the record collects it: its values, the mode and
// lighting-time codes and the battery-type text it shows.
struct PanelRecordValues {
    float lvrVoltage = 0;
    float lvdVoltage = 0;
    float fcvVoltage = 0;
    float acvVoltage = 0;
    uint32_t lowLevelEnabled = 0;
    float low1Voltage = 0;
    float low2Voltage = 0;
    int32_t low1Brightness = 0;
    int32_t low2Brightness = 0;
    int32_t tempCompensation = 0;
    uint32_t pwmEnabled = 0;
    float maxVout = 0;
    float minVout = 0;
    float lightOnVoltage = 0;
    float lightOffVoltage = 0;
    float remoteLevel = 0;
    uint32_t remoteLevelEnabled = 0;
    // The operating mode and lighting time codes the controller's mode read gave; -1 before
    // any read (stored as code 0).
    int operatingModeCode = -1;
    int lightingTimeCode = -1;
    std::string batteryTypeText;
    std::array<int32_t, CCfgDocument::kAutoSteps> autoDuration{};
    std::array<int32_t, CCfgDocument::kAutoSteps> autoBrightness{};
};

// The editors whose values the collect step copies into the record; the windows implement it.
class IRecordEditors {
  public:
    virtual ~IRecordEditors() = default;
    // The schedule editor's own sector list, in its order.
    virtual std::vector<CTimeSectorData> ScheduleSectors() const = 0;
    // The parameter panel's values as it would store them.
    virtual PanelRecordValues PanelValues() const = 0;
};

// The collect step: the schedule's sectors (and their count), then the panel's values and the
// codes of its texts. vMode, ochtTime, dtTime, the window rectangle, the reserved fields and
// the file head stay as they are.
void CollectIntoRecord(const IRecordEditors& editors, CCfgDocument& record);

// The record part of "Reset to default": one sector 12:00..12:00 at 100 %, the 24 V column
// when systemVoltage is 24 and the 12 V column otherwise, codes, auto steps, dtTime.
void ApplyResetValues(CCfgDocument& record, uint16_t systemVoltage);

// The parts of "Reset to default" that need the controller and the windows.
struct ResetHooks {
    // Runs when systemVoltage is still 0: the status read, which may settle it, and the
    // battery caption update.
    std::function<void()> settleSystemVoltage;
    // The refresh step (panel, then schedule).
    std::function<void()> refresh;
};

// "Reset to default" on the application's record. The saved flags are not touched.
void ResetToDefault(CMainApp& app, const ResetHooks& hooks);

// A value the adaptation replaced by a default because it lay outside both system voltages'
// ranges (not halved or doubled into range).
struct AdaptReset {
    std::string field;  // the record's field name
    double before;
    double replacement;
    friend bool operator==(const AdaptReset&, const AdaptReset&) = default;
};

// Rescales voltages that lie in the other system voltage's range. Returns true when a table
// ran (systemVoltage 12 or 24), so that the caller runs the refresh step; with any other
// systemVoltage nothing changes and the result is false. With resets, each value replaced by
// a default is appended to it.
bool AdaptToSystemVoltage(CCfgDocument& record, uint16_t systemVoltage,
                          std::vector<AdaptReset>* resets = nullptr);

}  // namespace zelt

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "config/CfgRecord.h"

namespace zelt {
namespace {

using Doc = CCfgDocument;
using Volts = float Doc::*;

// A record whose fields all differ from the construction defaults and the reset values.
CCfgDocument Unusual() {
    // clang-format off
    CCfgDocument r{.fileMagic = 7, .fileVersion = 8, .fileChecksum = 9, .windowLeft = 11,
                   .windowTop = 12, .windowRight = 13, .windowBottom = 14, .reservedWord = 15,
                   .sectorCount = 3, .sectors = {{5, 15, 50}, {20, 40, 60}, {50, 60, 70}},
                   .vMode = 16, .lowLevelEnabled = 1, .low1Brightness = 1, .low2Brightness = 2,
                   .ochtTime = 17, .tempCompensation = 3, .pwmEnabled = 1, .operatingMode = 1,
                   .lightingTime = 1, .remoteLevelEnabled = 1, .dtTime = 18, .batteryType = 1};
    // clang-format on
    r.autoDuration.fill(4);
    r.autoBrightness.fill(5);
    r.reservedBytes.fill(0x5A);
    return r;
}

// The reset values are the code's own table; here the column choice and what a reset leaves.
TEST(CfgRecordReset, WritesTheColumnOfTheSystemVoltageAndLeavesTheRest) {
    for (const auto& [volts, lvr] : {std::pair{12, 12.4f}, {24, 24.8f}, {0, 12.4f}}) {
        CCfgDocument r = Unusual();  // 0 V: not known yet, the 12 V column
        ApplyResetValues(r, static_cast<uint16_t>(volts));
        EXPECT_EQ(r.lvrVoltage, lvr) << volts << " V";
        EXPECT_EQ(r.sectors, (std::vector<CTimeSectorData>{{0, 1440, 100}}));
        EXPECT_EQ(r.sectorCount, 1);
        // The file head, the window, vMode, ochtTime, remoteLevelEnabled and the reserved
        // fields are no setting a reset writes.
        const auto kept = [](const CCfgDocument& d) {
            return std::tie(d.fileMagic, d.fileVersion, d.fileChecksum, d.windowLeft, d.windowTop,
                            d.windowRight, d.windowBottom, d.reservedWord, d.vMode, d.ochtTime,
                            d.remoteLevelEnabled, d.reservedBytes);
        };
        const CCfgDocument before = Unusual();
        EXPECT_TRUE(kept(r) == kept(before)) << volts << " V";
    }
}

TEST(CfgRecordReset, CommandSettlesTheVoltageFirstAndRefreshesLast) {
    CMainApp app;
    app.savedToController = 0;
    int settled = 0;
    bool refreshedWithResetValues = false;
    const ResetHooks hooks{[&] {
                               ++settled;
                               app.systemVoltage = 24;  // the controller answered
                           },
                           [&] { refreshedWithResetValues = app.config.lvrVoltage == 24.8f; }};
    ResetToDefault(app, hooks);
    EXPECT_EQ(settled, 1);
    EXPECT_TRUE(refreshedWithResetValues);
    EXPECT_EQ(app.savedToController, 0u);  // the saved flags are not touched
    EXPECT_EQ(app.savedToFile, 1u);
    ResetToDefault(app, hooks);  // once the voltage is known the status read is not run again
    EXPECT_EQ(settled, 1);
}

TEST(CfgRecordAdapt, VoltagesOfTheOtherRangeAreRescaled) {
    // 30 V is halved once and is then in range; remoteLevel is never adapted. Thresholds are
    // strict and single precision: 11.6f and 23.2f lie just above the decimal values as
    // doubles; as floats they sit on the thresholds and stay.
    const std::tuple<uint16_t, Volts, float, float> cases[] = {
        {12, &Doc::lvrVoltage, 24.8f, 12.4f},     {12, &Doc::lvrVoltage, 30.0f, 15.0f},
        {12, &Doc::lvrVoltage, 10.0f, 12.4f},     {12, &Doc::maxVout, 24.0f, 12.0f},
        {12, &Doc::lightOffVoltage, -1.0f, 6.0f}, {12, &Doc::remoteLevel, 22.2f, 22.2f},
        {24, &Doc::lvrVoltage, 12.4f, 24.8f},     {24, &Doc::maxVout, 12.0f, 24.0f},
        {24, &Doc::maxVout, 30.0f, 24.0f},        {24, &Doc::lightOnVoltage, 25.0f, 5.0f},
        {12, &Doc::low2Voltage, 11.6f, 11.6f},    {12, &Doc::lvrVoltage, 13.5f, 13.5f},
        {24, &Doc::low2Voltage, 23.2f, 23.2f},    {24, &Doc::lvrVoltage, 23.0f, 23.0f},
    };
    for (const auto& [volts, field, before, after] : cases) {
        CCfgDocument r;
        r.*field = before;
        EXPECT_TRUE(AdaptToSystemVoltage(r, volts));
        EXPECT_EQ(r.*field, after) << volts << " V from " << before;
    }
    // Temperature compensation: integer scaling toward zero, then out of range is replaced.
    // The last two saturate instead of overflowing.
    // clang-format off
    const std::tuple<uint16_t, int32_t, int32_t> temperatures[] = {
        {12, 60, 30}, {12, 45, 22}, {12, 35, 30}, {24, 25, 50}, {24, 15, 30}, {24, 30, 60},
        {24, INT32_MIN, INT32_MIN}, {24, -1073741825, INT32_MIN}};
    // clang-format on
    for (const auto& [volts, before, after] : temperatures) {
        CCfgDocument r;
        r.tempCompensation = before;
        AdaptToSystemVoltage(r, volts);
        EXPECT_EQ(r.tempCompensation, after) << volts << " V from " << before;
    }
    for (const uint16_t volts : {0, 6, 36, 48}) {  // no table: nothing changes
        CCfgDocument r = Unusual();
        r.lvrVoltage = 30.0f;
        const CCfgDocument before = r;
        EXPECT_FALSE(AdaptToSystemVoltage(r, volts));
        EXPECT_TRUE(r == before) << volts;
    }
}

// The editors as the windows would hand them over.
class TestEditors final : public IRecordEditors {
  public:
    std::vector<CTimeSectorData> ScheduleSectors() const override { return sectors; }
    PanelRecordValues PanelValues() const override { return panel; }
    std::vector<CTimeSectorData> sectors;
    PanelRecordValues panel;
};

TEST(CfgRecordCollect, CopiesTheEditorsMapsTheTextsAndLeavesTheRest) {
    // The mode codes as the controller read them (-1: never read), the battery type's text.
    const std::tuple<int, int, const char*, int, int, int> texts[] = {
        {2, 3, "鎳鎘電池", 2, 3, 1},
        {3, 2, "Lead-acid Battery", 3, 2, 5},
        {1, 1, "鉛酸電池", 1, 1, 5},
        {-1, -1, "Unknown", 0, 0, 6},  // matching no label: the defaults
        {0, 0, "", 0, 0, 6},           // texts are compared whole and case-sensitively
        {3, 0, "鎳鎘電池 ", 3, 0, 6},
    };
    TestEditors editors;
    editors.sectors = {{600, 900, 40}, {100, 200, 100}};  // list order, not time order
    editors.panel.lvrVoltage = 12.5f;
    editors.panel.low2Brightness = 20;
    editors.panel.autoDuration = {1, 2, 3, 4, 5, 6, 7, 8};
    const CCfgDocument before = Unusual();
    for (const auto& [mode, lighting, battery, modeCode, lightingCode, batteryCode] : texts) {
        editors.panel.operatingModeCode = mode;
        editors.panel.lightingTimeCode = lighting;
        editors.panel.batteryTypeText = battery;
        CCfgDocument r = Unusual();
        CollectIntoRecord(editors, r);
        EXPECT_EQ(r.operatingMode, modeCode) << mode;
        EXPECT_EQ(r.lightingTime, lightingCode) << lighting;
        EXPECT_EQ(r.batteryType, batteryCode) << battery;
        EXPECT_EQ(r.sectors, editors.sectors);
        EXPECT_EQ(r.sectorCount, 2);
        EXPECT_EQ(std::tie(r.lvrVoltage, r.low2Brightness, r.remoteLevelEnabled, r.autoDuration),
                  std::tie(editors.panel.lvrVoltage, editors.panel.low2Brightness,
                           editors.panel.remoteLevelEnabled, editors.panel.autoDuration));
        // vMode, ochtTime, dtTime, the window, the reserved fields and the file head stay.
        const auto kept = [](const CCfgDocument& d) {
            return std::tie(d.vMode, d.ochtTime, d.dtTime, d.windowLeft, d.windowBottom,
                            d.reservedWord, d.fileMagic, d.fileChecksum, d.reservedBytes);
        };
        EXPECT_TRUE(kept(r) == kept(before));
    }
}

}  // namespace
}  // namespace zelt

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "config/CfgRecord.h"

namespace zelt {
namespace {

using Doc = CCfgDocument;
using Volts = float Doc::*;

// The voltage fields a reset writes, with their 12 V and 24 V values.
const std::tuple<Volts, float, float> kResetColumns[] = {
    {&Doc::lvrVoltage, 12.4f, 24.8f},   {&Doc::lvdVoltage, 11.1f, 22.2f},
    {&Doc::fcvVoltage, 13.6f, 27.2f},   {&Doc::acvVoltage, 14.6f, 29.2f},
    {&Doc::low1Voltage, 11.8f, 23.6f},  {&Doc::low2Voltage, 11.4f, 22.8f},
    {&Doc::maxVout, 12.0f, 24.0f},      {&Doc::minVout, 8.0f, 16.0f},
    {&Doc::lightOnVoltage, 2.5f, 5.0f}, {&Doc::lightOffVoltage, 6.0f, 12.0f},
    {&Doc::remoteLevel, 11.1f, 22.2f},
};

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
    for (const auto& [field, at12, at24] : kResetColumns)
        r.*field = 0.5f;
    r.autoDuration.fill(4);
    r.autoBrightness.fill(5);
    r.reservedBytes.fill(0x5A);
    return r;
}

TEST(CfgRecordReset, WritesTheColumnOfTheSystemVoltageAndLeavesTheRest) {
    for (const uint16_t volts : {12, 24, 0}) {  // 0: not known yet, the 12 V column
        CCfgDocument expected = Unusual();      // head, window, vMode, ochtTime... stay
        expected.sectors = {{0, 1440, 100}};
        expected.sectorCount = 1;
        for (const auto& [field, at12, at24] : kResetColumns)
            expected.*field = volts == 24 ? at24 : at12;
        expected.tempCompensation = volts == 24 ? 60 : 30;
        expected.lowLevelEnabled = expected.pwmEnabled = 0;
        expected.low1Brightness = 40;
        expected.low2Brightness = 30;
        expected.batteryType = 5;
        expected.operatingMode = expected.lightingTime = 3;
        expected.dtTime = 60;
        expected.autoDuration.fill(180);
        expected.autoBrightness.fill(100);
        CCfgDocument r = Unusual();
        ApplyResetValues(r, volts);
        EXPECT_TRUE(r == expected) << volts << " V";
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
    const std::tuple<const char*, const char*, const char*, int, int, int> texts[] = {
        {"Manual", "6 小時", "鎳鎘電池", 2, 3, 1},
        {"Auto", "8 Hours", "Lead-acid Battery", 3, 2, 5},
        {"排程", "10 小時", "鉛酸電池", 1, 1, 5},
        {"自動", "12 小時", "Li-ion Battery", 3, 0, 6},
        {"", "12 Hours", "Unknown", 0, 0, 6},  // matching no label: the defaults
        {"auto", "6 hours", "", 0, 0, 6},      // texts are compared whole and case-sensitively
        {"Auto ", "保留", "鎳鎘電池 ", 0, 0, 6},
    };
    TestEditors editors;
    editors.sectors = {{600, 900, 40}, {100, 200, 100}};  // list order, not time order
    editors.panel.lvrVoltage = 12.5f;
    editors.panel.low2Brightness = 20;
    editors.panel.autoDuration = {1, 2, 3, 4, 5, 6, 7, 8};
    const CCfgDocument before = Unusual();
    for (const auto& [mode, lighting, battery, modeCode, lightingCode, batteryCode] : texts) {
        editors.panel.modeText = mode;
        editors.panel.lightingTimeText = lighting;
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

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/CfgCodes.h"
#include "config/CfgRecord.h"

namespace zelt {
namespace {

// The editors as the windows would hand them over.
class TestEditors final : public IRecordEditors {
  public:
    std::vector<CTimeSectorData> ScheduleSectors() const override { return sectors; }
    PanelRecordValues PanelValues() const override { return panel; }

    std::vector<CTimeSectorData> sectors;
    PanelRecordValues panel;
};

// A record whose fields all differ from the construction defaults and the reset values.
CCfgDocument Unusual() {
    CCfgDocument r;
    r.fileMagic = 7;
    r.fileVersion = 8;
    r.fileChecksum = 9;
    r.windowLeft = 11;
    r.windowTop = 12;
    r.windowRight = 13;
    r.windowBottom = 14;
    r.reservedWord = 15;
    r.sectors = {{5, 15, 50}, {20, 40, 60}, {50, 60, 70}};
    r.sectorCount = 3;
    r.vMode = 16;
    r.ochtTime = 17;
    r.dtTime = 18;
    r.remoteLevelEnabled = 1;
    r.pwmEnabled = 1;
    r.lowLevelEnabled = 1;
    r.operatingMode = 1;
    r.lightingTime = 1;
    r.batteryType = 1;
    r.reservedBytes.fill(0x5A);
    return r;
}

TEST(CfgRecordReset, WritesOneFullDaySectorAndTheTwelveVoltColumn) {
    CCfgDocument r = Unusual();
    ApplyResetValues(r, 12);
    ASSERT_EQ(r.sectors.size(), 1u);
    EXPECT_EQ(r.sectors[0], (CTimeSectorData{0, 1440, 100}));
    EXPECT_EQ(r.sectorCount, 1);
    EXPECT_EQ(r.lvrVoltage, 12.4f);
    EXPECT_EQ(r.lvdVoltage, 11.1f);
    EXPECT_EQ(r.fcvVoltage, 13.6f);
    EXPECT_EQ(r.acvVoltage, 14.6f);
    EXPECT_EQ(r.low1Voltage, 11.8f);
    EXPECT_EQ(r.low2Voltage, 11.4f);
    EXPECT_EQ(r.tempCompensation, 30);
    EXPECT_EQ(r.maxVout, 12.0f);
    EXPECT_EQ(r.minVout, 8.0f);
    EXPECT_EQ(r.lightOnVoltage, 2.5f);
    EXPECT_EQ(r.lightOffVoltage, 6.0f);
    EXPECT_EQ(r.remoteLevel, 11.1f);
    EXPECT_EQ(r.lowLevelEnabled, 0u);
    EXPECT_EQ(r.low1Brightness, 40);
    EXPECT_EQ(r.low2Brightness, 30);
    EXPECT_EQ(r.batteryType, 5);
    EXPECT_EQ(r.operatingMode, 3);
    EXPECT_EQ(r.lightingTime, 3);
    EXPECT_EQ(r.pwmEnabled, 0u);
    EXPECT_EQ(r.dtTime, 60);
    for (int step = 0; step < CCfgDocument::kAutoSteps; ++step) {
        EXPECT_EQ(r.autoDuration[step], 180);
        EXPECT_EQ(r.autoBrightness[step], 100);
    }
    // Left alone by the reset.
    const CCfgDocument before = Unusual();
    EXPECT_EQ(r.fileMagic, before.fileMagic);
    EXPECT_EQ(r.windowLeft, before.windowLeft);
    EXPECT_EQ(r.windowBottom, before.windowBottom);
    EXPECT_EQ(r.reservedWord, before.reservedWord);
    EXPECT_EQ(r.vMode, before.vMode);
    EXPECT_EQ(r.ochtTime, before.ochtTime);
    EXPECT_EQ(r.remoteLevelEnabled, before.remoteLevelEnabled);
    EXPECT_EQ(r.reservedBytes, before.reservedBytes);
}

TEST(CfgRecordReset, TwentyFourVoltColumnAndUnknownVoltageUsesTwelve) {
    CCfgDocument at24;
    ApplyResetValues(at24, 24);
    EXPECT_EQ(at24.lvrVoltage, 24.8f);
    EXPECT_EQ(at24.lvdVoltage, 22.2f);
    EXPECT_EQ(at24.fcvVoltage, 27.2f);
    EXPECT_EQ(at24.acvVoltage, 29.2f);
    EXPECT_EQ(at24.low1Voltage, 23.6f);
    EXPECT_EQ(at24.low2Voltage, 22.8f);
    EXPECT_EQ(at24.tempCompensation, 60);
    EXPECT_EQ(at24.maxVout, 24.0f);
    EXPECT_EQ(at24.minVout, 16.0f);
    EXPECT_EQ(at24.lightOnVoltage, 5.0f);
    EXPECT_EQ(at24.lightOffVoltage, 12.0f);
    EXPECT_EQ(at24.remoteLevel, 22.2f);

    CCfgDocument unknown;
    CCfgDocument at12;
    ApplyResetValues(unknown, 0);
    ApplyResetValues(at12, 12);
    EXPECT_EQ(unknown, at12);
}

TEST(CfgRecordReset, CommandSettlesTheVoltageFirstAndRefreshesLast) {
    CMainApp app;
    app.savedToController = 0;
    app.savedToFile = 1;
    int settled = 0;
    bool refreshedWithResetValues = false;
    ResetHooks hooks;
    hooks.settleSystemVoltage = [&] {
        ++settled;
        app.systemVoltage = 24;  // the controller answered
    };
    hooks.refresh = [&] { refreshedWithResetValues = app.config.lvrVoltage == 24.8f; };
    ResetToDefault(app, hooks);
    EXPECT_EQ(settled, 1);
    EXPECT_TRUE(refreshedWithResetValues);
    EXPECT_EQ(app.savedToController, 0u);
    EXPECT_EQ(app.savedToFile, 1u);

    // Once the voltage is known the status read is not run again.
    ResetToDefault(app, hooks);
    EXPECT_EQ(settled, 1);

    // No controller answering: the 12 V values.
    CMainApp offline;
    ResetToDefault(offline, ResetHooks{[] {}, nullptr});
    EXPECT_EQ(offline.config.lvrVoltage, 12.4f);
}

TEST(CfgRecordAdapt, TwelveVoltExamples) {
    CCfgDocument r;
    r.lvrVoltage = 24.8f;
    r.tempCompensation = 60;
    r.maxVout = 24.0f;
    r.lightOffVoltage = -1.0f;
    r.remoteLevel = 22.2f;
    EXPECT_TRUE(AdaptToSystemVoltage(r, 12));
    EXPECT_EQ(r.lvrVoltage, 12.4f);
    EXPECT_EQ(r.tempCompensation, 30);
    EXPECT_EQ(r.maxVout, 12.0f);
    EXPECT_EQ(r.lightOffVoltage, 6.0f);
    EXPECT_EQ(r.remoteLevel, 22.2f);  // never adapted

    r.lvrVoltage = 30.0f;  // halved once, then in range
    AdaptToSystemVoltage(r, 12);
    EXPECT_EQ(r.lvrVoltage, 15.0f);
    r.lvrVoltage = 10.0f;
    AdaptToSystemVoltage(r, 12);
    EXPECT_EQ(r.lvrVoltage, 12.4f);
    r.tempCompensation = 45;  // integer halving toward zero, then below 20 is replaced
    AdaptToSystemVoltage(r, 12);
    EXPECT_EQ(r.tempCompensation, 22);
    r.tempCompensation = 35;
    AdaptToSystemVoltage(r, 12);
    EXPECT_EQ(r.tempCompensation, 30);
}

TEST(CfgRecordAdapt, TwentyFourVoltExamples) {
    CCfgDocument r;
    r.maxVout = 12.0f;
    EXPECT_TRUE(AdaptToSystemVoltage(r, 24));
    EXPECT_EQ(r.lvrVoltage, 24.8f);
    EXPECT_EQ(r.maxVout, 24.0f);
    EXPECT_EQ(r.tempCompensation, 60);
    r.maxVout = 30.0f;
    r.tempCompensation = 25;
    AdaptToSystemVoltage(r, 24);
    EXPECT_EQ(r.maxVout, 24.0f);
    EXPECT_EQ(r.tempCompensation, 50);
    r.tempCompensation = 15;
    AdaptToSystemVoltage(r, 24);
    EXPECT_EQ(r.tempCompensation, 30);
    r.lightOnVoltage = 25.0f;
    AdaptToSystemVoltage(r, 24);
    EXPECT_EQ(r.lightOnVoltage, 5.0f);
}

TEST(CfgRecordAdapt, ThresholdsAreStrictAndSinglePrecision) {
    // 11.6f and 23.2f lie just above the decimal values as doubles; compared as floats they
    // sit exactly on the thresholds and stay.
    CCfgDocument r;
    r.low2Voltage = 11.6f;
    r.lvrVoltage = 13.5f;
    r.low1Voltage = 11.8f;
    AdaptToSystemVoltage(r, 12);
    EXPECT_EQ(r.low2Voltage, 11.6f);
    EXPECT_EQ(r.lvrVoltage, 13.5f);
    EXPECT_EQ(r.low1Voltage, 11.8f);

    r.low2Voltage = 23.2f;
    r.low1Voltage = 23.6f;
    r.lvrVoltage = 23.0f;
    AdaptToSystemVoltage(r, 24);
    EXPECT_EQ(r.low2Voltage, 23.2f);
    EXPECT_EQ(r.low1Voltage, 23.6f);
    EXPECT_EQ(r.lvrVoltage, 23.0f);
    r.low2Voltage = 21.6f;
    AdaptToSystemVoltage(r, 24);
    EXPECT_EQ(r.low2Voltage, 21.6f);
}

TEST(CfgRecordAdapt, OtherVoltagesChangeNothing) {
    for (const uint16_t volts : {0, 6, 36, 48}) {
        CCfgDocument r = Unusual();
        r.lvrVoltage = 30.0f;
        const CCfgDocument before = r;
        EXPECT_FALSE(AdaptToSystemVoltage(r, volts));
        EXPECT_EQ(r, before);
    }
}

TEST(CfgRecordCollect, CopiesSectorsAndPanelAndMapsTheTexts) {
    TestEditors editors;
    editors.sectors = {{600, 900, 40}, {100, 200, 100}};  // list order, not time order
    PanelRecordValues& p = editors.panel;
    p.lvrVoltage = 12.5f;
    p.lvdVoltage = 11.2f;
    p.fcvVoltage = 13.7f;
    p.acvVoltage = 14.7f;
    p.lowLevelEnabled = 1;
    p.low1Voltage = 11.9f;
    p.low2Voltage = 11.5f;
    p.low1Brightness = 50;
    p.low2Brightness = 20;
    p.tempCompensation = 33;
    p.pwmEnabled = 1;
    p.maxVout = 13.0f;
    p.minVout = 9.0f;
    p.lightOnVoltage = 3.0f;
    p.lightOffVoltage = 7.0f;
    p.remoteLevel = 11.3f;
    p.remoteLevelEnabled = 1;
    p.modeText = "Manual";
    p.lightingTimeText = "6 小時";
    p.batteryTypeText = "鎳鎘電池";
    p.autoDuration = {1, 2, 3, 4, 5, 6, 7, 8};
    p.autoBrightness = {10, 20, 30, 40, 50, 60, 70, 80};

    CCfgDocument r = Unusual();
    const CCfgDocument before = r;
    CollectIntoRecord(editors, r);

    EXPECT_EQ(r.sectors, editors.sectors);
    EXPECT_EQ(r.sectorCount, 2);
    EXPECT_EQ(r.lvrVoltage, 12.5f);
    EXPECT_EQ(r.acvVoltage, 14.7f);
    EXPECT_EQ(r.low2Brightness, 20);
    EXPECT_EQ(r.tempCompensation, 33);
    EXPECT_EQ(r.lightOffVoltage, 7.0f);
    EXPECT_EQ(r.remoteLevel, 11.3f);
    EXPECT_EQ(r.operatingMode, 2);
    EXPECT_EQ(r.lightingTime, 3);
    EXPECT_EQ(r.batteryType, 1);
    EXPECT_EQ(r.autoDuration, p.autoDuration);
    EXPECT_EQ(r.autoBrightness, p.autoBrightness);
    // Left alone by the collect step.
    EXPECT_EQ(r.vMode, before.vMode);
    EXPECT_EQ(r.ochtTime, before.ochtTime);
    EXPECT_EQ(r.dtTime, before.dtTime);
    EXPECT_EQ(r.windowLeft, before.windowLeft);
    EXPECT_EQ(r.windowTop, before.windowTop);
    EXPECT_EQ(r.reservedWord, before.reservedWord);
    EXPECT_EQ(r.reservedBytes, before.reservedBytes);
    EXPECT_EQ(r.fileMagic, before.fileMagic);
    EXPECT_EQ(r.fileChecksum, before.fileChecksum);

    // Texts that match no label, in either language.
    editors.panel.modeText = "";
    editors.panel.lightingTimeText = "12 Hours";
    editors.panel.batteryTypeText = "Unknown";
    editors.sectors.clear();
    CollectIntoRecord(editors, r);
    EXPECT_EQ(r.operatingMode, 0);
    EXPECT_EQ(r.lightingTime, 0);
    EXPECT_EQ(r.batteryType, 6);
    EXPECT_TRUE(r.sectors.empty());
    EXPECT_EQ(r.sectorCount, 0);
}

TEST(CfgRecordCodes, TextsMapWholeAndCaseSensitively) {
    EXPECT_EQ(OperatingModeFromText("Auto"), 3);
    EXPECT_EQ(OperatingModeFromText("自動"), 3);
    EXPECT_EQ(OperatingModeFromText("排程"), 1);
    EXPECT_EQ(OperatingModeFromText("auto"), 0);
    EXPECT_EQ(OperatingModeFromText("Auto "), 0);
    EXPECT_EQ(OperatingModeFromText("保留"), 0);
    EXPECT_EQ(LightingTimeFromText("8 Hours"), 2);
    EXPECT_EQ(LightingTimeFromText("10 小時"), 1);
    EXPECT_EQ(LightingTimeFromText("12 小時"), 0);
    EXPECT_EQ(BatteryTypeFromText("Lead-acid Battery"), 5);
    EXPECT_EQ(BatteryTypeFromText("鉛酸電池"), 5);
    EXPECT_EQ(BatteryTypeFromText("Li-ion Battery"), 6);
    EXPECT_EQ(BatteryTypeFromText(""), 6);
}

TEST(CfgRecordCodes, LabelsReadBackToTheirCodesInBothLanguages) {
    for (const bool english : {true, false}) {
        for (const uint8_t code : {0, 1, 2, 3}) {
            EXPECT_EQ(OperatingModeFromText(OperatingModeLabel(code, english)), code);
            EXPECT_EQ(LightingTimeFromText(LightingTimeLabel(code, english)), code);
        }
        for (const uint8_t code : {1, 5, 6}) {
            EXPECT_EQ(BatteryTypeFromText(BatteryTypeLabel(code, english)), code);
        }
        // Codes outside the tables show their table's fallback.
        EXPECT_STREQ(BatteryTypeLabel(2, english), BatteryTypeLabel(6, english));
        EXPECT_STREQ(OperatingModeLabel(9, english), OperatingModeLabel(0, english));
        EXPECT_STREQ(LightingTimeLabel(200, english), LightingTimeLabel(0, english));
    }
    EXPECT_STREQ(OperatingModeLabel(0, true), "Reserved");
    EXPECT_STREQ(LightingTimeLabel(0, false), "12 小時");
    EXPECT_STREQ(BatteryTypeLabel(2, false), "鋰電池");
}

}  // namespace
}  // namespace zelt

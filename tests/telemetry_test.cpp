#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "link/Telemetry.h"

namespace zelt {
namespace {

namespace fs = std::filesystem;

TEST(StateOfCharge, BandsOnTwelveAndTwentyFourVolts) {
    // clang-format off
    const struct {
        float volts;
        int system, percent;
    } rows[] = {
        {12.46f, 12, 85},  // 80 + 0.04 / 0.008
        {12.7f, 12, 100}, {12.5f, 12, 90}, {10.5f, 12, 0}, {10.4f, 12, 0},
        {12.46f, 0, 85},  // before the first status read the system voltage is 0
        {25.0f, 24, 90}, {25.2f, 24, 100}, {12.7f, 24, 0},
        // One row per band, 3.1 slopes above its threshold on 12 V and 3.9 on 24 V: a
        // threshold moved by 0.01 V up shows on 12 V, moved down on 24 V.
        {12.531f, 12, 93}, {25.078f, 24, 93}, {12.445f, 12, 83}, {24.902f, 24, 83},
        {12.351f, 12, 73}, {24.718f, 24, 73}, {12.237f, 12, 63}, {24.494f, 24, 63},
        {12.103f, 12, 53}, {24.229f, 24, 53}, {11.95f, 12, 43}, {23.925f, 24, 43},
        {11.796f, 12, 33}, {23.617f, 24, 33}, {11.633f, 12, 23}, {23.293f, 24, 23},
        {11.394f, 12, 13}, {22.831f, 24, 13}, {10.751f, 12, 3}, {21.632f, 24, 3},
    };
    // clang-format on
    for (const auto& row : rows) {
        EXPECT_EQ(row.percent, StateOfCharge(row.volts, row.system)) << row.volts;
    }
    // Rises steadily across every band, 24 V reading twice the 12 V volts.
    int previous = 0;
    for (int centivolts = 1000; centivolts <= 1300; ++centivolts) {
        const float volts = static_cast<float>(centivolts) / 100.0f;
        const int percent = StateOfCharge(volts, 12);
        ASSERT_TRUE(percent >= previous && percent - previous <= 2 && percent <= 100) << volts;
        EXPECT_EQ(percent, StateOfCharge(volts * 2.0f, 24)) << volts;
        previous = percent;
    }
    EXPECT_FALSE(IsOverVoltage(30.0f, 24));  // a 24 V system never is
}

TEST(LiveCounts, DigitsAndBytesGiveTheSameCountAndAZeroDivisorFallsBack) {
    EXPECT_EQ(255, VoltageCountFromDigits(0x3, 0xF, 0xF));
    EXPECT_EQ(255, VoltageCountFromBytes(0x3F, 0xC0));
    EXPECT_EQ(1023, VoltageCountFromBytes(0xFF, 0xFF));
    EXPECT_DOUBLE_EQ(SenseCurrent(300, 213, 213), SenseCurrent(300, 0, 213));
    EXPECT_EQ(0.0, SenseCurrent(300, 0, 0));
}

TEST(MfgIni, MissingPartialOrUnusableDivisorsFallBackToTheDefaults) {
    char pattern[] = "/tmp/zelt_mfg_XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    const std::string folder = pattern;
    const struct {
        const char* text;  // nullptr: no file
        uint32_t charge, load;
    } rows[] = {
        {nullptr, 172, 213},
        {"; calibration\r\n[Current Divisor]\r\nCharge=180\r\nLoad=200\r\n", 180, 200},
        // Names ignore case and blanks; Load here belongs to another section.
        {"[Other]\nCharge=99\n[ current divisor ]\n  charge = 150  \n[Next]\nLoad=300\n", 150, 213},
        {"\xEF\xBB\xBF[Current Divisor]\nCharge=250mA\nLoad=\"190\"\n", 250, 190},  // BOM
        {"[Current Divisor]\nCharge=0\nLoad=-5\n", 172, 213},
        {"[Current Divisor]\nCharge=abc\nLoad=\n", 172, 213},
    };
    for (const auto& row : rows) {
        if (row.text != nullptr) {
            std::ofstream(folder + "/MFG.ini", std::ios::binary) << row.text;
        }
        const CurrentDivisors d = ReadCurrentDivisors(folder);  // no trailing slash needed
        EXPECT_EQ(row.charge, d.charge) << (row.text ? row.text : "no file");
        EXPECT_EQ(row.load, d.load) << (row.text ? row.text : "no file");
    }
    fs::remove_all(folder);
}

TEST(ControllerClock, StepCorrectsSmallDriftsAndWraps) {
    const struct {
        TimeOfDay rtc, pc;
        bool setAsPcTime;
        int drift;
        TimeOfDay after;
        bool corrected, send;
    } rows[] = {
        {{10, 15, 54}, {10, 15, 56}, true, 1, {10, 15, 56}, true, false},
        {{10, 15, 54}, {10, 15, 58}, true, 3, {10, 15, 58}, true, true},
        {{10, 15, 54}, {10, 15, 58}, false, 3, {10, 15, 58}, true, false},
        {{10, 15, 54}, {10, 15, 52}, true, 3, {10, 15, 52}, true, true},  // PC behind
        {{10, 15, 54}, {10, 15, 49}, true, 6, {10, 15, 55}, false, false},
        {{10, 15, 54}, {10, 16, 57}, true, 2, {10, 15, 55}, false, false},  // minutes differ
        {{10, 15, 54}, {11, 15, 57}, true, 2, {10, 15, 55}, false, false},  // hours differ
        {{10, 59, 59}, {11, 0, 0}, true, 0, {11, 0, 0}, false, false},
        {{23, 59, 59}, {0, 0, 3}, true, 3, {0, 0, 3}, true, true},
        {{23, 59, 59}, {23, 59, 58}, true, 58, {0, 0, 0}, false, false},  // copy wrapped
    };
    for (const auto& row : rows) {
        const ClockStep step = StepControllerClock(row.rtc, row.pc, row.setAsPcTime);
        EXPECT_EQ(row.drift, step.drift) << row.rtc.second << " " << row.pc.second;
        EXPECT_EQ(row.after, step.rtc) << row.rtc.second << " " << row.pc.second;
        EXPECT_EQ(row.corrected, step.corrected) << row.rtc.second << " " << row.pc.second;
        EXPECT_EQ(row.send, step.sendRtc) << row.rtc.second << " " << row.pc.second;
    }
}

}  // namespace
}  // namespace zelt

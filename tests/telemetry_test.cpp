#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "link/Telemetry.h"
#include "link/Trace.h"

namespace zelt {
namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------
// Battery

TEST(StateOfCharge, TwelveVoltBands) {
    EXPECT_EQ(85, StateOfCharge(12.46f, 12));  // 80 + 0.04 / 0.008
    EXPECT_EQ(100, StateOfCharge(12.7f, 12));
    EXPECT_EQ(100, StateOfCharge(12.6f, 12));
    EXPECT_EQ(90, StateOfCharge(12.5f, 12));
    EXPECT_EQ(80, StateOfCharge(12.42f, 12));
    EXPECT_EQ(46, StateOfCharge(12.0f, 12));  // 40 + 0.1 / 0.016 = 46.25
    EXPECT_EQ(10, StateOfCharge(11.31f, 12));
    EXPECT_EQ(0, StateOfCharge(10.5f, 12));
    EXPECT_EQ(0, StateOfCharge(10.4f, 12));
    EXPECT_EQ(0, StateOfCharge(0.0f, 12));
    // Before the first status read the system voltage is 0: the 12 V table applies.
    EXPECT_EQ(85, StateOfCharge(12.46f, 0));
}

TEST(StateOfCharge, TwentyFourVoltDoublesThresholdsAndSlopes) {
    EXPECT_EQ(90, StateOfCharge(25.0f, 24));
    EXPECT_EQ(83, StateOfCharge(24.9f, 24));  // 80 + 0.06 / 0.016, truncated
    EXPECT_EQ(100, StateOfCharge(25.2f, 24));
    EXPECT_EQ(85, StateOfCharge(24.92f, 24));
    EXPECT_EQ(0, StateOfCharge(20.9f, 24));
    EXPECT_EQ(100, StateOfCharge(12.7f, 12));
    EXPECT_EQ(0, StateOfCharge(12.7f, 24));  // a 12 V reading is flat on a 24 V system
}

TEST(StateOfCharge, RisesSteadilyAcrossEveryBand) {
    int previous = 0;
    for (int centivolts = 1000; centivolts <= 1300; ++centivolts) {
        const float volts = static_cast<float>(centivolts) / 100.0f;
        const int state = StateOfCharge(volts, 12);
        ASSERT_GE(state, previous) << volts;
        ASSERT_LE(state, 100) << volts;
        // No band jumps more than a couple of percent from one centivolt to the next.
        ASSERT_LE(state - previous, 2) << volts;
        previous = state;
        EXPECT_EQ(state, StateOfCharge(volts * 2.0f, 24)) << volts;
    }
}

TEST(OverVoltage, OnlyTwelveVoltSystemsAboveEighteenVolts) {
    EXPECT_FALSE(IsOverVoltage(18.0f, 12));
    EXPECT_TRUE(IsOverVoltage(18.1f, 12));
    EXPECT_FALSE(IsOverVoltage(30.0f, 24));
    EXPECT_FALSE(IsOverVoltage(30.0f, 0));
}

// ---------------------------------------------------------------------------------------
// Counts and currents

TEST(LiveCounts, DigitsAndBytesGiveTheSameTenBitCount) {
    EXPECT_EQ(255, VoltageCountFromDigits(0x3, 0xF, 0xF));
    EXPECT_EQ(255, VoltageCountFromBytes(0x3F, 0xC0));
    EXPECT_EQ(1023, VoltageCountFromDigits(0xF, 0xF, 0xF));
    EXPECT_EQ(1023, VoltageCountFromBytes(0xFF, 0xFF));
    EXPECT_EQ(0, VoltageCountFromBytes(0x00, 0x3F));  // the low six bits are not counted
    EXPECT_EQ(512, VoltageCountFromDigits(0x8, 0x0, 0x0));
}

TEST(LiveCounts, CurrentIsSenseMillivoltsPerDivisor) {
    EXPECT_DOUBLE_EQ(5.0, SenseVolts(1023));
    EXPECT_NEAR(5000.0 / 172, SenseCurrent(1023, 172, 172), 1e-9);
    EXPECT_NEAR(5000.0 / 213 / 2, SenseCurrent(1023, 426, 213), 1e-9);
    // An unset divisor falls back instead of dividing by zero.
    EXPECT_DOUBLE_EQ(SenseCurrent(300, 213, 213), SenseCurrent(300, 0, 213));
    EXPECT_EQ(0.0, SenseCurrent(300, 0, 0));
}

TEST(LiveCounts, LoadCurrentBelowOneAmpShowsZeroWhileTheLoadIsOff) {
    const double amps = SenseCurrent(31, kDefaultLoadDivisor, kDefaultLoadDivisor);
    EXPECT_EQ("0.7", StrF("%0.1f", amps));
    EXPECT_EQ("0.0", StrF("%0.1f", LoadCurrentShown(amps, false)));
    EXPECT_EQ("0.7", StrF("%0.1f", LoadCurrentShown(amps, true)));
    EXPECT_EQ(1.0, LoadCurrentShown(1.0, false));
    EXPECT_EQ(2.5, LoadCurrentShown(2.5, false));
}

// ---------------------------------------------------------------------------------------
// MFG.ini

class MfgIni : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/zelt_mfg_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }

    void Write(const std::string& text) {
        std::ofstream(folder_ + "/MFG.ini", std::ios::binary) << text;
    }
    CurrentDivisors Read() { return ReadCurrentDivisors(folder_ + "/"); }

    std::string folder_;
};

TEST_F(MfgIni, MissingFileGivesDefaults) {
    const CurrentDivisors d = Read();
    EXPECT_EQ(172u, d.charge);
    EXPECT_EQ(213u, d.load);
}

TEST_F(MfgIni, BothKeysPresent) {
    Write("; factory calibration\r\n[Current Divisor]\r\nCharge=180\r\nLoad=200\r\n");
    const CurrentDivisors d = Read();
    EXPECT_EQ(180u, d.charge);
    EXPECT_EQ(200u, d.load);
    // The folder may also come without its trailing slash.
    EXPECT_EQ(180u, ReadCurrentDivisors(folder_).charge);
}

TEST_F(MfgIni, NamesIgnoreCaseAndBlanksAndAMissingKeyKeepsItsDefault) {
    Write("[Other]\nCharge=99\n\n[ current divisor ]\n  charge = 150  \n[Next]\nLoad=300\n");
    const CurrentDivisors d = Read();
    EXPECT_EQ(150u, d.charge);
    EXPECT_EQ(213u, d.load);  // Load belongs to another section
}

TEST_F(MfgIni, ValueIsItsLeadingInteger) {
    Write("[Current Divisor]\nCharge=250mA\nLoad=\"190\"\n");
    const CurrentDivisors d = Read();
    EXPECT_EQ(250u, d.charge);
    EXPECT_EQ(190u, d.load);
}

TEST_F(MfgIni, UnusableDivisorsFallBackToTheDefaults) {
    Write("[Current Divisor]\nCharge=0\nLoad=-5\n");
    CurrentDivisors d = Read();
    EXPECT_EQ(172u, d.charge);
    EXPECT_EQ(213u, d.load);

    Write("[Current Divisor]\nCharge=abc\nLoad=\n");
    d = Read();
    EXPECT_EQ(172u, d.charge);
    EXPECT_EQ(213u, d.load);
}

TEST_F(MfgIni, ProfileIntReadsAnyKey) {
    Write("\xEF\xBB\xBF[A]\nx=7\nx=8\n[a]\ny=9\n");
    const std::string path = folder_ + "/MFG.ini";
    EXPECT_EQ(7, ReadProfileInt(path, "a", "X", -1));   // first key wins
    EXPECT_EQ(-1, ReadProfileInt(path, "A", "y", -1));  // only the first section counts
    EXPECT_EQ(-1, ReadProfileInt(path, "B", "x", -1));
    EXPECT_EQ(-1, ReadProfileInt(folder_ + "/none.ini", "A", "x", -1));
}

TEST(ExecutableFolder, IsTheAbsoluteFolderOfThisProgram) {
    const std::string folder = ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ('/', folder.front());
    EXPECT_EQ('/', folder.back());
    EXPECT_EQ(fs::canonical("/proc/self/exe").parent_path(), fs::path(folder).parent_path());
}

// ---------------------------------------------------------------------------------------
// Controller clock copy

TEST(ControllerClock, AdvancesWithWraps) {
    EXPECT_EQ((TimeOfDay{10, 15, 55}), NextSecond({10, 15, 54}));
    EXPECT_EQ((TimeOfDay{10, 16, 0}), NextSecond({10, 15, 59}));
    EXPECT_EQ((TimeOfDay{11, 0, 0}), NextSecond({10, 59, 59}));
    EXPECT_EQ((TimeOfDay{0, 0, 0}), NextSecond({23, 59, 59}));
}

TEST(ControllerClock, DriftOfThreeIsCorrectedAndSentWhenAsked) {
    ClockStep step = StepControllerClock({10, 15, 54}, {10, 15, 58}, true);
    EXPECT_EQ(3, step.drift);
    EXPECT_EQ((TimeOfDay{10, 15, 58}), step.rtc);
    EXPECT_TRUE(step.corrected);
    EXPECT_TRUE(step.sendRtc);

    step = StepControllerClock({10, 15, 54}, {10, 15, 58}, false);
    EXPECT_EQ((TimeOfDay{10, 15, 58}), step.rtc);
    EXPECT_FALSE(step.sendRtc);

    // The PC running behind is the same drift.
    step = StepControllerClock({10, 15, 54}, {10, 15, 52}, true);
    EXPECT_EQ(3, step.drift);
    EXPECT_EQ((TimeOfDay{10, 15, 52}), step.rtc);
    EXPECT_TRUE(step.sendRtc);
}

TEST(ControllerClock, DriftOfOneIsCorrectedButNeverSent) {
    const ClockStep step = StepControllerClock({10, 15, 54}, {10, 15, 56}, true);
    EXPECT_EQ(1, step.drift);
    EXPECT_EQ((TimeOfDay{10, 15, 56}), step.rtc);
    EXPECT_TRUE(step.corrected);
    EXPECT_FALSE(step.sendRtc);
}

TEST(ControllerClock, LargeDriftsAndMinuteDifferencesAreLeftAlone) {
    ClockStep step = StepControllerClock({10, 15, 54}, {10, 15, 49}, true);
    EXPECT_EQ(6, step.drift);
    EXPECT_EQ((TimeOfDay{10, 15, 55}), step.rtc);
    EXPECT_FALSE(step.corrected);
    EXPECT_FALSE(step.sendRtc);

    step = StepControllerClock({10, 15, 54}, {10, 16, 57}, true);
    EXPECT_EQ((TimeOfDay{10, 15, 55}), step.rtc);
    EXPECT_FALSE(step.corrected);
    EXPECT_FALSE(step.sendRtc);

    step = StepControllerClock({10, 15, 54}, {11, 15, 57}, true);  // hours differ
    EXPECT_FALSE(step.corrected);

    step = StepControllerClock({10, 15, 54}, {10, 15, 55}, true);  // in step
    EXPECT_EQ(0, step.drift);
    EXPECT_FALSE(step.corrected);
}

TEST(ControllerClock, ComparesAfterTheMidnightWrap) {
    ClockStep step = StepControllerClock({23, 59, 59}, {0, 0, 3}, true);
    EXPECT_EQ(3, step.drift);
    EXPECT_EQ((TimeOfDay{0, 0, 3}), step.rtc);
    EXPECT_TRUE(step.sendRtc);

    // The PC still before midnight: the copy has wrapped, the hours differ, nothing happens.
    step = StepControllerClock({23, 59, 59}, {23, 59, 58}, true);
    EXPECT_EQ((TimeOfDay{0, 0, 0}), step.rtc);
    EXPECT_FALSE(step.corrected);
}

}  // namespace
}  // namespace zelt

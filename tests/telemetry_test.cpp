// The state-of-charge bands, live counts, MFG.ini and the clock step as pure rules; then the
// status read, the live readings and the whole poll against the scripted line.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "link/Telemetry.h"
#include "policy/Poll.h"
#include "support/ControllerFixture.h"
#include "support/TestEnv.h"

namespace zelt::testing {
namespace {

// Each band's edge, just either side of it and one and a half steps into it, on 12 V (also
// before the first status read, system voltage 0) and on 24 V (every volt doubled).
TEST(StateOfCharge, BandEdgesOnTwelveAndTwentyFourVolts) {
    const struct {
        double edge;
        int percent;
        double voltsPerPercent;
    } bands[] = {{12.6, 100, 0},     {12.5, 90, 0.01},   {12.42, 80, 0.008}, {12.32, 70, 0.01},
                 {12.2, 60, 0.012},  {12.06, 50, 0.014}, {11.9, 40, 0.016},  {11.75, 30, 0.015},
                 {11.58, 20, 0.017}, {11.31, 10, 0.027}, {10.5, 0, 0.081}};
    for (const int system : {0, 12, 24}) {
        const double n = system == 24 ? 2 : 1;
        for (const auto& band : bands) {
            const auto at = [&](double volts) {
                return StateOfCharge(static_cast<float>(volts * n), system);
            };
            EXPECT_EQ(at(band.edge - 0.002), std::max(band.percent - 1, 0)) << band.edge << system;
            EXPECT_EQ(at(band.edge + 0.002), band.percent) << band.edge << system;
            EXPECT_EQ(at(band.edge + 1.5 * band.voltsPerPercent),
                      band.percent + (band.percent < 100))
                << band.edge << system;
        }
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
    EXPECT_FALSE(IsOverVoltage(17.99f, 12));
    EXPECT_TRUE(IsOverVoltage(18.11f, 12));
}

// The readings below decode both forms; here the low bits of the second byte and the divisor.
TEST(LiveCounts, LowBitsAreIgnoredAndAZeroDivisorFallsBack) {
    EXPECT_EQ(1023, VoltageCountFromBytes(0xFF, 0xFF));
    EXPECT_DOUBLE_EQ(SenseCurrent(300, 213, 213), SenseCurrent(300, 0, 213));
    EXPECT_EQ(0.0, SenseCurrent(300, 0, 0));
}

TEST(MfgIni, MissingPartialOrUnusableDivisorsFallBackToTheDefaults) {
    const ScratchFolder scratch;
    const std::string folder = scratch.path.string();
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
        {"[Current Divisor]\nCharge=4294967295\nLoad=4294967296\n", 4294967295u, 213},
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
    // The sample the Windows package installs holds the factory divisors, and they are read.
    EXPECT_EQ(kDefaultChargeDivisor,
              ReadProfileInt(ZELT_MFG_SAMPLE, "Current Divisor", "Charge", 0));
    EXPECT_EQ(kDefaultLoadDivisor, ReadProfileInt(ZELT_MFG_SAMPLE, "Current Divisor", "Load", 0));
}

// The shown clock follows the PC's seconds from the last read, across midnight, whatever ticks
// were missed; only a real read 2..5 s off within the same minute is worth a write.
TEST(ControllerClock, CarriedForwardAndDriftWorthCorrecting) {
    const struct {
        TimeOfDay read, pcAtRead, pcNow, shown;
    } carried[] = {
        {{10, 15, 54}, {10, 15, 56}, {10, 16, 20}, {10, 16, 18}},  // 24 s later, 24 missed ticks
        {{23, 59, 58}, {23, 59, 59}, {0, 0, 4}, {0, 0, 3}},        // across midnight
        {{0, 0, 2}, {23, 59, 59}, {23, 59, 59}, {0, 0, 2}},
    };
    for (const auto& row : carried) {
        EXPECT_EQ(row.shown, CarriedForward(row.read, row.pcAtRead, row.pcNow)) << row.pcNow.second;
    }
    const struct {
        TimeOfDay controller, pc;
        bool setAsPcTime, worth;
    } drifts[] = {
        {{10, 15, 54}, {10, 15, 55}, true, false},  // 1 s: jitter
        {{10, 15, 54}, {10, 15, 56}, true, true},   {{10, 15, 54}, {10, 15, 49}, true, true},
        {{10, 15, 54}, {10, 15, 48}, true, false},   // 6 s: left to the user
        {{10, 15, 54}, {10, 15, 57}, false, false},  // "Set as user time"
        {{10, 15, 54}, {10, 16, 57}, true, false},  {{10, 15, 54}, {11, 15, 57}, true, false},
    };
    for (const auto& row : drifts) {
        EXPECT_EQ(row.worth, ClockWorthCorrecting(row.controller, row.pc, row.setAsPcTime))
            << row.pc.second;
    }
}

class TelemetryBothModes : public ::testing::TestWithParam<Framing> {
  protected:
    TelemetryBothModes() : f(GetParam()) {}
    // The last request: its text in RS232, else whether it is the RS485 read of address.
    bool Asked(const char* text, int address, uint8_t count) const {
        return f.Rs232() ? f.LastText() == text : f.requests.back() == ReadFrame(address, count);
    }
    ControllerFixture f;
};

ZELT_IN_BOTH_FRAMINGS(TelemetryBothModes);

// A live reading of count, as a voltage word.
Bytes Word(int count) {
    return {static_cast<uint8_t>(count / 4), static_cast<uint8_t>((count & 3) * 64)};
}

TEST_P(TelemetryBothModes, StatusSetsSystemVoltageScaleAndFlags) {
    ControllerStatus status;
    f.AnswerRead({0x44});  // 24 V, load on
    ASSERT_EQ(f.ctl.GetStatus(&status), 1);
    EXPECT_TRUE(Asked("Q3\r", 0x0104, 1));
    EXPECT_EQ(status.systemVoltage, 24);
    EXPECT_TRUE(status.loadOn);
    EXPECT_FALSE(status.batteryFailed);
    EXPECT_EQ(f.ctl.Scale().systemVoltage, 24);
    EXPECT_DOUBLE_EQ(f.ctl.Scale().voltsPerCount, 49.0 / 1024);
    EXPECT_EQ(f.link.trace.lines.back(), "< Firmware turn ON load >\n");
    f.AnswerRead({0x08});  // 12 V, load off, battery failed
    ASSERT_EQ(f.ctl.GetStatus(&status), 1);
    EXPECT_EQ(f.link.trace.lines.back(), "< Firmware turn OFF load >\n");
    EXPECT_FALSE(status.loadOn);
    EXPECT_TRUE(status.batteryFailed);
    f.AnswerRead({0x40});
    ASSERT_EQ(f.ctl.GetStatus(&status), 1);
    f.AnswerNothing();  // a failed read changes nothing
    EXPECT_EQ(f.ctl.GetStatus(&status), 0);
    EXPECT_EQ(f.ctl.Scale().systemVoltage, 24);
    EXPECT_EQ(status.systemVoltage, 24);

    // Firmware 4 and above reads on a new scale, in RS232 only.
    for (const auto& [firmware, code, rs232Scale, rs485Scale] :
         {std::tuple{4, 0x00, 35.0, 24.5}, {4, 0x40, 70.5, 49.0}, {3, 0, 24.5, 24.5}}) {
        f.Teach(code == 0x40 ? 24 : 12, firmware);
        EXPECT_DOUBLE_EQ(f.ctl.Scale().voltsPerCount, (f.Rs232() ? rs232Scale : rs485Scale) / 1024);
    }
}

// Another address is another controller: a voltage converts with its scale, read first.
TEST(LinkScale, LearntAgainAtAnotherAddressOrFailsSayingWhy) {
    ControllerFixture f(Framing::Rs232Ascii);
    f.Teach(24, 4);  // 70.5 V full scale
    float volts = 0;
    for (const auto& [address, system, full] :
         {std::tuple{LinkAddress::Rs485(7), 0x00, 24.5}, {LinkAddress{}, 0x40, 49.0}}) {
        f.ctl.SetAddress(address);
        f.AnswerRead({static_cast<uint8_t>(system)});
        if (f.Rs232()) {
            f.AnswerText("R0003010512");  // firmware 3.12
        }
        f.AnswerRead(Word(521));
        ASSERT_EQ(f.ctl.GetBatteryVoltage(&volts), 1);
        EXPECT_EQ(f.requests.size(), f.Rs232() ? 3u : 2u);
        EXPECT_DOUBLE_EQ(volts, static_cast<float>(521 * full / 1024));
        f.requests.clear();
    }
    f.ctl.ForgetController();  // as after the port was opened again
    f.AnswerNothing();
    EXPECT_EQ(f.ctl.GetBatteryVoltage(&volts), 0);
    EXPECT_EQ(f.requests.size(), 1u);  // the status read; no voltage without it
    EXPECT_EQ(f.link.trace.lines.back(),
              "< Voltage scale unknown: the status read (system voltage) failed >\n");
}

TEST_P(TelemetryBothModes, LiveVoltagesAndCurrents) {
    float value = 0;
    f.AnswerRead(Word(521));  // 12.47 V
    ASSERT_EQ(f.ctl.GetBatteryVoltage(&value), 1);
    EXPECT_TRUE(Asked("Q4\r", 0x0105, 2));
    EXPECT_NEAR(value, 12.47, 0.005);
    if (f.Rs232()) {
        EXPECT_EQ(f.link.trace.lines.back(), "< Batt Volt=(8*256+2*16+4)/4*0.023926=12.47 >\n");
    }
    f.AnswerRead(Word(700));
    ASSERT_EQ(f.ctl.GetChargeVoltage(&value), 1);
    EXPECT_TRUE(Asked("Q6\r", 0x0107, 2));
    EXPECT_NEAR(value, 16.75, 0.005);
    f.AnswerRead(Word(500));
    ASSERT_EQ(f.ctl.GetLoadVoltage(&value), 1);
    EXPECT_TRUE(Asked("Q7\r", 0x0109, 2));

    // 151.5 mV across the sense resistor: over 213 on the load, 172 on the charge channel.
    f.AnswerRead(Word(31));
    ASSERT_EQ(f.ctl.GetLoadCurrent(0, &value), 1);
    EXPECT_TRUE(Asked("Q5\r", 0x010F, 2));
    EXPECT_NEAR(value, 0.711, 0.001);
    if (f.Rs232()) {
        EXPECT_EQ(f.link.trace.lines.back(), "< LC-V=(0*256+7*16+12)/4*(5/1023)=0.15 >\n");
    }
    f.AnswerRead(Word(31));
    ASSERT_EQ(f.ctl.GetChargeCurrent(0, &value), 1);
    EXPECT_NEAR(value, 0.881, 0.001);
    f.AnswerRead(Word(31));
    ASSERT_EQ(f.ctl.GetChargeCurrent(100, &value), 1);  // MFG.ini's divisor
    EXPECT_NEAR(value, 1.515, 0.001);
}

// The poll's decisions: a failed status read keeps what was known and the readings go on (the
// load switch known before still zeroes a small load current); while the system voltage is
// unknown the status is read once more; a failed battery stops the poll; over-voltage, the
// divisor of "MFG.ini"; and when the readings turn stale.
TEST_P(TelemetryBothModes, PollDecisions) {
    const ScratchFolder scratch;
    std::ofstream(scratch.File("MFG.ini")) << "[Current Divisor]\nCharge=100\n";
    const auto answerReadings = [this](int battery) {
        for (int count : {battery, 700, 31, 500, 20, 125}) {
            f.AnswerRead(Word(count));
        }
    };
    f.AnswerNothing();
    answerReadings(521);
    LiveReadings r = PollController(f.ctl, {24, false}, {1, scratch.path.string()});
    EXPECT_TRUE(!r.status && r.AnyRead() && !r.systemVoltageChanged && r.systemVoltage == 24);
    EXPECT_EQ(r.stateOfCharge, 0);  // 12.47 V of a 24 V battery
    EXPECT_NEAR(*r.chargeCurrent, 1.515, 0.001);
    EXPECT_EQ(r.loadCurrent, 0.0f);  // 0.46 A with the load off
    EXPECT_EQ(f.requests.size(), 7u);

    f.AnswerNothing();
    f.AnswerRead({0x36});  // 12 V, load on, manual, 6 hours
    answerReadings(757);   // 18.11 V
    r = PollController(f.ctl, {}, {1, scratch.path.string()});
    EXPECT_TRUE(r.Complete() && r.systemVoltageChanged && r.overVoltage && *r.loadOn);
    EXPECT_EQ(r.OperatingModeCode().value() * 10 + r.LightingTimeCode().value(), 23);
    EXPECT_NEAR(*r.loadCurrent, 0.46, 0.01);
    EXPECT_EQ(f.requests.size(), 15u);

    f.AnswerRead({0x08});
    r = PollController(f.ctl, {12, true}, {2, scratch.path.string()});
    EXPECT_TRUE(r.batteryFailed && r.status && !r.batteryVoltage && f.requests.size() == 16);

    ReadingsFreshness fresh;  // stale from the second poll that read nothing or could not run
    EXPECT_FALSE(fresh.PollEnded(false, {}) || fresh.PollEnded(false, {}));  // nothing shown
    EXPECT_FALSE(fresh.PollEnded(true, {10, 0, 5})->stale);
    EXPECT_FALSE(fresh.PollEnded(false, {}) || fresh.PollMissed(4) || fresh.Stale());
    const auto change = fresh.PollMissed(5);
    EXPECT_TRUE(change && change->stale && fresh.Stale() &&
                change->lastGood == (TimeOfDay{10, 0, 5}));
}

}  // namespace
}  // namespace zelt::testing

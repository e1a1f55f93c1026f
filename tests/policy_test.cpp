// The controller policy against a simulated controller on the scripted line: what each
// command decides, once for the window and zeltctl.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "policy/ControllerPolicy.h"
#include "support/ControllerFixture.h"
#include "support/SimOnFakePort.h"

namespace zelt::testing {
namespace {

using ::testing::HasSubstr;

struct Answers : ISetHost {
    bool CorrectAndSend(const std::vector<std::string>&) override { return false; }
};

class PolicyBothModes : public ::testing::TestWithParam<Framing> {
  protected:
    PolicyBothModes() : f(GetParam()) {}
    SetVerdict Set(const CCfgDocument& record, bool english = true) {
        f.requests.clear();
        return SetParameters(f.ctl, Inline(), host, SetRequest{record, 12, english});
    }
    ControllerFixture f;
    Answers host;
};

ZELT_IN_BOTH_FRAMINGS(PolicyBothModes);

TEST_P(PolicyBothModes, SetReadsBackOnceAndNamesAWriteTheControllerDidNotKeep) {
    kvrn::SimOptions dropsLvd;
    dropsLvd.dropWrite = 0x61;  // the LVD/LVR block is acknowledged and not kept
    SimOnFakePort forgetful(f, dropsLvd);
    CCfgDocument record;
    record.lvdVoltage = 11.6f;
    const SetVerdict dropped = Set(record);
    EXPECT_TRUE(dropped.WriteAllComplete() && dropped.readBack);
    EXPECT_FALSE(dropped.Verified());
    EXPECT_THAT(dropped.Summary(true), HasSubstr("did not keep these values:\nLVD: sent 11.60"));
    EXPECT_THAT(Set(record, false).Summary(false),
                HasSubstr("未保存以下參數:\nLVD: 寫入 11.60, 讀回 "));

    SimOnFakePort keeps(f);
    const SetVerdict kept = Set(record);
    EXPECT_TRUE(kept.Verified()) << kept.Summary(true);
    EXPECT_EQ(kept.Summary(true), "");
    // Version, status, the writes, then exactly one read-all.
    EXPECT_EQ(f.requests.size(), f.Rs232() ? 2u + 23 + 26 : 2u + 21 + 24);
}

TEST_P(PolicyBothModes, AForeignVendorIsRefusedBeforeAnyWriteAndItsClockIsLeftAlone) {
    kvrn::SimOptions foreign;
    foreign.vendorId = 2;
    foreign.clockOffsetS = -3;
    SimOnFakePort line(f, foreign);
    const SetVerdict set = Set(CCfgDocument{});
    EXPECT_TRUE(set.vendorRefused && set.stage == SetVerdict::Stage::Stopped);
    EXPECT_EQ(f.requests.size(), 1u);  // the version read alone
    const GetVerdict get = GetParameters(f.ctl, Inline(), GetRequest{});
    EXPECT_TRUE(get.vendorRefused && get.read.rtc && !get.clockSent);
}

TEST_P(PolicyBothModes, GetAndUpdateModeGiveTheModeAndCountTheLowBatteryLevels) {
    SimOnFakePort line(f);
    const GetRequest known{CCfgDocument{}, 12, true};
    const GetVerdict get = GetParameters(f.ctl, Inline(), known);
    ASSERT_TRUE(get.Complete() && get.mode && get.status) << get.Summary(true);
    EXPECT_EQ(get.mode->operatingModeCode, get.status->OperatingModeCode());
    EXPECT_FALSE(get.systemVoltageChanged);  // 12 V, as the request knew
    const ModeVerdict mode = ReadOperatingMode(f.ctl, Inline());
    ASSERT_TRUE(mode.mode);
    EXPECT_EQ(mode.mode->operatingModeCode, get.mode->operatingModeCode);
    if (f.Rs232()) {  // RS485 has no low-battery read
        line.drop = [](const std::string& r) { return r.rfind("G6E", 0) == 0; };
        const GetVerdict low = GetParameters(f.ctl, Inline(), known);
        EXPECT_FALSE(low.Complete());
        EXPECT_THAT(low.Summary(true), HasSubstr("\nLow Battery Levels Fail !"));
    }
    line.drop = [](const std::string&) { return true; };  // switched off
    EXPECT_FALSE(ReadOperatingMode(f.ctl, Inline()).mode);
}

}  // namespace
}  // namespace zelt::testing

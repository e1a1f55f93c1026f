#pragma once
// The one table of each record field's range on a 12 V and on a 24 V system. The panel
// clamps its fields to these ranges, and a record adapted to a system voltage halves (12 V)
// or doubles (24 V) a value outside the range before it replaces what still lies outside.

namespace zelt {

struct ValueRange {
    double min;
    double max;
};

struct SystemRanges {
    ValueRange at12;
    ValueRange at24;

    constexpr const ValueRange& At(int systemVoltage) const {
        return systemVoltage == 24 ? at24 : at12;
    }
};

namespace ranges {
// Volts.
constexpr SystemRanges kLvr{{11.5, 13.5}, {23.0, 27.0}};
constexpr SystemRanges kLvd{{10.5, 12.5}, {21.0, 25.0}};
constexpr SystemRanges kFcv{{13.0, 15.0}, {26.0, 30.0}};
constexpr SystemRanges kAcv{{14.0, 16.0}, {28.0, 32.0}};
constexpr SystemRanges kLow1{{11.0, 11.8}, {22.0, 23.6}};
constexpr SystemRanges kLow2{{10.8, 11.6}, {21.6, 23.2}};
constexpr SystemRanges kMaxVout{{8.0, 14.0}, {18.0, 28.0}};
constexpr SystemRanges kMinVout{{8.0, 14.0}, {16.0, 28.0}};
constexpr SystemRanges kLightOnOff{{0.0, 10.0}, {0.0, 20.0}};
constexpr SystemRanges kRemoteLevel{{0.0, 15.0}, {0.0, 25.5}};
// Temperature compensation, in the record's unit.
constexpr SystemRanges kTempCompensation{{20, 30}, {40, 60}};
}  // namespace ranges

}  // namespace zelt

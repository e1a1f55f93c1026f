#include "panel/LiveChartHistory.h"

#include <algorithm>
#include <cmath>

namespace zelt {

ChartSample SampleOf(const PanelValues& values, int64_t atMs) {
    return {atMs, values.batteryVoltage.value_or(0.0f), values.chargeCurrent, values.loadCurrent};
}

LiveChartHistory::Change LiveChartHistory::Append(const ChartSample& sample) {
    Change change{false, 0};
    if (!samples_.empty() && sample.atMs < samples_.back().atMs) {
        samples_.clear();
        change.restarted = true;
    }
    samples_.push_back(sample);
    while (samples_.front().atMs < sample.atMs - kSpanMs) {
        samples_.pop_front();
        ++change.expired;
    }
    return change;
}

ChartAxes LiveChartHistory::Axes(int64_t nowMs) const {
    const int64_t end = samples_.empty() ? nowMs : samples_.back().atMs;
    // Whole-volt and whole-ampere ranges around what was read, never collapsing to a point.
    double vLow = 0, vHigh = 15, aHigh = 1;
    if (!samples_.empty()) {
        vLow = samples_.front().batteryVolts;
        vHigh = vLow;
        for (const ChartSample& s : samples_) {
            vLow = std::min(vLow, s.batteryVolts);
            vHigh = std::max(vHigh, s.batteryVolts);
            aHigh = std::max({aHigh, s.chargeAmps, s.loadAmps});
        }
        vLow = std::floor(vLow) - 1;
        vHigh = std::ceil(vHigh) + 1;
    }
    return {end - kSpanMs, end, std::max(0.0, vLow), vHigh, std::ceil(aHigh)};
}

}  // namespace zelt

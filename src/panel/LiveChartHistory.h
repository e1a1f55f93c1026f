#pragma once
// The live chart's readings of the last hour and the axes that show them, for every window's
// chart: one sample per poll of the panel timer, taken from the readings the poll already read.

#include <cstdint>
#include <deque>

#include "base/Bilingual.h"
#include "panel/PanelValues.h"

namespace zelt {

struct ChartSample {
    int64_t atMs;  // wall-clock time, milliseconds since the epoch
    double batteryVolts;
    double chargeAmps;
    double loadAmps;
};

// The sample of one poll: an unread battery voltage counts 0.
ChartSample SampleOf(const PanelValues& values, int64_t atMs);

struct ChartAxes {
    int64_t startMs, endMs;    // the hour that ends with the last sample (or now)
    double voltLow, voltHigh;  // whole volts around what was read, from 0 up at least
    double ampHigh;            // whole amperes from 0, at least 1
};

class LiveChartHistory {
  public:
    static constexpr int64_t kSpanMs = 3600 * 1000;  // the last hour

    struct Change {
        bool restarted;  // every earlier sample dropped
        int expired;     // the oldest samples dropped, after the restart if any
    };
    // Adds one poll's readings; samples older than an hour before it drop out. A sample older
    // than the last one (the PC clock was set back) starts the history afresh.
    Change Append(const ChartSample& sample);
    const std::deque<ChartSample>& Samples() const { return samples_; }
    // The axes for the samples; nowMs ends the time axis while there is none.
    ChartAxes Axes(int64_t nowMs) const;

  private:
    std::deque<ChartSample> samples_;
};

namespace texts {
inline constexpr Bilingual kChartTitle{"Live Readings (last hour)", "即時讀數 (最近一小時)"};
inline constexpr Bilingual kChartBattery{"Battery Voltage (V)", "電池電壓 (V)"};
inline constexpr Bilingual kChartCharge{"Charge Current (A)", "充電電流 (A)"};
inline constexpr Bilingual kChartLoad{"Load Current (A)", "放電電流 (A)"};
inline constexpr Bilingual kChartVoltAxis{"V", "伏特"};
inline constexpr Bilingual kChartAmpAxis{"A", "安培"};
}  // namespace texts

}  // namespace zelt

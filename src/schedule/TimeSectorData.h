#pragma once

#include <cstdint>

namespace zelt {

// One lighting-schedule sector on the noon-to-noon axis: minutes after 12:00 noon (0..1440)
// and brightness in percent. The record keeps plain values; the schedule editor pairs each
// with the window that shows it.
struct CTimeSectorData {
    int32_t startMinute = 0;
    int32_t endMinute = 0;
    int32_t brightness = 100;

    friend bool operator==(const CTimeSectorData&, const CTimeSectorData&) = default;
};

}  // namespace zelt

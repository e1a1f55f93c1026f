#pragma once

namespace zelt {

// A time of day of the controller or PC clock.
struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend bool operator==(const TimeOfDay&, const TimeOfDay&) = default;
};

}  // namespace zelt

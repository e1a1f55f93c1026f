#pragma once

namespace zelt {

// A time on the 24-hour clock to the second: the controller's clock, the PC's, the one the
// user types into the panel.
struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend bool operator==(const TimeOfDay&, const TimeOfDay&) = default;
};

}  // namespace zelt

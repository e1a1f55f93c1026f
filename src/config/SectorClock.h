#pragma once
// The record keeps sector times as minutes on the noon-to-noon axis; the controller keeps
// them as clock times. These translate one into the other for the record and the link.

namespace zelt {

// Controller clock time (hour x 60 + minute) to axis minutes: a start of 12:00 is minute 0,
// an end of 12:00 is minute 1440.
int ControllerStartToMinute(int controllerTime);
int ControllerEndToMinute(int controllerTime);

// An axis minute as the controller's hour and minute.
struct ControllerClock {
    int hour = 0;
    int minute = 0;
};
ControllerClock MinuteToControllerClock(int minute);

}  // namespace zelt

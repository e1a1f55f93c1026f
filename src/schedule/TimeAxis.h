#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "schedule/TimeSectorData.h"

namespace zelt {

// The schedule axis: 24 hours from 12:00 noon to 12:00 noon of the next day in 5-minute
// steps of 2 pixels. Axis minutes run 0..1440; clock texts are "HH:MM" on the 24-hour clock.
namespace timeaxis {

constexpr int pixelsPerStep = 2;
constexpr int secondsPerStep = 300;
constexpr int stepsPerDay = 86400 / secondsPerStep;
constexpr int axisWidth = stepsPerDay * pixelsPerStep;

constexpr int kMinutesPerDay = 1440;
constexpr int kNoonOffset = 720;  // axis minute of 00:00 midnight
constexpr int kShortestSector = 10;
constexpr int kMaxBrightness = 100;
// What the clock-text readers return for a text that is not "HH:MM" with HH 00..23, MM 00..59.
constexpr int kInvalidMinute = -1;

}  // namespace timeaxis

// x = (minute x 60 / secondsPerStep) x pixelsPerStep, truncating.
int MinuteToPixel(int minute);
// minute = ((x / pixelsPerStep) x secondsPerStep) / 60: always a multiple of 5.
int PixelToMinute(int x);

// "%02d:%02d" of an axis minute: 0 -> "12:00", 720 -> "00:00", 1440 -> "12:00".
std::string MinuteToClock(int minute);
// "12:00" is minute 0. kInvalidMinute for a malformed text.
int ClockToStartMinute(std::string_view text);
// "12:00" is minute 1440 (the end of the axis), 12:05 is 5. kInvalidMinute for a malformed text.
int ClockToEndMinute(std::string_view text);

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

// The test a record sector must pass to be shown: start, end at most 1440 and brightness at
// most 100, compared unsigned (a negative value fails), and start before end.
bool IsDisplayableSector(int startMinute, int endMinute, int brightness);
inline bool IsDisplayableSector(const CTimeSectorData& sector) {
    return IsDisplayableSector(sector.startMinute, sector.endMinute, sector.brightness);
}

// A new sector dragged from minute a (button down) to minute b hits an existing one when a or
// b lies strictly inside it or when the range between them encloses it.
bool DragHitsSector(const std::vector<CTimeSectorData>& sectors, int a, int b);

// Clamps a moving edge of sectors[index] to minute m. Returns true when *result differs from m
// because the sector would get shorter than 10 minutes or would run over its nearest
// neighbour on that side.
bool LimitEdge(const std::vector<CTimeSectorData>& sectors, std::size_t index, int m,
               bool startEdge, int* result);

// True when the start minute of the clock text lies strictly inside a sector other than
// sectors[index]. A malformed text lies inside none.
bool IsTimeInsideOtherSector(const std::vector<CTimeSectorData>& sectors, std::size_t index,
                             std::string_view clockText);

// The spin steps of the schedule panel. On the 5-minute grid a step moves by 5 minutes
// ("11:55" up gives "12:00", "12:00" down gives "11:55"); a time off the grid moves to the
// nearest grid time in the step's direction. Up never passes the end of the axis, down
// never passes its start. A malformed text comes back unchanged.
std::string StepTimeUp(std::string_view clockText);
std::string StepTimeDown(std::string_view clockText);

struct BrightnessStep {
    std::string text;  // "%d%"
    int value = 0;
};
// With PWM off up always gives 100 % and down 0 %. With PWM on the steps run over
// 0, 10, ..., 100 and wrap at both ends; a value off the 10 % grid moves to the nearest grid
// value in the step's direction, and an unreadable text goes to the end of the range in the
// step's direction (100 % up, 0 % down).
BrightnessStep StepBrightnessUp(std::string_view text, bool pwmEnabled);
BrightnessStep StepBrightnessDown(std::string_view text, bool pwmEnabled);

}  // namespace zelt

#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/TimeSectorData.h"

namespace zelt {

// The schedule axis: 24 hours from 12:00 noon to 12:00 noon of the next day in 5-minute
// steps of 2 pixels. Axis minutes run 0..1440; clock texts are "HH:MM" on the 24-hour clock.
namespace timeaxis {

constexpr int pixelsPerStep = 2;
constexpr int secondsPerStep = 300;
constexpr int stepsPerDay = 86400 / secondsPerStep;
constexpr int axisWidth = stepsPerDay * pixelsPerStep;

constexpr int kShortestSector = 10;
// The mouse starts no new sector while this many exist.
constexpr std::size_t kMaxMouseSectors = 8;
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

// A step of the schedule panel's start or end spin over sectors[index]; later is the up
// arrow. The new clock text of that edge, or nullopt when the step is refused: past either
// end of the axis, leaving less than 10 minutes, or landing strictly inside another sector.
std::optional<std::string> StepSectorTime(const std::vector<CTimeSectorData>& sectors,
                                          std::size_t index, bool startEdge, bool later);

// The edge grips of a sector window: its first and last pixel columns.
enum class SectorGrip { None, Start, End };
SectorGrip GripAt(int x, int windowWidth);

// What a left press on a sector window does to the selection.
struct SectorPress {
    bool handled = false;  // false while Shift or another button is held: nothing happens
    bool selected = false;
    bool deselectOthers = false;  // UWM_DESELECT_OTHERS goes to the area
    bool startsEdgeDrag = false;
};
// A press on a grip always selects (also with Ctrl) and starts an edge drag; elsewhere the
// selection toggles and, without Ctrl, every other sector is deselected.
SectorPress PressOnSector(bool wasSelected, SectorGrip grip, bool ctrl, bool otherKeys);

// Drawing a new sector with the mouse on free time. The band runs from the press to the last
// pointer minute whose range hit no sector; a release makes a sector of at least 10 minutes
// over a range that still hits none.
class NewSectorDrag {
  public:
    // Left press at minute. The drag arms only while fewer than kMaxMouseSectors exist.
    void Press(int minute, std::size_t sectorCount);
    // Pointer at minute. Anything but the left button alone abandons the drag.
    void Move(const std::vector<CTimeSectorData>& sectors, int minute, bool leftButtonAlone);
    // Left release: the sector the drag makes, if any (brightness 100).
    std::optional<CTimeSectorData> Release(const std::vector<CTimeSectorData>& sectors);
    void Cancel() { dragging_ = false; }

    bool Dragging() const { return dragging_; }
    // The band to show: from Start() to BandEnd(); none before the first accepted move.
    bool HasBand() const { return dragging_ && previous_ != -1; }
    int Start() const { return start_; }
    int BandEnd() const { return previous_; }

  private:
    bool dragging_ = false;
    int start_ = 0;
    int current_ = 0;
    int previous_ = -1;  // last accepted pointer minute of this drag
};

}  // namespace zelt

#include "schedule/TimeAxis.h"

#include <cstdint>
#include <optional>
#include <utility>

#include "base/Trace.h"

namespace zelt {

using namespace timeaxis;

namespace {

struct ClockDigits {
    int hours = 0;
    int minutes = 0;
};

int DigitAt(std::string_view text, std::size_t pos) {
    const char c = text[pos];
    return c >= '0' && c <= '9' ? c - '0' : -1;
}

// The editor's texts have the hours at positions 0-1, the colon at 2 and the minutes at 3-4.
// Anything else (short text, other characters, 24:00, 12:60) is refused.
std::optional<ClockDigits> ReadClock(std::string_view text) {
    if (text.size() != 5 || text[2] != ':') {
        return std::nullopt;
    }
    const int h1 = DigitAt(text, 0);
    const int h0 = DigitAt(text, 1);
    const int m1 = DigitAt(text, 3);
    const int m0 = DigitAt(text, 4);
    if (h1 < 0 || h0 < 0 || m1 < 0 || m0 < 0) {
        return std::nullopt;
    }
    ClockDigits clock{h1 * 10 + h0, m1 * 10 + m0};
    if (clock.hours > 23 || clock.minutes > 59) {
        return std::nullopt;
    }
    return clock;
}

// Clock hour to axis hour: 12 -> 0, 23 -> 11, 0 -> 12, 11 -> 23.
int AxisHour(int clockHour) {
    return clockHour < 12 ? clockHour + 12 : clockHour - 12;
}

std::optional<int> ReadBrightness(std::string_view text) {
    if (text.size() < 2 || text.size() > 4 || text.back() != '%') {
        return std::nullopt;
    }
    int value = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        const int digit = DigitAt(text, i);
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    if (value > kMaxBrightness) {
        return std::nullopt;
    }
    return value;
}

BrightnessStep MakeBrightness(int value) {
    return BrightnessStep{StrF("%d%%", value), value};
}

}  // namespace

int MinuteToPixel(int minute) {
    return (minute * 60 / secondsPerStep) * pixelsPerStep;
}

int PixelToMinute(int x) {
    return ((x / pixelsPerStep) * secondsPerStep) / 60;
}

std::string MinuteToClock(int minute) {
    const int h = minute / 60;
    const int mm = minute % 60;
    return StrF("%02d:%02d", h < 12 ? h + 12 : h - 12, mm);
}

int ClockToStartMinute(std::string_view text) {
    const auto clock = ReadClock(text);
    if (!clock) {
        return kInvalidMinute;
    }
    return AxisHour(clock->hours) * 60 + clock->minutes;
}

int ClockToEndMinute(std::string_view text) {
    const auto clock = ReadClock(text);
    if (!clock) {
        return kInvalidMinute;
    }
    // Past 12:00 the end lies at the start of the axis; 12:00 itself is the axis's end.
    int h = 0;
    if (!(clock->hours == 12 && clock->minutes >= 1)) {
        h = clock->hours < 13 ? clock->hours + 12 : clock->hours - 12;
    }
    return h * 60 + clock->minutes;
}

bool IsDisplayableSector(int startMinute, int endMinute, int brightness) {
    return static_cast<uint32_t>(startMinute) <= kMinutesPerDay &&
           static_cast<uint32_t>(endMinute) <= kMinutesPerDay &&
           static_cast<uint32_t>(brightness) <= kMaxBrightness && startMinute < endMinute;
}

bool DragHitsSector(const std::vector<CTimeSectorData>& sectors, int a, int b) {
    for (const auto& sector : sectors) {
        const int s = sector.startMinute;
        const int e = sector.endMinute;
        if ((s < b && b < e) || (s < a && a < e)) {
            return true;
        }
        if ((a <= s && b >= e) || (b <= s && a >= e)) {
            return true;
        }
    }
    return false;
}

bool LimitEdge(const std::vector<CTimeSectorData>& sectors, std::size_t index, int m,
               bool startEdge, int* result) {
    const CTimeSectorData& own = sectors.at(index);
    if (startEdge && own.endMinute - m < kShortestSector) {
        *result = own.endMinute - kShortestSector;
        return true;
    }
    if (!startEdge && m - own.startMinute < kShortestSector) {
        *result = own.startMinute + kShortestSector;
        return true;
    }
    int r = m;
    bool limited = false;
    for (std::size_t j = 0; j < sectors.size(); ++j) {
        if (j == index) {
            continue;
        }
        const CTimeSectorData& other = sectors[j];
        if (startEdge && r < other.endMinute && other.endMinute <= own.endMinute) {
            r = other.endMinute;
            limited = true;
        } else if (!startEdge && r > other.startMinute && other.startMinute >= own.startMinute) {
            r = other.startMinute;
            limited = true;
        }
    }
    *result = r;
    return limited;
}

bool IsTimeInsideOtherSector(const std::vector<CTimeSectorData>& sectors, std::size_t index,
                             std::string_view clockText) {
    const int t = ClockToStartMinute(clockText);
    if (t == kInvalidMinute) {
        return false;
    }
    for (std::size_t j = 0; j < sectors.size(); ++j) {
        if (j != index && sectors[j].startMinute < t && t < sectors[j].endMinute) {
            return true;
        }
    }
    return false;
}

std::string StepTimeUp(std::string_view clockText) {
    // "12:00" counts as the start of the axis here, so it steps to 12:05.
    const int m = ClockToStartMinute(clockText);
    if (m == kInvalidMinute) {
        return std::string(clockText);
    }
    const int step = secondsPerStep / 60;
    return MinuteToClock((m / step + 1) * step);
}

std::string StepTimeDown(std::string_view clockText) {
    // "12:00" counts as the end of the axis here, so it steps to 11:55.
    int m = ClockToStartMinute(clockText);
    if (m == kInvalidMinute) {
        return std::string(clockText);
    }
    if (m == 0) {
        m = kMinutesPerDay;
    }
    const int step = secondsPerStep / 60;
    return MinuteToClock(((m + step - 1) / step - 1) * step);
}

BrightnessStep StepBrightnessUp(std::string_view text, bool pwmEnabled) {
    const auto value = ReadBrightness(text);
    if (!pwmEnabled || !value) {
        return MakeBrightness(kMaxBrightness);
    }
    if (*value == kMaxBrightness) {
        return MakeBrightness(0);
    }
    return MakeBrightness((*value / 10 + 1) * 10);
}

BrightnessStep StepBrightnessDown(std::string_view text, bool pwmEnabled) {
    const auto value = ReadBrightness(text);
    if (!pwmEnabled || !value) {
        return MakeBrightness(0);
    }
    if (*value == 0) {
        return MakeBrightness(kMaxBrightness);
    }
    return MakeBrightness(((*value + 9) / 10 - 1) * 10);
}

std::optional<std::string> StepSectorTime(const std::vector<CTimeSectorData>& sectors,
                                          std::size_t index, bool startEdge, bool later) {
    const CTimeSectorData& own = sectors.at(index);
    int start = own.startMinute;
    int end = own.endMinute;
    std::string text;
    if (startEdge) {
        if (!later && start <= 0) {
            return std::nullopt;
        }
        text = later ? StepTimeUp(MinuteToClock(start)) : StepTimeDown(MinuteToClock(start));
        start = ClockToStartMinute(text);
    } else {
        if (later && end >= kMinutesPerDay) {
            return std::nullopt;
        }
        text = later ? StepTimeUp(MinuteToClock(end)) : StepTimeDown(MinuteToClock(end));
        end = ClockToEndMinute(text);
    }
    // Measured on the result, so a time off the 5-minute grid cannot step below the shortest
    // sector either.
    if (end - start < kShortestSector || IsTimeInsideOtherSector(sectors, index, text)) {
        return std::nullopt;
    }
    return text;
}

SectorGrip GripAt(int x, int windowWidth) {
    if (x == 0) {
        return SectorGrip::Start;
    }
    return x == windowWidth - 1 ? SectorGrip::End : SectorGrip::None;
}

SectorPress PressOnSector(bool wasSelected, SectorGrip grip, bool ctrl, bool otherKeys) {
    if (otherKeys) {
        return SectorPress{};
    }
    if (grip != SectorGrip::None) {
        return SectorPress{true, true, true, true};
    }
    return SectorPress{true, !wasSelected, !ctrl, false};
}

void NewSectorDrag::Press(int minute, std::size_t sectorCount) {
    dragging_ = sectorCount < kMaxMouseSectors;
    start_ = minute;
    current_ = minute;
    // A band left over from an abandoned drag must not become this drag's fallback.
    previous_ = -1;
}

void NewSectorDrag::Move(const std::vector<CTimeSectorData>& sectors, int minute,
                         bool leftButtonAlone) {
    current_ = minute;
    if (!dragging_) {
        return;
    }
    if (!leftButtonAlone) {
        dragging_ = false;
        return;
    }
    if (DragHitsSector(sectors, start_, current_)) {
        if (previous_ != -1) {
            current_ = previous_;
        }
        return;
    }
    previous_ = current_;
}

std::optional<CTimeSectorData> NewSectorDrag::Release(const std::vector<CTimeSectorData>& sectors) {
    if (!dragging_) {
        return std::nullopt;
    }
    dragging_ = false;
    previous_ = -1;
    int a = start_;
    int b = current_;
    if (b - a < kShortestSector && a - b < kShortestSector) {
        return std::nullopt;
    }
    if (b < a) {
        std::swap(a, b);
    }
    if (DragHitsSector(sectors, a, b)) {
        return std::nullopt;
    }
    return CTimeSectorData{a, b, kMaxBrightness};
}

}  // namespace zelt

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "config/SectorClock.h"
#include "config/TimeSectorData.h"
#include "schedule/TimeAxis.h"

namespace zelt {
namespace {

using timeaxis::kInvalidMinute;

std::vector<CTimeSectorData> Sectors(std::initializer_list<std::pair<int, int>> ranges) {
    std::vector<CTimeSectorData> list;
    for (const auto& [start, end] : ranges)
        list.push_back(CTimeSectorData{start, end, 100});
    return list;
}

TEST(TimeAxisClock, TextsPixelsAndControllerTimes) {
    for (const auto& [minute, text] :
         {std::pair{0, "12:00"}, {5, "12:05"}, {720, "00:00"}, {1435, "11:55"}, {1440, "12:00"}})
        EXPECT_EQ(MinuteToClock(minute), text);
    // Every minute reads back from its text and clock; "12:00" starts the axis and ends it.
    for (int m = 0; m < 1440; ++m) {
        const ControllerClock start = MinuteToControllerClock(m);
        const ControllerClock end = MinuteToControllerClock(m + 1);
        EXPECT_EQ(ClockToStartMinute(MinuteToClock(m)), m);
        EXPECT_EQ(ClockToEndMinute(MinuteToClock(m + 1)), m + 1);
        EXPECT_EQ(ControllerStartToMinute(start.hour * 60 + start.minute), m);
        EXPECT_EQ(ControllerEndToMinute(end.hour * 60 + end.minute), m + 1);
    }
    EXPECT_EQ(MinuteToPixel(1440), 576);
    EXPECT_EQ(MinuteToPixel(9), 2);  // truncated to the step
    EXPECT_EQ(PixelToMinute(121), 300);
}

TEST(TimeAxisClock, MalformedTextsAndSectorsAreRefusedWithoutReadingPastThem) {
    const std::string backing = "12:00";  // views that end before the digits they name
    for (std::size_t length = 0; length < backing.size(); ++length) {
        EXPECT_EQ(ClockToStartMinute(std::string_view(backing.data(), length)), kInvalidMinute);
        EXPECT_EQ(ClockToEndMinute(std::string_view(backing.data(), length)), kInvalidMinute);
    }
    for (const char* text : {"ab:cd", "1 :00", "12-00", "24:00", "12:60", "99:99", "12:000", ""}) {
        EXPECT_EQ(ClockToStartMinute(text), kInvalidMinute) << text;
        EXPECT_EQ(ClockToEndMinute(text), kInvalidMinute) << text;
        EXPECT_EQ(StepTimeUp(text), text);
        EXPECT_EQ(StepTimeDown(text), text);
    }
    // Sectors a record may hold that the axis cannot show.
    const std::tuple<int, int, int, bool> sectors[] = {
        {0, 1440, 100, true},   {300, 310, 0, true},   {720, 720, 100, false},
        {600, 300, 100, false}, {0, 1440, 101, false}, {-1, 100, 100, false},
        {0, 1441, 100, false},  {0, 100, -1, false},
    };
    for (const auto& [start, end, brightness, shown] : sectors)
        EXPECT_EQ(IsDisplayableSector(start, end, brightness), shown) << start << ".." << end;
}

TEST(TimeAxisLimits, EdgesKeepTenMinutesAndStopAtTheNearestNeighbour) {
    // Sectors, the edited one, the minute asked, start edge, limited, the minute given.
    const std::tuple<std::vector<CTimeSectorData>, int, int, bool, bool, int> cases[] = {
        {Sectors({{300, 420}}), 0, 415, true, true, 410},
        {Sectors({{300, 420}}), 0, 305, false, true, 310},
        {Sectors({{300, 420}}), 0, 250, true, false, 250},
        {Sectors({{100, 200}, {300, 420}}), 1, 150, true, true, 200},
        {Sectors({{100, 200}, {300, 420}}), 1, 200, true, false, 200},  // touching is allowed
        // The nearest neighbour wins whatever the list order.
        {Sectors({{100, 200}, {250, 280}, {300, 420}}), 2, 50, true, true, 280},
        {Sectors({{250, 280}, {100, 200}, {300, 420}}), 2, 50, true, true, 280},
        {Sectors({{300, 420}, {600, 700}, {500, 550}}), 0, 900, false, true, 500},
        {Sectors({{300, 420}, {500, 550}, {600, 700}}), 0, 900, false, true, 500},
    };
    for (const auto& [list, index, m, startEdge, limited, given] : cases) {
        int r = 0;
        EXPECT_EQ(LimitEdge(list, index, m, startEdge, &r), limited) << m;
        EXPECT_EQ(r, given) << m;
    }
    // A typed time inside another sector, not the edited one; touching is allowed.
    const auto list = Sectors({{300, 420}, {500, 600}});
    for (const auto& [index, text, inside] : {std::tuple{1, "17:50", true},
                                              {0, "17:50", false},
                                              {1, "19:00", false},
                                              {1, "12:00", false},
                                              {1, "5:5", false}})
        EXPECT_EQ(IsTimeInsideOtherSector(list, index, text), inside) << text;
}

TEST(TimeAxisSteps, TimeStepsOnAndOffTheGrid) {
    // The axis ends and the day's turn; every other minute in the loop below.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"11:55", "12:00", "11:50"}, {"12:00", "12:05", "11:55"}, {"23:58", "00:00", "23:55"}};
    for (const auto& [text, up, down] : cases) {
        EXPECT_EQ(StepTimeUp(text), up) << text;
        EXPECT_EQ(StepTimeDown(text), down) << text;
    }
    // Up lands on the next grid time, read as an end; down on the one before, read as a start.
    for (int m = 1; m < 1440; ++m) {
        EXPECT_EQ(ClockToEndMinute(StepTimeUp(MinuteToClock(m))), (m / 5 + 1) * 5) << m;
        EXPECT_EQ(ClockToStartMinute(StepTimeDown(MinuteToClock(m))), (m - 1) / 5 * 5) << m;
    }
}

TEST(TimeAxisSteps, BrightnessStepsWrapWithPwmAndJumpWithout) {
    // On the grid, off it, and unreadable.
    const std::tuple<const char*, int, int> withPwm[] = {
        {"90%", 100, 80}, {"100%", 0, 90}, {"0%", 10, 100}, {"10%", 20, 0},
        {"95%", 100, 90}, {"5%", 10, 0},   {"", 100, 0},    {"abc", 100, 0},
        {"150%", 100, 0}, {"9x%", 100, 0}, {"-5%", 100, 0},
    };
    for (const auto& [text, up, down] : withPwm) {
        EXPECT_EQ(StepBrightnessUp(text, true).value, up) << text;
        EXPECT_EQ(StepBrightnessDown(text, true).value, down) << text;
    }
    EXPECT_EQ(StepBrightnessUp("90%", true).text, "100%");
    for (const char* text : {"0%", "40%", "100%"}) {
        EXPECT_EQ(StepBrightnessUp(text, false).text, "100%");
        EXPECT_EQ(StepBrightnessDown(text, false).text, "0%");
    }
}

TEST(TimeAxisSteps, SectorTimeStepsKeepTheAxisTheShortestSectorAndTheNeighbours) {
    // Sectors, the edited one, start edge, later, the new text ("" refused).
    const std::tuple<std::vector<CTimeSectorData>, int, bool, bool, const char*> cases[] = {
        {Sectors({{300, 310}}), 0, true, true, ""},  // 10 minutes stay 10 minutes
        {Sectors({{300, 310}}), 0, false, false, ""},
        {Sectors({{301, 312}}), 0, true, true, ""},  // off the grid: 305..312 is too short
        {Sectors({{300, 420}, {100, 200}}), 0, true, false, "16:55"},
        {Sectors({{200, 420}, {100, 200}}), 0, true, false, ""},  // into the neighbour
        {Sectors({{100, 200}, {300, 420}}), 0, false, true, "15:25"},
        {Sectors({{100, 300}, {300, 420}}), 0, false, true, ""},
        {Sectors({{1425, 1435}}), 0, false, true, "12:00"},  // the end reaches minute 1440
    };
    for (const auto& [list, index, startEdge, later, text] : cases) {
        const auto step = StepSectorTime(list, index, startEdge, later);
        EXPECT_EQ(step.value_or(""), text)
            << list[0].startMinute << (startEdge ? " start" : " end");
    }
}

TEST(TimeAxisLimits, NewSectorDragFreezesAtTheLastFreeMinute) {
    const auto list = Sectors({{300, 420}});
    struct Case {
        int press;
        std::vector<int> moves;
        std::optional<std::pair<int, int>> made;
    };
    // Clicks, touching, Ctrl and the limit of eight: the schedule model's tests draw them.
    const Case cases[] = {
        {200, {280, 500}, std::pair{200, 280}},  // frozen before the neighbour
        {250, {350}, std::nullopt},              // released inside a sector
        {250, {500}, std::nullopt},              // enclosing at once: no band yet
    };
    for (const auto& c : cases) {
        NewSectorDrag drag;
        drag.Press(150, list.size());  // an abandoned drag leaves no fallback behind
        drag.Move(list, 100, true);
        drag.Cancel();
        drag.Press(c.press, list.size());
        for (int m : c.moves)
            drag.Move(list, m, true);
        const auto made = drag.Release(list);
        ASSERT_EQ(made.has_value(), c.made.has_value()) << c.press;
        if (made) {
            EXPECT_EQ(std::pair(made->startMinute, made->endMinute), *c.made);
        }
    }
}

}  // namespace
}  // namespace zelt

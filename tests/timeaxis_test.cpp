#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "schedule/TimeAxis.h"
#include "schedule/TimeSectorData.h"

namespace zelt {
namespace {

using timeaxis::kInvalidMinute;

std::vector<CTimeSectorData> Sectors(std::initializer_list<std::pair<int, int>> ranges) {
    std::vector<CTimeSectorData> list;
    for (const auto& [start, end] : ranges) {
        list.push_back(CTimeSectorData{start, end, 100});
    }
    return list;
}

TEST(TimeAxisSector, SerialisesThreeLittleEndianWords) {
    const CTimeSectorData fullDay{0, 1440, 100};
    const CTimeSectorData::Bytes expected{0x00, 0x00, 0x00, 0x00, 0xA0, 0x05,
                                          0x00, 0x00, 0x64, 0x00, 0x00, 0x00};
    EXPECT_EQ(fullDay.Serialize(), expected);

    const CTimeSectorData odd{-1, 0x01020304, 0x7FFFFFFF};
    const auto bytes = odd.Serialize();
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[3], 0xFF);
    EXPECT_EQ(bytes[4], 0x04);
    EXPECT_EQ(bytes[7], 0x01);
    EXPECT_EQ(bytes[11], 0x7F);
    EXPECT_EQ(CTimeSectorData::Deserialize(bytes), odd);
}

TEST(TimeAxisConversions, PixelsAndMinutes) {
    EXPECT_EQ(timeaxis::axisWidth, 576);
    EXPECT_EQ(timeaxis::stepsPerDay, 288);
    EXPECT_EQ(MinuteToPixel(1440), 576);
    EXPECT_EQ(MinuteToPixel(250), 100);
    EXPECT_EQ(MinuteToPixel(9), 2);  // truncated to the step
    EXPECT_EQ(PixelToMinute(100), 250);
    EXPECT_EQ(PixelToMinute(121), 300);
    EXPECT_EQ(PixelToMinute(576), 1440);
    for (int x = 0; x <= timeaxis::axisWidth; ++x) {
        EXPECT_EQ(PixelToMinute(x) % 5, 0) << x;
    }
}

TEST(TimeAxisClock, ExamplesOfTheThreeConversions) {
    EXPECT_EQ(MinuteToClock(0), "12:00");
    EXPECT_EQ(MinuteToClock(5), "12:05");
    EXPECT_EQ(MinuteToClock(720), "00:00");
    EXPECT_EQ(MinuteToClock(1435), "11:55");
    EXPECT_EQ(MinuteToClock(1440), "12:00");

    EXPECT_EQ(ClockToStartMinute("12:00"), 0);
    EXPECT_EQ(ClockToStartMinute("00:00"), 720);
    EXPECT_EQ(ClockToStartMinute("11:55"), 1435);

    EXPECT_EQ(ClockToEndMinute("12:00"), 1440);
    EXPECT_EQ(ClockToEndMinute("12:05"), 5);
    EXPECT_EQ(ClockToEndMinute("00:00"), 720);
    EXPECT_EQ(ClockToEndMinute("13:00"), 60);
}

TEST(TimeAxisClock, EveryMinuteReadsBackFromItsText) {
    for (int m = 0; m < 1440; ++m) {
        EXPECT_EQ(ClockToStartMinute(MinuteToClock(m)), m) << m;
    }
    for (int m = 1; m <= 1440; ++m) {
        EXPECT_EQ(ClockToEndMinute(MinuteToClock(m)), m) << m;
    }
}

TEST(TimeAxisClock, MalformedTextsAreRefusedWithoutReadingPastThem) {
    // Views that end before the digits their positions name.
    const std::string backing = "12:00";
    for (std::size_t length = 0; length < backing.size(); ++length) {
        const std::string_view cut(backing.data(), length);
        EXPECT_EQ(ClockToStartMinute(cut), kInvalidMinute) << length;
        EXPECT_EQ(ClockToEndMinute(cut), kInvalidMinute) << length;
    }
    for (const char* text : {"ab:cd", "1 :00", "12-00", "24:00", "12:60", "99:99", "12:000", ""}) {
        EXPECT_EQ(ClockToStartMinute(text), kInvalidMinute) << text;
        EXPECT_EQ(ClockToEndMinute(text), kInvalidMinute) << text;
        EXPECT_EQ(StepTimeUp(text), text);
        EXPECT_EQ(StepTimeDown(text), text);
    }
}

TEST(TimeAxisController, StartAndEndMappings) {
    EXPECT_EQ(ControllerStartToMinute(12 * 60), 0);   // a start of 12:00 is noon
    EXPECT_EQ(ControllerEndToMinute(12 * 60), 1440);  // an end of 12:00 is the next noon
    EXPECT_EQ(ControllerStartToMinute(0), 720);       // 00:00
    EXPECT_EQ(ControllerEndToMinute(0), 720);
    EXPECT_EQ(ControllerStartToMinute(13 * 60 + 5), 65);
    EXPECT_EQ(ControllerEndToMinute(11 * 60 + 55), 1435);

    const ControllerClock noonNext = MinuteToControllerClock(1440);
    EXPECT_EQ(noonNext.hour, 12);
    EXPECT_EQ(noonNext.minute, 0);
    const ControllerClock midnight = MinuteToControllerClock(720);
    EXPECT_EQ(midnight.hour, 0);
    EXPECT_EQ(midnight.minute, 0);
    for (int m = 0; m < 1440; ++m) {
        const ControllerClock c = MinuteToControllerClock(m);
        EXPECT_EQ(ControllerStartToMinute(c.hour * 60 + c.minute), m) << m;
    }
    for (int m = 1; m <= 1440; ++m) {
        const ControllerClock c = MinuteToControllerClock(m);
        EXPECT_EQ(ControllerEndToMinute(c.hour * 60 + c.minute), m) << m;
    }
}

TEST(TimeAxisLimits, DisplayTest) {
    EXPECT_TRUE(IsDisplayableSector(0, 1440, 100));
    EXPECT_TRUE(IsDisplayableSector(300, 310, 0));
    EXPECT_FALSE(IsDisplayableSector(720, 720, 100));  // a 00:00..00:00 controller slot
    EXPECT_FALSE(IsDisplayableSector(600, 300, 100));
    EXPECT_FALSE(IsDisplayableSector(0, 1440, 101));
    EXPECT_FALSE(IsDisplayableSector(-1, 100, 100));
    EXPECT_FALSE(IsDisplayableSector(0, 1441, 100));
    EXPECT_FALSE(IsDisplayableSector(0, 100, -1));
}

TEST(TimeAxisLimits, DragHitsInsideOrEnclosedButNotTouching) {
    const auto list = Sectors({{300, 420}});
    EXPECT_FALSE(DragHitsSector(list, 100, 200));
    EXPECT_FALSE(DragHitsSector(list, 420, 500));  // touching the end
    EXPECT_FALSE(DragHitsSector(list, 200, 300));  // touching the start
    EXPECT_TRUE(DragHitsSector(list, 100, 350));   // pointer inside
    EXPECT_TRUE(DragHitsSector(list, 350, 500));   // press inside
    EXPECT_TRUE(DragHitsSector(list, 100, 500));   // encloses it
    EXPECT_TRUE(DragHitsSector(list, 500, 100));   // encloses it, dragged leftwards
    EXPECT_TRUE(DragHitsSector(list, 300, 420));   // exactly over it
    EXPECT_FALSE(DragHitsSector({}, 0, 1440));
}

TEST(TimeAxisLimits, LimitEdgeKeepsTenMinutesAndStopsAtTheNearestNeighbour) {
    int r = 0;
    auto list = Sectors({{300, 420}});
    EXPECT_TRUE(LimitEdge(list, 0, 415, true, &r));
    EXPECT_EQ(r, 410);
    EXPECT_TRUE(LimitEdge(list, 0, 305, false, &r));
    EXPECT_EQ(r, 310);
    EXPECT_FALSE(LimitEdge(list, 0, 250, true, &r));
    EXPECT_EQ(r, 250);

    list = Sectors({{100, 200}, {300, 420}});
    EXPECT_TRUE(LimitEdge(list, 1, 150, true, &r));
    EXPECT_EQ(r, 200);
    EXPECT_FALSE(LimitEdge(list, 1, 200, true, &r));  // touching is allowed
    EXPECT_EQ(r, 200);

    // The nearest neighbour wins whatever the list order.
    for (const auto& order : {Sectors({{100, 200}, {250, 280}, {300, 420}}),
                              Sectors({{250, 280}, {100, 200}, {300, 420}})}) {
        EXPECT_TRUE(LimitEdge(order, 2, 50, true, &r));
        EXPECT_EQ(r, 280);
    }
    for (const auto& order : {Sectors({{300, 420}, {600, 700}, {500, 550}}),
                              Sectors({{300, 420}, {500, 550}, {600, 700}})}) {
        EXPECT_TRUE(LimitEdge(order, 0, 900, false, &r));
        EXPECT_EQ(r, 500);
    }
}

TEST(TimeAxisLimits, InsideOtherSectorIgnoresTheEditedOneAndTouching) {
    const auto list = Sectors({{300, 420}, {500, 600}});
    EXPECT_TRUE(IsTimeInsideOtherSector(list, 1, MinuteToClock(350)));
    EXPECT_FALSE(IsTimeInsideOtherSector(list, 0, MinuteToClock(350)));
    EXPECT_FALSE(IsTimeInsideOtherSector(list, 1, MinuteToClock(420)));
    EXPECT_FALSE(IsTimeInsideOtherSector(list, 1, "12:00"));  // minute 0 as a start
    EXPECT_FALSE(IsTimeInsideOtherSector(list, 1, "5:5"));
}

TEST(TimeAxisSteps, TimeStepsOnTheGrid) {
    EXPECT_EQ(StepTimeUp("11:55"), "12:00");
    EXPECT_EQ(StepTimeUp("23:55"), "00:00");
    EXPECT_EQ(StepTimeUp("12:00"), "12:05");    // as a start
    EXPECT_EQ(StepTimeDown("12:00"), "11:55");  // as an end
    EXPECT_EQ(StepTimeDown("12:05"), "12:00");
    EXPECT_EQ(StepTimeDown("00:00"), "23:55");

    // Walking the whole axis each way visits every 5-minute time once.
    std::string up = "12:00";
    std::string down = "12:00";
    for (int step = 1; step <= 288; ++step) {
        up = StepTimeUp(up);
        down = StepTimeDown(down);
        EXPECT_EQ(ClockToEndMinute(up), 5 * step) << up;
        EXPECT_EQ(down, MinuteToClock(1440 - 5 * step));
    }
}

TEST(TimeAxisSteps, TimeStepsOffTheGridLandOnItWithinTheAxis) {
    EXPECT_EQ(StepTimeUp("12:03"), "12:05");
    EXPECT_EQ(StepTimeDown("12:03"), "12:00");
    EXPECT_EQ(StepTimeUp("11:57"), "12:00");
    EXPECT_EQ(StepTimeDown("11:57"), "11:55");
    EXPECT_EQ(StepTimeUp("23:58"), "00:00");
    for (int m = 1; m < 1440; ++m) {
        if (m % 5 == 0) {
            continue;
        }
        const std::string text = MinuteToClock(m);
        EXPECT_EQ(ClockToEndMinute(StepTimeUp(text)), (m / 5 + 1) * 5) << text;
        EXPECT_EQ(ClockToStartMinute(StepTimeDown(text)), m / 5 * 5) << text;
    }
}

TEST(TimeAxisSteps, BrightnessStepsWrapWithPwmAndJumpWithout) {
    EXPECT_EQ(StepBrightnessUp("90%", true).text, "100%");
    EXPECT_EQ(StepBrightnessUp("100%", true).text, "0%");
    EXPECT_EQ(StepBrightnessUp("0%", true).text, "10%");
    EXPECT_EQ(StepBrightnessDown("0%", true).text, "100%");
    EXPECT_EQ(StepBrightnessDown("100%", true).text, "90%");
    EXPECT_EQ(StepBrightnessDown("10%", true).value, 0);
    for (const char* text : {"0%", "40%", "100%"}) {
        EXPECT_EQ(StepBrightnessUp(text, false).text, "100%");
        EXPECT_EQ(StepBrightnessUp(text, false).value, 100);
        EXPECT_EQ(StepBrightnessDown(text, false).text, "0%");
    }
    int value = 0;
    for (int step = 1; step <= 11; ++step) {
        const BrightnessStep next = StepBrightnessUp(std::to_string(value) + "%", true);
        EXPECT_EQ(next.value, step * 10 % 110);
        EXPECT_EQ(next.text, std::to_string(next.value) + "%");
        value = next.value;
    }
}

TEST(TimeAxisSteps, BrightnessOffTheGridStaysInRange) {
    EXPECT_EQ(StepBrightnessUp("95%", true).value, 100);
    EXPECT_EQ(StepBrightnessDown("95%", true).value, 90);
    EXPECT_EQ(StepBrightnessUp("5%", true).value, 10);
    EXPECT_EQ(StepBrightnessDown("5%", true).value, 0);
    for (const char* text : {"", "%", "abc", "150%", "9x%", "1000%", "-5%"}) {
        EXPECT_EQ(StepBrightnessUp(text, true).value, 100) << text;
        EXPECT_EQ(StepBrightnessDown(text, true).value, 0) << text;
    }
}

}  // namespace
}  // namespace zelt

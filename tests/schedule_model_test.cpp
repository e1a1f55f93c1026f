#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "models/ScheduleModel.h"

namespace zelt {
namespace {

using Model = CScheduleModel;
using Ranges = std::vector<std::pair<int, int>>;
constexpr unsigned kLeft = Model::kLeftButton;

struct Editor {
    explicit Editor(const Ranges& ranges, int brightness = 100) {
        for (const auto& [start, end] : ranges)
            app.config.sectors.push_back({start, end, brightness});
        model.ReloadFromConfig();
    }
    // A left drag in area pixels; moves carry the left button alone.
    Model::Changes Drag(int x, int y, std::vector<int> through, unsigned keys = 0) {
        model.Press(kLeft, x, y, kLeft, keys);
        for (int to : through)
            model.Move(to, y, kLeft, 0);
        return model.Release(kLeft);
    }
    void Click(int x, unsigned keys = 0) { Drag(x, 20, {}, keys); }
    Ranges Times() const {
        Ranges out;
        for (const auto& s : model.Sectors())
            out.emplace_back(s.startMinute, s.endMinute);
        return out;
    }
    // start|end|brightness, then which of times, brightness and Delete take input.
    std::string Shown() const {
        const Model::Fields& f = model.PanelFields();
        return f.start + "|" + f.end + "|" + f.brightness + "|" + char('0' + f.timesEnabled) +
               char('0' + f.brightnessEnabled) + char('0' + f.deleteEnabled);
    }
    void Saved() { app.savedToController = app.savedToFile = 1; }
    bool Edited() const { return app.savedToController == 0 && app.savedToFile == 0; }

    CMainApp app;
    Model model{app};
};

TEST(ScheduleModel, NewSectorsAreDrawnOnFreeTimeOnly) {
    Editor e({{300, 420}, {720, 720}, {0, 1441}});  // the last two are not shown
    EXPECT_EQ(e.Times(), (Ranges{{300, 420}}));
    EXPECT_FALSE(e.Edited());
    EXPECT_EQ(e.model.SectorRect(0), (Model::Rect{120, 7, 168, 33}));
    // Grips are the first and last column; the bands above and below are free time.
    EXPECT_EQ(e.model.HitTest(120, 7).grip, SectorGrip::Start);
    EXPECT_EQ(e.model.HitTest(167, 32).grip, SectorGrip::End);
    EXPECT_EQ(e.model.HitTest(140, 33).sector, -1);
    EXPECT_TRUE(e.model.ResizeCursorAt(167, 20) && !e.model.ResizeCursorAt(166, 20));
    EXPECT_FALSE(e.model.Move(140, 20, 0, 0).cursorTime);  // hovering over a sector

    e.model.Press(kLeft, 350, 3, kLeft, 0);
    const Model::Changes moved = e.model.Move(400, 3, kLeft, 0);
    EXPECT_TRUE(moved.band && moved.cursorTime && e.model.CursorMinute() == 1000);
    EXPECT_EQ(e.model.Band(), (Model::Rect{350, 7, 400, 33}));
    const Model::Changes made = e.model.Release(kLeft);
    EXPECT_TRUE(made.sectorsReplaced && made.band && made.edited && e.Edited());
    EXPECT_FALSE(e.model.Band() || e.model.IsSelected(1));
    e.Drag(140, 3, {60});                     // pressed in the band over a sector
    e.Drag(200, 20, {201});                   // 5 minutes
    e.model.Press(kLeft, 440, 20, kLeft, 0);  // Ctrl during the drag abandons it
    e.model.Move(480, 20, kLeft, Model::kCtrlKey);
    e.model.Release(kLeft);
    e.model.Press(kLeft, 440, 20, kLeft, 0);  // and so does the right button
    e.model.Move(480, 20, kLeft, 0);
    EXPECT_TRUE(e.model.Press(Model::kRightButton, 480, 20, kLeft | 2, 0).band);
    e.model.Release(kLeft);
    EXPECT_EQ(e.Times(), (Ranges{{300, 420}, {875, 1000}}));
    // Eight sectors: a press still deselects but draws nothing.
    for (int x = 10; e.model.Sectors().size() < 8; x += 12)
        e.Drag(x, 20, {x + 8});
    e.Click(130);
    e.Drag(500, 20, {540});
    EXPECT_EQ(e.model.Sectors().size(), 8u);
    EXPECT_EQ(e.model.CountSelected(), 0);
}

TEST(ScheduleModel, SelectionFillsThePanelAndDeleteAndEscapeAct) {
    Editor e({{0, 100}, {300, 420}, {600, 700}}, 70);
    EXPECT_EQ(e.Shown(), "|||000");
    e.Click(140);
    EXPECT_EQ(e.Shown(), "17:00|19:00|70%|111");
    e.Click(260, Model::kCtrlKey);
    EXPECT_EQ(e.Shown(), "||70%|011");
    EXPECT_EQ(e.model.StepStart(true).fields, false);        // the time spins are off
    e.model.Press(kLeft, 140, 20, kLeft, Model::kShiftKey);  // Shift: nothing
    EXPECT_EQ(e.model.CountSelected(), 2);
    const Model::Changes deleted = e.model.KeyDelete();
    EXPECT_TRUE(deleted.sectorsReplaced && deleted.fields && e.Edited());
    EXPECT_EQ(e.Times(), (Ranges{{0, 100}}));
    EXPECT_EQ(e.Shown(), "|||000");
    e.Saved();
    EXPECT_FALSE(e.model.KeyDelete().edited || e.Edited());  // 1018 is off: nothing
    e.Click(20);
    e.Click(20);  // clicked again: deselected, none left
    EXPECT_EQ(e.Shown(), "|||000");
    e.Click(20);
    const Model::Changes escaped = e.model.KeyEscape();
    EXPECT_TRUE(escaped.selection && escaped.fields && escaped.restyled == std::vector<size_t>{0});
    EXPECT_EQ(e.Shown(), "|||000");
    e.model.DeleteAll();
    EXPECT_TRUE(e.Times().empty() && e.Edited());
}

TEST(ScheduleModel, EdgeDragsFollowTheLimitsAndEscapePutsTheEdgeBack) {
    Editor e({{0, 100}, {300, 420}, {1300, 1440}});
    e.Saved();
    e.Drag(120, 10, {});  // a grip pressed and released: selected, nothing moved
    EXPECT_FALSE(e.Edited());
    EXPECT_EQ(e.Shown(), "17:00|19:00|100%|111");
    e.model.Press(kLeft, 120, 10, kLeft, Model::kCtrlKey);  // Ctrl on a grip still grabs it
    const Model::Changes moved = e.model.Move(20, 10, kLeft, 0);
    EXPECT_TRUE(moved.moved == std::vector<size_t>{1} && moved.fields && moved.cursorTime);
    EXPECT_EQ(e.model.CursorMinute(), 100);  // stopped at the neighbour's end
    EXPECT_TRUE(e.model.ResizeCursorAt(300, 10));
    e.model.Release(kLeft);
    EXPECT_EQ(e.Shown(), "13:40|19:00|100%|111");
    e.Drag(167, 10, {-40});  // the end edge keeps ten minutes
    e.Drag(575, 10, {9999});
    EXPECT_EQ(e.Times(), (Ranges{{0, 100}, {100, 110}, {1300, 1440}}));
    e.model.Press(kLeft, 43, 10, kLeft, 0);
    e.model.Move(200, 10, kLeft, 0);
    EXPECT_EQ(e.model.KeyEscape().moved, std::vector<size_t>{1});
    e.model.Move(300, 10, kLeft, 0);
    e.model.Release(kLeft);
    EXPECT_EQ(e.Times()[1], std::pair(100, 110));
    EXPECT_EQ(e.Shown(), "|||000");
}

TEST(ScheduleModel, SpinsStepTheOneSelectedSectorAndItsFields) {
    Editor e({{0, 1440}}, 90);
    e.app.config.pwmEnabled = 1;
    e.Click(300);
    e.Saved();
    EXPECT_FALSE(e.model.StepStart(false).edited || e.model.StepEnd(true).edited);
    EXPECT_FALSE(e.Edited());
    e.model.StepEnd(false);
    const Model::Changes step = e.model.StepStart(true);
    EXPECT_TRUE(step.edited && step.fields && step.moved == std::vector<size_t>{0});
    EXPECT_EQ(e.Shown(), "12:05|11:55|90%|111");
    EXPECT_EQ(e.Times(), (Ranges{{5, 1435}}));
    std::string steps;
    for (int i = 0; i < 3; ++i)
        steps += e.model.StepBrightness(true).restyled.size() == 1
                     ? e.model.PanelFields().brightness
                     : "?";
    EXPECT_EQ(steps, "100%0%10%");
    e.app.config.pwmEnabled = 0;
    e.model.StepBrightness(true);
    e.model.CollectIntoConfig();
    EXPECT_EQ(e.app.config.sectors, (std::vector<CTimeSectorData>{{5, 1435, 100}}));
    EXPECT_EQ(e.app.config.sectorCount, 1);
}

}  // namespace
}  // namespace zelt

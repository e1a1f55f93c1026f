#include "models/ScheduleModel.h"

#include <algorithm>

#include "base/Trace.h"
#include "panel/PanelLayout.h"

namespace zelt {

using namespace timeaxis;

namespace {

int MinuteAt(int x) {
    return PixelToMinute(std::clamp(x, 0, axisWidth));
}

}  // namespace

int CScheduleModel::CountSelected() const {
    return static_cast<int>(std::count(selected_.begin(), selected_.end(), true));
}

CScheduleModel::Rect CScheduleModel::SectorRect(std::size_t index) const {
    const CTimeSectorData& sector = sectors_.at(index);
    return Rect{MinuteToPixel(sector.startMinute), kBandInset, MinuteToPixel(sector.endMinute),
                std::max(areaHeight_ - kBandInset, kBandInset)};
}

std::optional<CScheduleModel::Rect> CScheduleModel::Band() const {
    if (!newDrag_.HasBand()) {
        return std::nullopt;
    }
    const int a = std::min(newDrag_.Start(), newDrag_.BandEnd());
    const int b = std::max(newDrag_.Start(), newDrag_.BandEnd());
    return Rect{MinuteToPixel(a), kBandInset, MinuteToPixel(b),
                std::max(areaHeight_ - kBandInset, kBandInset)};
}

CScheduleModel::Hit CScheduleModel::HitTest(int x, int y) const {
    for (std::size_t i = sectors_.size(); i-- > 0;) {
        const Rect r = SectorRect(i);
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
            return Hit{static_cast<int>(i), GripAt(x - r.left, r.right - r.left)};
        }
    }
    return Hit{};
}

bool CScheduleModel::ResizeCursorAt(int x, int y) const {
    return edge_.active || HitTest(x, y).grip != SectorGrip::None;
}

CScheduleModel::SectorLook CScheduleModel::Look(std::size_t index) const {
    const bool selected = selected_.at(index);
    const Rect r = SectorRect(index);
    // The label sits a little left of the middle, never left of the window.
    return SectorLook{selected ? 0x0000FFu : 0x000000u,
                      selected ? 3 : 1,
                      selected ? 0x5050FFu : 0x9696FFu,
                      StrF("%d%%", sectors_[index].brightness),
                      std::max(((r.right - r.left + 1) >> 1) - 14, 0),
                      ((r.bottom - r.top + 1) >> 1) - 9};
}

std::vector<CScheduleModel::RulerMark> CScheduleModel::RulerMarks(int width) {
    // Eighths of one more than the width: 72 pixels, three hours, on the 577-pixel ruler.
    const int step = (width + 1) >> 3;
    std::vector<RulerMark> marks;
    for (int i = 0; i <= 8; ++i) {
        const int labelX = i == 0 ? 0 : (i == 8 ? width - 34 : step * i - 16);
        marks.push_back(RulerMark{step * i, labelX, MinuteToClock(i * 180)});
    }
    return marks;
}

CScheduleModel::Texts CScheduleModel::PanelTexts(bool english) {
    // The words stand once, in the schedule bar's layout: the Delete button's own, and each
    // field's in the label just before it.
    Texts texts{};
    const char* label = "";
    using namespace panel_layout;
    for (const ScheduleBarControl& control : ScheduleBarControls()) {
        const char* text = Pick(control.text, english);
        switch (control.id) {
            case 0:
                label = text;
                break;
            case kScheduleDeleteButton:
                texts.deleteButton = text;
                break;
            case kScheduleStartField:
                texts.start = label;
                break;
            case kScheduleEndField:
                texts.end = label;
                break;
            case kScheduleBrightnessField:
                texts.brightness = label;
                break;
            default:
                break;
        }
    }
    return texts;
}

// ---------------------------------------------------------------- pointer

CScheduleModel::Changes CScheduleModel::Press(unsigned button, int x, int y, unsigned buttons,
                                              unsigned keys) {
    const Snapshot before = Begin();
    if (button == kRightButton) {
        // Ends a new-sector drag without a sector; an edge drag goes on.
        newDrag_.Cancel();
        return Finish(before);
    }
    if (button != kLeftButton) {
        return Finish(before);
    }
    edge_.active = false;
    const Hit hit = HitTest(x, y);
    if (hit.sector < 0) {
        newDrag_.Press(MinuteAt(x), sectors_.size());
        DeselectAll();
        return Finish(before);
    }
    const auto index = static_cast<std::size_t>(hit.sector);
    const bool otherKeys = buttons != kLeftButton || (keys & kShiftKey) != 0;
    const SectorPress press =
        PressOnSector(selected_[index], hit.grip, (keys & kCtrlKey) != 0, otherKeys);
    if (!press.handled) {
        return Finish(before);
    }
    if (press.deselectOthers) {
        std::fill(selected_.begin(), selected_.end(), false);
    }
    selected_[index] = press.selected;
    if (press.selected) {
        ShowSelected(index);
    } else if (CountSelected() == 0) {
        ClearFields();
    }
    if (press.startsEdgeDrag) {
        const bool startEdge = hit.grip == SectorGrip::Start;
        const CTimeSectorData& sector = sectors_[index];
        edge_ =
            EdgeDrag{true, index, startEdge, startEdge ? sector.startMinute : sector.endMinute, -1};
    }
    return Finish(before);
}

CScheduleModel::Changes CScheduleModel::Move(int x, int y, unsigned buttons, unsigned keys) {
    const Snapshot before = Begin();
    int minute = MinuteAt(x);
    if (edge_.active && (buttons & kLeftButton) == 0) {
        // The release went elsewhere (a dialog took the pointer): the drag ended where the
        // edge is, and the pointer only hovers now.
        edge_.active = false;
    }
    if (edge_.active) {
        int limited = minute;
        if (LimitEdge(sectors_, edge_.index, minute, edge_.startEdge, &limited)) {
            minute = limited;
        }
        edge_.newMinute = minute;
        ReportCursor(minute);
        SetEdge(edge_.index, edge_.startEdge, minute);
    } else if (newDrag_.Dragging()) {
        ReportCursor(minute);
        const bool leftAlone = buttons == kLeftButton && (keys & (kShiftKey | kCtrlKey)) == 0;
        newDrag_.Move(sectors_, minute, leftAlone);
    } else if (HitTest(x, y).sector < 0) {
        // Over a sector only an edge drag tells the time.
        ReportCursor(minute);
    }
    return Finish(before);
}

CScheduleModel::Changes CScheduleModel::Release(unsigned button) {
    const Snapshot before = Begin();
    if (button != kLeftButton) {
        return Finish(before);
    }
    if (edge_.active) {
        edge_.active = false;
        if (edge_.newMinute != -1) {
            SetEdge(edge_.index, edge_.startEdge, edge_.newMinute);
        }
    } else if (newDrag_.Dragging()) {
        if (const auto sector = newDrag_.Release(sectors_)) {
            // Appended unselected; the fields were emptied by the press.
            sectors_.push_back(*sector);
            selected_.push_back(false);
            ++generation_;
            Edited();
        }
    }
    return Finish(before);
}

// ---------------------------------------------------------------- keys, spins, commands

CScheduleModel::Changes CScheduleModel::KeyDelete() {
    return fields_.deleteEnabled ? DeleteSelected() : Finish(Begin());
}

CScheduleModel::Changes CScheduleModel::KeyEscape() {
    const Snapshot before = Begin();
    newDrag_.Cancel();
    if (edge_.active) {
        edge_.active = false;
        SetEdge(edge_.index, edge_.startEdge, edge_.origin);
    }
    DeselectAll();
    return Finish(before);
}

CScheduleModel::Changes CScheduleModel::StepTime(bool startEdge, bool later) {
    const Snapshot before = Begin();
    if (!fields_.timesEnabled || !fieldsSector_ || CountSelected() != 1 ||
        !selected_[*fieldsSector_]) {
        return Finish(before);
    }
    const std::size_t index = *fieldsSector_;
    const auto text = StepSectorTime(sectors_, index, startEdge, later);
    if (!text) {
        return Finish(before);
    }
    CTimeSectorData& sector = sectors_[index];
    if (startEdge) {
        sector.startMinute = ClockToStartMinute(*text);
        fields_.start = *text;
    } else {
        sector.endMinute = ClockToEndMinute(*text);
        fields_.end = *text;
    }
    Edited();
    return Finish(before);
}

CScheduleModel::Changes CScheduleModel::StepBrightness(bool up) {
    const Snapshot before = Begin();
    if (!fields_.brightnessEnabled || CountSelected() == 0) {
        return Finish(before);
    }
    // Stepped from what the field shows; with several sectors selected all take the result.
    const bool pwm = app_.config.pwmEnabled != 0;
    const BrightnessStep step = up ? StepBrightnessUp(fields_.brightness, pwm)
                                   : StepBrightnessDown(fields_.brightness, pwm);
    for (std::size_t i = 0; i < sectors_.size(); ++i) {
        if (selected_[i]) {
            sectors_[i].brightness = step.value;
        }
    }
    fields_.brightness = step.text;
    Edited();
    return Finish(before);
}

CScheduleModel::Changes CScheduleModel::DeleteSelected() {
    const Snapshot before = Begin();
    RemoveIf(true);
    if (CountSelected() == 0) {
        ClearFields();
    }
    Edited();
    return Finish(before);
}

CScheduleModel::Changes CScheduleModel::DeleteAll() {
    const Snapshot before = Begin();
    RemoveIf(false);
    ClearFields();
    Edited();
    return Finish(before);
}

CScheduleModel::Changes CScheduleModel::ReloadFromConfig() {
    const Snapshot before = Begin();
    RemoveIf(false);
    ++generation_;  // the same count is still a new list
    for (const CTimeSectorData& sector : app_.config.sectors) {
        if (IsDisplayableSector(sector)) {
            sectors_.push_back(sector);
            selected_.push_back(false);
        }
    }
    ClearFields();
    return Finish(before);
}

void CScheduleModel::CollectIntoConfig() const {
    app_.config.sectors = sectors_;
    app_.config.sectorCount = static_cast<int32_t>(sectors_.size());
}

// ---------------------------------------------------------------- helpers

CScheduleModel::Snapshot CScheduleModel::Begin() {
    cursorReported_ = false;
    edited_ = false;
    return Snapshot{generation_, sectors_, selected_, fields_, Band()};
}

CScheduleModel::Changes CScheduleModel::Finish(const Snapshot& before) const {
    Changes changes;
    changes.sectorsReplaced = generation_ != before.generation;
    if (changes.sectorsReplaced) {
        const auto anySelected = [](const std::vector<bool>& v) {
            return std::find(v.begin(), v.end(), true) != v.end();
        };
        changes.selection = anySelected(before.selected) || anySelected(selected_);
    } else {
        for (std::size_t i = 0; i < sectors_.size(); ++i) {
            const CTimeSectorData& was = before.sectors[i];
            const CTimeSectorData& now = sectors_[i];
            if (was.startMinute != now.startMinute || was.endMinute != now.endMinute) {
                changes.moved.push_back(i);
            }
            if (was.brightness != now.brightness || before.selected[i] != selected_[i]) {
                changes.restyled.push_back(i);
            }
        }
        changes.selection = before.selected != selected_;
    }
    changes.fields = before.fields != fields_;
    changes.band = before.band != Band();
    changes.cursorTime = cursorReported_;
    changes.edited = edited_;
    return changes;
}

void CScheduleModel::ShowSelected(std::size_t index) {
    const CTimeSectorData& sector = sectors_[index];
    const bool single = CountSelected() == 1;
    fields_.timesEnabled = single;
    fields_.start = single ? MinuteToClock(sector.startMinute) : std::string();
    fields_.end = single ? MinuteToClock(sector.endMinute) : std::string();
    fields_.brightnessEnabled = true;
    fields_.brightness = StrF("%d%%", sector.brightness);
    fields_.deleteEnabled = true;
    fieldsSector_ = index;
}

void CScheduleModel::ClearFields() {
    fields_ = Fields{};
    fieldsSector_.reset();
}

void CScheduleModel::DeselectAll() {
    std::fill(selected_.begin(), selected_.end(), false);
    ClearFields();
}

void CScheduleModel::SetEdge(std::size_t index, bool startEdge, int minute) {
    CTimeSectorData& sector = sectors_[index];
    const int start = startEdge ? minute : sector.startMinute;
    const int end = startEdge ? sector.endMinute : minute;
    // A limited edge can still come too close where sectors from a file overlap.
    if (end - start < kShortestSector || (start == sector.startMinute && end == sector.endMinute)) {
        return;
    }
    sector.startMinute = start;
    sector.endMinute = end;
    Edited();
    // The time fields follow while they show this one sector.
    if (selected_[index] && CountSelected() == 1) {
        fields_.start = MinuteToClock(start);
        fields_.end = MinuteToClock(end);
    }
}

void CScheduleModel::ReportCursor(int minute) {
    cursorMinute_ = minute;
    cursorReported_ = true;
}

void CScheduleModel::Edited() {
    app_.savedToController = 0;
    app_.savedToFile = 0;
    edited_ = true;
}

void CScheduleModel::RemoveIf(bool selectedOnly) {
    // The list changes under an edge drag: it ends where it is.
    edge_.active = false;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < sectors_.size(); ++i) {
        if (selectedOnly && !selected_[i]) {
            sectors_[kept] = sectors_[i];
            selected_[kept] = false;
            ++kept;
        }
    }
    if (kept != sectors_.size()) {
        sectors_.resize(kept);
        selected_.resize(kept);
        ++generation_;
    }
}

}  // namespace zelt

#pragma once
// The schedule editor without a window: the working list of sectors, the selection, the
// new-sector drag, edge drags, the schedule panel's fields, spins, keys and the delete
// commands. Every window that shows the schedule drives one model and only paints.
//
// How a window drives it:
// - The time area passes its pointer events in area coordinates (x from the axis start, y
//   from the area's top), whether the pointer is over free time or over a sector: Press on a
//   button going down, Move on every pointer move (hover included), Release on a button
//   going up. `buttons` is every button held after the event (kLeftButton | ...), `keys` the
//   Shift and Ctrl keys held. A window with one child window per sector maps the child's
//   point into the area first. SetAreaHeight follows the area's height.
// - Keys: KeyDelete where the Delete key deletes (the time area, the view, the Delete
//   button), KeyEscape anywhere in the editor. Spin arrows: StepStart/StepEnd (later = the up
//   arrow) and StepBrightness. Commands: DeleteSelected (1018, also the Delete button) and
//   DeleteAll (1019). ReloadFromConfig after the record changed; CollectIntoConfig before the
//   record is saved or written.
// - Each call answers what changed (Changes). The window re-places the sectors named (or
//   all of them), repaints the band, shows PanelFields() in the schedule panel and the
//   cursor time, and sets the pointer shape from ResizeCursorAt. Sector rectangles come from
//   SectorRect, the band from Band(), colours from IsSelected.
// Every user edit clears both saved flags of the application; a rebuild from the record
// does not.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "config/MainApp.h"
#include "config/TimeSectorData.h"
#include "schedule/TimeAxis.h"

namespace zelt {

class CScheduleModel {
  public:
    // Pointer buttons and keys, as bits.
    static constexpr unsigned kLeftButton = 1;
    static constexpr unsigned kRightButton = 2;
    static constexpr unsigned kMiddleButton = 4;
    static constexpr unsigned kShiftKey = 1;
    static constexpr unsigned kCtrlKey = 2;
    // Sectors keep this much of the area free above and below them.
    static constexpr int kBandInset = 7;
    // The area's height in the parameter panel.
    static constexpr int kAreaHeight = 40;

    // Area pixels; right and bottom lie just outside.
    struct Rect {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
        friend bool operator==(const Rect&, const Rect&) = default;
    };

    // What the schedule panel shows. The time fields and their spins take input together, as
    // do the brightness field and its spin; deleteEnabled is also the state of command 1018.
    struct Fields {
        std::string start;
        std::string end;
        std::string brightness;
        bool timesEnabled = false;
        bool brightnessEnabled = false;
        bool deleteEnabled = false;
        friend bool operator==(const Fields&, const Fields&) = default;
    };

    // What one call changed.
    struct Changes {
        // Sectors were added or removed: every sector is to be placed and painted anew.
        bool sectorsReplaced = false;
        std::vector<std::size_t> moved;     // sectors whose edges moved (list positions)
        std::vector<std::size_t> restyled;  // sectors whose selection or brightness changed
        bool selection = false;             // the set of selected sectors changed
        bool fields = false;                // PanelFields() changed
        bool band = false;                  // the new-sector band appeared, moved or went
        bool cursorTime = false;            // CursorMinute() is to be shown (again)
        bool edited = false;                // the user changed the schedule
    };

    struct Hit {
        int sector = -1;  // list position, -1 on free time
        SectorGrip grip = SectorGrip::None;
    };

    explicit CScheduleModel(CMainApp& app) : app_(app) {}

    void SetAreaHeight(int height) { areaHeight_ = height; }

    // The working list, in list order (never sorted).
    const std::vector<CTimeSectorData>& Sectors() const { return sectors_; }
    bool IsSelected(std::size_t index) const { return selected_.at(index); }
    int CountSelected() const;
    const Fields& PanelFields() const { return fields_; }
    // The axis minute last reported under the pointer; -1 before any.
    int CursorMinute() const { return cursorMinute_; }

    Rect SectorRect(std::size_t index) const;
    // The dash-dot band of a new-sector drag, when one is to be drawn.
    std::optional<Rect> Band() const;
    // The sector under an area point; the last one in the list wins where sectors overlap.
    Hit HitTest(int x, int y) const;
    // The resize cursor: over a grip, and all through an edge drag.
    bool ResizeCursorAt(int x, int y) const;

    Changes Press(unsigned button, int x, int y, unsigned buttons, unsigned keys);
    Changes Move(int x, int y, unsigned buttons, unsigned keys);
    Changes Release(unsigned button);
    // Deletes the selection when command 1018 is enabled.
    Changes KeyDelete();
    // Ends a drag without its result (a dragged edge goes back) and deselects every sector.
    Changes KeyEscape();
    Changes StepStart(bool later) { return StepTime(true, later); }
    Changes StepEnd(bool later) { return StepTime(false, later); }
    Changes StepBrightness(bool up);
    Changes DeleteSelected();
    Changes DeleteAll();
    // The sectors of app.config.sectors that pass the display test; fields emptied.
    Changes ReloadFromConfig();
    // The working list into app.config (sectors and sectorCount).
    void CollectIntoConfig() const;

  private:
    struct Snapshot {
        unsigned generation = 0;
        std::vector<CTimeSectorData> sectors;
        std::vector<bool> selected;
        Fields fields;
        std::optional<Rect> band;
    };
    struct EdgeDrag {
        bool active = false;
        std::size_t index = 0;
        bool startEdge = true;
        int origin = 0;      // the edge's minute when the drag began
        int newMinute = -1;  // last minute the pointer asked for; -1 before any move
    };

    Snapshot Begin();
    Changes Finish(const Snapshot& before) const;
    Changes StepTime(bool startEdge, bool later);
    void ShowSelected(std::size_t index);
    void ClearFields();
    void DeselectAll();
    void SetEdge(std::size_t index, bool startEdge, int minute);
    void ReportCursor(int minute);
    void Edited();
    void RemoveIf(bool selectedOnly);

    CMainApp& app_;
    std::vector<CTimeSectorData> sectors_;
    std::vector<bool> selected_;  // parallel to sectors_
    Fields fields_;
    std::optional<std::size_t> fieldsSector_;  // the sector whose times the fields show
    NewSectorDrag newDrag_;
    EdgeDrag edge_;
    int areaHeight_ = kAreaHeight;
    int cursorMinute_ = -1;
    unsigned generation_ = 0;  // counts changes of the list's membership
    bool cursorReported_ = false;
    bool edited_ = false;
};

}  // namespace zelt

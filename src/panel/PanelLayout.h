#pragma once
// The parameter panel's layout, the same for every window: the nine group boxes, the tab
// control and every label, edit, spin, button, radio, check box and list at its id, rectangle
// (panel client pixels at 96 dots per inch) and text in both languages, in creation order. A
// window creates one control per entry and finds it by id; what the controls do is the
// panel's rules (PanelRules.h, PanelRecordMap.h, PanelDisplays.h).

#include <array>
#include <span>
#include <string>

#include "base/Bilingual.h"

namespace zelt {

enum class PanelControlKind {
    Label,
    Edit,              // centred text
    ReadOnlyEdit,      // centred, a display
    ReadOnlyLeftEdit,  // left-aligned, a display
    Spin,              // up-down arrows stepping the edit before it
    Button,
    Radio,
    Check,
    Combo,
};

enum PanelControlFlag : unsigned {
    kNeverShown = 1u << 0,
    kDisabled = 1u << 1,
    kBasic = 1u << 2,      // shown on the Basic tab only
    kAdvance = 1u << 3,    // shown on the Advance tab only
    kChecked = 1u << 4,    // radio checked at creation
    kRadioPair = 1u << 5,  // radio: the first of an exclusive pair; the next radio joins it
};

// Labels without an id that the panel moves, shows or hides, by a negative pseudo id.
enum PanelLabelTag : int {
    kLabelLightingTime = -1,
    kLabelChargeVoltage = -2,
    kLabelChargeCurrent = -3,
    kLabelLoadVoltage = -4,
    kLabelLoadCurrent = -5,
};

struct PanelRect {
    int left, top, right, bottom;  // right and bottom lie just outside
    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
};

struct PanelControl {
    int id;  // control id, or a PanelLabelTag, or 0 for a plain label
    PanelControlKind kind;
    const char* english;
    const char* chinese;
    PanelRect rect;
    unsigned flags = 0;
    int limit = 0;  // longest text the user can type, 0 for none

    const char* Text(bool english) const { return english ? this->english : chinese; }
    bool Labelled() const { return english[0] != '\0'; }
    // Whether the control takes the user's input: what an exchange locks.
    bool TakesInput() const;
};

struct PanelGroup {
    int id;
    const char* english;
    const char* chinese;
};

namespace panel_layout {

inline constexpr int kTabControlId = 3307;
inline constexpr int kBatteryGroupId = 1025;
inline constexpr int kStepColumns = 8;
// The panel's client size a window gives it at 96 dots per inch.
inline constexpr int kPanelWidth = 660;
inline constexpr int kPanelHeight = 628;
inline constexpr PanelRect kTabRect{10, 25, 214, 150};

// Buttons, radios and lists the panel acts on.
inline constexpr int kResetButton = 3302;
inline constexpr int kLowLevelBox = 3308;
inline constexpr int kPcTimeRadio = 1053;
inline constexpr int kUserTimeRadio = 1055;
inline constexpr int kUserTimeSet = 1056;
inline constexpr int kPcTimeSet = 1057;
inline constexpr int kUpdateButton = 1058;
inline constexpr int kPwmDisableRadio = 3305;
inline constexpr int kPwmEnableRadio = 3306;
inline constexpr int kBatteryTypeList = 4006;
// The controls that PanelControlStates' flags enable.
inline constexpr int kAdvanceControls[] = {3309, 3311, 3313, 3315, 3310, 3312, 3314, 3316};
inline constexpr int kVoutControls[] = {1030, 1031, 1044, 1045};

// Pictures of the program's resources (the same numbers in every window's resources): the
// Reset and Delete Schedule buttons show their words as a bitmap of the language, and the
// sectors' edges take a resize cursor of their own.
struct PictureIds {
    int english;
    int chinese;
    int Of(bool inEnglish) const { return inEnglish ? english : chinese; }
};
inline constexpr PictureIds kResetPicture{122, 123};
inline constexpr PictureIds kDeleteSchedulePicture{115, 119};
inline constexpr int kResizeCursorId = 109;

// The button that opens the live chart, beside the charge/discharge row.
inline constexpr PanelRect kChartToggleRect{603, 305, 641, 323};
const char* ChartToggleText(bool english);
// The schedule editor in the last group: the bar with the sector fields over the time view.
inline constexpr PanelRect kScheduleBarRect{40, 495, 617, 545};
inline constexpr PanelRect kScheduleViewRect{40, 545, 617, 615};

// The schedule bar's controls in the bar's own pixels: the Delete button, then label, field
// and spin of the start time, the end time and the brightness (labels have no id of their own).
struct ScheduleBarControl {
    int id;
    PanelControlKind kind;  // Button, Label, ReadOnlyEdit or Spin
    Bilingual text;
    PanelRect rect;
};
inline constexpr int kScheduleDeleteButton = 1018;
inline constexpr int kScheduleStartField = 1012;
inline constexpr int kScheduleStartSpin = 1013;
inline constexpr int kScheduleEndField = 1014;
inline constexpr int kScheduleEndSpin = 1015;
inline constexpr int kScheduleBrightnessField = 1006;
inline constexpr int kScheduleBrightnessSpin = 1007;
std::span<const ScheduleBarControl> ScheduleBarControls();
// The time view: the ruler's height (the time area lies below it).
inline constexpr int kScheduleRulerHeight = (kScheduleViewRect.Height() >> 1) - 5;

// Every control but the groups and the tab control, the step columns last.
std::span<const PanelControl> Controls();
const PanelControl* FindControl(int id);
std::span<const PanelGroup> Groups();
const char* TabText(int index, bool english);  // 0 Basic, 1 Advance

// The nine group boxes, in Groups() order, for a panel client area of width x height: three
// columns that follow the panel's width; their contents stay where they are.
std::array<PanelRect, 9> GroupRects(int width, int height);
// The battery group's title carries the system voltage (12, 24, else none).
std::string BatteryTitle(bool english, int systemVoltage);

// The charge/discharge row by language: each label (kLabelChargeVoltage ...) and its display
// (3501 ...) right after it.
struct ChargeRowCell {
    int labelTag;
    int displayId;
    PanelRect label;
    PanelRect display;
};
std::array<ChargeRowCell, 4> ChargeRow(bool english);

}  // namespace panel_layout

}  // namespace zelt

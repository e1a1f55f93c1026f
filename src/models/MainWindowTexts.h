#pragma once
// The main window's own texts and fixed metrics, whatever draws it: the frame's place and
// size, the status panes (ids, widths, their labels and how the language switch swaps them),
// the cursor time, the stale readings' pane and the other short texts of the frame.

#include <span>
#include <string>

#include "base/Bilingual.h"
#include "base/TimeOfDay.h"
#include "config/MainApp.h"

namespace zelt {

// The fixed outer frame, the window manager's border included: left 140, top 0, 670 x 738.
struct MainFrameRect {
    static constexpr int kLeft = 140;
    static constexpr int kTop = 0;
    static constexpr int kWidth = 670;
    static constexpr int kHeight = 738;
};
// The panel starts 2 px below the toolbar's buttons; the idle pane is at least 110 px wide.
inline constexpr int kPanelTopGap = 2;
inline constexpr int kIdlePaneMinWidth = 110;

// Status bar panes by command id.
enum StatusPaneId : int {
    ID_PANE_FIRMWARE = 901,
    ID_PANE_SERIAL = 902,
    ID_PANE_CURSOR_TIME = 905,
};

struct StatusPane {
    int id;
    int width;        // pixels
    Bilingual label;  // the pane reads "<label>:" until it has a value
};
// Left to right, after the idle pane.
std::span<const StatusPane> StatusPanes();

// "F/W Ver:" and so on: the pane's text before it has a value.
std::string InitialPaneText(int paneId, bool english);
// The language switch: the old language's label in front of text becomes the new one's, the
// value after it stays. A text that does not start with the old label comes back unchanged.
std::string SwapPaneLabel(int paneId, const std::string& text, bool toEnglish);

// Pane 905 for a schedule axis minute: "Cursor Time: 12:30".
std::string CursorTimeText(const CMainApp& app, int minute);
// The pane that shows while the live readings are stale.
std::string StaleReadingsText(const CMainApp& app, const TimeOfDay& lastGood);

namespace texts {

// Before the language is known: English only, and no caption of its own.
inline constexpr const char* kRegistryFail = "Fatal Error: Rigistry Fail ! ";
inline constexpr Bilingual kParametersSaved{"Parameters saved to the controller.",
                                            "參數已存入控制器."};
// The caption of the question before a Set writes values the last Get could not read.
inline constexpr Bilingual kSetParametersCaption{"Set Parameters", "設定參數"};

}  // namespace texts

// How long a status bar message such as kParametersSaved stays.
inline constexpr int kStatusMessageMs = 5000;

}  // namespace zelt

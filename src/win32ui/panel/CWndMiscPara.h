#pragma once
// The parameter panel of the Win32 window: child 1027 of the main window, every controller
// parameter in nine group boxes, the live readings and clocks, the live chart and the schedule
// editor in its last group. The layout, the fields' behaviour and the schedule's are the core's
// (src/panel, src/models); this window only turns Win32 messages into their calls and paints.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/MainApp.h"
#include "config/TimeSectorData.h"
#include "models/PanelHost.h"
#include "panel/ControllerTexts.h"

namespace zelt::win32 {

class CWndMiscPara {
  public:
    static constexpr int kControlId = 1027;
    static constexpr int kTimerPeriodMs = 1000;

    // Creates the panel window as child kControlId of parent, its top-left corner at origin
    // (parent's client pixels), in the language of app.english. The panel starts its own
    // one-second timer; the host runs the exchanges its buttons and ticks ask for.
    CWndMiscPara(CMainApp& app, IPanelHost& host, HWND parent, POINT origin);
    ~CWndMiscPara();
    CWndMiscPara(const CWndMiscPara&) = delete;
    CWndMiscPara& operator=(const CWndMiscPara&) = delete;

    HWND Handle() const;
    // The panel's extent in pixels at the parent's DPI, for the frame's layout.
    SIZE Extent() const;

    void SetLanguage(bool english);
    void RefreshFromConfig();
    void StoreToConfig();
    // Validates, as leaving it would, each field the user edited since the last refresh (the
    // one being edited included); the others hold the record's values.
    void CommitEditedFields();
    void CommitClockFields();  // hour, minute, second fields into the panel's userTime
    void InvalidateAllControls();

    // The display updates of the window's controller commands (texts in UTF-8).
    void SetDisplay(Display display, const std::string& text);
    void SetLightingTimeVisible(bool visible);
    void SetBatteryCaption(const std::string& caption);
    // The mode and lighting-time displays from the codes last read, in the current language;
    // the lighting time shows in Manual mode only.
    void ShowOperatingMode();
    // While an exchange runs: every field, spin, button and list of the panel and the whole
    // schedule editor take no input and look so; unlocking gives each back its own state.
    void SetInputLocked(bool locked);
    // The live readings greyed while stale.
    void SetReadingsStale(bool stale);

    // One tick of timer 6 (the panel's own timer calls it): the clocks every second, the poll
    // every fifth tick, nothing while the link is busy or another controller exchange runs.
    void OnPanelTimer();

    // The schedule editor. Commands 1018 and 1019: delete the selected sectors / all of them.
    void DeleteSectors(bool all);
    // The sector-selected flag: the command state of 1018.
    bool SectorSelected() const;
    // The collect step's copy of the schedule, in list order.
    std::vector<CTimeSectorData> Sectors() const;
    // Rebuilds the schedule from app.config.sectors and empties the sector fields.
    void ReloadSchedule();
    // Called with the axis minute under the pointer while it moves over the schedule.
    void SetCursorTimeHandler(std::function<void(int minute)> handler);

    // The frame's message loop offers each message here first: Tab and Shift+Tab between the
    // fields, Enter leaving a field, Delete and Escape on the schedule. True when the panel
    // handled it (the loop neither translates nor dispatches it then).
    bool PreTranslateMessage(MSG& message);

  private:
    class Window;
    std::unique_ptr<Window> window_;
};

}  // namespace zelt::win32

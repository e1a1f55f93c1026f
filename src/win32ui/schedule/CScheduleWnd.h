#pragma once
// The schedule editor of the Win32 panel, in its last group: the bar with the selected
// sector's start, end and brightness fields (each with up-down arrows) and the Delete button,
// over one owner-drawn view of the time ruler and the time area with its sectors.

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "config/MainApp.h"
#include "config/TimeSectorData.h"
#include "win32ui/panel/PanelStyle.h"

namespace zelt::win32 {

class CScheduleWnd {
  public:
    static constexpr int kBarId = 1005;
    static constexpr int kViewId = 1010;
    static constexpr int kDeleteButtonId = 1018;
    static constexpr int kStartFieldId = 1012;
    static constexpr int kStartSpinId = 1013;
    static constexpr int kEndFieldId = 1014;
    static constexpr int kEndSpinId = 1015;
    static constexpr int kBrightnessFieldId = 1006;
    static constexpr int kBrightnessSpinId = 1007;

    CScheduleWnd(CMainApp& app, HWND panel, const PanelStyle& style);
    ~CScheduleWnd();
    CScheduleWnd(const CScheduleWnd&) = delete;
    CScheduleWnd& operator=(const CScheduleWnd&) = delete;

    void SetLanguage(bool english);
    void SetInputLocked(bool locked);
    void DeleteSectors(bool all);
    bool SectorSelected() const;
    std::vector<CTimeSectorData> Sectors() const;
    void Reload();
    void SetCursorTimeHandler(std::function<void(int minute)> handler);
    bool PreTranslateMessage(MSG& message);

    HWND Bar() const;
    HWND View() const;

  private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace zelt::win32

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
#include "panel/PanelLayout.h"
#include "win32ui/panel/PanelStyle.h"

namespace zelt::win32 {

class CScheduleWnd {
  public:
    static constexpr int kBarId = 1005;
    static constexpr int kViewId = 1010;
    static constexpr int kDeleteButtonId = panel_layout::kScheduleDeleteButton;
    static constexpr int kStartFieldId = panel_layout::kScheduleStartField;
    static constexpr int kStartSpinId = panel_layout::kScheduleStartSpin;
    static constexpr int kEndFieldId = panel_layout::kScheduleEndField;
    static constexpr int kEndSpinId = panel_layout::kScheduleEndSpin;
    static constexpr int kBrightnessFieldId = panel_layout::kScheduleBrightnessField;
    static constexpr int kBrightnessSpinId = panel_layout::kScheduleBrightnessSpin;

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

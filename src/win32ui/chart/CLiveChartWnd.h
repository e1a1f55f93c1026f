#pragma once
// The live readings of the last hour drawn with GDI in a tool window of its own, opened from
// the charge/discharge row so that no control of the panel moves: battery voltage on the
// left axis, charge and load current on the right one, time along the bottom. The samples and
// the axes are the core's (panel/LiveChartHistory.h).

#include <windows.h>

#include <functional>

#include "panel/LiveChartHistory.h"
#include "win32ui/panel/PanelStyle.h"

namespace zelt::win32 {

class CLiveChartWnd {
  public:
    // closed: the user closed the window with its close box.
    CLiveChartWnd(HWND panel, const PanelStyle& style, std::function<void()> closed);
    ~CLiveChartWnd();
    CLiveChartWnd(const CLiveChartWnd&) = delete;
    CLiveChartWnd& operator=(const CLiveChartWnd&) = delete;

    void Append(const ChartSample& sample);
    const LiveChartHistory& History() const { return history_; }
    void SetLanguage(bool english);
    void Show(bool shown);
    HWND Handle() const { return window_; }

  private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(HDC dc, const RECT& client) const;
    // Centred over the main window the first time, inside the work area of its monitor.
    void PlaceOnScreen();

    HWND panel_;
    const PanelStyle& style_;
    std::function<void()> closed_;
    HWND window_ = nullptr;
    LiveChartHistory history_;
    bool english_ = true;
    bool placed_ = false;
};

}  // namespace zelt::win32

#pragma once
// --dump-state FILE: what the window shows, as text, rewritten whenever it changes (checked
// every 250 ms, under any dialog too). Tests under wine read it: the caption, the status
// panes, the toolbar's command ids and every control's text by id, of the main window and of
// each dialog the program has open; for the benchmark the first paint and the working set.
// Each line is "where.id=text" in UTF-8; "rect.where.id="
// gives the control's screen rectangle (left,top,right,bottom), where a test clicks.

#include <windows.h>

#include <string>

namespace zelt::win32 {

class CMainWnd;

class CStateDump {
  public:
    CStateDump(const CMainWnd& wnd, std::wstring path);
    ~CStateDump();
    CStateDump(const CStateDump&) = delete;
    CStateDump& operator=(const CStateDump&) = delete;

    std::string Snapshot() const;

  private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void WriteIfChanged();

    const CMainWnd& wnd_;
    std::wstring path_;
    std::string written_;
    UINT_PTR timer_ = 0;
};

}  // namespace zelt::win32

#pragma once
// The Win32 panel's child controls, one per entry of the panel's layout (panel/PanelLayout.h):
// it creates them, finds them by id or label tag, relabels them and moves what the language
// moves. What they do is the panel's.

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "panel/PanelLayout.h"
#include "win32ui/panel/PanelStyle.h"

namespace zelt::win32 {

// The window class that shows a control of this kind.
const wchar_t* ControlClassOf(PanelControlKind kind);

class PanelControls {
  public:
    PanelControls(HWND panel, const PanelStyle& style, bool english);

    // Puts the group boxes at the bottom of the z-order and the tab control right over them:
    // every other control, the panel's own later children included, lies over both.
    void SendFramesToBack() const;
    // Places the nine group boxes for a panel client area given in layout pixels.
    void PlaceGroups(int width, int height);
    // Texts, fonts (the style's, already switched) and the charge/discharge row's geometry by
    // language; the battery group title carries the system voltage.
    void Relabel(bool english, int systemVoltage);

    HWND Window(int id) const;  // any control by id or label tag; null when none
    const PanelControl* EntryOf(HWND window) const;
    HWND Tabs() const { return tabs_; }
    int TabIndex() const;

    // The controls of each tab (the "On" box is in Advance's), those that take input, and all
    // of them (group boxes and the tab control included).
    const std::vector<HWND>& BasicControls() const { return basic_; }
    const std::vector<HWND>& AdvanceControls() const { return advance_; }
    const std::vector<HWND>& InputControls() const { return inputs_; }
    const std::vector<HWND>& AllControls() const { return all_; }

    void SetText(int id, const std::string& utf8) const;
    std::string Text(int id) const;
    bool Checked(int id) const;
    void SetChecked(int id, bool checked) const;
    void SetEnabled(int id, bool enabled) const;
    void SetVisible(int id, bool visible) const;

  private:
    void CreateGroups(bool english);
    void CreateControls(bool english);
    HWND Create(const wchar_t* windowClass, DWORD style, const RECT& rect, int id);
    RECT ScaledRect(const PanelRect& rect) const;

    HWND panel_;
    const PanelStyle& style_;
    HWND tabs_ = nullptr;
    std::map<int, HWND> byId_;
    std::map<HWND, const PanelControl*> entries_;
    std::vector<HWND> basic_;
    std::vector<HWND> advance_;
    std::vector<HWND> inputs_;
    std::vector<HWND> all_;
};

}  // namespace zelt::win32

#include "win32ui/panel/PanelControls.h"

#include <commctrl.h>

#include "platform/win32/Wide.h"

namespace zelt::win32 {

namespace {

using Kind = PanelControlKind;
using namespace panel_layout;

constexpr int kStaticId = 0xFFFF;  // labels without an id of their own
constexpr UINT_PTR kGroupSubclass = 1;

// A group box draws its frame and title only: the inside is erased in the panel's colour
// (the panel clips its children, so nothing else would paint there).
LRESULT CALLBACK GroupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                           DWORD_PTR brush) {
    if (message == WM_PAINT) {
        RECT update;
        if (GetUpdateRect(window, &update, FALSE)) {
            HDC dc = GetDC(window);
            FillRect(dc, &update, reinterpret_cast<HBRUSH>(brush));
            ReleaseDC(window, dc);
        }
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, &GroupProc, kGroupSubclass);
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

DWORD StyleOf(const PanelControl& entry) {
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    if ((entry.flags & (kNeverShown | kAdvance)) == 0) {
        style |= WS_VISIBLE;
    }
    if ((entry.flags & kDisabled) != 0) {
        style |= WS_DISABLED;
    }
    if (entry.TakesInput()) {
        style |= WS_TABSTOP;
    }
    switch (entry.kind) {
        case Kind::Label:
            return style | SS_LEFT | SS_NOPREFIX;
        case Kind::Edit:
            return style | ES_CENTER | ES_AUTOHSCROLL;
        case Kind::ReadOnlyEdit:
            return style | ES_CENTER | ES_AUTOHSCROLL | ES_READONLY;
        case Kind::ReadOnlyLeftEdit:
            return style | ES_LEFT | ES_AUTOHSCROLL | ES_READONLY;
        case Kind::Spin:
            return style;  // no buddy: the panel steps the edit before it
        case Kind::Button:
            return style | BS_PUSHBUTTON;
        case Kind::Radio:
            // The panel checks the pair itself: one click handler for both radios.
            return style | BS_RADIOBUTTON;
        case Kind::Check:
            return style | BS_AUTOCHECKBOX;
        case Kind::Combo:
            return style | CBS_DROPDOWNLIST | WS_VSCROLL;
    }
    return style;
}

}  // namespace

const wchar_t* ControlClassOf(PanelControlKind kind) {
    switch (kind) {
        case PanelControlKind::Label:
            return WC_STATICW;
        case PanelControlKind::Edit:
        case PanelControlKind::ReadOnlyEdit:
        case PanelControlKind::ReadOnlyLeftEdit:
            return WC_EDITW;
        case PanelControlKind::Spin:
            return UPDOWN_CLASSW;
        case PanelControlKind::Combo:
            return WC_COMBOBOXW;
        default:
            return WC_BUTTONW;
    }
}

PanelControls::PanelControls(HWND panel, const PanelStyle& style, bool english)
    : panel_(panel), style_(style) {
    CreateGroups(english);
    CreateControls(english);
    SendFramesToBack();
    PlaceGroups(kPanelWidth, kPanelHeight);
    Relabel(english, 0);
}

void PanelControls::SendFramesToBack() const {
    constexpr UINT kKeep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    SetWindowPos(tabs_, HWND_BOTTOM, 0, 0, 0, 0, kKeep);
    for (const PanelGroup& group : Groups()) {
        SetWindowPos(Window(group.id), HWND_BOTTOM, 0, 0, 0, 0, kKeep);
    }
}

RECT PanelControls::ScaledRect(const PanelRect& r) const {
    return style_.Scale(r.left, r.top, r.right, r.bottom);
}

HWND PanelControls::Create(const wchar_t* windowClass, DWORD style, const RECT& rect, int id) {
    HWND window = CreateWindowExW(0, windowClass, L"", style, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, panel_,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  GetModuleHandleW(nullptr), nullptr);
    all_.push_back(window);
    return window;
}

void PanelControls::CreateGroups(bool) {
    for (const PanelGroup& group : Groups()) {
        HWND box = Create(WC_BUTTONW, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_GROUPBOX, RECT{},
                          group.id);
        SetWindowSubclass(box, &GroupProc, kGroupSubclass,
                          reinterpret_cast<DWORD_PTR>(style_.BackgroundBrush()));
        byId_[group.id] = box;
    }
    tabs_ = Create(WC_TABCONTROLW, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP,
                   ScaledRect(kTabRect), kTabControlId);
    for (int i = 0; i < 2; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(L"");
        SendMessageW(tabs_, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    byId_[kTabControlId] = tabs_;
}

void PanelControls::CreateControls(bool) {
    for (const PanelControl& entry : Controls()) {
        const int id = entry.id > 0 ? entry.id : kStaticId;
        HWND window =
            Create(ControlClassOf(entry.kind), StyleOf(entry), ScaledRect(entry.rect), id);
        entries_[window] = &entry;
        if (entry.id != 0) {
            byId_[entry.id] = window;
        }
        switch (entry.kind) {
            case Kind::Spin:
                // The panel steps the field itself; the arrows only report the click.
                SendMessageW(window, UDM_SETRANGE32, 0, 100);
                SendMessageW(window, UDM_SETPOS32, 0, 50);
                break;
            case Kind::Radio:
                SendMessageW(window, BM_SETCHECK,
                             (entry.flags & kChecked) != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
                break;
            case Kind::Edit:
                if (entry.limit > 0) {
                    SendMessageW(window, EM_LIMITTEXT, entry.limit, 0);
                }
                break;
            default:
                break;
        }
        if ((entry.flags & kBasic) != 0) {
            basic_.push_back(window);
        } else if ((entry.flags & kAdvance) != 0) {
            advance_.push_back(window);
        }
        if (entry.TakesInput()) {
            inputs_.push_back(window);
        }
    }
}

void PanelControls::PlaceGroups(int width, int height) {
    const auto rects = GroupRects(width, height);
    const auto groups = Groups();
    for (size_t i = 0; i < groups.size(); ++i) {
        const RECT r = ScaledRect(rects[i]);
        SetWindowPos(Window(groups[i].id), nullptr, r.left, r.top, r.right - r.left,
                     r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void PanelControls::Relabel(bool english, int systemVoltage) {
    for (const PanelGroup& group : Groups()) {
        HWND box = Window(group.id);
        SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(style_.GroupFont()), FALSE);
        SetText(group.id, group.id == kBatteryGroupId ? BatteryTitle(english, systemVoltage)
                                                      : (english ? group.english : group.chinese));
    }
    SendMessageW(tabs_, WM_SETFONT, reinterpret_cast<WPARAM>(style_.LabelFont()), FALSE);
    for (int i = 0; i < 2; ++i) {
        std::wstring text = Wide(TabText(i, english));
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text.data();
        SendMessageW(tabs_, TCM_SETITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    for (const auto& [window, entry] : entries_) {
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(style_.LabelFont()), FALSE);
        if (entry->Labelled()) {
            SetWindowTextW(window, Wide(entry->Text(english)).c_str());
        }
    }
    for (const ChargeRowCell& cell : ChargeRow(english)) {
        for (const auto& [id, rect] :
             {std::pair{cell.labelTag, cell.label}, std::pair{cell.displayId, cell.display}}) {
            const RECT r = ScaledRect(rect);
            SetWindowPos(Window(id), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    InvalidateRect(panel_, nullptr, TRUE);
}

HWND PanelControls::Window(int id) const {
    const auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

const PanelControl* PanelControls::EntryOf(HWND window) const {
    const auto it = entries_.find(window);
    return it == entries_.end() ? nullptr : it->second;
}

int PanelControls::TabIndex() const {
    return static_cast<int>(SendMessageW(tabs_, TCM_GETCURSEL, 0, 0));
}

void PanelControls::SetText(int id, const std::string& utf8) const {
    if (HWND window = Window(id)) {
        SetWindowTextW(window, Wide(utf8).c_str());
    }
}

std::string PanelControls::Text(int id) const {
    HWND window = Window(id);
    if (window == nullptr) {
        return {};
    }
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    const int length = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    return Utf8(text.data(), static_cast<size_t>(length));
}

bool PanelControls::Checked(int id) const {
    return SendMessageW(Window(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void PanelControls::SetChecked(int id, bool checked) const {
    SendMessageW(Window(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void PanelControls::SetEnabled(int id, bool enabled) const {
    EnableWindow(Window(id), enabled ? TRUE : FALSE);
}

void PanelControls::SetVisible(int id, bool visible) const {
    ShowWindow(Window(id), visible ? SW_SHOWNA : SW_HIDE);
}

}  // namespace zelt::win32

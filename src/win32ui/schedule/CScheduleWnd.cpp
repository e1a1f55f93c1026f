#include "win32ui/schedule/CScheduleWnd.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <map>

#include "base/Bilingual.h"
#include "models/ScheduleModel.h"
#include "panel/PanelLayout.h"
#include "platform/win32/Wide.h"
#include "schedule/TimeAxis.h"
#include "win32ui/WindowSupport.h"
#include "win32ui/panel/PanelControls.h"
#include "win32ui/panel/PictureButton.h"

namespace zelt::win32 {

namespace {

using namespace panel_layout;

constexpr wchar_t kBarClass[] = L"ZeltScheduleBar";
constexpr wchar_t kViewClass[] = L"ZeltScheduleView";

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;

DWORD BarStyleOf(PanelControlKind kind) {
    switch (kind) {
        case PanelControlKind::Button:
            return kChild | WS_TABSTOP | BS_PUSHBUTTON;
        case PanelControlKind::Label:
            return kChild | SS_LEFT | SS_CENTERIMAGE;
        case PanelControlKind::Spin:
            return kChild;
        default:
            return kChild | ES_CENTER | ES_READONLY;
    }
}

constexpr COLORREF kBarColour = RGB(218, 218, 209);

// The model's colours are 0xRRGGBB.
COLORREF ColourOf(unsigned rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

WNDPROC RegisterOnce(const wchar_t* name, WNDPROC proc) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    if (!GetClassInfoExW(instance, name, &windowClass)) {
        windowClass.lpfnWndProc = proc;
        windowClass.hInstance = instance;
        windowClass.hCursor = nullptr;  // WM_SETCURSOR picks it
        windowClass.lpszClassName = name;
        RegisterClassExW(&windowClass);
    }
    return proc;
}

unsigned KeysHeld() {
    unsigned keys = 0;
    if (GetKeyState(VK_SHIFT) < 0) {
        keys |= CScheduleModel::kShiftKey;
    }
    if (GetKeyState(VK_CONTROL) < 0) {
        keys |= CScheduleModel::kCtrlKey;
    }
    return keys;
}

unsigned ButtonsOf(WPARAM state) {
    unsigned buttons = 0;
    if ((state & MK_LBUTTON) != 0) {
        buttons |= CScheduleModel::kLeftButton;
    }
    if ((state & MK_RBUTTON) != 0) {
        buttons |= CScheduleModel::kRightButton;
    }
    if ((state & MK_MBUTTON) != 0) {
        buttons |= CScheduleModel::kMiddleButton;
    }
    return buttons;
}

}  // namespace

class CScheduleWnd::Impl {
  public:
    Impl(CMainApp& app, HWND panel, const PanelStyle& style);
    ~Impl();

    static LRESULT CALLBACK BarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnBar(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnView(UINT message, WPARAM wParam, LPARAM lParam);

    // Shows what a model call changed.
    void Show(const CScheduleModel::Changes& changes);
    void ShowFields();
    void PaintView(HDC dc) const;
    void PaintRuler(HDC dc, const RECT& ruler) const;
    void PaintArea(HDC dc, const RECT& area) const;
    // View pixels to the model's area pixels (layout pixels from the area's top-left).
    int AreaX(int x) const { return MulDiv(x, 96, dpi_); }
    int AreaY(int y) const { return MulDiv(y, 96, dpi_) - split_; }
    RECT ViewRect(const CScheduleModel::Rect& r) const;

    CMainApp& app;
    const PanelStyle& style;
    CScheduleModel model;
    HWND bar = nullptr;
    HWND view = nullptr;
    std::map<int, HWND> barControls;  // by id
    std::vector<HWND> labels;
    std::vector<std::pair<HWND, Bilingual>> labelled;
    std::vector<HWND> locked;
    std::function<void(int)> cursorTimeHandler;
    bool english = true;
    int dpi_ = 96;
    int split_ = 0;  // the ruler's height: the area starts below it (layout pixels)
    GdiObject rulerFont;
    GdiObject sectorFont;
};

CScheduleWnd::Impl::Impl(CMainApp& app, HWND panel, const PanelStyle& style)
    : app(app), style(style), model(app) {
    dpi_ = style.Scale(96);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterOnce(kBarClass, &Impl::BarProc);
    RegisterOnce(kViewClass, &Impl::ViewProc);
    const RECT barRect = style.Scale(kScheduleBarRect.left, kScheduleBarRect.top,
                                     kScheduleBarRect.right, kScheduleBarRect.bottom);
    bar = CreateWindowExW(WS_EX_CONTROLPARENT, kBarClass, L"", kChild, barRect.left, barRect.top,
                          barRect.right - barRect.left, barRect.bottom - barRect.top, panel,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBarId)), instance, this);
    for (const ScheduleBarControl& control : ScheduleBarControls()) {
        const RECT r = style.Scale(control.rect.left, control.rect.top, control.rect.right,
                                   control.rect.bottom);
        const int id = control.id != 0 ? control.id : 0xFFFF;
        HWND window =
            CreateWindowExW(0, ControlClassOf(control.kind), L"", BarStyleOf(control.kind), r.left,
                            r.top, r.right - r.left, r.bottom - r.top, bar,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        if (control.text.english[0] != '\0') {
            labelled.emplace_back(window, control.text);
        }
        if (control.kind == PanelControlKind::Spin) {
            // The model steps the field; the arrows only report the click.
            SendMessageW(window, UDM_SETRANGE32, 0, 100);
            SendMessageW(window, UDM_SETPOS32, 0, 50);
        }
        if (control.id != 0) {
            barControls[control.id] = window;
        } else {
            labels.push_back(window);
        }
    }
    split_ = kScheduleRulerHeight;
    model.SetAreaHeight(kScheduleViewRect.Height() - split_);
    const RECT viewRect = style.Scale(kScheduleViewRect.left, kScheduleViewRect.top,
                                      kScheduleViewRect.right, kScheduleViewRect.bottom);
    view = CreateWindowExW(0, kViewClass, L"", kChild | WS_TABSTOP, viewRect.left, viewRect.top,
                           viewRect.right - viewRect.left, viewRect.bottom - viewRect.top, panel,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(kViewId)), instance, this);
    LOGFONTW font{};
    font.lfHeight = -style.Scale(10);
    font.lfWeight = FW_BOLD;
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    wcscpy(font.lfFaceName, L"Courier New");
    rulerFont.Reset(CreateFontIndirectW(&font));
    font.lfHeight = -style.Scale(11);
    font.lfWeight = FW_NORMAL;
    font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    wcscpy(font.lfFaceName, L"MS Shell Dlg 2");
    sectorFont.Reset(CreateFontIndirectW(&font));
    ShowFields();
}

CScheduleWnd::Impl::~Impl() {
    for (HWND window : {bar, view}) {
        if (window != nullptr) {
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            DestroyWindow(window);
        }
    }
}

LRESULT CALLBACK CScheduleWnd::Impl::BarProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    auto* self = WindowObject<Impl>(window, message, lParam);
    if (self == nullptr || self->bar == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->OnBar(message, wParam, lParam);
}

LRESULT CALLBACK CScheduleWnd::Impl::ViewProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    auto* self = WindowObject<Impl>(window, message, lParam);
    if (self == nullptr || self->view == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->OnView(message, wParam, lParam);
}

LRESULT CScheduleWnd::Impl::OnBar(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == kDeleteButtonId && HIWORD(wParam) == BN_CLICKED) {
                Show(model.DeleteSelected());
            }
            return 0;
        case WM_NOTIFY: {
            const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
            if (header.code != UDN_DELTAPOS) {
                break;
            }
            const int delta = reinterpret_cast<const NMUPDOWN*>(lParam)->iDelta;
            const bool up = delta > 0;  // the upper arrow: later, brighter
            if (delta != 0) {
                switch (header.idFrom) {
                    case kStartSpinId:
                        Show(model.StepStart(up));
                        break;
                    case kEndSpinId:
                        Show(model.StepEnd(up));
                        break;
                    case kBrightnessSpinId:
                        Show(model.StepBrightness(up));
                        break;
                    default:
                        break;
                }
            }
            return TRUE;  // the arrows keep their own position
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            const bool field = std::find(labels.begin(), labels.end(),
                                         reinterpret_cast<HWND>(lParam)) == labels.end();
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            if (field) {
                SetBkColor(dc, GetSysColor(COLOR_WINDOW));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
            }
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        }
        case WM_ERASEBKGND: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            RECT client;
            GetClientRect(bar, &client);
            GdiObject brush(CreateSolidBrush(kBarColour));
            FillRect(dc, &client, brush.Brush());
            FrameRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            return 1;
        }
        default:
            break;
    }
    return DefWindowProcW(bar, message, wParam, lParam);
}

LRESULT CScheduleWnd::Impl::OnView(UINT message, WPARAM wParam, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN: {
            if (AreaY(y) < 0) {
                return 0;  // the ruler takes no clicks
            }
            SetFocus(view);
            SetCapture(view);
            const unsigned button = message == WM_LBUTTONDOWN   ? CScheduleModel::kLeftButton
                                    : message == WM_RBUTTONDOWN ? CScheduleModel::kRightButton
                                                                : CScheduleModel::kMiddleButton;
            Show(model.Press(button, AreaX(x), AreaY(y), ButtonsOf(wParam), KeysHeld()));
            return 0;
        }
        case WM_MOUSEMOVE:
            if (GetCapture() == view || AreaY(y) >= 0) {
                Show(model.Move(AreaX(x), AreaY(y), ButtonsOf(wParam), KeysHeld()));
            }
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP: {
            const unsigned button = message == WM_LBUTTONUP   ? CScheduleModel::kLeftButton
                                    : message == WM_RBUTTONUP ? CScheduleModel::kRightButton
                                                              : CScheduleModel::kMiddleButton;
            if ((ButtonsOf(wParam) == 0) && GetCapture() == view) {
                ReleaseCapture();
            }
            Show(model.Release(button));
            return 0;
        }
        case WM_SETCURSOR: {
            POINT at;
            GetCursorPos(&at);
            ScreenToClient(view, &at);
            const bool resize = model.ResizeCursorAt(AreaX(at.x), AreaY(at.y));
            SetCursor(resize ? ResizeCursor(kResizeCursorId) : LoadCursorW(nullptr, IDC_ARROW));
            return TRUE;
        }
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
            InvalidateRect(view, nullptr, FALSE);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            // A drag repaints on every move.
            PaintBuffered(view, [this](HDC memory, const RECT&) { PaintView(memory); });
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcW(view, message, wParam, lParam);
}

void CScheduleWnd::Impl::Show(const CScheduleModel::Changes& changes) {
    if (changes.sectorsReplaced || !changes.moved.empty() || !changes.restyled.empty() ||
        changes.selection || changes.band) {
        InvalidateRect(view, nullptr, FALSE);
    }
    if (changes.fields || changes.sectorsReplaced || changes.selection) {
        ShowFields();
    }
    if (changes.cursorTime && cursorTimeHandler && model.CursorMinute() >= 0) {
        cursorTimeHandler(model.CursorMinute());
    }
}

void CScheduleWnd::Impl::ShowFields() {
    const CScheduleModel::Fields& fields = model.PanelFields();
    const struct {
        int field, spin;
        const std::string& text;
        bool enabled;
    } rows[] = {
        {kStartFieldId, kStartSpinId, fields.start, fields.timesEnabled},
        {kEndFieldId, kEndSpinId, fields.end, fields.timesEnabled},
        {kBrightnessFieldId, kBrightnessSpinId, fields.brightness, fields.brightnessEnabled}};
    const bool lockedNow = !locked.empty() || !IsWindowEnabled(view);
    for (const auto& row : rows) {
        SetWindowTextW(barControls[row.field], Wide(row.text).c_str());
        if (!lockedNow) {
            EnableWindow(barControls[row.field], row.enabled ? TRUE : FALSE);
            EnableWindow(barControls[row.spin], row.enabled ? TRUE : FALSE);
        }
    }
    if (!lockedNow) {
        EnableWindow(barControls[kDeleteButtonId], fields.deleteEnabled ? TRUE : FALSE);
    }
}

RECT CScheduleWnd::Impl::ViewRect(const CScheduleModel::Rect& r) const {
    return style.Scale(r.left, r.top + split_, r.right, r.bottom + split_);
}

void CScheduleWnd::Impl::PaintView(HDC dc) const {
    RECT client;
    GetClientRect(view, &client);
    const int split = style.Scale(split_);
    PaintRuler(dc, RECT{0, 0, client.right, split});
    PaintArea(dc, RECT{0, split, client.right, client.bottom});
}

void CScheduleWnd::Impl::PaintRuler(HDC dc, const RECT& ruler) const {
    GdiObject brush(CreateSolidBrush(ColourOf(CScheduleModel::kRulerFill)));
    HGDIOBJ oldBrush = SelectObject(dc, brush.Get());
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    Rectangle(dc, ruler.left, ruler.top, ruler.right, ruler.bottom);
    HGDIOBJ oldFont = SelectObject(dc, rulerFont.Get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    // The marks in layout pixels, as the record's minutes lie.
    for (const CScheduleModel::RulerMark& mark :
         CScheduleModel::RulerMarks(kScheduleViewRect.Width())) {
        const int x = style.Scale(mark.x);
        MoveToEx(dc, x, style.Scale(CScheduleModel::kRulerTickTop), nullptr);
        LineTo(dc, x, ruler.bottom);
        const std::wstring label = Wide(mark.label);
        TextOutW(dc, style.Scale(mark.labelX), style.Scale(2), label.c_str(),
                 static_cast<int>(label.size()));
    }
    SelectObject(dc, oldFont);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
}

void CScheduleWnd::Impl::PaintArea(HDC dc, const RECT& area) const {
    const bool enabled = IsWindowEnabled(view) != FALSE;
    HGDIOBJ oldBrush = SelectObject(dc, GetSysColorBrush(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    Rectangle(dc, area.left, area.top, area.right, area.bottom);
    HGDIOBJ oldFont = SelectObject(dc, sectorFont.Get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, enabled ? RGB(0, 0, 0) : GetSysColor(COLOR_GRAYTEXT));
    for (std::size_t i = 0; i < model.Sectors().size(); ++i) {
        const CScheduleModel::SectorLook look = model.Look(i);
        const RECT r = ViewRect(model.SectorRect(i));
        GdiObject pen(CreatePen(PS_INSIDEFRAME, look.penWidth > 1 ? style.Scale(look.penWidth) : 1,
                                ColourOf(look.pen)));
        GdiObject brush(CreateSolidBrush(ColourOf(look.fill)));
        SelectObject(dc, pen.Get());
        SelectObject(dc, brush.Get());
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
        SelectObject(dc, GetStockObject(BLACK_PEN));
        SelectObject(dc, GetStockObject(WHITE_BRUSH));
        const int labelX = r.left + style.Scale(look.labelX);
        const int labelY = r.top + style.Scale(look.labelY);
        RECT text{labelX, labelY, r.right, labelY + style.Scale(16)};
        DrawTextW(dc, Wide(look.label).c_str(), -1, &text,
                  DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOCLIP);
    }
    if (const auto band = model.Band()) {
        GdiObject pen(CreatePen(PS_DASHDOT, 1, RGB(0, 0, 0)));
        SelectObject(dc, pen.Get());
        SelectObject(dc, GetStockObject(NULL_BRUSH));
        const RECT r = ViewRect(*band);
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
        SelectObject(dc, GetStockObject(BLACK_PEN));
    }
    SelectObject(dc, oldFont);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
}

// ---------------------------------------------------------------- the public operations

CScheduleWnd::CScheduleWnd(CMainApp& app, HWND panel, const PanelStyle& style)
    : impl_(std::make_unique<Impl>(app, panel, style)) {}

CScheduleWnd::~CScheduleWnd() = default;

HWND CScheduleWnd::Bar() const {
    return impl_->bar;
}

HWND CScheduleWnd::View() const {
    return impl_->view;
}

void CScheduleWnd::SetLanguage(bool english) {
    impl_->english = english;
    for (const auto& [control, text] : impl_->labelled) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(impl_->style.LabelFont()),
                     FALSE);
        SetWindowTextW(control, Wide(Pick(text, english)).c_str());
    }
    ShowPicture(impl_->barControls[kDeleteButtonId], kDeleteSchedulePicture.Of(english));
    InvalidateRect(impl_->bar, nullptr, TRUE);
    InvalidateRect(impl_->view, nullptr, FALSE);
}

void CScheduleWnd::SetInputLocked(bool locked) {
    Impl& s = *impl_;
    if (!locked) {
        for (HWND window : s.locked) {
            EnableWindow(window, TRUE);
        }
        s.locked.clear();
        s.ShowFields();
        return;
    }
    if (!s.locked.empty()) {
        return;
    }
    if (GetCapture() == s.view) {
        ReleaseCapture();  // a drag under way ends without its result
    }
    std::vector<HWND> candidates{s.view};
    for (const auto& [id, window] : s.barControls) {
        candidates.push_back(window);
    }
    for (HWND window : candidates) {
        if (IsWindowEnabled(window)) {
            EnableWindow(window, FALSE);
            s.locked.push_back(window);
        }
    }
}

void CScheduleWnd::DeleteSectors(bool all) {
    impl_->Show(all ? impl_->model.DeleteAll() : impl_->model.DeleteSelected());
}

bool CScheduleWnd::SectorSelected() const {
    return impl_->model.PanelFields().deleteEnabled;
}

std::vector<CTimeSectorData> CScheduleWnd::Sectors() const {
    return impl_->model.Sectors();
}

void CScheduleWnd::Reload() {
    impl_->Show(impl_->model.ReloadFromConfig());
}

void CScheduleWnd::SetCursorTimeHandler(std::function<void(int minute)> handler) {
    impl_->cursorTimeHandler = std::move(handler);
}

bool CScheduleWnd::PreTranslateMessage(MSG& message) {
    Impl& s = *impl_;
    if (message.message != WM_KEYDOWN) {
        return false;
    }
    const bool inEditor =
        message.hwnd == s.view || message.hwnd == s.bar || IsChild(s.bar, message.hwnd);
    if (!inEditor) {
        return false;
    }
    if (message.wParam == VK_ESCAPE) {
        s.Show(s.model.KeyEscape());
        return true;
    }
    // Delete deletes on the time area and the Delete button; in the read-only fields it does
    // what it does in any field.
    if (message.wParam == VK_DELETE &&
        (message.hwnd == s.view || message.hwnd == s.barControls[kDeleteButtonId])) {
        s.Show(s.model.KeyDelete());
        return true;
    }
    return false;
}

}  // namespace zelt::win32

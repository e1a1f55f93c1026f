#include "win32ui/panel/CWndMiscPara.h"

#include <commctrl.h>

#include <chrono>
#include <set>

#include "panel/FieldRules.h"
#include "panel/PanelDisplays.h"
#include "panel/PanelLayout.h"
#include "panel/PanelRecordMap.h"
#include "panel/PanelRules.h"
#include "panel/ReadState.h"
#include "platform/win32/Wide.h"
#include "win32ui/WindowSupport.h"
#include "win32ui/chart/CLiveChartWnd.h"
#include "win32ui/panel/PanelControls.h"
#include "win32ui/panel/PanelStyle.h"
#include "win32ui/panel/PictureButton.h"
#include "win32ui/schedule/CScheduleWnd.h"

namespace zelt::win32 {

namespace {

using namespace panel_layout;

constexpr wchar_t kPanelClass[] = L"ZeltParameterPanel";
constexpr UINT_PTR kPanelTimerId = 6;
constexpr int kChartToggleId = 3510;
constexpr COLORREF kGreyText = RGB(128, 128, 128);

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

// The panel window: Win32 messages in, the core's panel rules' calls out.
class CWndMiscPara::Window {
  public:
    Window(CMainApp& app, IPanelHost& host, HWND parent, POINT origin);
    ~Window();

    HWND handle = nullptr;
    CMainApp& app;
    IPanelHost& host;
    PanelFields fields;
    PanelRules rules;
    std::unique_ptr<PanelStyle> style;
    std::unique_ptr<PanelControls> controls;
    std::unique_ptr<CLiveChartWnd> chart;
    std::unique_ptr<CScheduleWnd> schedule;
    HWND chartToggle = nullptr;
    std::set<int> greyed;  // fields shown as unread
    bool stale = false;
    std::vector<HWND> locked;
    int writing = 0;  // > 0 while the panel itself writes into an edit

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    // Field editing.
    std::string FieldText(int fieldId) const { return ReadFieldText(controls->Text(fieldId)); }
    void WriteField(int fieldId, const std::string& text);
    void Apply(int fieldId, const EditOutcome& outcome);
    void OnFieldEdited(int fieldId);
    void OnFieldLeft(int fieldId);
    void OnSpin(int spinId, int positionChange);
    void NoteGiven(int fieldId);
    void ShowReadState(int fieldId, ValueShown shown);

    void OnCommand(int id, int code, HWND control);
    LRESULT OnNotify(const NMHDR& header, LPARAM lParam);
    LRESULT OnControlColor(HDC dc, HWND control, bool edit);
    void ApplyControlStates();
    void OnClockSourceChanged(int radio);
    void Paint();
};

CWndMiscPara::Window::Window(CMainApp& app, IPanelHost& host, HWND parent, POINT origin)
    : app(app), host(host), fields(app.english != 0), rules(fields, host.Values().userTime) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    if (!GetClassInfoExW(instance, kPanelClass, &windowClass)) {
        windowClass.lpfnWndProc = &Window::Proc;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kPanelClass;
        RegisterClassExW(&windowClass);
    }
    style = std::make_unique<PanelStyle>(parent);
    handle = CreateWindowExW(
        WS_EX_CONTROLPARENT, kPanelClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, origin.x,
        origin.y, style->Scale(kPanelWidth), style->Scale(kPanelHeight), parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kControlId)), instance, this);
    const bool english = app.english != 0;
    style->SetLanguage(english);
    controls = std::make_unique<PanelControls>(handle, *style, english);
    const RECT toggle = style->Scale(kChartToggleRect.left, kChartToggleRect.top,
                                     kChartToggleRect.right, kChartToggleRect.bottom);
    chartToggle = CreateWindowExW(
        0, WC_BUTTONW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX | BS_PUSHLIKE,
        toggle.left, toggle.top, toggle.right - toggle.left, toggle.bottom - toggle.top, handle,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kChartToggleId)), instance, nullptr);
    chart = std::make_unique<CLiveChartWnd>(
        handle, *style, [this] { SendMessageW(chartToggle, BM_SETCHECK, 0, 0); });
    schedule = std::make_unique<CScheduleWnd>(app, handle, *style);
    controls->SendFramesToBack();
    SetTimer(handle, kPanelTimerId, kTimerPeriodMs, nullptr);
}

CWndMiscPara::Window::~Window() {
    if (handle != nullptr) {
        KillTimer(handle, kPanelTimerId);
        SetWindowLongPtrW(handle, GWLP_USERDATA, 0);
        DestroyWindow(handle);
    }
}

LRESULT CALLBACK CWndMiscPara::Window::Proc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    auto* self = WindowObject<Window>(window, message, lParam);
    if (self == nullptr || self->controls == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->Handle(message, wParam, lParam);
}

LRESULT CWndMiscPara::Window::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<const NMHDR*>(lParam), lParam);
        case WM_CTLCOLOREDIT:
            return OnControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam),
                                  true);
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return OnControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam),
                                  false);
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT fills the whole client area
        case WM_PAINT:
            Paint();
            return 0;
        case WM_TIMER:
            if (wParam == kPanelTimerId) {
                if (host.PanelTick()) {
                    chart->Append(SampleOf(host.Values(), NowMs()));
                }
                return 0;
            }
            break;
        case WM_SIZE:
            // The three columns follow the panel's width, in layout pixels.
            controls->PlaceGroups(MulDiv(LOWORD(lParam), kPanelWidth, style->Scale(kPanelWidth)),
                                  MulDiv(HIWORD(lParam), kPanelHeight, style->Scale(kPanelHeight)));
            return 0;
        default:
            break;
    }
    return DefWindowProcW(handle, message, wParam, lParam);
}

void CWndMiscPara::Window::Paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(handle, &paint);
    RECT client;
    GetClientRect(handle, &client);
    FillRect(dc, &client, style->BackgroundBrush());
    FrameRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EndPaint(handle, &paint);
}

LRESULT CWndMiscPara::Window::OnControlColor(HDC dc, HWND control, bool edit) {
    const PanelControl* entry = controls->EntryOf(control);
    const bool display = entry != nullptr && (entry->kind == PanelControlKind::ReadOnlyEdit ||
                                              entry->kind == PanelControlKind::ReadOnlyLeftEdit);
    bool grey = false;
    if (edit && entry != nullptr) {
        grey = greyed.count(entry->id) != 0;
    } else if (display) {
        for (Display d : kStaleDisplays) {
            grey = grey || (stale && static_cast<int>(d) == entry->id);
        }
    }
    SetTextColor(dc, grey ? kGreyText : GetSysColor(COLOR_WINDOWTEXT));
    if (edit || display) {
        // Fields and displays keep the white of an edit, read-only or not.
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    SetBkColor(dc, style->Background());
    return reinterpret_cast<LRESULT>(style->BackgroundBrush());
}

// ---------------------------------------------------------------- field editing

void CWndMiscPara::Window::WriteField(int fieldId, const std::string& text) {
    ++writing;
    controls->SetText(fieldId, text);
    --writing;
}

void CWndMiscPara::Window::Apply(int fieldId, const EditOutcome& outcome) {
    // Only what the user does in the field itself counts as a change of the configuration;
    // texts the program writes never do.
    if (outcome.markModified && GetFocus() == controls->Window(fieldId)) {
        app.savedToFile = 0;
        app.savedToController = 0;
    }
    if (outcome.text) {
        WriteField(fieldId, *outcome.text);
    }
}

void CWndMiscPara::Window::OnFieldEdited(int fieldId) {
    if (writing > 0) {
        return;
    }
    Apply(fieldId, rules.FilterOnTyping(fieldId, FieldText(fieldId)));
    NoteGiven(fieldId);
}

void CWndMiscPara::Window::NoteGiven(int fieldId) {
    if (NoteUserGave(fields, host.Values(), fieldId)) {
        ShowReadState(fieldId, ValueShown::Plain);
    }
}

void CWndMiscPara::Window::ShowReadState(int fieldId, ValueShown shown) {
    if (shown == ValueShown::Blank) {
        WriteField(fieldId, "");
    }
    if (shown == ValueShown::Greyed) {
        greyed.insert(fieldId);
    } else {
        greyed.erase(fieldId);
    }
    InvalidateRect(controls->Window(fieldId), nullptr, TRUE);
}

void CWndMiscPara::Window::OnFieldLeft(int fieldId) {
    if (!rules.ValidatesOnLeave(fieldId)) {
        return;  // untouched: its record value stays as it is
    }
    Apply(fieldId, rules.ValidateOnLeave(fieldId, FieldText(fieldId), app.systemVoltage));
}

void CWndMiscPara::Window::OnSpin(int spinId, int positionChange) {
    const FieldRule* rule = FindSpinRule(spinId);
    if (rule == nullptr) {
        return;
    }
    // A click on the arrows gives the keyboard focus to the field they step: the field left
    // before is validated first, and the step counts as the user's edit.
    SetFocus(controls->Window(rule->id));
    Apply(rule->id,
          rules.StepOnSpin(spinId, positionChange, FieldText(rule->id), app.systemVoltage));
    NoteGiven(rule->id);
}

// ---------------------------------------------------------------- commands and notices

void CWndMiscPara::Window::OnCommand(int id, int code, HWND control) {
    if (id == IDOK) {
        // Enter in a field: it is validated as if it were left.
        if (const PanelControl* entry = controls->EntryOf(GetFocus())) {
            OnFieldLeft(entry->id);
        }
        return;
    }
    if (control == nullptr) {
        return;
    }
    if (FindFieldRule(id) != nullptr && controls->Window(id) == control) {
        if (code == EN_CHANGE) {
            OnFieldEdited(id);
        } else if (code == EN_KILLFOCUS) {
            OnFieldLeft(id);
        }
        return;
    }
    if (code != BN_CLICKED) {
        return;
    }
    switch (id) {
        case kLowLevelBox:
            fields.lowLevelEnabled = controls->Checked(kLowLevelBox) ? 1 : 0;
            ApplyControlStates();
            break;
        case kPcTimeRadio:
        case kUserTimeRadio:
            OnClockSourceChanged(id);
            break;
        case kResetButton:
            host.ResetChargeCount();
            break;
        case kUserTimeSet:
        case kPcTimeSet:
            host.SetControllerClock();
            break;
        case kUpdateButton:
            host.UpdateOperatingMode();
            break;
        case kChartToggleId:
            chart->Show(SendMessageW(chartToggle, BM_GETCHECK, 0, 0) == BST_CHECKED);
            break;
        default:
            break;
    }
}

LRESULT CWndMiscPara::Window::OnNotify(const NMHDR& header, LPARAM lParam) {
    if (header.code == UDN_DELTAPOS) {
        // The arrows report the click only: the upper one steps up (positionChange −1).
        const auto& change = *reinterpret_cast<const NMUPDOWN*>(lParam);
        if (change.iDelta != 0) {
            OnSpin(static_cast<int>(header.idFrom), change.iDelta > 0 ? -1 : 1);
        }
        return TRUE;  // the arrows keep their own position
    }
    if (header.code == TCN_SELCHANGE && header.hwndFrom == controls->Tabs()) {
        ApplyControlStates();
    }
    return 0;
}

void CWndMiscPara::Window::ApplyControlStates() {
    fields.operatingModeCode = host.Values().operatingModeCode;  // "Update" may have read it
    const PanelControlStates states = ControlStates(fields, controls->TabIndex());
    for (int id : kVoutControls) {
        controls->SetEnabled(id, states.voutEnabled);
    }
    controls->SetEnabled(kLowLevelBox, states.lowLevelBoxEnabled);
    controls->SetChecked(kLowLevelBox, states.lowLevelBoxChecked);
    for (int id : kAdvanceControls) {
        controls->SetEnabled(id, states.advanceEditsEnabled);
    }
    for (HWND window : controls->AdvanceControls()) {
        ShowWindow(window, states.advanceVisible ? SW_SHOWNA : SW_HIDE);
    }
    for (HWND window : controls->BasicControls()) {
        ShowWindow(window, states.basicVisible ? SW_SHOWNA : SW_HIDE);
    }
    controls->SetVisible(kLabelLightingTime, states.lightingTimeVisible);
    controls->SetVisible(static_cast<int>(Display::LightingTime), states.lightingTimeVisible);
}

void CWndMiscPara::Window::OnClockSourceChanged(int radio) {
    controls->SetChecked(kPcTimeRadio, radio == kPcTimeRadio);
    controls->SetChecked(kUserTimeRadio, radio == kUserTimeRadio);
    PanelValues& values = host.Values();
    values.usePcTime = radio == kPcTimeRadio ? 1 : 0;
    controls->SetEnabled(kPcTimeSet, values.usePcTime == 1);
    controls->SetEnabled(kUserTimeSet, values.usePcTime == 0);
}

// ---------------------------------------------------------------- the public operations

CWndMiscPara::CWndMiscPara(CMainApp& app, IPanelHost& host, HWND parent, POINT origin)
    : window_(std::make_unique<Window>(app, host, parent, origin)) {
    SetLanguage(app.english != 0);
}

CWndMiscPara::~CWndMiscPara() = default;

HWND CWndMiscPara::Handle() const {
    return window_->handle;
}

SIZE CWndMiscPara::Extent() const {
    return {window_->style->Scale(kPanelWidth), window_->style->Scale(kPanelHeight)};
}

void CWndMiscPara::SetLanguage(bool english) {
    Window& w = *window_;
    w.style->SetLanguage(english);
    w.controls->Relabel(english, w.app.systemVoltage);
    ShowPicture(w.controls->Window(kResetButton), kResetPicture.Of(english));
    SendMessageW(w.chartToggle, WM_SETFONT, reinterpret_cast<WPARAM>(w.style->LabelFont()), FALSE);
    SetWindowTextW(w.chartToggle, Wide(ChartToggleText(english)).c_str());
    TranslateBatteryType(w.fields, english);
    HWND list = w.controls->Window(kBatteryTypeList);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    for (const std::string& choice : BatteryTypeChoices(english)) {
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(choice).c_str()));
    }
    SendMessageW(list, CB_SETCURSEL, BatteryTypeIndex(w.fields, english), 0);
    ShowOperatingMode();
    w.chart->SetLanguage(english);
    w.schedule->SetLanguage(english);
    InvalidateAllControls();
}

void CWndMiscPara::RefreshFromConfig() {
    Window& w = *window_;
    const PanelValues& values = w.host.Values();
    const bool english = w.app.english != 0;
    zelt::RefreshFromConfig(w.app.config, english, values.userTime, w.fields);
    SendMessageW(w.controls->Window(kBatteryTypeList), CB_SETCURSEL,
                 BatteryTypeIndex(w.fields, english), 0);
    const bool pwm = w.fields.pwmEnabled != 0;
    w.controls->SetChecked(kPwmEnableRadio, pwm);
    w.controls->SetChecked(kPwmDisableRadio, !pwm);
    w.ApplyControlStates();
    for (const auto& [id, text] : w.fields.fieldText) {
        w.WriteField(id, text);
    }
    for (const FieldRule& rule : AllFieldRules()) {
        for (int i = 0; i < rule.count; ++i) {
            w.ShowReadState(rule.id + i, ShownAs(values, ValueName(rule, i)));
        }
    }
    const ReadingsShown readings = ShownReadings(values);
    SetDisplay(Display::ChargeCount, readings.chargeCount);
    SetDisplay(Display::BatteryVoltage, readings.batteryVoltage);
    SetDisplay(Display::BatteryCapacity, readings.batteryCapacity);
    ShowOperatingMode();
}

void CWndMiscPara::StoreToConfig() {
    Window& w = *window_;
    // The mode codes are the controller's: they change with its answers, not here.
    w.fields.operatingModeCode = w.host.Values().operatingModeCode;
    w.fields.lightingTimeCode = w.host.Values().lightingTimeCode;
    zelt::StoreToConfig(w.fields, w.app.config);
}

void CWndMiscPara::CommitEditedFields() {
    for (const int id : CommitOrder()) {
        if (window_->fields.edited.count(id) != 0) {
            window_->OnFieldLeft(id);
        }
    }
}

void CWndMiscPara::CommitClockFields() {
    for (int id : {field::kHour, field::kMinute, field::kSecond}) {
        window_->OnFieldLeft(id);
    }
}

void CWndMiscPara::InvalidateAllControls() {
    RedrawWindow(window_->handle, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void CWndMiscPara::SetDisplay(Display display, const std::string& text) {
    window_->controls->SetText(static_cast<int>(display), text);
}

void CWndMiscPara::SetLightingTimeVisible(bool visible) {
    window_->controls->SetVisible(kLabelLightingTime, visible);
    window_->controls->SetVisible(static_cast<int>(Display::LightingTime), visible);
}

void CWndMiscPara::SetBatteryCaption(const std::string& caption) {
    window_->controls->SetText(kBatteryGroupId, caption);
}

void CWndMiscPara::ShowOperatingMode() {
    const OperatingModeShown shown =
        ShownOperatingMode(window_->host.Values(), window_->app.english != 0);
    SetDisplay(Display::OperatingMode, shown.mode);
    SetDisplay(Display::LightingTime, shown.lightingTime);
    SetLightingTimeVisible(shown.lightingTimeVisible);
}

void CWndMiscPara::SetInputLocked(bool locked) {
    Window& w = *window_;
    if (!locked) {
        for (HWND window : w.locked) {
            EnableWindow(window, TRUE);
        }
        w.locked.clear();
        w.schedule->SetInputLocked(false);
        return;
    }
    if (!w.locked.empty()) {
        return;
    }
    for (HWND window : w.controls->InputControls()) {
        if (IsWindowEnabled(window)) {
            EnableWindow(window, FALSE);
            w.locked.push_back(window);
        }
    }
    w.schedule->SetInputLocked(true);
}

void CWndMiscPara::SetReadingsStale(bool stale) {
    window_->stale = stale;
    for (Display d : kStaleDisplays) {
        InvalidateRect(window_->controls->Window(static_cast<int>(d)), nullptr, TRUE);
    }
}

void CWndMiscPara::OnPanelTimer() {
    SendMessageW(window_->handle, WM_TIMER, kPanelTimerId, 0);
}

void CWndMiscPara::DeleteSectors(bool all) {
    window_->schedule->DeleteSectors(all);
}

bool CWndMiscPara::SectorSelected() const {
    return window_->schedule->SectorSelected();
}

std::vector<CTimeSectorData> CWndMiscPara::Sectors() const {
    return window_->schedule->Sectors();
}

void CWndMiscPara::ReloadSchedule() {
    window_->schedule->Reload();
}

void CWndMiscPara::SetCursorTimeHandler(std::function<void(int minute)> handler) {
    window_->schedule->SetCursorTimeHandler(std::move(handler));
}

bool CWndMiscPara::PreTranslateMessage(MSG& message) {
    HWND panel = window_->handle;
    if (message.hwnd != panel && !IsChild(panel, message.hwnd)) {
        return false;
    }
    if (window_->schedule->PreTranslateMessage(message)) {
        return true;
    }
    return IsDialogMessageW(panel, &message) != FALSE;
}

}  // namespace zelt::win32

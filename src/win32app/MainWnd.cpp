#include "win32app/MainWnd.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <utility>

#include "models/DialogTexts.h"
#include "models/MainWindowTexts.h"
#include "models/NotifyIds.h"
#include "platform/win32/Wide.h"
#include "win32app/Dialogs.h"
#include "win32app/LinkDialogs.h"
#include "win32app/resource.h"
#include "win32ui/WindowSupport.h"
#include "win32ui/panel/CWndMiscPara.h"

namespace zelt::win32 {

namespace {

constexpr int kPanePadding = 12;    // the pane's borders and margins around its text
constexpr int kStatusBarRoom = 21;  // the status bar's room below the panel
constexpr int kCancelWidth = 60;
// The toolbar's pictures, one per button, as tools/win32-res draws them.
constexpr int kToolbarButtonWidth = 51;
constexpr int kToolbarButtonHeight = 42;
constexpr int kProgressWidth = 110;
constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

// The status bar's part of a pane: 1, 2, 3 after the idle pane 0.
int PartOf(int paneId) {
    const auto panes = StatusPanes();
    for (std::size_t i = 0; i < panes.size(); ++i) {
        if (panes[i].id == paneId) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

// The status bar hands its children's commands (the Cancel button's) to the main window.
LRESULT CALLBACK ForwardCommands(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR mainWindow) {
    if (message == WM_COMMAND) {
        return SendMessageW(reinterpret_cast<HWND>(mainWindow), message, wParam, lParam);
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

UINT IconStyle(MessageIcon icon) {
    return icon == MessageIcon::Information ? MB_ICONINFORMATION : MB_ICONSTOP;
}

}  // namespace

CMainWnd::CMainWnd(HINSTANCE instance, CMainApp& app, CComPort& port, ITraceSink& trace,
                   std::string settingsPath)
    : instance_(instance), app_(app) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);
    waitCursor_ = LoadCursorW(nullptr, IDC_WAIT);

    // The caption starts in English and takes the title of the language once the window is.
    hwnd_ = CreateWindowExW(0, kClassName, Wide(CMainApp::AppTitle(true)).c_str(), kWindowStyle,
                            MainFrameRect::kLeft, MainFrameRect::kTop, MainFrameRect::kWidth,
                            MainFrameRect::kHeight, nullptr, nullptr, instance, this);
    host_ = std::make_unique<CWindowHost>(*this);
    worker_ = std::make_unique<CLinkWorker>(hwnd_, WM_APP_EXCHANGE_DONE);
    IMainWindowView& view = *this;
    model_ = std::make_unique<CMainWindowModel>(app_, port, trace, *host_, *host_, view, *worker_,
                                                std::move(settingsPath));
    // Told on the worker's thread: the progress moves on the window's.
    HWND hwnd = hwnd_;
    Commands().Link().SetProgressHook([hwnd](int n, int total, const std::string&) {
        PostMessageW(hwnd, WM_APP_PROGRESS, static_cast<WPARAM>(n), total);
    });
    CreateChildren();
    SetCaption(app_.appTitle);
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
    // The search starts once the window is up and the loop runs.
    PostMessageW(hwnd_, NotifyMessage(UWM_START_SEARCH), 0, 0);
}

CMainWnd::~CMainWnd() {
    // The link thread uses the commands and the port: it ends before they go.
    if (worker_) {
        worker_->Stop();
    }
    model_->BeginTeardown();  // no timer work during teardown
    panel_.reset();
    if (hwnd_ != nullptr) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    if (toolbarImages_ != nullptr) {
        ImageList_Destroy(toolbarImages_);
    }
}

// --- Building the window -------------------------------------------------------------------

void CMainWnd::CreateChildren() {
    CreateToolbar();
    CreateStatusBar();
    RECT button{};
    SendMessageW(toolbar_, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&button));
    MapWindowPoints(toolbar_, hwnd_, reinterpret_cast<POINT*>(&button), 2);
    panel_ = std::make_unique<CWndMiscPara>(app_, *model_, hwnd_,
                                            POINT{0, button.bottom + kPanelTopGap});
    panel_->SetCursorTimeHandler(
        [this](int minute) { SetPaneText(ID_PANE_CURSOR_TIME, CursorTimeText(app_, minute)); });
    // The panel covers the client area below the toolbar less the status bar's room.
    RECT client;
    GetClientRect(hwnd_, &client);
    SetWindowPos(panel_->Handle(), nullptr, 0, button.bottom + kPanelTopGap, client.right,
                 client.bottom - button.bottom - kPanelTopGap - kStatusBarRoom,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void CMainWnd::CreateToolbar() {
    toolbar_ = CreateWindowExW(
        0, TOOLBARCLASSNAMEW, nullptr,
        WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP, 0, 0, 0, 0, hwnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TOOLBAR)), instance_, nullptr);
    SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    LoadToolbarButtons();
}

// The toolbar of the current language: its picture strip and its command ids.
void CMainWnd::LoadToolbarButtons() {
    const bool english = app_.english != 0;
    while (SendMessageW(toolbar_, TB_BUTTONCOUNT, 0, 0) > 0) {
        SendMessageW(toolbar_, TB_DELETEBUTTON, 0, 0);
    }
    if (toolbarImages_ != nullptr) {
        ImageList_Destroy(toolbarImages_);
    }
    const auto buttons = ToolbarButtons();
    toolbarImages_ = ImageList_Create(kToolbarButtonWidth, kToolbarButtonHeight, ILC_COLOR32,
                                      static_cast<int>(buttons.size()), 0);
    auto strip = static_cast<HBITMAP>(
        LoadImageW(instance_, MAKEINTRESOURCEW(english ? IDB_TOOLBAR_EN : IDB_TOOLBAR_ZH),
                   IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ImageList_Add(toolbarImages_, strip, nullptr);
    DeleteObject(strip);
    SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolbarImages_));
    SendMessageW(toolbar_, TB_SETBITMAPSIZE, 0,
                 MAKELPARAM(kToolbarButtonWidth, kToolbarButtonHeight));
    std::vector<TBBUTTON> row;
    int image = 0;
    for (const ToolbarButton& button : buttons) {
        if (button.separatorBefore) {
            TBBUTTON separator{};
            separator.fsStyle = BTNS_SEP;
            row.push_back(separator);
        }
        TBBUTTON item{};
        item.iBitmap = image++;
        item.idCommand = english ? button.englishId : button.chineseId;
        item.fsState = TBSTATE_ENABLED;
        item.fsStyle = BTNS_BUTTON;
        row.push_back(item);
    }
    SendMessageW(toolbar_, TB_ADDBUTTONS, row.size(), reinterpret_cast<LPARAM>(row.data()));
    SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
    if (statusBar_ != nullptr) {  // a fly-by text of the old buttons goes with them
        SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(staleText_.c_str()));
    }
}

std::string CMainWnd::ToolbarText(int commandId) const {
    for (const ToolbarButton& button : ToolbarButtons()) {
        if (button.englishId == commandId) {
            return button.englishText;
        }
        if (button.chineseId == commandId) {
            return button.chineseText;
        }
    }
    return {};
}

void CMainWnd::CreateStatusBar() {
    statusBar_ = CreateWindowExW(
        0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS_BAR)), instance_, nullptr);
    SetWindowSubclass(statusBar_, ForwardCommands, 0, reinterpret_cast<DWORD_PTR>(hwnd_));
    LayoutStatusBar();
    for (const StatusPane& pane : StatusPanes()) {
        SendMessageW(
            statusBar_, SB_SETTEXTW, PartOf(pane.id),
            reinterpret_cast<LPARAM>(Wide(InitialPaneText(pane.id, app_.english != 0)).c_str()));
    }
    LayoutStatusBar();
    // Pane 0 holds the progress and Cancel while an exchange runs.
    progress_ = CreateWindowExW(
        0, PROGRESS_CLASSW, nullptr, WS_CHILD | PBS_SMOOTH, 2, 3, kProgressWidth, 16, statusBar_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PROGRESS)), instance_, nullptr);
    cancel_ = CreateWindowExW(
        0, L"Button", Wide(Pick(texts::kCancel, app_.english != 0)).c_str(),
        WS_CHILD | BS_PUSHBUTTON, kProgressWidth + 6, 1, kCancelWidth, 20, statusBar_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_CANCEL_EXCHANGE)), instance_, nullptr);
    SendMessageW(cancel_, WM_SETFONT, SendMessageW(statusBar_, WM_GETFONT, 0, 0), TRUE);
}

// Panes 1 to 3 at their widths, wider when their text needs it (a serial number in this
// font); pane 0 takes the rest.
void CMainWnd::LayoutStatusBar() {
    RECT client;
    GetClientRect(hwnd_, &client);
    int widths[4] = {};
    for (const StatusPane& pane : StatusPanes()) {
        widths[PartOf(pane.id)] = pane.width;
    }
    HDC dc = GetDC(statusBar_);
    const HGDIOBJ oldFont =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(statusBar_, WM_GETFONT, 0, 0)));
    for (int part = 1; part < 4; ++part) {
        const auto length = LOWORD(SendMessageW(statusBar_, SB_GETTEXTLENGTHW, part, 0));
        std::wstring text(length + 1, L'\0');
        SendMessageW(statusBar_, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text.data()));
        SIZE extent{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(length), &extent);
        widths[part] = std::max(widths[part], static_cast<int>(extent.cx) + kPanePadding);
    }
    SelectObject(dc, oldFont);
    ReleaseDC(statusBar_, dc);
    const int edges[4] = {client.right - widths[1] - widths[2] - widths[3],
                          client.right - widths[2] - widths[3], client.right - widths[3], -1};
    SendMessageW(statusBar_, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(edges));
    SendMessageW(statusBar_, WM_SIZE, 0, 0);
}

// --- Status panes and progress -------------------------------------------------------------

std::wstring CMainWnd::PaneText(int paneId) const {
    const int part = PartOf(paneId);
    const auto length = LOWORD(SendMessageW(statusBar_, SB_GETTEXTLENGTHW, part, 0));
    std::wstring text(length + 1, L'\0');
    SendMessageW(statusBar_, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text.data()));
    text.resize(length);
    return text;
}

void CMainWnd::SetPaneText(int paneId, const std::string& text) {
    SendMessageW(statusBar_, SB_SETTEXTW, PartOf(paneId),
                 reinterpret_cast<LPARAM>(Wide(text).c_str()));
    LayoutStatusBar();
}

void CMainWnd::SetCaption(const std::string& title) {
    SetWindowTextW(hwnd_, Wide(title).c_str());
}

void CMainWnd::ShowProgress(int n, int total) {
    SendMessageW(progress_, PBM_SETRANGE32, 0, total);
    SendMessageW(progress_, PBM_SETPOS, n, 0);
    ShowWindow(progress_, SW_SHOWNA);
}

void CMainWnd::HideProgress() {
    ShowWindow(progress_, SW_HIDE);
    InvalidateRect(statusBar_, nullptr, TRUE);
}

void CMainWnd::ShowReadingsStale(bool stale, const TimeOfDay& lastGood) {
    panel_->SetReadingsStale(stale);
    staleText_ = stale ? Wide(StaleReadingsText(app_, lastGood)) : std::wstring();
    if (!IsWindowVisible(cancel_)) {
        SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(staleText_.c_str()));
    }
}

void CMainWnd::BeginWaitCursor() {
    ++waitDepth_;
    SetCursor(waitCursor_);
}

void CMainWnd::EndWaitCursor() {
    if (waitDepth_ > 0 && --waitDepth_ == 0) {
        POINT point;
        GetCursorPos(&point);
        SetCursorPos(point.x, point.y);  // the arrow comes back through WM_SETCURSOR
    }
}

// --- Record steps --------------------------------------------------------------------------

void CMainWnd::CollectIntoRecord() {
    app_.config.sectors = panel_->Sectors();
    app_.config.sectorCount = static_cast<int32_t>(app_.config.sectors.size());
    panel_->StoreToConfig();
}

void CMainWnd::RefreshFromRecord() {
    panel_->RefreshFromConfig();
    panel_->ReloadSchedule();
}

// --- What the model asks of the window -----------------------------------------------------

void CMainWnd::Post(std::function<void()> command) {
    posted_.push_back(std::move(command));
    PostMessageW(hwnd_, WM_APP_POSTED, 0, 0);
}

void CMainWnd::AskCloseAgain() {
    PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void CMainWnd::Quit(int exitCode) {
    PostQuitMessage(exitCode);
}

void CMainWnd::ShowInputLocked(bool locked) {
    for (const ToolbarButton& button : ToolbarButtons()) {
        const int id = app_.english != 0 ? button.englishId : button.chineseId;
        SendMessageW(toolbar_, TB_ENABLEBUTTON, id, locked ? FALSE : TRUE);
    }
    panel_->SetInputLocked(locked);
    if (locked) {
        SetWindowTextW(cancel_, Wide(Pick(texts::kCancel, app_.english != 0)).c_str());
        SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L""));
    } else {
        SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(staleText_.c_str()));
    }
    ShowWindow(cancel_, locked ? SW_SHOWNA : SW_HIDE);
    InvalidateRect(statusBar_, nullptr, TRUE);
}

void CMainWnd::ShowStatusNote(const std::string& text) {
    SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

std::string CMainWnd::StatusPaneText(int paneId) const {
    return Utf8(PaneText(paneId));
}

void CMainWnd::SetStatusPaneText(int paneId, const std::string& text) {
    SetPaneText(paneId, text);
}

void CMainWnd::Relabel(bool english) {
    SetCaption(app_.appTitle);
    LoadToolbarButtons();
    panel_->SetLanguage(english);
}

void CMainWnd::DeleteSectors(bool all) {
    panel_->DeleteSectors(all);
}

void CMainWnd::ShowMessageBox(const std::string& text, const std::string& caption,
                              MessageIcon icon) {
    const bool waiting = waitDepth_ > 0;
    MessageBoxW(DialogOwner(), Wide(text).c_str(), Wide(caption).c_str(), MB_OK | IconStyle(icon));
    if (waiting) {
        SetCursor(waitCursor_);
    }
}

uint16_t CMainWnd::RunSeekDialog(CSeekPosition& position,
                                 const std::function<void()>& getParameters) {
    return static_cast<uint16_t>(
        win32::RunSeekDialog(hwnd_, app_, Commands(), model_->Port(), position, getParameters));
}

uint16_t CMainWnd::RunLinkDialog(
    const std::function<void(const LinkAddress& found)>& getParameters) {
    return ShowLinkDialog(hwnd_, app_, model_->Port(), Commands(), *host_, getParameters);
}

void CMainWnd::RunAboutDialog() {
    ShowAboutDialog(hwnd_, app_);
}

bool CMainWnd::RunExitQuestion(const ExitSaveActions& actions) {
    return ConfirmExitDialog(DialogOwner(), app_, actions);
}

bool CMainWnd::AskRecordCheck(const std::vector<std::string>& problems) {
    return AskRecordCheckDialog(DialogOwner(), problems, app_.english != 0);
}

bool CMainWnd::AskYesNo(const std::string& question, const std::string& caption) {
    return MessageBoxW(DialogOwner(), Wide(question).c_str(), Wide(caption).c_str(),
                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

// The help file beside the .exe, in the shell's viewer for its type.
void CMainWnd::OpenHelpFile(const std::string& fileName,
                            std::function<void(HelpProblem, const std::string& path)> onProblem) {
    wchar_t module[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring folder(module, length);
    folder.resize(folder.find_last_of(L'\\') + 1);
    const std::wstring help = folder + Wide(fileName);
    if (GetFileAttributesW(help.c_str()) == INVALID_FILE_ATTRIBUTES) {
        onProblem(HelpProblem::Missing, Utf8(help));
        return;
    }
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(hwnd_, L"open", help.c_str(), nullptr, folder.c_str(), SW_SHOWNORMAL));
    if (result == SE_ERR_NOASSOC || result == SE_ERR_ASSOCINCOMPLETE) {
        onProblem(HelpProblem::NoViewer, Utf8(help));
    } else if (result <= 32) {
        onProblem(HelpProblem::ViewerFailed, Utf8(help));
    }
}

void CMainWnd::StoreWindowRect() {
    RECT frame;
    GetWindowRect(hwnd_, &frame);
    model_->FrameMoved(frame.left, frame.top, frame.right, frame.bottom);
}

// A later start handed over the file it was given (UTF-16, no terminator).
void CMainWnd::OpenHandedOverFile(const COPYDATASTRUCT& data) {
    if (data.dwData != kHandOverFile || data.cbData == 0) {
        return;
    }
    const std::wstring path(static_cast<const wchar_t*>(data.lpData),
                            data.cbData / sizeof(wchar_t));
    model_->OpenConfigFileWhenFree(Utf8(path));
}

bool CMainWnd::PreTranslateMessage(MSG& message) {
    return panel_ && panel_->PreTranslateMessage(message);
}

// --- Messages ------------------------------------------------------------------------------

LRESULT CALLBACK CMainWnd::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* wnd = WindowObject<CMainWnd>(hwnd, message, lParam);
    if (wnd == nullptr || wnd->statusBar_ == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return wnd->Handle(message, wParam, lParam);
}

LRESULT CMainWnd::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_CANCEL_EXCHANGE) {
                model_->Cancel();
            } else {
                // The toolbar's, and the panel's Delete buttons (1018, 1019).
                model_->RunCommand(LOWORD(wParam));
            }
            return 0;
        case WM_NOTIFY: {
            LRESULT result = 0;
            OnToolbarNotify(reinterpret_cast<NMHDR*>(lParam), &result);
            return result;
        }
        case WM_SETCURSOR:
            if (waitDepth_ > 0 && LOWORD(lParam) == HTCLIENT) {
                SetCursor(waitCursor_);
                return TRUE;
            }
            break;
        case WM_MOVE:
        case WM_SIZE:
            StoreWindowRect();
            if (message == WM_SIZE) {
                SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
                LayoutStatusBar();
            }
            return 0;
        case WM_PAINT:
            if (firstPaintUnixMs_ == 0) {
                FILETIME now;
                GetSystemTimePreciseAsFileTime(&now);
                const auto ticks =
                    (static_cast<long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
                firstPaintUnixMs_ = (ticks - 116444736000000000LL) / 10000;  // from 1601
            }
            DefWindowProcW(hwnd_, message, wParam, lParam);
            if (panel_) {
                panel_->InvalidateAllControls();
            }
            return 0;
        case WM_CLOSE:
            // Leaving goes through the loop's end (Quit); the window goes with the program.
            model_->RequestClose();
            return 0;
        case WM_HELP:  // F1, here or in a child
            model_->OpenHelp();
            return TRUE;
        case WM_COPYDATA:
            OpenHandedOverFile(*reinterpret_cast<const COPYDATASTRUCT*>(lParam));
            return TRUE;
        case WM_DPICHANGED: {  // per-monitor aware: the size the system suggests
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_APP_EXCHANGE_DONE:
            return 0;  // wakes the worker's wait; nothing else to do
        case WM_APP_PROGRESS:
            ShowProgress(static_cast<int>(wParam), static_cast<int>(lParam));
            return 0;
        case WM_APP_POSTED:
            if (!posted_.empty()) {
                std::function<void()> command = std::move(posted_.front());
                posted_.pop_front();
                command();
            }
            return 0;
        default:
            break;
    }
    if (message >= NotifyMessage(UWM_CURSOR_TIME) && message <= NotifyMessage(UWM_RETRY_STATUS)) {
        model_->OnNotify(static_cast<int>(message - WM_APP));
        return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void CMainWnd::OnToolbarNotify(NMHDR* header, LRESULT* result) {
    if (header->code == TTN_GETDISPINFOW) {
        // The tool tip, and the same words as fly-by text in pane 0.
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
        toolTip_ = Wide(ToolbarText(static_cast<int>(header->idFrom)));
        info->lpszText = toolTip_.data();
        info->hinst = nullptr;
    } else if (header->hwndFrom == toolbar_ && header->code == TBN_HOTITEMCHANGE) {
        auto* hot = reinterpret_cast<NMTBHOTITEM*>(header);
        if (!IsWindowVisible(cancel_)) {
            const std::wstring text =
                (hot->dwFlags & HICF_LEAVING) != 0 ? staleText_ : Wide(ToolbarText(hot->idNew));
            SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
    }
    *result = 0;
}

}  // namespace zelt::win32

#pragma once
// The main window of zelt-utility.exe: the toolbar of the current language, the status bar
// with its four panes (and, while an exchange runs, its progress and Cancel), and the
// parameter panel (child 1027) below the toolbar. It turns Win32 messages into calls of the
// core's main-window model and carries out what the model asks of it; worker results and the
// notifications arrive as posted WM_APP + id messages.

#include <windows.h>
// needs <windows.h> first
#include <commctrl.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Trace.h"
#include "config/CfgCommands.h"
#include "config/MainApp.h"
#include "link/ComPort.h"
#include "link/Discovery.h"
#include "link/WallClock.h"
#include "models/ControllerCommands.h"
#include "models/MainWindowModel.h"
#include "models/ToolbarCommands.h"
#include "win32app/LinkWorker.h"
#include "win32app/WindowHost.h"

namespace zelt::win32 {

class CWndMiscPara;

// Private messages: WM_APP + a notification id (1036, 1037, 1038) as the core names them;
// these three below carry the worker's and the gate's work to the window.
constexpr UINT WM_APP_EXCHANGE_DONE = WM_APP + 1;
constexpr UINT WM_APP_PROGRESS = WM_APP + 2;  // wParam: item n, lParam: of total
constexpr UINT WM_APP_POSTED = WM_APP + 3;    // the oldest command the gate posted
// WM_COPYDATA's tag of a .cfg path that a later start hands over (UTF-16, no terminator).
constexpr ULONG_PTR kHandOverFile = 0x5A454C54;
inline constexpr UINT NotifyMessage(int id) {
    return WM_APP + static_cast<UINT>(id);
}

class CMainWnd final : private IMainWindowView {
  public:
    static constexpr const wchar_t* kClassName = L"ZeltUtilityMainWnd";

    // Creates and shows the window; the controller search starts once the loop runs.
    CMainWnd(HINSTANCE instance, CMainApp& app, CComPort& port, ITraceSink& trace,
             std::string settingsPath);
    ~CMainWnd() override;
    CMainWnd(const CMainWnd&) = delete;
    CMainWnd& operator=(const CMainWnd&) = delete;

    HWND Handle() const { return hwnd_; }
    // What a message or question shows over: the dialog open on top (the exit question, the
    // link dialog), else the window, so whatever is below takes no input until it is read.
    HWND DialogOwner() const { return GetLastActivePopup(hwnd_); }
    HINSTANCE Instance() const { return instance_; }
    CMainApp& App() { return app_; }
    CMainWindowModel& Model() { return *model_; }
    CControllerCommands& Commands() { return model_->Commands(); }
    CWndMiscPara* Panel() const { return panel_.get(); }
    // The message loop offers each message to the panel first.
    bool PreTranslateMessage(MSG& message);

    std::wstring PaneText(int paneId) const;
    void SetPaneText(int paneId, const std::string& text);
    void SetCaption(const std::string& title);
    void ShowReadingsStale(bool stale, const TimeOfDay& lastGood);
    void CollectIntoRecord();
    void RefreshFromRecord();
    // When the window was first painted: milliseconds since 1970 (0 before).
    long long FirstPaintUnixMs() const { return firstPaintUnixMs_; }
    // Modal dialogs and message boxes during the exchanges keep this cursor count honest.
    void BeginWaitCursor();
    void EndWaitCursor();

  private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    void CreateChildren();
    void CreateToolbar();
    void LoadToolbarButtons();
    void CreateStatusBar();
    void LayoutStatusBar();
    void ShowProgress(int n, int total);
    void OnToolbarNotify(NMHDR* header, LRESULT* result);
    std::string ToolbarText(int commandId) const;
    void StoreWindowRect();
    void OpenHandedOverFile(const COPYDATASTRUCT& data);

    // IMainWindowView
    void Post(std::function<void()> command) override;
    void AskCloseAgain() override;
    void Quit(int exitCode) override;
    void ShowInputLocked(bool locked) override;
    void HideProgress() override;
    void ShowStatusNote(const std::string& text) override;
    std::string StatusPaneText(int paneId) const override;
    void SetStatusPaneText(int paneId, const std::string& text) override;
    void Relabel(bool english) override;
    void DeleteSectors(bool all) override;
    void ShowMessageBox(const std::string& text, const std::string& caption,
                        MessageIcon icon) override;
    uint16_t RunSeekDialog(CSeekPosition& position,
                           const std::function<void()>& getParameters) override;
    uint16_t RunLinkDialog(
        const std::function<void(const LinkAddress& found)>& getParameters) override;
    void RunAboutDialog() override;
    bool RunExitQuestion(const ExitSaveActions& actions) override;
    bool AskRecordCheck(const std::vector<std::string>& problems) override;
    bool AskYesNo(const std::string& question, const std::string& caption) override;
    void OpenHelpFile(const std::string& fileName,
                      std::function<void(HelpProblem, const std::string& path)> onProblem) override;

    HINSTANCE instance_;
    CMainApp& app_;
    HWND hwnd_ = nullptr;
    HWND toolbar_ = nullptr;
    HWND statusBar_ = nullptr;
    HWND progress_ = nullptr;
    HWND cancel_ = nullptr;
    HIMAGELIST toolbarImages_ = nullptr;
    HCURSOR waitCursor_ = nullptr;
    int waitDepth_ = 0;
    std::wstring staleText_;
    std::wstring toolTip_;  // the text a tool tip shows, alive while it asks for it
    std::unique_ptr<CWindowHost> host_;
    std::unique_ptr<CLinkWorker> worker_;
    std::unique_ptr<CMainWindowModel> model_;
    std::unique_ptr<CWndMiscPara> panel_;
    std::deque<std::function<void()>> posted_;
    long long firstPaintUnixMs_ = 0;
};

}  // namespace zelt::win32

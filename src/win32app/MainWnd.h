#pragma once
// The main window of zelt-utility.exe: the toolbar of the current language, the status bar
// with its four panes (and, while an exchange runs, its progress and Cancel), and the
// parameter panel (child 1027) below the toolbar. It turns Win32 messages into the core's
// calls: the controller commands, the exchange gate, the file commands; worker results and the
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
#include "models/ExchangeGate.h"
#include "models/MainCommandRunner.h"
#include "models/PanelDriver.h"
#include "models/PanelHost.h"
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
inline constexpr UINT NotifyMessage(int id) {
    return WM_APP + static_cast<UINT>(id);
}

class CMainWnd final : public IPanelHost, private IMainCommandTarget {
  public:
    static constexpr const wchar_t* kClassName = L"ZeltUtilityMainWnd";

    // Creates and shows the window; the controller search starts once the loop runs.
    CMainWnd(HINSTANCE instance, CMainApp& app, CComPort& port, ITraceSink& trace,
             std::string settingsPath);
    ~CMainWnd() override;
    CMainWnd(const CMainWnd&) = delete;
    CMainWnd& operator=(const CMainWnd&) = delete;

    HWND Handle() const { return hwnd_; }
    HINSTANCE Instance() const { return instance_; }
    CMainApp& App() { return app_; }
    CControllerCommands& Commands() { return *commands_; }
    CWndMiscPara* Panel() const { return panel_.get(); }
    // The message loop offers each message to the panel first.
    bool PreTranslateMessage(MSG& message);

    // IPanelHost
    PanelValues& Values() override { return commands_->Values(); }
    bool PanelTick() override;
    void ResetChargeCount() override;
    void SetControllerClock() override;
    void UpdateOperatingMode() override;
    void ShowMessage(const std::string& text, const std::string& caption,
                     MessageIcon icon) override;

    std::wstring PaneText(int paneId) const;
    void SetPaneText(int paneId, const std::string& text);
    void SetCaption(const std::string& title);
    void ShowReadingsStale(bool stale, const TimeOfDay& lastGood);
    void CollectIntoRecord();
    void RefreshFromRecord();
    // Leaves without the close path's question and without writing the settings.
    void QuitWithoutSaving(int exitCode);
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
    void HideProgress();
    void OnToolbarNotify(NMHDR* header, LRESULT* result);
    std::string ToolbarText(int commandId) const;

    ExchangeGate::Hooks GateHooks();
    void LockInput(bool locked);
    void OnNotify(int id);
    void OnStartSearch();

    void RunCommand(int commandId);
    // The commands as RunMainCommand runs them.
    void OpenFile() override;
    void SaveFileAs() override;
    void ResetToDefault() override;
    void ReadParameters() override;
    void WriteParameters() override;
    void DeleteSectors(bool all) override;
    void CloseUtility() override;
    bool GetParameters(std::optional<LinkAddress> at = std::nullopt);
    bool SetParameters();
    bool AllowUnreadValues();
    bool AskToCorrect(const std::vector<std::string>& problems);
    void LinkController() override;
    void ShowAbout() override;
    void OpenHelp();
    void SwitchLanguage() override;
    void OnClose();
    bool ConfirmLeave();
    void Leave(int exitCode);
    void StoreWindowRect();

    friend class SetQuestions;

    HINSTANCE instance_;
    CMainApp& app_;
    CComPort& port_;
    std::string settingsPath_;
    SystemWallClock wallClock_;
    HWND hwnd_ = nullptr;
    HWND toolbar_ = nullptr;
    HWND statusBar_ = nullptr;
    HWND progress_ = nullptr;
    HWND cancel_ = nullptr;
    HFONT statusFont_ = nullptr;
    HIMAGELIST toolbarImages_ = nullptr;
    HCURSOR waitCursor_ = nullptr;
    int waitDepth_ = 0;
    std::wstring staleText_;
    std::wstring toolTip_;  // the text a tool tip shows, alive while it asks for it
    std::unique_ptr<CWindowHost> host_;
    std::unique_ptr<CControllerCommands> commands_;
    std::unique_ptr<CCfgCommands> cfgCommands_;
    std::unique_ptr<CWndMiscPara> panel_;
    std::unique_ptr<CLinkWorker> worker_;
    std::unique_ptr<ExchangeGate> gate_;
    std::unique_ptr<CPanelDriver> panelDriver_;
    std::deque<ExchangeGate::Command> posted_;
    CSeekPosition seekPosition_;
    long long firstPaintUnixMs_ = 0;
};

}  // namespace zelt::win32

#pragma once
// The main window: the toolbar of the current language, the status bar with its four panes,
// and the parameter panel (child 1027) below. It dispatches the private notifications, runs
// every toolbar command through the exchange gate, and guards leaving.

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/LinkWorker.h"
#include "app/WindowHost.h"
#include "base/Trace.h"
#include "config/CfgCommands.h"
#include "config/MainApp.h"
#include "link/ComPort.h"
#include "link/Discovery.h"
#include "link/WallClock.h"
#include "models/ControllerCommands.h"
#include "models/ExchangeGate.h"
#include "models/MainCommandRunner.h"
#include "models/PanelHost.h"
#include "models/ToolbarCommands.h"
#include "ui/Notify.h"

class QAction;
class QLabel;
class QProgressBar;
class QPushButton;
class QToolBar;

namespace zelt {

class CPanelDriver;
class CWndMiscPara;
class CScheduleEditor;
class IWindowUi;

class CMainWnd : public QMainWindow, public IPanelHost, private IMainCommandTarget {
    Q_OBJECT

  public:
    // settingsPath is where the close path writes the settings.
    CMainWnd(CMainApp& app, CComPort& port, IWindowUi& ui, ITraceSink& trace,
             std::string settingsPath);
    ~CMainWnd() override;

    // IPanelHost
    PanelValues& Values() override { return commands_->Values(); }
    bool PanelTick() override;
    void ResetChargeCount() override;
    void SetControllerClock() override;
    void UpdateOperatingMode() override;
    void ShowMessage(const std::string& text, const std::string& caption,
                     MessageIcon icon) override;

    CControllerCommands& Commands() { return *commands_; }

    // Runs the handler of a command id of either toolbar (or 1018 / 1019). Commands that use
    // the controller do nothing while another exchange runs.
    void RunCommand(int commandId);
    // Leaves the program without the close path's question and without writing the
    // settings (wrong vendor ID, over-voltage, Battery Fail's Close Utility, the screenshot
    // run). The exchange that runs stops after its request in flight and ends before the event
    // loop returns; nothing new starts on the line, and nothing more is asked or told.
    void QuitWithoutSaving(int exitCode);
    bool Leaving() const { return gate_.Leaving(); }

    CWndMiscPara* Panel() const { return panel_; }
    CScheduleEditor* ScheduleEditor() const;
    QString PaneText(int paneId) const;
    void SetPaneText(int paneId, const QString& text);
    // An exchange runs on the link worker right now.
    bool LinkWorking() const { return worker_->Running(); }
    // Cancel of the exchange that runs: it stops after the request in flight.
    void CancelExchange() { gate_.Cancel(); }
    CMainApp& App() { return app_; }

    // Shows item n of total in the status bar.
    void ShowProgress(int n, int total);
    // The live readings greyed (stale) or current, with the time of the last good poll.
    void ShowReadingsStale(bool stale, const TimeOfDay& lastGood);
    // Opens path as the Open command opens the file chosen in its dialog.
    void OpenConfigFile(const QString& path);
    // The same once the start-up search is over and no command runs (a file handed over by a
    // later start).
    void OpenConfigFileWhenFree(const QString& path);
    // The collect and refresh steps (record <- panel and schedule, and back).
    void CollectIntoRecord();
    void RefreshFromRecord();

  signals:
    // The start-up search (seek dialog and its "Get Parameters") has ended.
    void StartupSearchFinished();

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void createActions();
    void createToolBars();
    void createStatusBar();
    void createPanel();

    // One notification, through the dispatch table.
    void Dispatch(const CNotifyEvent& notify);
    void ShowCursorTime(int minute);
    void OnStartSearch();
    void OnVoltageChanged();
    void OnRetryStatus();

    ExchangeGate::Hooks GateHooks();
    void Leave(int exitCode);
    // Whatever edits the record or starts an exchange takes no input; Cancel shows.
    void LockInput(bool locked);
    // The commands as RunMainCommand runs them.
    void OpenFile() override;
    void SaveFileAs() override;
    void LinkController() override;
    void ResetToDefault() override;
    void ReadParameters() override;
    void WriteParameters() override;
    void CloseUtility() override;
    // "Get Parameters" at the settings' address, or at the one Auto Detect found.
    bool GetParameters(std::optional<LinkAddress> at = std::nullopt);
    bool SetParameters();
    // The questions of "Set Parameters" (the policy asks them in its order).
    friend class SetQuestions;
    // Asks before a Set writes values the last Get could not read; true when there are none
    // or the user agrees.
    bool AllowUnreadValues();
    // The record check's question; true: correct and send.
    bool AskToCorrect(const std::vector<std::string>& problems);
    void ShowAbout() override;
    // The help file of the current language in the desktop's viewer.
    void OpenHelp();
    void SwitchLanguage() override;
    void DeleteSectors(bool all) override;
    // The close path's question; true when the program may leave.
    bool ConfirmLeave();
    void StoreWindowRect();

    CMainApp& app_;
    CComPort& port_;
    IWindowUi& ui_;
    std::string settingsPath_;
    SystemWallClock wallClock_;
    CWindowHost host_;
    std::unique_ptr<CControllerCommands> commands_;
    std::unique_ptr<CPanelDriver> panelDriver_;
    std::unique_ptr<CCfgCommands> cfgCommands_;
    CSeekPosition seekPosition_;

    QToolBar* toolBar_ = nullptr;
    std::vector<QAction*> toolActions_;
    std::map<int, QLabel*> panes_;  // by StatusPaneId
    QProgressBar* progress_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QLabel* stalePane_ = nullptr;
    CWndMiscPara* panel_ = nullptr;

    CLinkWorker* worker_ = nullptr;
    ExchangeGate gate_;
};

}  // namespace zelt

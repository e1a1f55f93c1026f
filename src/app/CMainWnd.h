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
#include "models/MainWindowModel.h"
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

class CMainWnd : public QMainWindow, private IMainWindowView {
    Q_OBJECT

  public:
    // settingsPath is where the close path writes the settings.
    CMainWnd(CMainApp& app, CComPort& port, IWindowUi& ui, ITraceSink& trace,
             std::string settingsPath);
    ~CMainWnd() override;

    CMainWindowModel& Model() { return *model_; }
    CControllerCommands& Commands() { return model_->Commands(); }
    CMainApp& App() { return app_; }

    // Runs the handler of a command id of either toolbar (or 1018 / 1019).
    void RunCommand(int commandId) { model_->RunCommand(commandId); }
    void QuitWithoutSaving(int exitCode) { model_->QuitWithoutSaving(exitCode); }
    bool Leaving() const { return model_->Leaving(); }
    // Opens path now, or once the start-up search is over and no command runs.
    void OpenConfigFile(const QString& path) { model_->OpenConfigFile(path.toStdString()); }
    void OpenConfigFileWhenFree(const QString& path) {
        model_->OpenConfigFileWhenFree(path.toStdString());
    }

    CWndMiscPara* Panel() const { return panel_; }
    CScheduleEditor* ScheduleEditor() const;
    QString PaneText(int paneId) const;
    void SetPaneText(int paneId, const QString& text);
    // An exchange runs on the link worker right now.
    bool LinkWorking() const { return worker_->Running(); }
    // Cancel of the exchange that runs: it stops after the request in flight.
    void CancelExchange() { model_->Cancel(); }

    // Shows item n of total in the status bar.
    void ShowProgress(int n, int total);
    // The live readings greyed (stale) or current, with the time of the last good poll.
    void ShowReadingsStale(bool stale, const TimeOfDay& lastGood);
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
    void ShowCursorTime(int minute);
    void StoreWindowRect();

    // IMainWindowView
    void Post(std::function<void()> command) override;
    void AskCloseAgain() override { close(); }
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
    void StartupSearchEnded() override { emit StartupSearchFinished(); }

    CMainApp& app_;
    IWindowUi& ui_;
    CWindowHost host_;
    CLinkWorker* worker_ = nullptr;
    std::unique_ptr<CMainWindowModel> model_;

    QToolBar* toolBar_ = nullptr;
    std::vector<QAction*> toolActions_;
    std::map<int, QLabel*> panes_;  // by StatusPaneId
    QProgressBar* progress_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QLabel* stalePane_ = nullptr;
    CWndMiscPara* panel_ = nullptr;
};

}  // namespace zelt

#pragma once
// What a main window does between its events and the controller, the same for every window:
// it owns the controller commands, the file commands, the exchange gate and the panel driver,
// and runs the start-up search, every toolbar command, the notifications, the panel's timer
// and buttons, the close path and a file handed over at start. A window only translates: its
// events come here, and it carries out IMainWindowView (its dialogs and what it paints),
// IControllerWindow and ICfgFileUi (what the commands show), and ILinkWorker (its thread).

#include <cstdint>
#include <functional>
#include <memory>
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
#include "models/ExitQuestion.h"
#include "models/HelpTexts.h"
#include "models/LinkWorker.h"
#include "models/MainCommandRunner.h"
#include "models/PanelDriver.h"
#include "models/PanelHost.h"

namespace zelt {

// What the model asks of the window: each call only shows, asks or schedules.
class IMainWindowView {
  public:
    using HelpProblemHandler = std::function<void(HelpProblem problem)>;

    virtual ~IMainWindowView() = default;

    // Runs command later from the window's event loop, after what is queued there now.
    virtual void Post(std::function<void()> command) = 0;
    // The window's close request once more (after the exchange it waited for).
    virtual void AskCloseAgain() = 0;
    // Leaves the event loop with exitCode.
    virtual void Quit(int exitCode) = 0;

    // locked: the toolbar buttons, the panel's input controls and the schedule take no input
    // and Cancel shows; unlocked: all back as they were.
    virtual void ShowInputLocked(bool locked) = 0;
    virtual void HideProgress() = 0;
    // A short note in the status bar's message pane.
    virtual void ShowStatusNote(const std::string& text) = 0;
    virtual std::string StatusPaneText(int paneId) const = 0;
    virtual void SetStatusPaneText(int paneId, const std::string& text) = 0;
    // The caption, the toolbar and the panel in the language app says now.
    virtual void Relabel(bool english) = 0;
    virtual void DeleteSectors(bool all) = 0;
    virtual void ShowMessageBox(const std::string& text, const std::string& caption,
                                MessageIcon icon) = 0;

    // The dialogs; each returns once it is closed. The seek and link dialogs return the port
    // they settled on (0: none); their Get Parameters runs getParameters.
    virtual uint16_t RunSeekDialog(CSeekPosition& position,
                                   const std::function<void()>& getParameters) = 0;
    virtual uint16_t RunLinkDialog(
        const std::function<void(const LinkAddress& found)>& getParameters) = 0;
    virtual void RunAboutDialog() = 0;
    // "Exit & Save Confirm" with actions behind its save buttons; true: the program may leave.
    virtual bool RunExitQuestion(const ExitSaveActions& actions) = 0;
    // The record check's question; true: correct and send.
    virtual bool AskRecordCheck(const std::vector<std::string>& problems) = 0;
    // A warning with Yes and No, No the default; true for Yes.
    virtual bool AskYesNo(const std::string& question, const std::string& caption) = 0;
    // Starts the desktop's viewer on the help file fileName in the executable's folder;
    // onProblem hears, now or later, what kept it from showing (path: the file's full path).
    virtual void OpenHelpFile(
        const std::string& fileName,
        std::function<void(HelpProblem, const std::string& path)> onProblem) = 0;
    // The start-up search (and the Get Parameters it ran) is over.
    virtual void StartupSearchEnded() {}
};

class CMainWindowModel final : public IPanelHost, private IMainCommandTarget {
  public:
    // Everything passed in outlives the model. settingsPath: where the close path writes the
    // settings. Both saved flags start set.
    CMainWindowModel(CMainApp& app, CComPort& port, ITraceSink& trace, IControllerWindow& window,
                     ICfgFileUi& fileUi, IMainWindowView& view, ILinkWorker& worker,
                     std::string settingsPath);
    CMainWindowModel(const CMainWindowModel&) = delete;
    CMainWindowModel& operator=(const CMainWindowModel&) = delete;

    CControllerCommands& Commands() { return commands_; }
    CMainApp& App() { return app_; }
    CComPort& Port() { return port_; }
    IControllerWindow& Window() { return window_; }
    bool Leaving() const { return gate_.Leaving(); }
    // The window goes: its panel timer does no more work (call after the worker stopped).
    void BeginTeardown() { commands_.Values().linkBusy = 1; }

    // --- The window's events ---
    // A command id of either toolbar (or 1018 / 1019); one that uses the controller does
    // nothing while another exchange runs.
    void RunCommand(int commandId);
    // A posted notification (UWM_*); those that use the line wait for it.
    void OnNotify(int message);
    // The Cancel button of the status bar.
    void Cancel() { gate_.Cancel(); }
    // A request to close the window (close box, Alt+F4, the Close command). True: let the
    // window go now; otherwise it stays, or leaves through Quit.
    bool RequestClose();
    // Leaves without the close path's question and without writing the settings (wrong vendor
    // ID, over-voltage, Battery Fail's Close Utility): the exchange that runs stops after its
    // request in flight, nothing new starts, nothing more is asked or told.
    void QuitWithoutSaving(int exitCode);
    // The frame moved or was resized: its outer rectangle goes into the record.
    void FrameMoved(int left, int top, int right, int bottom);
    // F1 and the end of About: the help file of the current language in the desktop's viewer.
    // It does not use the line, so it works whatever runs.
    void OpenHelp();
    // Opens path as the Open command opens the file chosen in its dialog.
    void OpenConfigFile(const std::string& path);
    // The same once the start-up search is over and no command runs (a file given at start or
    // handed over by a later start).
    void OpenConfigFileWhenFree(const std::string& path);

    // --- IPanelHost ---
    PanelValues& Values() override { return commands_.Values(); }
    bool PanelTick() override { return panelDriver_.Tick(); }
    void ResetChargeCount() override;
    void SetControllerClock() override;
    void UpdateOperatingMode() override;
    // Nothing is told once the program leaves.
    void ShowMessage(const std::string& text, const std::string& caption,
                     MessageIcon icon) override;

    // Exposed for the start-up path and tests.
    void OnStartSearch();
    bool GetParameters(std::optional<LinkAddress> at = std::nullopt);
    bool SetParameters();

  private:
    class SetQuestions;

    ExchangeGate::Hooks GateHooks();
    CfgCommandHooks FileHooks();

    // IMainCommandTarget
    void OpenFile() override;
    void SaveFileAs() override;
    void LinkController() override;
    void ResetToDefault() override;
    void ReadParameters() override { GetParameters(); }
    void WriteParameters() override { SetParameters(); }
    void ShowAbout() override;
    void SwitchLanguage() override;
    void DeleteSectors(bool all) override;
    void CloseUtility() override;

    bool ConfirmLeave();
    void Leave(int exitCode);

    CMainApp& app_;
    CComPort& port_;
    IControllerWindow& window_;
    IMainWindowView& view_;
    ILinkWorker& worker_;
    std::string settingsPath_;
    SystemWallClock wallClock_;
    ExchangeGate gate_;
    CControllerCommands commands_;
    CCfgCommands cfgCommands_;
    CPanelDriver panelDriver_;
    CSeekPosition seekPosition_;
};

}  // namespace zelt

#include "models/MainWindowModel.h"

#include <utility>

#include "base/Ticks.h"
#include "config/Settings.h"
#include "models/DialogTexts.h"
#include "models/MainWindowTexts.h"
#include "models/NotifyIds.h"
#include "models/ToolbarCommands.h"

namespace zelt {

// The window's side of "Set Parameters": its questions, and the panel showing the record that
// is sent (adapted, corrected) or, when nothing is, the one the user had.
class CMainWindowModel::SetQuestions : public ISetHost {
  public:
    explicit SetQuestions(CMainWindowModel& model) : model_(model) {}
    bool AllowUnreadValues() override {
        return model_.commands_.AllowUnreadValues(
            [this](const std::string& question, const std::string& caption) {
                return model_.view_.AskYesNo(question, caption);
            });
    }
    void RecordChanged(const CCfgDocument& record) override {
        model_.app_.config = record;
        model_.window_.RefreshFromRecord();
    }
    bool CorrectAndSend(const std::vector<std::string>& problems) override {
        model_.window_.EndWaitCursor();
        const bool correct = model_.view_.AskRecordCheck(problems);
        model_.window_.BeginWaitCursor();
        return correct;
    }

  private:
    CMainWindowModel& model_;
};

CMainWindowModel::CMainWindowModel(CMainApp& app, CComPort& port, ITraceSink& trace,
                                   IControllerWindow& window, ICfgFileUi& fileUi,
                                   IMainWindowView& view, ILinkWorker& worker,
                                   std::string settingsPath)
    : app_(app),
      port_(port),
      window_(window),
      view_(view),
      worker_(worker),
      settingsPath_(std::move(settingsPath)),
      gate_(GateHooks()),
      commands_(app, port, ProcessTickClock(), trace, wallClock_, window),
      cfgCommands_(app, fileUi, FileHooks()),
      panelDriver_(commands_, gate_) {
    commands_.SetExchangeRunner(
        [this](const std::function<void()>& exchange) { return gate_.RunOnWorker(exchange); },
        worker_.CancelFlag());
    app_.savedToController = 1;
    app_.savedToFile = 1;
}

ExchangeGate::Hooks CMainWindowModel::GateHooks() {
    ExchangeGate::Hooks hooks;
    hooks.lockInput = [this](bool locked) { view_.ShowInputLocked(locked); };
    hooks.runOnWorker = [this](const ExchangeGate::Command& exchange) { worker_.Run(exchange); };
    hooks.cancel = [this] { worker_.Cancel(); };
    hooks.clearCancel = [this] { worker_.ClearCancel(); };
    hooks.post = [this](ExchangeGate::Command command) { view_.Post(std::move(command)); };
    hooks.askClose = [this] { view_.AskCloseAgain(); };
    hooks.exchangeEnded = [this] { view_.HideProgress(); };
    return hooks;
}

CfgCommandHooks CMainWindowModel::FileHooks() {
    CfgCommandHooks hooks;
    // A save stores what the screen shows: the field being edited is committed first.
    hooks.collect = [this] {
        window_.CommitEditedFields();
        window_.CollectIntoRecord();
    };
    hooks.refresh = [this] {
        commands_.Values().unread.clear();  // a file opened: its values are the user's choice
        window_.RefreshFromRecord();
    };
    hooks.repaint = [this] { window_.InvalidateAllControls(); };
    return hooks;
}

// --- Events ------------------------------------------------------------------------------

void CMainWindowModel::RunCommand(int commandId) {
    if (const std::optional<MainCommand> command = CommandOfId(commandId)) {
        RunMainCommand(gate_, *this, *command);
    }
}

void CMainWindowModel::OnNotify(int message) {
    const auto handler = [this, message] {
        switch (message) {
            case UWM_START_SEARCH:
                OnStartSearch();
                break;
            case UWM_VOLTAGE_CHANGED:
                commands_.OnSystemVoltageChanged();
                break;
            case UWM_RETRY_STATUS:
                gate_.Exclusive([this] { commands_.OnRetryStatusRead(); });
                break;
            default:
                break;
        }
    };
    if (NotifyNeedsLine(message)) {
        gate_.WhenLineFree(handler);
    } else {
        handler();
    }
}

void CMainWindowModel::OnStartSearch() {
    bool found = false;
    gate_.Exclusive([this, &found] {
        found = RunStartupSearch(app_, port_, commands_, [this] {
            return view_.RunSeekDialog(seekPosition_, [this] { GetParameters(); });
        });
        window_.InvalidateAllControls();
    });
    if (found) {
        panelDriver_.Poll();  // the readings show before anything looks at the window
    }
    gate_.StartupSearchEnded();
    view_.StartupSearchEnded();
}

void CMainWindowModel::FrameMoved(int left, int top, int right, int bottom) {
    app_.config.windowLeft = left;
    app_.config.windowTop = top;
    app_.config.windowRight = right;
    app_.config.windowBottom = bottom;
}

void CMainWindowModel::OpenConfigFile(const std::string& path) {
    gate_.Exclusive([this, &path] { cfgCommands_.OpenConfigFile(path); });
}

void CMainWindowModel::OpenConfigFileWhenFree(const std::string& path) {
    gate_.AfterStartupSearch([this, path] { OpenConfigFile(path); });
}

// --- The panel -----------------------------------------------------------------------------

void CMainWindowModel::ResetChargeCount() {
    panelDriver_.Button(&CControllerCommands::ResetChargeCount);
}

void CMainWindowModel::SetControllerClock() {
    panelDriver_.Button(&CControllerCommands::SetRtc);
}

void CMainWindowModel::UpdateOperatingMode() {
    panelDriver_.Button(&CControllerCommands::UpdateOperatingMode);
}

void CMainWindowModel::ShowMessage(const std::string& text, const std::string& caption,
                                   MessageIcon icon) {
    if (!gate_.Leaving()) {
        view_.ShowMessageBox(text, caption, icon);
    }
}

// --- Commands ------------------------------------------------------------------------------

void CMainWindowModel::OpenFile() {
    cfgCommands_.OpenConfigFile();
}

void CMainWindowModel::SaveFileAs() {
    cfgCommands_.SaveConfigFileAs();
}

void CMainWindowModel::ResetToDefault() {
    commands_.ResetToDefault();
}

void CMainWindowModel::DeleteSectors(bool all) {
    view_.DeleteSectors(all);
}

bool CMainWindowModel::GetParameters(std::optional<LinkAddress> at) {
    const bool ok = at ? commands_.ReadAllParameters(*at) : commands_.ReadAllParameters();
    view_.HideProgress();  // a link dialog that ran it stays open
    return ok;
}

bool CMainWindowModel::SetParameters() {
    SetQuestions questions(*this);
    const bool ok = commands_.WriteAllParameters(questions).Verified();
    view_.HideProgress();
    if (ok) {
        view_.ShowStatusNote(Pick(app_, texts::kParametersSaved));
    }
    return ok;
}

void CMainWindowModel::LinkController() {
    RunLinkDialog(app_, port_, commands_, [this] {
        return view_.RunLinkDialog([this](const LinkAddress& found) { GetParameters(found); });
    });
    window_.InvalidateAllControls();
}

void CMainWindowModel::ShowAbout() {
    view_.RunAboutDialog();
    OpenHelp();
    window_.InvalidateAllControls();
}

void CMainWindowModel::OpenHelp() {
    const bool english = app_.english != 0;
    view_.OpenHelpFile(HelpFileName(english),
                       [this, english](HelpProblem problem, const std::string& path) {
                           ShowMessage(HelpProblemText(problem, path, english),
                                       Pick(texts::kErrorCaption, english), MessageIcon::Stop);
                       });
}

void CMainWindowModel::SwitchLanguage() {
    const bool english = zelt::SwitchLanguage(app_);
    view_.Relabel(english);
    for (const StatusPane& pane : StatusPanes()) {
        view_.SetStatusPaneText(pane.id,
                                SwapPaneLabel(pane.id, view_.StatusPaneText(pane.id), english));
    }
}

void CMainWindowModel::CloseUtility() {
    RequestClose();  // when it says leave, the program is on its way out already
}

// --- Leaving -------------------------------------------------------------------------------

bool CMainWindowModel::RequestClose() {
    switch (gate_.RequestClose()) {
        case ExchangeGate::CloseStep::Leave:
            return true;
        case ExchangeGate::CloseStep::Wait:  // asked again once the command that runs ended
            return false;
        case ExchangeGate::CloseStep::Ask:
            break;
    }
    bool leave = false;
    if (!gate_.Exclusive([this, &leave] { leave = ConfirmLeave(); }) || !leave) {
        return false;
    }
    window_.BeginWaitCursor();
    WriteSettings(app_, settingsPath_);
    window_.EndWaitCursor();
    Leave(0);
    return false;  // the event loop ends; the window goes with it
}

bool CMainWindowModel::ConfirmLeave() {
    if (!CExitQuestion::Needed(app_)) {
        return true;
    }
    ExitSaveActions actions;
    actions.saveToController = [this] { return SetParameters(); };
    actions.saveToFile = [this] { return cfgCommands_.SaveToCurrentFile(); };
    actions.cancelSave = [this] { gate_.Cancel(); };
    // A save that failed keeps the program (and the edits) here; its message has been shown.
    return view_.RunExitQuestion(actions);
}

void CMainWindowModel::QuitWithoutSaving(int exitCode) {
    Leave(exitCode);
}

void CMainWindowModel::Leave(int exitCode) {
    // For good: the command that asked to leave starts nothing more on the line.
    gate_.Leave();
    view_.Quit(exitCode);
}

}  // namespace zelt

#include "app/CMainWnd.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <utility>

#include "app/CDlgAbout.h"
#include "app/CDlgExitConfirm.h"
#include "app/CDlgRS232.h"
#include "app/CDlgRecordCheck.h"
#include "app/CDlgSeek.h"
#include "app/HelpFile.h"
#include "app/QtLanguage.h"
#include "app/WindowFrame.h"
#include "app/WindowUi.h"
#include "base/Ticks.h"
#include "config/SectorClock.h"
#include "config/Settings.h"
#include "models/DialogTexts.h"
#include "models/MainWindowTexts.h"
#include "models/PanelDriver.h"
#include "panel/ReadState.h"
#include "ui/Resources.h"
#include "ui/WidgetIds.h"
#include "ui/panel/CWndMiscPara.h"
#include "ui/schedule/CScheduleEditor.h"
#include "ui/schedule/CWndControlLED.h"

namespace zelt {

CMainWnd::CMainWnd(CMainApp& app, CComPort& port, IWindowUi& ui, ITraceSink& trace,
                   std::string settingsPath)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                               Qt::WindowCloseButtonHint),
      app_(app),
      port_(port),
      ui_(ui),
      settingsPath_(std::move(settingsPath)),
      host_(*this, ui),
      gate_(GateHooks()) {
    worker_ = new CLinkWorker(this);
    commands_ = std::make_unique<CControllerCommands>(app_, port_, ProcessTickClock(), trace,
                                                      wallClock_, host_);
    commands_->SetExchangeRunner(
        [this](const std::function<void()>& exchange) { return gate_.RunOnWorker(exchange); },
        worker_->CancelFlag());
    panelDriver_ = std::make_unique<CPanelDriver>(*commands_, gate_);
    // Told on the worker's thread: the progress bar moves on the window's.
    commands_->Link().SetProgressHook([this](int n, int total, const std::string&) {
        QMetaObject::invokeMethod(
            this, [this, n, total] { ShowProgress(n, total); }, Qt::AutoConnection);
    });
    CfgCommandHooks hooks;
    // A save stores what the screen shows: the field being edited is committed first.
    hooks.collect = [this] {
        panel_->CommitEditedFields();
        CollectIntoRecord();
    };
    hooks.refresh = [this] {
        commands_->Values().unread.clear();  // a file opened: its values are the user's choice
        RefreshFromRecord();
    };
    hooks.repaint = [this] { panel_->InvalidateAllControls(); };
    cfgCommands_ = std::make_unique<CCfgCommands>(app_, host_, std::move(hooks));

    FollowLanguageInQtTexts(app_.english != 0);
    setWindowTitle(Qs(CMainApp::AppTitle(true)));
    createActions();
    createToolBars();
    createStatusBar();
    createPanel();
    // F1: the help of the current language. It does not use the line, so it works whatever
    // runs.
    auto* help = new QAction(this);
    help->setObjectName(QStringLiteral("helpContents"));
    help->setShortcut(QKeySequence::HelpContents);
    connect(help, &QAction::triggered, this, &CMainWnd::OpenHelp);
    addAction(help);
    new CFixedFrame(*this, QRect(MainFrameRect::kLeft, MainFrameRect::kTop, MainFrameRect::kWidth,
                                 MainFrameRect::kHeight));
    setWindowIcon(AppIcon(IDR_MAINFRAME));
    setWindowTitle(Qs(app_.appTitle));

    app_.savedToController = 1;
    app_.savedToFile = 1;
    // The search starts once the window is up and the event loop runs.
    PostNotify(this, UWM_START_SEARCH);
}

CMainWnd::~CMainWnd() {
    // The link thread uses the commands and the port: it ends before they go.
    worker_->Stop();
    // No timer work during teardown; the panel goes first, while its host is whole.
    commands_->Values().linkBusy = 1;
    delete panel_;
}

// --- Building the window -------------------------------------------------------------------

void CMainWnd::createActions() {
    for (QAction* action : toolActions_) {
        action->deleteLater();
    }
    toolActions_.clear();
    const bool english = app_.english != 0;
    for (const ToolbarButton& button : ToolbarButtons()) {
        const int id = english ? button.englishId : button.chineseId;
        const QString text = QString::fromUtf8(english ? button.englishText : button.chineseText);
        auto* action = new QAction(ToolbarIcon(id), ToolbarLabel(id), this);
        NameById(action, id);
        action->setToolTip(text);
        action->setStatusTip(text);
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
        toolActions_.push_back(action);
    }
}

void CMainWnd::createToolBars() {
    if (toolBar_ == nullptr) {
        toolBar_ = new QToolBar(this);
        toolBar_->setObjectName(QStringLiteral("toolbar"));
        toolBar_->setMovable(false);
        toolBar_->setFloatable(false);
        toolBar_->setIconSize(QSize(kToolbarImageWidth, kToolbarImageHeight));
        toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
        toolBar_->toggleViewAction()->setEnabled(false);
        addToolBar(Qt::TopToolBarArea, toolBar_);
    }
    toolBar_->clear();
    const auto buttons = ToolbarButtons();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i].separatorBefore) {
            toolBar_->addSeparator();
        }
        toolBar_->addAction(toolActions_[i]);
        // The button widget carries the id as well, for whoever looks for the control.
        toolBar_->widgetForAction(toolActions_[i])->setObjectName(toolActions_[i]->objectName());
    }
}

void CMainWnd::createStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setMinimumWidth(kIdlePaneMinWidth);
    bar->setSizeGripEnabled(false);  // the frame has a fixed size
    progress_ = new QProgressBar(bar);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setFormat(QStringLiteral("%v / %m"));
    progress_->setMaximumWidth(kIdlePaneMinWidth);
    progress_->hide();
    bar->addWidget(progress_);
    cancel_ = new QPushButton(Qs(Pick(app_, texts::kCancel)), bar);
    cancel_->setObjectName(QStringLiteral("cancelExchange"));
    cancel_->hide();
    connect(cancel_, &QPushButton::clicked, this, [this] { gate_.Cancel(); });
    bar->addWidget(cancel_);
    stalePane_ = new QLabel(bar);
    stalePane_->setObjectName(QStringLiteral("staleReadings"));
    stalePane_->hide();
    bar->addWidget(stalePane_);
    for (const StatusPane& p : StatusPanes()) {
        auto* label = new QLabel(Qs(InitialPaneText(p.id, app_.english != 0)), bar);
        NameById(label, p.id);
        // The widths are minimums: a serial number in this platform's font needs more room.
        label->setMinimumWidth(p.width);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        bar->addPermanentWidget(label);
        panes_[p.id] = label;
    }
}

void CMainWnd::createPanel() {
    // The client area below the toolbar; the status bar keeps its own room below it.
    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, kPanelTopGap, 0, 0);
    panel_ = new CWndMiscPara(app_, *this, client);
    connect(panel_->ScheduleEditor(), &CScheduleEditor::CursorTimeChanged, this,
            &CMainWnd::ShowCursorTime);
    layout->addWidget(panel_);
    setCentralWidget(client);
}

// --- Status panes and progress -------------------------------------------------------------

QString CMainWnd::PaneText(int paneId) const {
    const auto pane = panes_.find(paneId);
    return pane != panes_.end() ? pane->second->text() : QString();
}

void CMainWnd::SetPaneText(int paneId, const QString& text) {
    const auto pane = panes_.find(paneId);
    if (pane != panes_.end()) {
        pane->second->setText(text);
    }
}

void CMainWnd::ShowProgress(int n, int total) {
    progress_->setRange(0, total);
    progress_->setValue(n);
    progress_->show();
}

void CMainWnd::ShowReadingsStale(bool stale, const TimeOfDay& lastGood) {
    panel_->SetReadingsStale(stale);
    stalePane_->setText(Qs(StaleReadingsText(app_, lastGood)));
    stalePane_->setVisible(stale);
}

// --- The exchange gate's hooks ------------------------------------------------------------

ExchangeGate::Hooks CMainWnd::GateHooks() {
    ExchangeGate::Hooks hooks;
    hooks.lockInput = [this](bool locked) { LockInput(locked); };
    hooks.runOnWorker = [this](const ExchangeGate::Command& exchange) { worker_->Run(exchange); };
    hooks.cancel = [this] { worker_->Cancel(); };
    hooks.clearCancel = [this] { worker_->ClearCancel(); };
    hooks.post = [this](ExchangeGate::Command command) {
        QMetaObject::invokeMethod(this, std::move(command), Qt::QueuedConnection);
    };
    hooks.askClose = [this] { close(); };
    hooks.exchangeEnded = [this] { progress_->hide(); };
    return hooks;
}

void CMainWnd::LockInput(bool locked) {
    for (QAction* action : toolActions_) {
        action->setEnabled(!locked);
    }
    panel_->SetInputLocked(locked);
    if (locked) {
        cancel_->setText(Qs(Pick(app_, texts::kCancel)));
    }
    cancel_->setVisible(locked);
}

// --- Record steps --------------------------------------------------------------------------

CScheduleEditor* CMainWnd::ScheduleEditor() const {
    return panel_ != nullptr ? panel_->ScheduleEditor() : nullptr;
}

void CMainWnd::CollectIntoRecord() {
    if (CScheduleEditor* editor = ScheduleEditor()) {
        app_.config.sectors = editor->Sectors();
        app_.config.sectorCount = static_cast<int32_t>(app_.config.sectors.size());
    }
    panel_->StoreToConfig();
}

void CMainWnd::RefreshFromRecord() {
    panel_->RefreshFromConfig();
    if (CScheduleEditor* editor = ScheduleEditor()) {
        editor->ReloadFromConfig();
    }
}

// --- Notifications -------------------------------------------------------------------------

bool CMainWnd::event(QEvent* event) {
    if (CNotifyEvent::IsNotify(event)) {
        Dispatch(*static_cast<CNotifyEvent*>(event));
        return true;
    }
    return QMainWindow::event(event);
}

void CMainWnd::Dispatch(const CNotifyEvent& notify) {
    struct Route {
        int message;
        void (CMainWnd::*handler)();
    };
    static constexpr Route kRoutes[] = {
        {UWM_START_SEARCH, &CMainWnd::OnStartSearch},
        {UWM_VOLTAGE_CHANGED, &CMainWnd::OnVoltageChanged},
        {UWM_RETRY_STATUS, &CMainWnd::OnRetryStatus},
    };
    for (const Route& route : kRoutes) {
        if (route.message != notify.Message()) {
            continue;
        }
        if (NotifyNeedsLine(notify.Message())) {
            gate_.WhenLineFree([this, handler = route.handler] { (this->*handler)(); });
        } else {
            (this->*route.handler)();
        }
        return;
    }
}

void CMainWnd::ShowCursorTime(int minute) {
    SetPaneText(ID_PANE_CURSOR_TIME, Qs(CursorTimeText(app_, minute)));
}

void CMainWnd::OnStartSearch() {
    bool found = false;
    gate_.Exclusive([this, &found] {
        found = RunStartupSearch(app_, port_, *commands_, [this] {
            CDlgSeek seek(
                app_, *commands_, port_, seekPosition_, [this] { GetParameters(); }, this);
            ui_.Exec(seek);
            return seek.foundPort;
        });
        panel_->InvalidateAllControls();
    });
    if (found) {
        panelDriver_->Poll();  // the readings show before anything looks at the window
    }
    gate_.StartupSearchEnded();
    emit StartupSearchFinished();
}

void CMainWnd::OnVoltageChanged() {
    commands_->OnSystemVoltageChanged();
}

void CMainWnd::OnRetryStatus() {
    gate_.Exclusive([this] { commands_->OnRetryStatusRead(); });
}

// --- Panel ---------------------------------------------------------------------------------

bool CMainWnd::PanelTick() {
    return panelDriver_->Tick();
}

void CMainWnd::ResetChargeCount() {
    panelDriver_->Button(&CControllerCommands::ResetChargeCount);
}

void CMainWnd::SetControllerClock() {
    panelDriver_->Button(&CControllerCommands::SetRtc);
}

void CMainWnd::UpdateOperatingMode() {
    panelDriver_->Button(&CControllerCommands::UpdateOperatingMode);
}

void CMainWnd::ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) {
    if (!gate_.Leaving()) {
        ui_.ShowMessage(this, Qs(text), Qs(caption), icon);
    }
}

// --- Commands ------------------------------------------------------------------------------

void CMainWnd::RunCommand(int commandId) {
    if (const std::optional<MainCommand> command = CommandOfId(commandId)) {
        RunMainCommand(gate_, *this, *command);
    }
}

void CMainWnd::OpenFile() {
    cfgCommands_->OpenConfigFile();
}

void CMainWnd::SaveFileAs() {
    cfgCommands_->SaveConfigFileAs();
}

void CMainWnd::ResetToDefault() {
    commands_->ResetToDefault();
}

void CMainWnd::ReadParameters() {
    GetParameters();
}

void CMainWnd::WriteParameters() {
    SetParameters();
}

void CMainWnd::CloseUtility() {
    close();  // the close path takes the gate itself
}

bool CMainWnd::GetParameters(std::optional<LinkAddress> at) {
    const bool ok = at ? commands_->ReadAllParameters(*at) : commands_->ReadAllParameters();
    progress_->hide();  // a link dialog that ran it stays open
    return ok;
}

// The window's side of "Set Parameters": its dialogs, and the panel showing the record that
// is sent (adapted, corrected) or, when nothing is, the one the user had.
class SetQuestions : public ISetHost {
  public:
    explicit SetQuestions(CMainWnd& wnd) : wnd_(wnd) {}
    bool AllowUnreadValues() override { return wnd_.AllowUnreadValues(); }
    void RecordChanged(const CCfgDocument& record) override {
        wnd_.app_.config = record;
        wnd_.RefreshFromRecord();
    }
    bool CorrectAndSend(const std::vector<std::string>& problems) override {
        return wnd_.AskToCorrect(problems);
    }

  private:
    CMainWnd& wnd_;
};

bool CMainWnd::SetParameters() {
    SetQuestions questions(*this);
    const SetVerdict verdict = commands_->WriteAllParameters(questions);
    progress_->hide();
    const bool ok = verdict.Verified();
    if (ok) {
        statusBar()->showMessage(Qs(Pick(app_, texts::kParametersSaved)), kStatusMessageMs);
    }
    return ok;
}

bool CMainWnd::AskToCorrect(const std::vector<std::string>& problems) {
    host_.EndWaitCursor();
    CDlgRecordCheck question(problems, app_.english != 0, this);
    const bool correct = ui_.Exec(question) == QDialog::Accepted;
    host_.BeginWaitCursor();
    return correct;
}

bool CMainWnd::AllowUnreadValues() {
    return commands_->AllowUnreadValues(
        [this](const std::string& question, const std::string& caption) {
            QMessageBox ask(QMessageBox::Warning, Qs(caption), Qs(question),
                            QMessageBox::Yes | QMessageBox::No, this);
            ask.setDefaultButton(QMessageBox::No);
            return ui_.Exec(ask) == QMessageBox::Yes;
        });
}

void CMainWnd::OpenConfigFile(const QString& path) {
    gate_.Exclusive([this, &path] { cfgCommands_->OpenConfigFile(path.toStdString()); });
}

void CMainWnd::OpenConfigFileWhenFree(const QString& path) {
    gate_.AfterStartupSearch([this, path] { OpenConfigFile(path); });
}

void CMainWnd::LinkController() {
    RunLinkDialog(app_, port_, *commands_, [this]() -> uint16_t {
        CDlgRS232 dialog(
            app_, port_, *commands_, host_,
            [this](const LinkAddress& found) { GetParameters(found); }, this);
        return ui_.Exec(dialog) == QDialog::Accepted ? dialog.SelectedPort() : 0;
    });
    panel_->InvalidateAllControls();
}

void CMainWnd::ShowAbout() {
    {
        CDlgAbout about(app_, this);
        ui_.Exec(about);
    }
    OpenHelp();
    panel_->InvalidateAllControls();
}

void CMainWnd::OpenHelp() {
    const QString help = HelpFilePath(app_.english != 0);
    ui_.OpenHelpFile(help, [wnd = QPointer<CMainWnd>(this), help](HelpProblem problem) {
        if (wnd != nullptr) {
            const bool english = wnd->app_.english != 0;
            wnd->ui_.ShowMessage(wnd, Qs(HelpProblemText(problem, help.toStdString(), english)),
                                 Qs(Pick(wnd->app_, texts::kErrorCaption)), MessageIcon::Stop);
        }
    });
}

void CMainWnd::SwitchLanguage() {
    const bool english = zelt::SwitchLanguage(app_);
    FollowLanguageInQtTexts(english);
    setWindowTitle(Qs(app_.appTitle));
    createActions();
    createToolBars();
    if (CWndControlLED* schedulePanel = panel_->SchedulePanel()) {
        schedulePanel->UpdateLanguage(english);
    }
    panel_->SetLanguage(english);
    for (const StatusPane& pane : StatusPanes()) {
        SetPaneText(pane.id, Qs(SwapPaneLabel(pane.id, PaneText(pane.id).toStdString(), english)));
    }
}

void CMainWnd::DeleteSectors(bool all) {
    if (CScheduleEditor* editor = ScheduleEditor()) {
        if (all) {
            editor->DeleteAll();
        } else {
            editor->DeleteSelected();
        }
    }
}

// --- Leaving -------------------------------------------------------------------------------

bool CMainWnd::ConfirmLeave() {
    if (!CExitQuestion::Needed(app_)) {
        return true;
    }
    ExitSaveActions actions;
    actions.saveToController = [this] { return SetParameters(); };
    actions.saveToFile = [this] { return cfgCommands_->SaveToCurrentFile(); };
    CDlgExitConfirm confirm(app_, std::move(actions), this);
    if (ui_.Exec(confirm) != QDialog::Accepted) {
        return false;
    }
    // A save that failed keeps the program (and the edits) here; its message has been shown.
    return confirm.SaveSucceeded();
}

void CMainWnd::closeEvent(QCloseEvent* event) {
    switch (gate_.RequestClose()) {
        case ExchangeGate::CloseStep::Leave:
            event->accept();
            return;
        case ExchangeGate::CloseStep::Wait:  // asked again once the command that runs ended
            event->ignore();
            return;
        case ExchangeGate::CloseStep::Ask:
            event->ignore();
            break;
    }
    bool leave = false;
    if (!gate_.Exclusive([this, &leave] { leave = ConfirmLeave(); }) || !leave) {
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    WriteSettings(app_, settingsPath_);
    QApplication::restoreOverrideCursor();
    Leave(0);
}

void CMainWnd::QuitWithoutSaving(int exitCode) {
    Leave(exitCode);
}

void CMainWnd::Leave(int exitCode) {
    // For good: the command that asked to leave starts nothing more on the line.
    gate_.Leave();
    ui_.Quit(exitCode);
}

// --- Window rectangle ----------------------------------------------------------------------

void CMainWnd::StoreWindowRect() {
    const QRect frame = frameGeometry();
    app_.config.windowLeft = frame.left();
    app_.config.windowTop = frame.top();
    app_.config.windowRight = frame.left() + frame.width();
    app_.config.windowBottom = frame.top() + frame.height();
}

void CMainWnd::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    StoreWindowRect();
}

void CMainWnd::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    StoreWindowRect();
}

}  // namespace zelt

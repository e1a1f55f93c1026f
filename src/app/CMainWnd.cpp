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
#include "link/ControllerPort.h"
#include "panel/ReadState.h"
#include "panel/RecordLimits.h"
#include "ui/Resources.h"
#include "ui/WidgetIds.h"
#include "ui/panel/CWndMiscPara.h"
#include "ui/schedule/CScheduleEditor.h"
#include "ui/schedule/CWndControlLED.h"

namespace zelt {

namespace {

constexpr int kIdlePaneMinWidth = 110;
constexpr int kFirmwarePaneWidth = 100;
constexpr int kSerialPaneWidth = 115;
constexpr int kCursorTimePaneWidth = 105;
constexpr int kPanelTopGap = 2;  // the panel starts 2 px below the toolbar's buttons

// Opens the chosen port again; a refusal shows in the next command. Whatever answers there
// may be another controller, learnt afresh.
void ReopenControllerPort(CComPort& port, int comPort, CControllerLink& link) {
    OpenControllerPort(port, comPort);
    link.ForgetController();
}

constexpr int kStatusMessageMs = 5000;

// A status pane's label in both languages; the language switch swaps it in front of the
// pane's value.
struct PaneLabel {
    int paneId;
    const char* english;
    const char* chinese;
};
constexpr PaneLabel kPaneLabels[] = {
    {CMainWnd::ID_PANE_FIRMWARE, "F/W Ver", "韌體版本"},
    {CMainWnd::ID_PANE_SERIAL, "S/N", "序號"},
    {CMainWnd::ID_PANE_CURSOR_TIME, "Cursor Time", "游標時間"},
};

// Notifications that use the serial line wait while an exchange runs.
bool NeedsLine(int message) {
    return message == UWM_START_SEARCH || message == UWM_RETRY_STATUS;
}

}  // namespace

CMainWnd::CMainWnd(CMainApp& app, CComPort& port, IWindowUi& ui, ITraceSink& trace,
                   std::string settingsPath)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                               Qt::WindowCloseButtonHint),
      app_(app),
      port_(port),
      ui_(ui),
      settingsPath_(std::move(settingsPath)),
      host_(*this, ui) {
    worker_ = new CLinkWorker(this);
    commands_ = std::make_unique<CControllerCommands>(app_, port_, ProcessTickClock(), trace,
                                                      wallClock_, host_);
    commands_->SetExchangeRunner(
        [this](const std::function<void()>& exchange) { return RunOnWorker(exchange); },
        worker_->CancelFlag());
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
    new CFixedFrame(*this, QRect(kLeft, kTop, kWidth, kHeight));
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
    cancel_ = new QPushButton(QString::fromUtf8(app_.Text("Cancel", "取消")), bar);
    cancel_->setObjectName(QStringLiteral("cancelExchange"));
    cancel_->hide();
    connect(cancel_, &QPushButton::clicked, this, [this] { worker_->Cancel(); });
    bar->addWidget(cancel_);
    stalePane_ = new QLabel(bar);
    stalePane_->setObjectName(QStringLiteral("staleReadings"));
    stalePane_->hide();
    bar->addWidget(stalePane_);
    const struct {
        QLabel** pane;
        int id;
        int width;
        const char* english;
        const char* chinese;
    } panes[] = {
        {&firmwarePane_, ID_PANE_FIRMWARE, kFirmwarePaneWidth, "F/W Ver:", "韌體版本:"},
        {&serialPane_, ID_PANE_SERIAL, kSerialPaneWidth, "S/N:", "序號:"},
        {&cursorTimePane_, ID_PANE_CURSOR_TIME, kCursorTimePaneWidth, "Cursor Time:", "游標時間:"},
    };
    for (const auto& p : panes) {
        auto* label = new QLabel(QString::fromUtf8(app_.Text(p.english, p.chinese)), bar);
        NameById(label, p.id);
        // The widths are minimums: a serial number in this platform's font needs more room.
        label->setMinimumWidth(p.width);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        bar->addPermanentWidget(label);
        *p.pane = label;
    }
}

void CMainWnd::createPanel() {
    // The client area below the toolbar; the status bar keeps its own room below it.
    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, kPanelTopGap, 0, 0);
    panel_ = new CWndMiscPara(app_, *this, this, client);
    layout->addWidget(panel_);
    setCentralWidget(client);
}

// --- Status panes and progress -------------------------------------------------------------

QString CMainWnd::PaneText(int paneId) const {
    switch (paneId) {
        case ID_PANE_FIRMWARE:
            return firmwarePane_->text();
        case ID_PANE_SERIAL:
            return serialPane_->text();
        case ID_PANE_CURSOR_TIME:
            return cursorTimePane_->text();
        default:
            return {};
    }
}

void CMainWnd::SetPaneText(int paneId, const QString& text) {
    switch (paneId) {
        case ID_PANE_FIRMWARE:
            firmwarePane_->setText(text);
            break;
        case ID_PANE_SERIAL:
            serialPane_->setText(text);
            break;
        case ID_PANE_CURSOR_TIME:
            cursorTimePane_->setText(text);
            break;
        default:
            break;
    }
}

void CMainWnd::ShowProgress(int n, int total) {
    progress_->setRange(0, total);
    progress_->setValue(n);
    progress_->show();
}

void CMainWnd::ShowReadingsStale(bool stale, const TimeOfDay& lastGood) {
    panel_->SetReadingsStale(stale);
    stalePane_->setText(Qs(StrF(app_.Text("Last reading %02d:%02d:%02d", "最後讀值 %02d:%02d:%02d"),
                                lastGood.hour, lastGood.minute, lastGood.second)));
    stalePane_->setVisible(stale);
}

// --- The link worker -----------------------------------------------------------------------

bool CMainWnd::RunOnWorker(const std::function<void()>& exchange) {
    if (worker_->Running() || leaving_) {
        return false;  // one exchange at a time; the callers check before they start one
    }
    if (polling_) {
        worker_->Run(exchange);
        return true;
    }
    LockInput(true);
    cancel_->setText(QString::fromUtf8(app_.Text("Cancel", "取消")));
    cancel_->show();
    worker_->Run(exchange);
    cancel_->hide();
    LockInput(false);
    return true;
}

bool CMainWnd::DeferWhilePolling(std::function<void()> again) {
    if (!polling_) {
        return false;
    }
    afterPoll_.push_back(std::move(again));
    return true;
}

void CMainWnd::LockInput(bool locked) {
    for (QAction* action : toolActions_) {
        action->setEnabled(!locked);
    }
    panel_->SetInputLocked(locked);
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
        void (CMainWnd::*handler)(const CNotifyEvent&);
    };
    static constexpr Route kRoutes[] = {
        {UWM_CURSOR_TIME, &CMainWnd::OnCursorTime},
        {UWM_SECTOR_SELECTED, &CMainWnd::OnSectorSelected},
        {UWM_NO_SECTOR_SELECTED, &CMainWnd::OnNoSectorSelected},
        {UWM_SECTOR_RESIZED, &CMainWnd::OnSectorResized},
        {UWM_START_SEARCH, &CMainWnd::OnStartSearch},
        {UWM_VOLTAGE_CHANGED, &CMainWnd::OnVoltageChanged},
        {UWM_RETRY_STATUS, &CMainWnd::OnRetryStatus},
    };
    if (exchangeRunning_ && NeedsLine(notify.Message())) {
        deferred_.emplace_back(notify.Message(), notify.WParam());
        return;
    }
    for (const Route& route : kRoutes) {
        if (route.message == notify.Message()) {
            (this->*route.handler)(notify);
            return;
        }
    }
}

void CMainWnd::OnCursorTime(const CNotifyEvent& notify) {
    const ControllerClock clock = MinuteToControllerClock(static_cast<int>(notify.WParam()));
    cursorTimePane_->setText(Qs(StrF(app_.Text("Cursor Time: %02d:%02d", "游標時間: %02d:%02d"),
                                     clock.hour, clock.minute)));
}

void CMainWnd::OnSectorSelected(const CNotifyEvent& notify) {
    if (CScheduleEditor* editor = ScheduleEditor()) {
        editor->OnSectorSelected(notify.Window());
    }
}

void CMainWnd::OnNoSectorSelected(const CNotifyEvent&) {
    if (CScheduleEditor* editor = ScheduleEditor()) {
        editor->OnNoSectorSelected();
    }
}

void CMainWnd::OnSectorResized(const CNotifyEvent& notify) {
    if (CScheduleEditor* editor = ScheduleEditor()) {
        editor->OnSectorResized(notify.Window());
    }
}

void CMainWnd::OnStartSearch(const CNotifyEvent&) {
    bool found = false;
    Exclusive([this, &found] {
        commands_->Values().linkBusy = 1;
        CDlgSeek seek(
            app_, *commands_, port_, seekPosition_, [this] { GetParameters(); }, this);
        ui_.Exec(seek);
        if (seek.foundPort == 0) {
            ReopenControllerPort(port_, app_.comPort, commands_->Link());
        } else {
            app_.comPort = seek.foundPort;  // the port stays open as the probe left it
            found = true;
        }
        commands_->Values().linkBusy = 0;
        panel_->InvalidateAllControls();
    });
    if (found) {
        PollReadings();  // the readings show before anything looks at the window
    }
    startupSearchEnded_ = true;
    emit StartupSearchFinished();
}

void CMainWnd::OnVoltageChanged(const CNotifyEvent&) {
    commands_->OnSystemVoltageChanged();
}

void CMainWnd::OnRetryStatus(const CNotifyEvent&) {
    Exclusive([this] { commands_->OnRetryStatusRead(); });
}

// --- The exchange gate ---------------------------------------------------------------------

bool CMainWnd::Exclusive(const std::function<void()>& work) {
    if (exchangeRunning_ || worker_->Running() || leaving_) {
        return false;
    }
    exchangeRunning_ = true;
    worker_->ClearCancel();  // a Cancel counts for the command it was pressed in
    work();
    exchangeRunning_ = false;
    progress_->hide();
    if (closePending_) {
        closePending_ = false;
        QMetaObject::invokeMethod(
            this, [this] { close(); }, Qt::QueuedConnection);
    }
    // What waited for the line runs now, in the order it arrived.
    while (!deferred_.empty()) {
        const auto [message, wParam] = deferred_.front();
        deferred_.pop_front();
        PostNotify(this, message, wParam);
    }
    return true;
}

bool CMainWnd::PanelTick() {
    // The clocks tick whatever is open; the poll waits while the link is busy or a command
    // holds the line, and comes on the first tick after.
    return commands_->TickClocks() && PollReadings();
}

bool CMainWnd::PollReadings() {
    PanelValues& values = commands_->Values();
    polling_ = true;
    const bool polled = values.linkBusy == 0 && Exclusive([this] { commands_->Poll(); });
    polling_ = false;
    for (std::function<void()>& again : std::exchange(afterPoll_, {})) {
        QMetaObject::invokeMethod(this, std::move(again), Qt::QueuedConnection);
    }
    if (!polled) {
        commands_->PollMissed();
        return false;
    }
    // A poll that ended in the battery-fail or over-voltage path read nothing worth keeping.
    return values.linkBusy == 0;
}

// The panel's buttons. While another exchange holds the line they take no input (or, during
// a poll, run after it).
void CMainWnd::ResetChargeCount() {
    if (DeferWhilePolling([this] { ResetChargeCount(); })) {
        return;
    }
    if (commands_->Values().linkBusy == 0) {
        Exclusive([this] { commands_->ResetChargeCount(); });
    }
}

void CMainWnd::SetControllerClock() {
    if (DeferWhilePolling([this] { SetControllerClock(); })) {
        return;
    }
    if (commands_->Values().linkBusy == 0) {
        Exclusive([this] { commands_->SetRtc(); });
    }
}

void CMainWnd::UpdateOperatingMode() {
    if (DeferWhilePolling([this] { UpdateOperatingMode(); })) {
        return;
    }
    if (commands_->Values().linkBusy == 0) {
        Exclusive([this] { commands_->UpdateOperatingMode(); });
    }
}

void CMainWnd::ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) {
    if (!leaving_) {
        ui_.ShowMessage(this, Qs(text), Qs(caption), icon);
    }
}

// --- Commands ------------------------------------------------------------------------------

void CMainWnd::RunCommand(int commandId) {
    if (const std::optional<MainCommand> command = CommandOfId(commandId)) {
        Run(*command);
    }
}

void CMainWnd::Run(MainCommand command) {
    if (DeferWhilePolling([this, command] { Run(command); })) {
        return;
    }
    if (command == MainCommand::CloseUtility) {
        close();  // the close path takes the gate itself
        return;
    }
    Exclusive([this, command] {
        switch (command) {
            case MainCommand::Open:
                cfgCommands_->OpenConfigFile();
                break;
            case MainCommand::SaveAs:
                cfgCommands_->SaveConfigFileAs();
                break;
            case MainCommand::Link:
                LinkController();
                break;
            case MainCommand::ResetToDefault:
                commands_->ResetToDefault();
                break;
            case MainCommand::GetParameters:
                GetParameters();
                break;
            case MainCommand::SetParameters:
                SetParameters();
                break;
            case MainCommand::About:
                ShowAbout();
                break;
            case MainCommand::SwitchLanguage:
                SwitchLanguage();
                break;
            case MainCommand::DeleteSelectedSectors:
                DeleteSectors(false);
                break;
            case MainCommand::DeleteAllSectors:
                DeleteSectors(true);
                break;
            case MainCommand::CloseUtility:
                break;
        }
    });
}

bool CMainWnd::GetParameters(std::optional<LinkAddress> at) {
    const bool ok = at ? commands_->ReadAllParameters(*at) : commands_->ReadAllParameters();
    progress_->hide();  // a link dialog that ran it stays open
    return ok;
}

bool CMainWnd::SetParameters() {
    const bool ok = commands_->WriteAllParameters(
        [this](CCfgDocument& record) { return PrepareToSend(record); });
    progress_->hide();
    if (ok) {
        statusBar()->showMessage(QString::fromUtf8(app_.Text("Parameters saved to the controller.",
                                                             "參數已存入控制器.")),
                                 kStatusMessageMs);
    }
    return ok;
}

bool CMainWnd::PrepareToSend(CCfgDocument& record) {
    const bool english = app_.english != 0;
    if (!AllowUnreadValues()) {
        return false;
    }
    RecordGate gate(app_.systemVoltage, english);
    // Adapted before the ranges see it: a 12 V record on a 24 V controller is doubled, not
    // clamped to the 24 V minimums first. Then checked as it is: the fields the user typed
    // into were corrected as they were left, the others hold the record's own values.
    gate.Adapt(record);
    if (!(record == gate.BeforeAdaptation())) {
        RefreshFromRecord();  // the user sees what is sent
    }
    std::vector<std::string> problems = gate.Problems(record, true);
    if (problems.empty()) {
        return true;
    }
    host_.EndWaitCursor();
    CDlgRecordCheck question(problems, english, this);
    if (ui_.Exec(question) == QDialog::Accepted) {
        gate.Correct(record);
        RefreshFromRecord();  // the user sees what is sent
        problems = gate.Problems(record);
        if (problems.empty()) {
            host_.BeginWaitCursor();
            return true;
        }
        ShowMessage(CDlgRecordCheck::UncorrectedText(problems, english), app_.Text("Error", "錯誤"),
                    MessageIcon::Stop);
    }
    // Nothing sent: the screen shows again what the user had.
    record = gate.BeforeAdaptation();
    RefreshFromRecord();
    host_.BeginWaitCursor();
    return false;
}

bool CMainWnd::AllowUnreadValues() {
    PanelValues& values = commands_->Values();
    const std::string question = UnreadQuestion(values, app_.english != 0);
    if (question.empty()) {
        return true;
    }
    host_.EndWaitCursor();
    QMessageBox ask(QMessageBox::Warning, Qs(app_.Text("Set Parameters", "設定參數")), Qs(question),
                    QMessageBox::Yes | QMessageBox::No, this);
    ask.setDefaultButton(QMessageBox::No);
    const bool write = ui_.Exec(ask) == QMessageBox::Yes;
    host_.BeginWaitCursor();
    if (write) {
        values.unread.clear();  // what the controller holds from now on
    }
    return write;
}

void CMainWnd::OpenConfigFile(const QString& path) {
    Exclusive([this, &path] { cfgCommands_->OpenConfigFile(path.toStdString()); });
}

void CMainWnd::LinkController() {
    commands_->Values().linkBusy = 1;
    {
        CDlgRS232 dialog(
            app_, port_, *commands_, host_,
            [this](const LinkAddress& found) { GetParameters(found); }, this);
        if (ui_.Exec(dialog) == QDialog::Accepted && dialog.selectedPort != 0) {
            app_.comPort = dialog.selectedPort;
        }
    }
    ReopenControllerPort(port_, app_.comPort, commands_->Link());
    commands_->Values().linkBusy = 0;
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
            wnd->ui_.ShowMessage(wnd, HelpProblemText(problem, help, english),
                                 Qs(wnd->app_.Text("Error", "錯誤")), MessageIcon::Stop);
        }
    });
}

void CMainWnd::SwitchLanguage() {
    app_.english = app_.english != 0 ? 0 : 1;
    const bool english = app_.english != 0;
    FollowLanguageInQtTexts(english);
    app_.appTitle = CMainApp::AppTitle(english);
    setWindowTitle(Qs(app_.appTitle));
    createActions();
    createToolBars();
    if (CWndControlLED* schedulePanel = panel_->SchedulePanel()) {
        schedulePanel->UpdateLanguage(english);
    }
    panel_->SetLanguage(english);
    for (const PaneLabel& label : kPaneLabels) {
        const QString oldLabel = QString::fromUtf8(english ? label.chinese : label.english);
        const QString newLabel = QString::fromUtf8(english ? label.english : label.chinese);
        const QString text = PaneText(label.paneId);
        if (text.startsWith(oldLabel)) {
            SetPaneText(label.paneId, newLabel + text.mid(oldLabel.size()));
        }
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
    if (app_.savedToController == 1 && app_.savedToFile == 1) {
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
    if (leaving_) {
        event->accept();
        return;
    }
    event->ignore();
    if (exchangeRunning_) {
        // Asked once the command that runs has ended; an exchange of it stops first.
        closePending_ = true;
        worker_->Cancel();
        return;
    }
    bool leave = false;
    if (!Exclusive([this, &leave] { leave = ConfirmLeave(); }) || !leave) {
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
    leaving_ = true;
    // Stays set: the command that asked to leave starts nothing more on the line.
    worker_->Cancel();
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

#include "app/CMainWnd.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
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
#include "app/QtLanguage.h"
#include "app/WindowFrame.h"
#include "app/WindowUi.h"
#include "models/DialogTexts.h"
#include "models/MainWindowTexts.h"
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
      ui_(ui),
      host_(*this, ui) {
    worker_ = new CLinkWorker(this);
    IMainWindowView& view = *this;
    model_ = std::make_unique<CMainWindowModel>(app_, port, trace, host_, host_, view, *worker_,
                                                std::move(settingsPath));
    // Told on the worker's thread: the progress bar moves on the window's.
    Commands().Link().SetProgressHook([this](int n, int total, const std::string&) {
        QMetaObject::invokeMethod(
            this, [this, n, total] { ShowProgress(n, total); }, Qt::AutoConnection);
    });

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
    connect(help, &QAction::triggered, this, [this] { model_->OpenHelp(); });
    addAction(help);
    new CFixedFrame(*this, QRect(MainFrameRect::kLeft, MainFrameRect::kTop, MainFrameRect::kWidth,
                                 MainFrameRect::kHeight));
    setWindowIcon(AppIcon(IDR_MAINFRAME));
    setWindowTitle(Qs(app_.appTitle));
    // The search starts once the window is up and the event loop runs.
    PostNotify(this, UWM_START_SEARCH);
}

CMainWnd::~CMainWnd() {
    // The link thread uses the commands and the port: it ends before they go.
    worker_->Stop();
    // No timer work during teardown; the panel goes first, while its host is whole.
    model_->BeginTeardown();
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
    connect(cancel_, &QPushButton::clicked, this, [this] { model_->Cancel(); });
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
    panel_ = new CWndMiscPara(app_, *model_, client);
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

// --- What the model asks of the window -----------------------------------------------------

void CMainWnd::Post(std::function<void()> command) {
    QMetaObject::invokeMethod(this, std::move(command), Qt::QueuedConnection);
}

void CMainWnd::Quit(int exitCode) {
    ui_.Quit(exitCode);
}

void CMainWnd::ShowInputLocked(bool locked) {
    for (QAction* action : toolActions_) {
        action->setEnabled(!locked);
    }
    panel_->SetInputLocked(locked);
    if (locked) {
        cancel_->setText(Qs(Pick(app_, texts::kCancel)));
    }
    cancel_->setVisible(locked);
}

void CMainWnd::HideProgress() {
    progress_->hide();
}

void CMainWnd::ShowStatusNote(const std::string& text) {
    statusBar()->showMessage(Qs(text), kStatusMessageMs);
}

std::string CMainWnd::StatusPaneText(int paneId) const {
    return PaneText(paneId).toStdString();
}

void CMainWnd::SetStatusPaneText(int paneId, const std::string& text) {
    SetPaneText(paneId, Qs(text));
}

void CMainWnd::Relabel(bool english) {
    FollowLanguageInQtTexts(english);
    setWindowTitle(Qs(app_.appTitle));
    createActions();
    createToolBars();
    if (CWndControlLED* schedulePanel = panel_->SchedulePanel()) {
        schedulePanel->UpdateLanguage(english);
    }
    panel_->SetLanguage(english);
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

void CMainWnd::ShowMessageBox(const std::string& text, const std::string& caption,
                              MessageIcon icon) {
    ui_.ShowMessage(this, Qs(text), Qs(caption), icon);
}

uint16_t CMainWnd::RunSeekDialog(CSeekPosition& position,
                                 const std::function<void()>& getParameters) {
    CDlgSeek seek(app_, Commands(), model_->Port(), position, getParameters, this);
    ui_.Exec(seek);
    return seek.foundPort;
}

uint16_t CMainWnd::RunLinkDialog(
    const std::function<void(const LinkAddress& found)>& getParameters) {
    CDlgRS232 dialog(app_, model_->Port(), Commands(), host_, getParameters, this);
    return ui_.Exec(dialog) == QDialog::Accepted ? dialog.SelectedPort() : 0;
}

void CMainWnd::RunAboutDialog() {
    CDlgAbout about(app_, this);
    ui_.Exec(about);
}

bool CMainWnd::RunExitQuestion(const ExitSaveActions& actions) {
    CDlgExitConfirm confirm(app_, actions, this);
    return ui_.Exec(confirm) == QDialog::Accepted;
}

bool CMainWnd::AskRecordCheck(const std::vector<std::string>& problems) {
    CDlgRecordCheck question(problems, app_.english != 0, this);
    return ui_.Exec(question) == QDialog::Accepted;
}

bool CMainWnd::AskYesNo(const std::string& question, const std::string& caption) {
    QMessageBox ask(QMessageBox::Warning, Qs(caption), Qs(question),
                    QMessageBox::Yes | QMessageBox::No, this);
    ask.setDefaultButton(QMessageBox::No);
    return ui_.Exec(ask) == QMessageBox::Yes;
}

void CMainWnd::OpenHelpFile(const std::string& fileName,
                            std::function<void(HelpProblem, const std::string& path)> onProblem) {
    const QString path = QDir(QCoreApplication::applicationDirPath()).filePath(Qs(fileName));
    ui_.OpenHelpFile(path, [wnd = QPointer<CMainWnd>(this), onProblem, path](HelpProblem problem) {
        if (wnd != nullptr) {
            onProblem(problem, path.toStdString());
        }
    });
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
        model_->OnNotify(static_cast<CNotifyEvent*>(event)->Message());
        return true;
    }
    return QMainWindow::event(event);
}

void CMainWnd::ShowCursorTime(int minute) {
    SetPaneText(ID_PANE_CURSOR_TIME, Qs(CursorTimeText(app_, minute)));
}

void CMainWnd::closeEvent(QCloseEvent* event) {
    if (model_->RequestClose()) {
        event->accept();
    } else {
        event->ignore();
    }
}

// --- Window rectangle ----------------------------------------------------------------------

void CMainWnd::StoreWindowRect() {
    const QRect frame = frameGeometry();
    model_->FrameMoved(frame.left(), frame.top(), frame.left() + frame.width(),
                       frame.top() + frame.height());
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

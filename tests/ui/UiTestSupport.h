#pragma once
// What the window tests share: the class registry, a window interface that answers message
// boxes, file dialogs and modal dialogs without blocking, kvrn-sim in a private port folder,
// and a main window started on private settings.

#include <QDialog>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/CMainWnd.h"
#include "app/WindowUi.h"
#include "base/Trace.h"
#include "config/Settings.h"
#include "link/ComPort.h"
#include "support/SimProcess.h"
#include "support/TestEnv.h"
#include "ui/WidgetIds.h"
#include "ui/schedule/CSpinButton.h"

namespace zelt::uitest {

using Factory = std::function<std::unique_ptr<QObject>()>;
inline std::map<std::string, Factory>& Registry() {
    static std::map<std::string, Factory> registry;
    return registry;
}
struct Registration {
    Registration(const char* name, Factory make) { Registry().emplace(name, std::move(make)); }
};
#define ZELT_UI_TEST(Class)                                        \
    static const zelt::uitest::Registration registered##Class {    \
#Class, [] { return std::unique_ptr<QObject>(new Class); } \
    }

// The child of parent with the numeric control id.
template <typename Widget = QWidget>
Widget* ById(const QObject& parent, int id) {
    return parent.findChild<Widget*>(IdName(id));
}

// Focuses the edit, replaces its text by typing, and moves the focus away.
inline void TypeAndLeave(QLineEdit* edit, const QString& typed) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, typed);
    edit->clearFocus();
}

inline void Spin(const QObject& parent, int spinId, bool up) {
    auto* spin = ById<CSpinButton>(parent, spinId);
    up ? spin->StepUp() : spin->StepDown();
}

inline void Settle() {
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();  // a notification posted while the first one ran
}

// A pointer move with the given buttons and keys held, as the platform delivers it.
inline void Move(QWidget* w, QPoint at, Qt::MouseButtons buttons = Qt::LeftButton,
                 Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, buttons, keys);
    QApplication::sendEvent(w, &move);
}

// Press at from, move through the points, release at the last one.
inline void Drag(QWidget* w, QPoint from, std::vector<QPoint> through) {
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, from);
    for (QPoint p : through) {
        Move(w, p);
    }
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, through.empty() ? from : through.back());
    Settle();
}

inline void Click(QWidget* w, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QTest::mouseClick(w, Qt::LeftButton, keys, QPoint(w->width() / 2, w->height() / 2));
    Settle();
}

struct Message {
    QString text, caption;
    MessageIcon icon;
};

// Answers everything a person would. Dialogs go to onDialog when set (which returns the
// result); otherwise the seek and link dialogs really run and any other dialog is rejected.
class FakeWindowUi final : public IWindowUi {
  public:
    void ShowMessage(QWidget*, const QString& text, const QString& caption,
                     MessageIcon icon) override {
        messages.push_back({text, caption, icon});
    }
    bool ChooseFile(QWidget*, FileDialogKind kind, const QString& filter, QString* path) override {
        fileDialogs.push_back(kind);
        startFolders.push_back(*path);
        filters.push_back(filter);
        const QString chosen = chosenFiles.empty() ? QString() : chosenFiles.front();
        if (!chosenFiles.empty()) {
            chosenFiles.pop_front();
        }
        *path = chosen.isEmpty() ? *path : chosen;
        return !chosen.isEmpty();  // empty: cancelled
    }
    int Exec(QDialog& dialog) override {
        dialogs.push_back(dialog.metaObject()->className() + QString(":") + dialog.windowTitle());
        return onDialog ? onDialog(dialog) : dialog.exec();
    }
    void OpenHelpFile(const QString& path, HelpProblemHandler onProblem) override {
        helpFiles.push_back(path);
        onHelp = std::move(onProblem);
    }
    void Quit(int exitCode) override {
        quitCodes.push_back(exitCode);
        if (quitForReal) {
            CQtWindowUi().Quit(exitCode);
        }
    }

    // Clicks the button with object name id<N> once the dialog runs; its result.
    static int Click(QDialog& dialog, int buttonId) {
        auto* button = ById<QPushButton>(dialog, buttonId);
        if (button == nullptr || !button->isEnabled()) {
            return -1;
        }
        QTimer::singleShot(0, button, &QPushButton::click);
        return dialog.exec();
    }

    std::vector<Message> messages;
    std::deque<QString> chosenFiles;  // an empty entry cancels that dialog
    std::vector<FileDialogKind> fileDialogs;
    std::vector<QString> startFolders;
    std::vector<QString> filters;
    std::vector<QString> dialogs;
    std::function<int(QDialog&)> onDialog;
    std::vector<int> quitCodes;
    bool quitForReal = false;  // Quit leaves the event loop as the program's does
    std::vector<QString> helpFiles;
    HelpProblemHandler onHelp;  // the last help request's
};

using testing::SimProcess;

// A main window on private settings and a private port folder. Construct, set up what the
// start should see, then Start().
struct WindowFixture {
    WindowFixture() { std::filesystem::create_directory(scratch.path / "ports"); }
    ~WindowFixture() {
        wnd.reset();
        theComPort.Close();
    }

    void WriteSettings(const std::string& values) {
        testing::WriteText(scratch.File("settings.reg"),
                           "Windows Registry Editor Version 5.00\n\n"
                           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZELT Utility Quorvel]\n" +
                               values);
    }
    void StartSim(const std::string& com = "COM3", const std::string& options = "") {
        sim = std::make_unique<SimProcess>(scratch.path / "ports", com, options);
        QVERIFY(sim->Running());
    }
    // Start-up as the program runs it, up to the end of the start-up search.
    void Start(int searchMs = 10000) {
        std::string error;
        QVERIFY(EnsureSettingsKey(SettingsFilePath(), &error));
        ReadSettings(app, SettingsFilePath());
        wnd = std::make_unique<CMainWnd>(app, theComPort, ui, trace, SettingsFilePath());
        QSignalSpy finished(wnd.get(), &CMainWnd::StartupSearchFinished);
        wnd->show();
        QVERIFY(finished.wait(searchMs));
    }
    // Start-up as the program runs it, in the application's own event loop until the window
    // leaves it (or 20 s pass: exit code -1); the exit code.
    int RunUntilQuit() {
        ui.quitForReal = true;
        ReadSettings(app, SettingsFilePath());
        wnd = std::make_unique<CMainWnd>(app, theComPort, ui, trace, SettingsFilePath());
        QTimer::singleShot(20000, wnd.get(), [] { QCoreApplication::exit(-1); });
        wnd->show();
        return QApplication::exec();
    }
    std::string SettingsText() const { return testing::ReadText(scratch.File("settings.reg")); }

    testing::ScratchFolder scratch;
    testing::ScopedEnv portDir{"ZELT_PORT_DIR", (scratch.path / "ports").string()};
    testing::ScopedEnv settings{"ZELT_SETTINGS", scratch.File("settings.reg")};
    std::unique_ptr<SimProcess> sim;
    CMainApp app;
    FakeWindowUi ui;
    CaptureTraceSink trace;
    std::unique_ptr<CMainWnd> wnd;
};

}  // namespace zelt::uitest

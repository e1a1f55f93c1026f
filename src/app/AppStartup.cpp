#include "app/AppStartup.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <string>

#include "app/CDlgSeek.h"
#include "app/CMainWnd.h"
#include "app/SingleInstance.h"
#include "app/WindowUi.h"
#include "base/Trace.h"
#include "config/Settings.h"
#include "link/ComPort.h"
#include "models/MainWindowTexts.h"

namespace zelt {

namespace {

// What a dialog or message box says, for standard error: its caption and its texts.
std::string DialogText(QWidget& dialog) {
    QString text = dialog.windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
        text += QStringLiteral(": ") + box->text();
    } else {
        for (const QLabel* label : dialog.findChildren<QLabel*>()) {
            if (label->isVisible() && !label->text().isEmpty()) {
                text += QStringLiteral(": ") + label->text();
            }
        }
    }
    return text.simplified().toStdString();
}

bool SaveScreenshot(CMainWnd& wnd, const QString& path) {
    if (!wnd.grab().save(path, "PNG")) {
        std::fprintf(stderr, "zelt-utility: cannot write %s\n", path.toLocal8Bit().constData());
        return false;
    }
    std::printf("%s\n", path.toLocal8Bit().constData());
    std::fflush(stdout);
    return true;
}

// Saves the window and leaves once the start-up search, and the Get Parameters it ran, are
// over. The run always ends. Its time runs out options.seekGiveUpMs after start-up and
// again as long after that while the program is busy: the search dialog then gives up, which
// ends the run as a finished search does; any other dialog or message box would wait for a
// user forever, so the window is saved as it shows, the box's text goes to standard error and
// the exit is non-zero. Two periods in a row with nothing to wait for end the run too.
void ArrangeScreenshot(CMainWnd& wnd, const StartupOptions& options) {
    auto finished = std::make_shared<bool>(false);
    QObject::connect(&wnd, &CMainWnd::StartupSearchFinished, &wnd, [&wnd, options, finished] {
        // Queued behind the repaint that the search's last step asked for.
        QTimer::singleShot(0, &wnd, [&wnd, options, finished] {
            if (*finished) {
                return;
            }
            *finished = true;
            wnd.QuitWithoutSaving(SaveScreenshot(wnd, options.screenshotPath) ? 0 : 1);
        });
    });
    auto* watchdog = new QTimer(&wnd);
    auto idlePeriods = std::make_shared<int>(0);
    QObject::connect(watchdog, &QTimer::timeout, &wnd, [&wnd, options, finished, idlePeriods] {
        if (*finished) {
            wnd.QuitWithoutSaving(1);  // a dialog opened after the end: leave its loop too
            return;
        }
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* seek = dynamic_cast<CDlgSeek*>(modal)) {
            seek->reject();
            return;
        }
        if (modal == nullptr && ++*idlePeriods < 2) {
            return;
        }
        *finished = true;
        SaveScreenshot(wnd, options.screenshotPath);
        std::fprintf(stderr, "zelt-utility: the screenshot time ran out: %s\n",
                     modal != nullptr ? DialogText(*modal).c_str() : "the search did not end");
        wnd.QuitWithoutSaving(1);
    });
    watchdog->start(options.seekGiveUpMs);
}

void BringToFront(CMainWnd& wnd) {
    wnd.setWindowState(wnd.windowState() & ~Qt::WindowMinimized);
    wnd.raise();
    wnd.activateWindow();
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
}

}  // namespace

void AcceptLaterStarts(CMainWnd& wnd, CSingleInstance& instance) {
    QObject::connect(&instance, &CSingleInstance::FileRequested, &wnd, [&wnd](const QString& path) {
        BringToFront(wnd);
        if (!path.isEmpty()) {
            wnd.OpenConfigFileWhenFree(path);
        }
    });
}

bool ParseStartupOptions(const QStringList& arguments, StartupOptions* options, QString* error) {
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--screenshot") && i + 1 < arguments.size()) {
            options->screenshotPath = arguments[++i];
        } else if (!arguments[i].startsWith('-') && options->cfgFilePath.isEmpty()) {
            // Absolute: a running window that is handed the file has another working folder.
            options->cfgFilePath = QFileInfo(arguments[i]).absoluteFilePath();
        } else {
            *error = QStringLiteral("usage: zelt-utility [--screenshot FILE.png] [FILE.cfg]");
            return false;
        }
    }
    return true;
}

int RunZeltUtility(CMainApp& app, IWindowUi& ui, const StartupOptions& options) {
    const std::string settingsPath = SettingsFilePath();
    // A screenshot run stands alone: it neither hands over nor takes files.
    std::unique_ptr<CSingleInstance> instance;
    if (options.screenshotPath.isEmpty()) {
        instance = std::make_unique<CSingleInstance>(CSingleInstance::ServerName(settingsPath));
        if (instance->HandToRunning(options.cfgFilePath) ||
            (!instance->Listen() && instance->HandToRunning(options.cfgFilePath))) {
            return 0;
        }
    }
    std::string reason;
    if (!EnsureSettingsKey(settingsPath, &reason)) {
        // Before the language is known: English only, and no caption of its own.
        QApplication::beep();
        ui.ShowMessage(nullptr, QString::fromLatin1(texts::kRegistryFail), QString(),
                       MessageIcon::Stop);
        std::fprintf(stderr, "zelt-utility: %s\n", reason.c_str());
        return 0;
    }
    std::unique_ptr<ITraceSink> trace;
    if (TraceRequestedByEnvironment()) {
        trace = std::make_unique<StderrTraceSink>();
    } else {
        trace = std::make_unique<NullTraceSink>();
    }
    // The record keeps its construction values: a new document loads no file.
    ReadSettings(app, settingsPath, trace.get());
    auto wnd = std::make_unique<CMainWnd>(app, theComPort, ui, *trace, settingsPath);
    if (!options.cfgFilePath.isEmpty()) {
        // Before the screenshot's handler, which then shows the file's values.
        QObject::connect(
            wnd.get(), &CMainWnd::StartupSearchFinished, wnd.get(),
            [&wnd, &options] { wnd->OpenConfigFile(options.cfgFilePath); },
            Qt::SingleShotConnection);
    }
    if (instance) {
        AcceptLaterStarts(*wnd, *instance);
    }
    if (!options.screenshotPath.isEmpty()) {
        ArrangeScreenshot(*wnd, options);
    }
    wnd->show();
    const int exitCode = QApplication::exec();
    wnd.reset();
    theComPort.Close();
    return exitCode;
}

}  // namespace zelt

#include "app/AppStartup.h"

#include <QApplication>
#include <QFileInfo>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/CDlgSeek.h"
#include "app/CMainWnd.h"
#include "app/WindowUi.h"
#include "base/Trace.h"
#include "config/Settings.h"
#include "link/ComPort.h"

namespace zelt {

namespace {

// Saves the window once the search is over and leaves; gives a search that finds nothing up
// after options.seekGiveUpMs.
void ArrangeScreenshot(CMainWnd& wnd, const StartupOptions& options) {
    QObject::connect(&wnd, &CMainWnd::StartupSearchFinished, &wnd, [&wnd, options] {
        // Queued behind the repaint that the search's last step asked for.
        QTimer::singleShot(0, &wnd, [&wnd, options] {
            const bool saved = wnd.grab().save(options.screenshotPath, "PNG");
            if (saved) {
                std::printf("%s\n", options.screenshotPath.toLocal8Bit().constData());
            } else {
                std::fprintf(stderr, "zelt-utility: cannot write %s\n",
                             options.screenshotPath.toLocal8Bit().constData());
            }
            std::fflush(stdout);
            QCoreApplication::exit(saved ? 0 : 1);
        });
    });
    QTimer::singleShot(options.seekGiveUpMs, &wnd, [] {
        if (auto* seek = dynamic_cast<CDlgSeek*>(QApplication::activeModalWidget())) {
            seek->reject();
        }
    });
}

}  // namespace

bool ParseStartupOptions(const QStringList& arguments, StartupOptions* options, QString* error) {
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--screenshot") && i + 1 < arguments.size()) {
            options->screenshotPath = arguments[++i];
        } else if (!arguments[i].startsWith('-') && options->cfgFilePath.isEmpty()) {
            // Absolute: the About command changes the working folder.
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
    std::string reason;
    if (!EnsureSettingsKey(settingsPath, &reason)) {
        // Before the language is known: English only, and no caption of its own.
        QApplication::beep();
        ui.ShowMessage(nullptr, QStringLiteral("Fatal Error: Rigistry Fail ! "), QString(),
                       MessageIcon::Stop);
        std::fprintf(stderr, "zelt-utility: %s\n", reason.c_str());
        return 0;
    }
    // The record keeps its construction values: a new document loads no file.
    ReadSettings(app, settingsPath);

    std::unique_ptr<ITraceSink> trace;
    if (TraceRequestedByEnvironment()) {
        trace = std::make_unique<StderrTraceSink>();
    } else {
        trace = std::make_unique<NullTraceSink>();
    }
    auto wnd = std::make_unique<CMainWnd>(app, theComPort, ui, *trace, settingsPath);
    if (!options.cfgFilePath.isEmpty()) {
        // Before the screenshot's handler, which then shows the file's values.
        QObject::connect(
            wnd.get(), &CMainWnd::StartupSearchFinished, wnd.get(),
            [&wnd, &options] { wnd->OpenConfigFile(options.cfgFilePath); },
            Qt::SingleShotConnection);
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

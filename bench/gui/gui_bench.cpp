// Start-up and memory of the window program against a controller: prints the wall-clock time
// of the main window's first paint (the script subtracts its own start time) and the resident
// memory once the start-up search and its "Get Parameters" have ended.

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "app/CMainWnd.h"
#include "app/WindowUi.h"
#include "base/Trace.h"
#include "config/Settings.h"
#include "link/ComPort.h"

namespace {

long long NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long kb = -1;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> kb;
            break;
        }
        status.ignore(1 << 10, '\n');
    }
    return kb;
}

// Notes the first paint of the watched window.
class FirstPaint : public QObject {
  public:
    long long at = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (at == 0 && event->type() == QEvent::Paint) {
            at = NowNs();
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    zelt::CMainApp app;
    const std::string settings = zelt::SettingsFilePath();
    std::string error;
    if (!zelt::EnsureSettingsKey(settings, &error)) {
        std::fprintf(stderr, "gui_bench: %s\n", error.c_str());
        return 1;
    }
    zelt::ReadSettings(app, settings);
    zelt::CQtWindowUi ui;
    zelt::NullTraceSink trace;
    auto wnd = std::make_unique<zelt::CMainWnd>(app, zelt::theComPort, ui, trace, settings);
    FirstPaint firstPaint;
    wnd->installEventFilter(&firstPaint);
    QObject::connect(wnd.get(), &zelt::CMainWnd::StartupSearchFinished, [&] {
        QTimer::singleShot(0, [&] {
            std::printf("first-paint-ns %lld\nrss-after-get-kb %ld\nsaved-to-controller %u\n",
                        firstPaint.at, ResidentKb(), app.savedToController);
            QCoreApplication::exit(0);
        });
    });
    wnd->show();
    const int code = QApplication::exec();
    wnd.reset();
    zelt::theComPort.Close();
    return code;
}

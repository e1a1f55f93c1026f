// zelt-utility: the window program for configuring and watching the solar lighting
// controller.

#include <QApplication>
#include <cstdio>

#include "app/AppStartup.h"
#include "app/WindowUi.h"
#include "config/MainApp.h"

// The application object: settings, run-time values and the configuration record.
zelt::CMainApp theApp;

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    zelt::StartupOptions options;
    QString error;
    if (!zelt::ParseStartupOptions(QApplication::arguments(), &options, &error)) {
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return 2;
    }
    zelt::CQtWindowUi ui;
    return zelt::RunZeltUtility(theApp, ui, options);
}

#pragma once
// Start-up of the window program: the settings key and settings, the main window, the event
// loop; and the --screenshot run that documentation and the run script use.

#include <QString>
#include <QStringList>

#include "config/MainApp.h"

namespace zelt {

class CMainWnd;
class CSingleInstance;
class IWindowUi;

struct StartupOptions {
    // Save the main window as PNG once the start-up search has ended, then quit.
    QString screenshotPath;
    // A configuration file to open once the start-up search and its Get Parameters have ended.
    QString cfgFilePath;
    // A screenshot run gives the search up after this long (a controller may be missing),
    // and ends with status 1 when a dialog or message box is still up this long later.
    int seekGiveUpMs = 15000;
};

// Reads the command line (the program name first): options, then at most one file. False,
// with the reason in *error, for an argument it does not know.
bool ParseStartupOptions(const QStringList& arguments, StartupOptions* options, QString* error);

// The running window takes the files of later starts: it comes to the front and opens each
// as the Open command would, once the start-up search has ended and no command runs.
void AcceptLaterStarts(CMainWnd& wnd, CSingleInstance& instance);

// Runs the program on app until it leaves; returns the exit code. A QApplication must exist.
// When the user's window already runs, it is handed the file instead, and the start ends.
int RunZeltUtility(CMainApp& app, IWindowUi& ui, const StartupOptions& options);

}  // namespace zelt

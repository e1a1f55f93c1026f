// zelt-utility.exe: the Win32 window program for configuring and watching the solar lighting
// controller. One window per user session: a second start brings the first to the front.
//   zelt-utility.exe [--dump-state FILE]

#include <windows.h>
// needs <windows.h> first
#include <commctrl.h>
#include <shellapi.h>

#include <memory>
#include <string>

#include "base/Trace.h"
#include "config/MainApp.h"
#include "config/Settings.h"
#include "link/ComPort.h"
#include "models/MainWindowTexts.h"
#include "platform/win32/Wide.h"
#include "win32app/MainWnd.h"
#include "win32app/StateDump.h"

// The application object: settings, run-time values and the configuration record.
zelt::CMainApp theApp;

namespace {

// The path after --dump-state; empty without it.
std::wstring DumpStatePath() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring path;
    for (int i = 1; i + 1 < count; ++i) {
        if (std::wstring(arguments[i]) == L"--dump-state") {
            path = arguments[i + 1];
        }
    }
    LocalFree(arguments);
    return path;
}

// True when this is the session's first window; otherwise the first comes to the front.
bool FirstInstance() {
    CreateMutexW(nullptr, TRUE, L"Local\\ZELT Utility Quorvel");
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
        return true;
    }
    if (HWND running = FindWindowW(zelt::win32::CMainWnd::kClassName, nullptr)) {
        ShowWindow(running, SW_RESTORE);
        SetForegroundWindow(GetLastActivePopup(running));
    }
    return false;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    if (!FirstInstance()) {
        return 0;
    }
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES |
                                                        ICC_TAB_CLASSES | ICC_UPDOWN_CLASS |
                                                        ICC_PROGRESS_CLASS | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    const std::string settingsPath = zelt::SettingsFilePath();
    std::string reason;
    if (!zelt::EnsureSettingsKey(settingsPath, &reason)) {
        // Before the language is known: English only, and no caption of its own.
        Beep(500, 100);
        MessageBoxW(nullptr, zelt::win32::Wide(zelt::texts::kRegistryFail).c_str(), L"",
                    MB_OK | MB_ICONSTOP);
        return 0;
    }
    std::unique_ptr<zelt::ITraceSink> trace;
    if (zelt::TraceRequestedByEnvironment()) {
        trace = std::make_unique<zelt::StderrTraceSink>();
    } else {
        trace = std::make_unique<zelt::NullTraceSink>();
    }
    // The record keeps its construction values: a new document loads no file.
    zelt::ReadSettings(theApp, settingsPath, trace.get());
    int exitCode = 0;
    {
        zelt::win32::CMainWnd wnd(instance, theApp, zelt::theComPort, *trace, settingsPath);
        std::unique_ptr<zelt::win32::CStateDump> dump;
        if (const std::wstring path = DumpStatePath(); !path.empty()) {
            dump = std::make_unique<zelt::win32::CStateDump>(wnd, path);
        }
        MSG message;
        BOOL got;
        while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0 && got != -1) {
            if (!wnd.PreTranslateMessage(message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        exitCode = static_cast<int>(message.wParam);
    }
    zelt::theComPort.Close();
    return exitCode;
}

// zelt-utility.exe: the Win32 window program for configuring and watching the solar lighting
// controller. One window per user session: a second start brings the first to the front.
//   zelt-utility.exe [--dump-state FILE] [FILE.cfg]

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
#include "models/StartupSettings.h"
#include "platform/win32/Wide.h"
#include "win32app/MainWnd.h"
#include "win32app/StateDump.h"

// The application object: settings, run-time values and the configuration record.
zelt::CMainApp theApp;

namespace {

struct Arguments {
    std::wstring dumpStatePath;  // after --dump-state; empty without it
    std::wstring cfgFilePath;    // the first other argument, made absolute
};

// zelt-utility.exe [--dump-state FILE] [FILE.cfg]; "Open with" passes the .cfg.
Arguments ParseArguments() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    Arguments parsed;
    for (int i = 1; i < count; ++i) {
        const std::wstring argument = arguments[i];
        if (argument == L"--dump-state" && i + 1 < count) {
            parsed.dumpStatePath = arguments[++i];
        } else if (parsed.cfgFilePath.empty() && !argument.empty() && argument[0] != L'-') {
            // Absolute: a running window that is handed the file has another working folder.
            wchar_t full[MAX_PATH] = {};
            const DWORD length = GetFullPathNameW(argument.c_str(), MAX_PATH, full, nullptr);
            parsed.cfgFilePath =
                length > 0 && length < MAX_PATH ? std::wstring(full, length) : argument;
        }
    }
    LocalFree(arguments);
    return parsed;
}

// True when this is the session's first window; otherwise the first comes to the front and is
// handed the file this start was given.
bool FirstInstance(const std::wstring& cfgFilePath) {
    CreateMutexW(nullptr, TRUE, L"Local\\ZELT Utility Quorvel");
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
        return true;
    }
    if (HWND running = FindWindowW(zelt::win32::CMainWnd::kClassName, nullptr)) {
        ShowWindow(running, SW_RESTORE);
        SetForegroundWindow(GetLastActivePopup(running));
        if (!cfgFilePath.empty()) {
            COPYDATASTRUCT data{};
            data.dwData = zelt::win32::kHandOverFile;
            data.cbData = static_cast<DWORD>(cfgFilePath.size() * sizeof(wchar_t));
            data.lpData = const_cast<wchar_t*>(cfgFilePath.data());
            SendMessageW(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
        }
    }
    return false;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const Arguments arguments = ParseArguments();
    if (!FirstInstance(arguments.cfgFilePath)) {
        return 0;
    }
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES |
                                                        ICC_TAB_CLASSES | ICC_UPDOWN_CLASS |
                                                        ICC_PROGRESS_CLASS | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    const std::string settingsPath = zelt::SettingsFilePath();
    const zelt::StartupSettings startup = zelt::LoadStartupSettings(theApp, settingsPath);
    if (!startup.ok) {
        // Before the language is known: English only, and no caption of its own.
        Beep(500, 100);
        MessageBoxW(nullptr, zelt::win32::Wide(zelt::texts::kRegistryFail).c_str(), L"",
                    MB_OK | MB_ICONSTOP);
        return 0;
    }
    int exitCode = 0;
    {
        zelt::win32::CMainWnd wnd(instance, theApp, zelt::theComPort, *startup.trace, settingsPath);
        if (!arguments.cfgFilePath.empty()) {
            wnd.Model().OpenConfigFileWhenFree(zelt::win32::Utf8(arguments.cfgFilePath));
        }
        std::unique_ptr<zelt::win32::CStateDump> dump;
        if (!arguments.dumpStatePath.empty()) {
            dump = std::make_unique<zelt::win32::CStateDump>(wnd, arguments.dumpStatePath);
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

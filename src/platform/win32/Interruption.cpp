#include "base/Interruption.h"

#include <windows.h>

#include "ConsolePump.h"

namespace zelt {

namespace {

void (*theOnSignal)(int) = nullptr;

BOOL WINAPI OnConsoleControl(DWORD event) {
    const bool closing =
        event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
    if (theOnSignal == nullptr) {
        return FALSE;
    }
    theOnSignal(closing ? kTerminateSignal : kInterruptSignal);
    if (closing) {
        // Returning would end the process here and now: wait instead while the program
        // finishes the request in flight and exits (Windows allows a few seconds).
        Sleep(INFINITE);
    }
    return TRUE;
}

}  // namespace

void InstallInterruptionHandler(void (*onSignal)(int)) {
    theOnSignal = onSignal;
    SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
}

void EndProcessFromHandler(const char* text, size_t length, int status) {
    win32::FinishConsoleText();  // what the program had written reaches the console first
    DWORD written = 0;
    (void)WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(length), &written,
                    nullptr);
    // No atexit handlers or static destructors: the main thread may be anywhere.
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
    ExitProcess(static_cast<UINT>(status));
}

}  // namespace zelt

#include "base/Interruption.h"

#include <windows.h>
// after windows.h
#include <io.h>

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
    // Through standard error's descriptor, the way of every other line (a console's pump, a
    // pipe or a file), then whatever is still on its way to a console gets there.
    (void)_write(2, text, static_cast<unsigned>(length));
    win32::FinishConsoleText();
    // No atexit handlers or static destructors: the main thread may be anywhere.
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
    ExitProcess(static_cast<UINT>(status));
}

}  // namespace zelt

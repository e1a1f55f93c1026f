#include "base/Interruption.h"

#include <unistd.h>

#include <csignal>

#include "base/ConsoleText.h"

namespace zelt {

void InstallInterruptionHandler(void (*onSignal)(int)) {
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void EndProcessFromHandler(const char* text, size_t length, int status) {
    (void)!write(STDERR_FILENO, text, length);
    _exit(status);
}

// Linux hands the program UTF-8 already.
void PrepareConsoleText(int&, char**&) {}

}  // namespace zelt

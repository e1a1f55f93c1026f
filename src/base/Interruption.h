#pragma once
// How the platform tells a program to stop: SIGINT and SIGTERM on Linux; Ctrl+C, Ctrl+Break
// and closing the console on Windows. Both come to the program as the two signal numbers
// below, which its exit statuses derive from (128 + n).

#include <cstddef>

namespace zelt {

constexpr int kInterruptSignal = 2;   // SIGINT; Ctrl+C and Ctrl+Break
constexpr int kTerminateSignal = 15;  // SIGTERM; the console closed, log-off, shut-down

// Calls onSignal with one of the numbers above each time the program is told to stop. It
// runs in a signal handler (Linux) or on a thread of its own (Windows): only async-signal-safe
// work. When it returns, the program goes on, and finishes what it was doing; on Windows a
// closing console then waits for the program to end on its own.
void InstallInterruptionHandler(void (*onSignal)(int));

// For onSignal: writes text to standard error and ends the process with status at once.
[[noreturn]] void EndProcessFromHandler(const char* text, size_t length, int status);

}  // namespace zelt

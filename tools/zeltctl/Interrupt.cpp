#include "Interrupt.h"

#include <unistd.h>

#include "Ctl.h"
#include "link/ComPort.h"

namespace zeltctl {

volatile sig_atomic_t Interrupt::pending_ = 0;
volatile sig_atomic_t Interrupt::depth_ = 0;
std::atomic<bool> Interrupt::cancel_{false};
static_assert(std::atomic<bool>::is_always_lock_free);

namespace {

constexpr char kInterrupted[] = "zeltctl: interrupted\n";

}  // namespace

void Interrupt::Install() {
    struct sigaction action {};
    action.sa_handler = &Interrupt::Handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void Interrupt::Handle(int signal) {
    if (depth_ > 0) {
        pending_ = signal;
        cancel_ = true;
        return;
    }
    // Only async-signal-safe calls from here on.
    zelt::theComPort.RestoreLineNow();
    (void)!write(STDERR_FILENO, kInterrupted, sizeof kInterrupted - 1);
    _exit(128 + signal);
}

void Interrupt::ThrowIfInterrupted(const std::string& what) {
    const int signal = pending_;
    if (signal == 0) {
        return;
    }
    const char* name = signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "signal";
    throw CtlError{128 + signal, std::string("zeltctl: interrupted (") + name + ")" +
                                     (what.empty() ? std::string() : ": " + what)};
}

}  // namespace zeltctl

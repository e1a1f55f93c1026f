#include "Interrupt.h"

#include "Ctl.h"
#include "base/Interruption.h"
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
    zelt::InstallInterruptionHandler(&Interrupt::Handle);
}

void Interrupt::Handle(int signal) {
    if (depth_ > 0) {
        pending_ = signal;
        cancel_ = true;
        return;
    }
    // Only async-signal-safe calls from here on.
    zelt::theComPort.RestoreLineNow();
    zelt::EndProcessFromHandler(kInterrupted, sizeof kInterrupted - 1, 128 + signal);
}

void Interrupt::ThrowIfInterrupted(const std::string& what) {
    const int signal = pending_;
    if (signal == 0) {
        return;
    }
    const char* name = signal == zelt::kInterruptSignal   ? "SIGINT"
                       : signal == zelt::kTerminateSignal ? "SIGTERM"
                                                          : "signal";
    throw CtlError{128 + signal, std::string("zeltctl: interrupted (") + name + ")" +
                                     (what.empty() ? std::string() : ": " + what)};
}

}  // namespace zeltctl

#pragma once
// SIGINT and SIGTERM (Ctrl+C, Ctrl+Break, closing the console on Windows) for the tool. The port's line settings and its exclusive mode are put
// back on every way out: a command's own end closes the port; a signal outside a deferred
// section puts them back from the handler and ends the process at once (status 130 or 143),
// since nothing half-done is lost there. Inside a deferred section (a write to the
// controller, a file save) the handler only records the signal: the section's owner ends
// its current request or save, so that no register is left half-written and no temporary
// file behind, and then calls ThrowIfInterrupted.

#include <atomic>
#include <csignal>
#include <string>

namespace zeltctl {

class Interrupt {
  public:
    // Installs the handler for SIGINT and SIGTERM (their console events on Windows).
    static void Install();

    // The signal received inside a deferred section, 0 when none.
    static int Pending() { return pending_; }
    // Set with Pending: a link's cancel flag, so that a sequence ends between two requests.
    static const std::atomic<bool>* CancelFlag() { return &cancel_; }
    // Ends the command with 128 + the signal and "zeltctl: interrupted (SIGINT)" followed by
    // what, when a signal is pending.
    static void ThrowIfInterrupted(const std::string& what);

    // While one exists, a signal is only recorded.
    class Deferred {
      public:
        Deferred() { depth_ = depth_ + 1; }
        ~Deferred() { depth_ = depth_ - 1; }
        Deferred(const Deferred&) = delete;
        Deferred& operator=(const Deferred&) = delete;
    };

  private:
    static void Handle(int signal);

    // The only state a handler may touch: async-signal-safe flags, kept here rather than as
    // free globals.
    static volatile sig_atomic_t pending_;
    static volatile sig_atomic_t depth_;
    static std::atomic<bool> cancel_;  // lock-free, so a handler may store to it
};

}  // namespace zeltctl

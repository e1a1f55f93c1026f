#pragma once
// The exchange gate of a window: one controller exchange at a time on the one worker that owns
// the port, while the window stays live. It decides what runs, what waits and what is refused;
// the window only calls it and carries out its hooks (lock input and show Cancel, post a
// command to its own event loop, ask to close again). No window types here, so every front end
// with a window uses the same rules.
//
// The rules:
// - An exchange (a command that uses the line, or a dialog that may) runs only when none runs
//   and the program is not leaving.
// - The poll of the live readings locks no input; a command asked for during it is kept and
//   posted right after it.
// - Work that needs the line and arrives during an exchange (a search, a retried status read,
//   a handed-over file) waits and is posted after the exchange, in arrival order.
// - A close asked for during an exchange cancels it and is asked again, once, after it ended.
// - Once leaving, nothing more starts and nothing that waited runs.

#include <deque>
#include <functional>
#include <vector>

namespace zelt {

class ExchangeGate {
  public:
    using Command = std::function<void()>;

    // What the window does for the gate; every hook must be set.
    struct Hooks {
        // true: whatever edits the record or starts an exchange takes no input, Cancel shows;
        // false: back as before.
        std::function<void(bool locked)> lockInput;
        // Runs the exchange on the worker and returns when it has ended.
        std::function<void(const Command& exchange)> runOnWorker;
        // The exchange on the worker stops after its request in flight.
        std::function<void()> cancel;
        // A Cancel counts for the command it was pressed in: cleared when the next one starts.
        std::function<void()> clearCancel;
        // Runs command later, from the window's event loop (after what is queued there now).
        std::function<void(Command command)> post;
        // The close request once more (after the exchange it waited for).
        std::function<void()> askClose;
        // An exchange has ended (the progress goes).
        std::function<void()> exchangeEnded;
    };

    enum class CloseStep {
        Leave,  // the program is leaving already: let the window go
        Wait,   // an exchange runs: it was cancelled, and the close is asked again after it
        Ask,    // nothing runs: ask the close path's question now (as an exchange)
    };

    explicit ExchangeGate(Hooks hooks);

    // Runs work as the one exchange of the moment; false (work not run) when one runs or the
    // program leaves.
    bool Exclusive(const Command& work);
    // Runs poll as an exchange that locks nothing; commands kept meanwhile are posted after
    // it. False when it did not run.
    bool Poll(const Command& poll);
    // During a poll: keeps again for right after it (true). Otherwise false: run it now.
    bool DeferWhilePolling(Command again);
    // The step of an exchange that goes to the worker: with input locked unless polling.
    // False: not run (another is on the worker, or the program leaves).
    bool RunOnWorker(const Command& exchange);
    // Runs work now when no exchange runs, or after the one that runs, in arrival order.
    void WhenLineFree(Command work);
    // As WhenLineFree, but not before the start-up search is over.
    void AfterStartupSearch(Command work);
    void StartupSearchEnded();
    // The user's Cancel: the exchange that runs stops after its request in flight (a later
    // command starts uncancelled).
    void Cancel() { hooks_.cancel(); }
    // A request to close the window: what the window does with it.
    CloseStep RequestClose();
    // The program leaves: the exchange that runs stops after its request in flight, and nothing
    // starts or runs from now on.
    void Leave();

    bool Leaving() const { return leaving_; }

  private:
    bool LineBusy() const { return running_ || onWorker_; }
    void PostWhenLineFree(Command work);

    Hooks hooks_;
    bool running_ = false;
    bool onWorker_ = false;
    bool polling_ = false;
    bool leaving_ = false;
    bool closePending_ = false;
    bool startupSearchOver_ = false;
    std::vector<Command> afterPoll_;
    std::deque<Command> waitingForLine_;
    std::vector<Command> waitingForStartup_;
};

}  // namespace zelt

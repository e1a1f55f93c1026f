// The exchange gate's rules, with the window's hooks written to a log and its event loop stood
// in by a queue of posted commands (run from inside an exchange where a nested loop would).

#include <deque>
#include <string>

#include "models/ExchangeGate.h"

namespace zelt {
namespace {

using CloseStep = ExchangeGate::CloseStep;

// The hooks and the work note what they do, in order, in one log.
struct GateBench {
    ExchangeGate::Hooks Hooks() {
        return {[this](bool locked) { log += locked ? "lock " : "unlock "; },
                [](const ExchangeGate::Command& exchange) { exchange(); },
                Note("cancel"),
                Note("clear"),
                [this](ExchangeGate::Command command) { posted.push_back(std::move(command)); },
                Note("close?"),
                Note("ended")};
    }
    void RunPosted() {
        while (!posted.empty()) {
            ExchangeGate::Command command = std::move(posted.front());
            posted.pop_front();
            command();
        }
    }
    ExchangeGate::Command Note(const char* name) {
        return [this, name] { log += std::string(name) + " "; };
    }

    std::string log;
    std::deque<ExchangeGate::Command> posted;
    ExchangeGate gate{Hooks()};
};

// The poll locks no input; a command asked for during it runs right after it, locked.
TEST(ExchangeGate, OneExchangeAtATimeAndCommandsAskedForDuringAPollRunAfterIt) {
    GateBench b;
    EXPECT_FALSE(b.gate.DeferWhilePolling(b.Note("no poll")));  // the caller runs it now
    EXPECT_TRUE(b.gate.Poll([&] {
        b.gate.RunOnWorker([&] {
            EXPECT_FALSE(b.gate.Exclusive(b.Note("second")) ||
                         b.gate.RunOnWorker(b.Note("second on worker")) ||
                         b.gate.Poll(b.Note("poll")));
            b.gate.DeferWhilePolling(
                [&] { b.gate.Exclusive([&] { b.gate.RunOnWorker(b.Note("set")); }); });
            b.gate.DeferWhilePolling(b.Note("reset"));
        });
    }));
    EXPECT_EQ(b.log, "clear ended ");
    b.RunPosted();
    EXPECT_EQ(b.log, "clear ended clear lock set unlock ended reset ");
}

TEST(ExchangeGate, WorkThatNeedsTheLineWaitsAndRunsInArrivalOrder) {
    GateBench b;
    b.gate.WhenLineFree(b.Note("free"));
    b.gate.AfterStartupSearch(b.Note("file"));
    b.gate.Exclusive([&] {
        b.gate.WhenLineFree(b.Note("search"));
        b.gate.WhenLineFree(b.Note("retry"));
    });
    // Their turn comes while another exchange runs (its loop): they wait for that one too.
    b.gate.Exclusive([&] {
        b.RunPosted();
        b.log += "get ";
    });
    b.RunPosted();
    b.gate.StartupSearchEnded();
    b.RunPosted();
    EXPECT_EQ(b.log, "free clear ended clear get ended search retry file ");
}

// Leaving drops what waited and starts nothing more.
TEST(ExchangeGate, CloseDuringAnExchangeCancelsItAndIsAskedOnceAfterThenNothingRuns) {
    GateBench b;
    EXPECT_EQ(b.gate.RequestClose(), CloseStep::Ask);
    b.gate.AfterStartupSearch(b.Note("file"));
    b.gate.Exclusive([&] {
        b.gate.RunOnWorker([&] {
            EXPECT_EQ(b.gate.RequestClose(), CloseStep::Wait);
            EXPECT_EQ(b.gate.RequestClose(), CloseStep::Wait);
            b.gate.WhenLineFree(b.Note("retry"));
        });
    });
    b.gate.Leave();
    b.gate.StartupSearchEnded();
    b.RunPosted();
    EXPECT_FALSE(b.gate.Exclusive(b.Note("get")) || b.gate.Poll(b.Note("poll")) ||
                 b.gate.RunOnWorker(b.Note("exchange")));
    EXPECT_EQ(b.gate.RequestClose(), CloseStep::Leave);
    EXPECT_EQ(b.log, "clear lock cancel cancel unlock ended cancel close? ");
}

}  // namespace
}  // namespace zelt

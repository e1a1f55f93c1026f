#include "models/ExchangeGate.h"

#include <utility>

namespace zelt {

ExchangeGate::ExchangeGate(Hooks hooks) : hooks_(std::move(hooks)) {}

bool ExchangeGate::Exclusive(const Command& work) {
    if (LineBusy() || leaving_) {
        return false;
    }
    running_ = true;
    hooks_.clearCancel();
    work();
    running_ = false;
    hooks_.exchangeEnded();
    if (std::exchange(closePending_, false)) {
        hooks_.post([this] { hooks_.askClose(); });
    }
    // Posted, not run here: each finds the line as it is when its turn comes.
    while (!waitingForLine_.empty()) {
        PostWhenLineFree(std::move(waitingForLine_.front()));
        waitingForLine_.pop_front();
    }
    return true;
}

bool ExchangeGate::Poll(const Command& poll) {
    // A tick that comes due inside the poll's own wait is refused here and leaves the poll
    // that runs as it was: what is asked for during it still runs after it.
    if (LineBusy() || leaving_) {
        return false;
    }
    polling_ = true;
    const bool ran = Exclusive(poll);
    polling_ = false;
    for (Command& again : std::exchange(afterPoll_, {})) {
        hooks_.post(std::move(again));
    }
    return ran;
}

bool ExchangeGate::DeferWhilePolling(Command again) {
    if (!polling_) {
        return false;
    }
    afterPoll_.push_back(std::move(again));
    return true;
}

bool ExchangeGate::RunOnWorker(const Command& exchange) {
    if (onWorker_ || leaving_) {
        return false;
    }
    onWorker_ = true;
    // The poll is short and changes nothing the user edits.
    const bool lock = !polling_;
    if (lock) {
        hooks_.lockInput(true);
    }
    hooks_.runOnWorker(exchange);
    if (lock) {
        hooks_.lockInput(false);
    }
    onWorker_ = false;
    return true;
}

void ExchangeGate::WhenLineFree(Command work) {
    if (leaving_) {
        return;
    }
    if (LineBusy()) {
        waitingForLine_.push_back(std::move(work));
        return;
    }
    work();
}

void ExchangeGate::PostWhenLineFree(Command work) {
    hooks_.post([this, work = std::move(work)]() mutable { WhenLineFree(std::move(work)); });
}

void ExchangeGate::AfterStartupSearch(Command work) {
    if (!startupSearchOver_) {
        waitingForStartup_.push_back(std::move(work));
        return;
    }
    WhenLineFree(std::move(work));
}

void ExchangeGate::StartupSearchEnded() {
    startupSearchOver_ = true;
    for (Command& work : std::exchange(waitingForStartup_, {})) {
        PostWhenLineFree(std::move(work));
    }
}

ExchangeGate::CloseStep ExchangeGate::RequestClose() {
    if (leaving_) {
        return CloseStep::Leave;
    }
    if (LineBusy()) {
        closePending_ = true;
        hooks_.cancel();
        return CloseStep::Wait;
    }
    return CloseStep::Ask;
}

void ExchangeGate::Leave() {
    leaving_ = true;
    waitingForLine_.clear();
    waitingForStartup_.clear();
    afterPoll_.clear();
    hooks_.cancel();
}

}  // namespace zelt

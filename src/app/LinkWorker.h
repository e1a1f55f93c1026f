#pragma once
// The one thread that talks to the controller. An exchange runs there, one at a time, while
// the window's thread keeps its event loop: it paints, its timers tick, the progress moves and
// Cancel is heard. The window waits for the exchange on a local loop, so the steps around it
// (commit, collect, show) stay in order in the command that runs it; input to whatever edits
// the record or starts an exchange is switched off meanwhile (see ExchangeGate).

#include <QObject>
#include <QThread>
#include <atomic>
#include <functional>

#include "models/LinkWorker.h"

namespace zelt {

class CLinkWorker final : public QObject, public ILinkWorker {
    Q_OBJECT

  public:
    explicit CLinkWorker(QObject* parent = nullptr);
    // Stop().
    ~CLinkWorker() override;

    // Runs exchange on the worker thread and returns once it has ended, whatever happens to
    // the event loops meanwhile: the exchange may use the caller's locals. Must not be called
    // while one runs. A Cancel stays until ClearCancel: a command of several exchanges stops
    // at the next one too.
    void Run(const std::function<void()>& exchange) override;
    bool Running() const { return running_; }
    // Cancels and joins the thread; nothing runs on it afterwards.
    void Stop();

    // Asks the running exchange to stop after the request in flight.
    void Cancel() override { cancel_.store(true); }
    void ClearCancel() override { cancel_.store(false); }
    std::atomic<bool>* CancelFlag() override { return &cancel_; }
    bool CancelRequested() const { return cancel_.load(); }

  signals:
    void Started();
    void Finished();

  private:
    QThread thread_;
    QObject* context_ = nullptr;  // lives on thread_: queued calls to it run there
    std::atomic<bool> cancel_{false};
    bool running_ = false;
};

}  // namespace zelt

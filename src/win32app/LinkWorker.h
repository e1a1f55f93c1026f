#pragma once
// The one thread that talks to the controller. An exchange runs there, one at a time, while
// the window's thread keeps pumping its messages: it paints, its timers tick (the clocks run
// under any dialog), Cancel is heard. The window's thread waits for the exchange on a local
// message loop, so the steps around it (commit, collect, show) stay in order in the command
// that runs it. The worker tells the window it has ended with a posted WM_APP message.

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "models/LinkWorker.h"

namespace zelt::win32 {

class CLinkWorker final : public ILinkWorker {
  public:
    // doneMessage is posted to window when an exchange ends (it only wakes the local loop).
    CLinkWorker(HWND window, UINT doneMessage);
    ~CLinkWorker() override;  // Stop()
    CLinkWorker(const CLinkWorker&) = delete;
    CLinkWorker& operator=(const CLinkWorker&) = delete;

    // Runs exchange on the worker thread and returns once it has ended; meanwhile the calling
    // thread dispatches its messages. A WM_QUIT met meanwhile cancels the exchange, waits for
    // it and is posted again for the outer loop. Must not be called while one runs.
    void Run(const std::function<void()>& exchange) override;
    bool Running() const { return running_; }
    // Cancels and joins the thread; nothing runs on it afterwards.
    void Stop();

    // Asks the running exchange to stop after the request in flight. A Cancel stays until
    // ClearCancel: a command of several exchanges stops at the next one too.
    void Cancel() override { cancel_.store(true); }
    void ClearCancel() override { cancel_.store(false); }
    std::atomic<bool>* CancelFlag() override { return &cancel_; }

  private:
    void Loop();

    HWND window_;
    UINT doneMessage_;
    std::mutex mutex_;
    std::condition_variable wake_;
    const std::function<void()>* job_ = nullptr;  // guarded by mutex_
    bool jobDone_ = false;                        // guarded by mutex_
    bool stopping_ = false;                       // guarded by mutex_
    std::atomic<bool> cancel_{false};
    bool running_ = false;  // the window's thread only
    std::thread thread_;
};

}  // namespace zelt::win32

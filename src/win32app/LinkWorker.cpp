#include "win32app/LinkWorker.h"

namespace zelt::win32 {

CLinkWorker::CLinkWorker(HWND window, UINT doneMessage)
    : window_(window), doneMessage_(doneMessage), thread_([this] { Loop(); }) {}

CLinkWorker::~CLinkWorker() {
    Stop();
}

void CLinkWorker::Stop() {
    cancel_.store(true);
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void CLinkWorker::Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || job_ != nullptr; });
        if (job_ == nullptr) {
            return;  // stopping, nothing left to run
        }
        const std::function<void()>* job = job_;
        lock.unlock();
        (*job)();
        lock.lock();
        job_ = nullptr;
        jobDone_ = true;
        wake_.notify_all();
        PostMessageW(window_, doneMessage_, 0, 0);
    }
}

void CLinkWorker::Run(const std::function<void()>& exchange) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) {
            return;  // the program is going
        }
        job_ = &exchange;
        jobDone_ = false;
    }
    running_ = true;
    wake_.notify_all();
    const auto done = [this] {
        const std::lock_guard<std::mutex> lock(mutex_);
        return jobDone_;
    };
    bool quit = false;
    WPARAM quitCode = 0;
    MSG message;
    while (!done()) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) {  // WM_QUIT: the program leaves; the exchange stops soon
            quit = true;
            quitCode = message.wParam;
            cancel_.store(true);
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return jobDone_; });
            break;
        }
        // Dialog keys (Tab, Enter, Escape) for a modeless window of this thread.
        const HWND active = GetActiveWindow();
        if (active != nullptr && active != window_ && IsDialogMessageW(active, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    running_ = false;
    if (quit) {
        PostQuitMessage(static_cast<int>(quitCode));
    }
}

}  // namespace zelt::win32

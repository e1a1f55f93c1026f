#include "app/LinkWorker.h"

#include <QEventLoop>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace zelt {

namespace {

// One exchange as the worker holds it: its own copy of the call, and whether it has ended.
struct Job {
    explicit Job(std::function<void()> call) : exchange(std::move(call)) {}

    void Finish() {
        const std::lock_guard<std::mutex> lock(mutex);
        done = true;
        ended.notify_all();
    }
    bool Done() {
        const std::lock_guard<std::mutex> lock(mutex);
        return done;
    }
    void WaitUntilDone() {
        std::unique_lock<std::mutex> lock(mutex);
        ended.wait(lock, [this] { return done; });
    }

    std::function<void()> exchange;
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    QEventLoop* loop = nullptr;  // the caller's wait; touched on the caller's thread only
};

}  // namespace

CLinkWorker::CLinkWorker(QObject* parent) : QObject(parent) {
    thread_.setObjectName(QStringLiteral("link"));
    context_ = new QObject;
    context_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, context_, &QObject::deleteLater);
    thread_.start();
}

CLinkWorker::~CLinkWorker() {
    Stop();
}

void CLinkWorker::Stop() {
    cancel_.store(true);
    thread_.quit();
    thread_.wait();
}

void CLinkWorker::Run(const std::function<void()>& exchange) {
    if (!thread_.isRunning()) {
        return;  // stopped: the program is going
    }
    running_ = true;
    emit Started();
    auto job = std::make_shared<Job>(exchange);
    QEventLoop loop;
    job->loop = &loop;
    QMetaObject::invokeMethod(context_, [this, job] {
        job->exchange();
        job->Finish();
        QMetaObject::invokeMethod(
            this,
            [job] {
                if (job->loop != nullptr) {
                    job->loop->quit();
                }
            },
            Qt::QueuedConnection);
    });
    if (!job->Done()) {
        loop.exec();
    }
    if (!job->Done()) {
        // The loop was ended from outside: the program is leaving, and every loop of this
        // thread now returns at once. The exchange stops after its request in flight.
        cancel_.store(true);
        job->WaitUntilDone();
    }
    job->loop = nullptr;
    running_ = false;
    emit Finished();
}

}  // namespace zelt

#include "app/LinkWorker.h"

#include <QEventLoop>

namespace zelt {

CLinkWorker::CLinkWorker(QObject* parent) : QObject(parent) {
    thread_.setObjectName(QStringLiteral("link"));
    context_ = new QObject;
    context_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, context_, &QObject::deleteLater);
    thread_.start();
}

CLinkWorker::~CLinkWorker() {
    cancel_.store(true);
    thread_.quit();
    thread_.wait();
}

void CLinkWorker::Run(const std::function<void()>& exchange) {
    running_ = true;
    emit Started();
    QEventLoop loop;
    // The loop outlives both calls: it returns only through the quit queued back here.
    QMetaObject::invokeMethod(context_, [this, &exchange, &loop] {
        exchange();
        QMetaObject::invokeMethod(
            this, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec();
    running_ = false;
    emit Finished();
}

}  // namespace zelt

#pragma once
// The private notifications between the windows (models/NotifyIds.h) as posted Qt events whose
// type numbers are the message values. The window parameter is a guarded pointer: a sector
// window deleted before the event arrives reads as null instead of dangling.

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>

#include "models/NotifyIds.h"

namespace zelt {

class CNotifyEvent final : public QEvent {
  public:
    explicit CNotifyEvent(int message, qintptr wParam = 0, QObject* window = nullptr)
        : QEvent(static_cast<QEvent::Type>(message)), wParam_(wParam), window_(window) {}

    int Message() const { return static_cast<int>(type()); }
    qintptr WParam() const { return wParam_; }
    QObject* Window() const { return window_.data(); }

    static bool IsNotify(const QEvent* event) {
        return event->type() >= static_cast<QEvent::Type>(UWM_CURSOR_TIME) &&
               event->type() <= static_cast<QEvent::Type>(UWM_RETRY_STATUS);
    }

  private:
    qintptr wParam_;
    QPointer<QObject> window_;
};

// Queues a notification for target; it is handled later, in posting order.
inline void PostNotify(QObject* target, int message, qintptr wParam = 0,
                       QObject* window = nullptr) {
    if (target != nullptr) {
        QCoreApplication::postEvent(target, new CNotifyEvent(message, wParam, window));
    }
}

}  // namespace zelt

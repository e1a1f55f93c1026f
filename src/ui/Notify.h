#pragma once
// The private notifications between the windows: posted Qt events whose type numbers are the
// message values, so a trace or a test reads 1027 where the schedule editor posted 1027. The
// window parameter is a guarded pointer: a sector window deleted before the event arrives
// reads as null instead of dangling.

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>

namespace zelt {

enum NotifyMessage : int {
    UWM_CURSOR_TIME = 1025,         // wParam: axis minute under the pointer
    UWM_DESELECT_OTHERS = 1026,     // window: the sector window that stays selected
    UWM_SECTOR_SELECTED = 1027,     // window: the sector window now selected
    UWM_SECTOR_DESELECTED = 1028,   // a sector window was unselected by a click
    UWM_NO_SECTOR_SELECTED = 1029,  // no sector window is selected any more
    UWM_START_EDGE_MOVED = 1030,    // wParam: new start minute; window: the sector window
    UWM_END_EDGE_MOVED = 1031,      // wParam: new end minute; window: the sector window
    UWM_SECTOR_RESIZED = 1032,      // window: the sector window whose edge moved
    UWM_START_SEARCH = 1036,        // the main window starts the controller search
    UWM_VOLTAGE_CHANGED = 1037,     // the status read found another system voltage
    UWM_RETRY_STATUS = 1038,        // Battery Fail's "Retry": run the status read again
};

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

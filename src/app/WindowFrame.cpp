#include "app/WindowFrame.h"

#include <QEvent>
#include <QWidget>

namespace zelt {

CFixedFrame::CFixedFrame(QWidget& window, QRect outer)
    : QObject(&window), window_(window), outer_(outer) {
    window_.setFixedSize(outer_.size());
    window_.move(outer_.topLeft());
    window_.installEventFilter(this);
}

bool CFixedFrame::eventFilter(QObject* watched, QEvent* event) {
    // The window manager reports its frame after mapping the window; a move or resize follows.
    switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
            if (watched == &window_) {
                Fit();
            }
            break;
        default:
            break;
    }
    return false;
}

void CFixedFrame::Fit() {
    const QRect frame = window_.frameGeometry();
    const QRect client = window_.geometry();
    const QMargins margins(client.left() - frame.left(), client.top() - frame.top(),
                           frame.right() - client.right(), frame.bottom() - client.bottom());
    if (margins == frame_) {
        return;
    }
    frame_ = margins;
    window_.setFixedSize(outer_.width() - margins.left() - margins.right(),
                         outer_.height() - margins.top() - margins.bottom());
    // A widget's position on the screen is its frame's.
    window_.move(outer_.topLeft());
}

}  // namespace zelt

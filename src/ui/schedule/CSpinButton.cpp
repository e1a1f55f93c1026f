#include "ui/schedule/CSpinButton.h"

#include <QEvent>
#include <QKeyEvent>
#include <QToolButton>

#include "ui/WidgetIds.h"

namespace zelt {

CSpinButton::CSpinButton(int id, int lower, int upper, bool wrap, QWidget* parent)
    : QWidget(parent),
      lower_(lower),
      upper_(upper),
      wrap_(wrap),
      up_(new QToolButton(this)),
      down_(new QToolButton(this)) {
    NameById(this, id);
    setFocusPolicy(Qt::TabFocus);
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* button : {up_, down_}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
    }
    connect(up_, &QToolButton::clicked, this, [this] { Arrow(true); });
    connect(down_, &QToolButton::clicked, this, [this] { Arrow(false); });
}

void CSpinButton::SetBuddy(QWidget* buddy) {
    buddy->installEventFilter(this);
}

void CSpinButton::Arrow(bool up) {
    if (!isEnabled()) {
        return;
    }
    // Up moves toward the upper limit, which lies below the lower one in a reversed range.
    const bool reversed = upper_ < lower_;
    const int delta = up != reversed ? 1 : -1;
    const int low = reversed ? upper_ : lower_;
    const int high = reversed ? lower_ : upper_;
    emit PositionChanging(delta);
    int next = position_ + delta;
    if (next > high) {
        next = wrap_ ? low : high;
    } else if (next < low) {
        next = wrap_ ? high : low;
    }
    position_ = next;
}

bool CSpinButton::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Arrow(key == Qt::Key_Up);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CSpinButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        Arrow(event->key() == Qt::Key_Up);
        return;
    }
    QWidget::keyPressEvent(event);
}

void CSpinButton::resizeEvent(QResizeEvent*) {
    const int half = height() / 2;
    up_->setGeometry(0, 0, width(), half);
    down_->setGeometry(0, half, width(), height() - half);
}

}  // namespace zelt

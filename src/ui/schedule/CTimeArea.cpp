#include "ui/schedule/CTimeArea.h"

#include <QMouseEvent>
#include <QPainter>

#include "ui/Resources.h"
#include "ui/WidgetIds.h"
#include "ui/schedule/CTimeSector.h"

namespace zelt {

namespace {

unsigned ModelButton(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return CScheduleModel::kLeftButton;
        case Qt::RightButton:
            return CScheduleModel::kRightButton;
        case Qt::MiddleButton:
            return CScheduleModel::kMiddleButton;
        default:
            return 0;
    }
}

unsigned ModelButtons(Qt::MouseButtons buttons) {
    unsigned bits = 0;
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        if (buttons & button) {
            bits |= ModelButton(button);
        }
    }
    // Any further button counts as another button held.
    if (buttons & ~(Qt::LeftButton | Qt::RightButton | Qt::MiddleButton)) {
        bits |= CScheduleModel::kMiddleButton;
    }
    return bits;
}

unsigned ModelKeys(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? CScheduleModel::kShiftKey : 0u) |
           (modifiers & Qt::ControlModifier ? CScheduleModel::kCtrlKey : 0u);
}

}  // namespace

CTimeArea::CTimeArea(CMainApp& app, QWidget* parent) : QWidget(parent), model_(app) {
    NameById(this, kControlId);
    setMouseTracking(true);  // the cursor time and the grips follow every move
    setFocusPolicy(Qt::ClickFocus);
}

CTimeArea::~CTimeArea() = default;

void CTimeArea::Apply(const CScheduleModel::Changes& changes) {
    const std::size_t count = model_.Sectors().size();
    if (changes.sectorsReplaced) {
        while (windows_.size() > count) {
            delete windows_.back();
            windows_.pop_back();
        }
        while (windows_.size() < count) {
            windows_.push_back(new CTimeSector(*this, windows_.size()));
        }
        for (std::size_t i = 0; i < count; ++i) {
            Place(i);
            Restyle(i);
        }
    } else {
        for (std::size_t i : changes.moved) {
            Place(i);
        }
        for (std::size_t i : changes.restyled) {
            Restyle(i);
        }
    }
    if (changes.band) {
        update();
    }
    if (listener_) {
        listener_(changes);
    }
}

void CTimeArea::Place(std::size_t index) {
    const CScheduleModel::Rect r = model_.SectorRect(index);
    windows_[index]->setGeometry(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void CTimeArea::Restyle(std::size_t index) {
    windows_[index]->update();
}

void CTimeArea::FollowCursorShape(QPoint at) {
    if (model_.ResizeCursorAt(at.x(), at.y())) {
        setCursor(ResizeCursor());
    } else {
        unsetCursor();
    }
}

void CTimeArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (const auto band = model_.Band()) {
        painter.setPen(QPen(Qt::black, 1, Qt::DashDotLine));
        painter.drawRect(
            QRect(QPoint(band->left, band->top), QPoint(band->right - 1, band->bottom - 1)));
    }
}

void CTimeArea::resizeEvent(QResizeEvent*) {
    model_.SetAreaHeight(height());
    for (std::size_t i = 0; i < windows_.size(); ++i) {
        Place(i);
    }
}

// The sector windows leave their pointer events to the area, so these arrive in area
// coordinates from the strip and from every sector window alike.
void CTimeArea::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    Apply(model_.Press(ModelButton(event->button()), at.x(), at.y(), ModelButtons(event->buttons()),
                       ModelKeys(event->modifiers())));
    FollowCursorShape(at);
}

void CTimeArea::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    Apply(
        model_.Move(at.x(), at.y(), ModelButtons(event->buttons()), ModelKeys(event->modifiers())));
    FollowCursorShape(at);
}

void CTimeArea::mouseReleaseEvent(QMouseEvent* event) {
    Apply(model_.Release(ModelButton(event->button())));
    FollowCursorShape(event->position().toPoint());
}

}  // namespace zelt

#include "ui/schedule/CTimeSector.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "base/Trace.h"
#include "ui/Notify.h"
#include "ui/Resources.h"
#include "ui/WidgetIds.h"
#include "ui/schedule/CTimeArea.h"

namespace zelt {

using namespace timeaxis;

CTimeSector::CTimeSector(CTimeArea& area, const QRect& rect) : QWidget(&area), area_(area) {
    NameById(this, kControlId);
    labelFont_.setStyleHint(QFont::SansSerif);
    labelFont_.setPixelSize(11);
    setFont(labelFont_);
    // Tracking lets the grips show the resize cursor before any button goes down.
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);  // Delete and Escape pass on to the area
    setGeometry(rect);
    show();
}

void CTimeSector::SetSelected(bool selected) {
    selected_ = selected;
    update();
}

void CTimeSector::SetBrightness(int percent) {
    brightness_ = percent;
    update();
}

bool CTimeSector::MoveEdges(int startMinute, int endMinute) {
    if (startMinute == -1 && endMinute == -1) {
        return false;
    }
    int left = x();
    int right = x() + width();
    if (startMinute != -1) {
        left = MinuteToPixel(std::max(startMinute, 0));
    }
    if (endMinute != -1) {
        right = MinuteToPixel(endMinute);
    }
    if (right - left < MinuteToPixel(kShortestSector)) {
        return false;
    }
    setGeometry(left, y(), right - left, height());
    return true;
}

void CTimeSector::AbandonDrag() {
    if (!dragging_) {
        return;
    }
    dragging_ = false;
    if (newMinute_ == -1 || dragOrigin_ == -1 || grip_ == SectorGrip::None) {
        return;
    }
    const bool startEdge = grip_ == SectorGrip::Start;
    MoveEdges(startEdge ? dragOrigin_ : -1, startEdge ? -1 : dragOrigin_);
    PostNotify(&area_, startEdge ? UWM_START_EDGE_MOVED : UWM_END_EDGE_MOVED, dragOrigin_, this);
}

void CTimeSector::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (selected_) {
        painter.setPen(QPen(QColor(0, 0, 255), 3));
        painter.setBrush(QColor(80, 80, 255));
    } else {
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(QColor(150, 150, 255));
    }
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    // The client rectangle's width counts one more than the window's pixel columns.
    const int labelX = std::max(((width() + 1) >> 1) - 14, 0);
    const int labelY = ((height() + 1) >> 1) - 9;
    painter.setPen(Qt::black);
    painter.setFont(labelFont_);
    painter.drawText(QRect(labelX, labelY, std::max(width() - labelX, 0), 16),
                     Qt::AlignLeft | Qt::AlignTop,
                     QString::fromStdString(StrF("%d%%", brightness_)));
}

void CTimeSector::ArmGrip(int x) {
    grip_ = GripAt(x, width());
    if (grip_ != SectorGrip::None) {
        setCursor(ResizeCursor());
    } else {
        unsetCursor();
    }
}

void CTimeSector::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (!dragging_) {
        ArmGrip(event->position().toPoint().x());
    }
    const bool otherKeys = event->buttons() != Qt::LeftButton ||
                           (event->modifiers() & ~Qt::ControlModifier) != Qt::NoModifier;
    const SectorPress press =
        PressOnSector(selected_, grip_, event->modifiers() & Qt::ControlModifier, otherKeys);
    if (!press.handled) {
        dragging_ = false;
        return;
    }
    selected_ = press.selected;
    if (press.deselectOthers) {
        PostNotify(&area_, UWM_DESELECT_OTHERS, 0, this);
    }
    PostNotify(&area_, selected_ ? UWM_SECTOR_SELECTED : UWM_SECTOR_DESELECTED, 0,
               selected_ ? this : nullptr);
    if (press.startsEdgeDrag) {
        dragging_ = true;
        newMinute_ = -1;
        const CTimeSectorData* sector = area_.SectorOf(this);
        dragOrigin_ = sector == nullptr            ? -1
                      : grip_ == SectorGrip::Start ? sector->startMinute
                                                   : sector->endMinute;
    }
    update();
}

void CTimeSector::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) {
        ArmGrip(event->position().toPoint().x());
        return;
    }
    const int x = std::clamp(mapToParent(event->position().toPoint()).x(), 0, axisWidth);
    int minute = PixelToMinute(x);
    const bool startEdge = grip_ == SectorGrip::Start;
    int limited = minute;
    if (area_.LimitEdge(minute, this, startEdge, &limited)) {
        minute = limited;
    }
    newMinute_ = minute;
    PostNotify(area_.Editor(), UWM_CURSOR_TIME, minute);
    if (grip_ == SectorGrip::None) {
        return;
    }
    if (!MoveEdges(startEdge ? minute : -1, startEdge ? -1 : minute)) {
        return;
    }
    PostNotify(&area_, startEdge ? UWM_START_EDGE_MOVED : UWM_END_EDGE_MOVED, minute, this);
    PostNotify(area_.Editor(), UWM_SECTOR_RESIZED, 0, this);
}

void CTimeSector::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging_) {
        return;
    }
    dragging_ = false;
    if (newMinute_ == -1 || grip_ == SectorGrip::None) {
        return;
    }
    PostNotify(&area_, grip_ == SectorGrip::Start ? UWM_START_EDGE_MOVED : UWM_END_EDGE_MOVED,
               newMinute_, this);
}

}  // namespace zelt

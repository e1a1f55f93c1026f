#include "ui/schedule/CTimeSector.h"

#include <QPainter>
#include <algorithm>

#include "base/Trace.h"
#include "ui/WidgetIds.h"

namespace zelt {

CTimeSector::CTimeSector(QWidget* area) : QWidget(area) {
    NameById(this, kControlId);
    labelFont_.setStyleHint(QFont::SansSerif);
    labelFont_.setPixelSize(11);
    setFont(labelFont_);
    // Hover moves reach the area through this window only while it tracks them; the unhandled
    // pointer events go on to the area, and the area's cursor shows here too.
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);  // Delete and Escape pass on to the area
    show();
}

void CTimeSector::SetSelected(bool selected) {
    if (selected_ != selected) {
        selected_ = selected;
        update();
    }
}

void CTimeSector::SetBrightness(int percent) {
    if (brightness_ != percent) {
        brightness_ = percent;
        update();
    }
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

}  // namespace zelt

#include "ui/schedule/CTimeSector.h"

#include <QPainter>

#include "ui/WidgetIds.h"
#include "ui/schedule/CTimeArea.h"

namespace zelt {

CTimeSector::CTimeSector(CTimeArea& area, std::size_t index)
    : QWidget(&area), area_(area), index_(index) {
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

bool CTimeSector::IsSelected() const {
    return area_.Model().IsSelected(index_);
}

int CTimeSector::Brightness() const {
    return area_.Model().Sectors().at(index_).brightness;
}

void CTimeSector::paintEvent(QPaintEvent*) {
    const CScheduleModel::SectorLook look = area_.Model().Look(index_);
    QPainter painter(this);
    painter.setPen(QPen(QColor::fromRgb(look.pen), look.penWidth));
    painter.setBrush(QColor::fromRgb(look.fill));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(Qt::black);
    painter.setFont(labelFont_);
    painter.drawText(QRect(look.labelX, look.labelY, std::max(width() - look.labelX, 0), 16),
                     Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(look.label));
}

}  // namespace zelt

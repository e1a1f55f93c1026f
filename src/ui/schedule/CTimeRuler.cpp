#include "ui/schedule/CTimeRuler.h"

#include <QPainter>

#include "models/ScheduleModel.h"
#include "ui/WidgetIds.h"

namespace zelt {

CTimeRuler::CTimeRuler(QWidget* parent) : QWidget(parent) {
    NameById(this, kControlId);
    labelFont_.setFamily(QStringLiteral("Monospace"));
    labelFont_.setStyleHint(QFont::TypeWriter);
    labelFont_.setPixelSize(10);
    labelFont_.setBold(true);
    setFont(labelFont_);
}

void CTimeRuler::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBrush(QColor::fromRgb(CScheduleModel::kRulerFill));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setFont(labelFont_);
    const int bottom = height();
    for (const CScheduleModel::RulerMark& mark : CScheduleModel::RulerMarks(width())) {
        painter.drawLine(mark.x, CScheduleModel::kRulerTickTop, mark.x, bottom - 1);
        painter.drawText(QRect(mark.labelX, 2, 40, 14), Qt::AlignLeft | Qt::AlignTop,
                         QString::fromStdString(mark.label));
    }
}

}  // namespace zelt

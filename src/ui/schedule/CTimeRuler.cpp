#include "ui/schedule/CTimeRuler.h"

#include <QPainter>

#include "ui/WidgetIds.h"

namespace zelt {

namespace {

const char* const kRulerLabels[] = {"12:00", "15:00", "18:00", "21:00", "00:00",
                                    "03:00", "06:00", "09:00", "12:00"};

}  // namespace

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
    painter.setBrush(QColor(206, 218, 240));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setFont(labelFont_);
    // The client rectangle's right and bottom are exclusive, its width one more than that.
    const int right = width();
    const int bottom = height();
    const int step = (right + 1) >> 3;  // 72 pixels, three hours, on the 577-pixel ruler
    for (int i = 0; i <= 8; ++i) {
        painter.drawLine(step * i, 18, step * i, bottom - 1);
        const int x = i == 0 ? 0 : (i == 8 ? right - 34 : step * i - 16);
        painter.drawText(QRect(x, 2, 40, 14), Qt::AlignLeft | Qt::AlignTop,
                         QString::fromLatin1(kRulerLabels[i]));
    }
}

}  // namespace zelt

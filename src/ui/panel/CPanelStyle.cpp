#include "ui/panel/CPanelStyle.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPalette>
#include <algorithm>
#include <cmath>

namespace zelt {

QFont CPanelStyle::LogicalFont(int cellHeight, int averageWidth, int weight) {
    QFont font;
    font.setFamily(QStringLiteral("sans-serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(static_cast<QFont::Weight>(weight));
    // A font height is the whole cell; Qt's pixel size is the em, so take the largest em whose
    // line still fits the cell.
    int pixels = cellHeight;
    font.setPixelSize(pixels);
    while (pixels > 6 && QFontMetrics(font).height() > cellHeight) {
        font.setPixelSize(--pixels);
    }
    // The average width of a font description is the width of its "x".
    const qreal naturalWidth = QFontMetricsF(font).horizontalAdvance(QLatin1Char('x'));
    if (naturalWidth > 0 && averageWidth > 0) {
        const int stretch = static_cast<int>(std::lround(100.0 * averageWidth / naturalWidth));
        font.setStretch(std::clamp(stretch, 50, 150));
    }
    return font;
}

QColor CPanelStyle::PanelBackground() {
    const QColor face = QApplication::palette().color(QPalette::Button);
    const unsigned colorRef = static_cast<unsigned>(face.red()) |
                              static_cast<unsigned>(face.green()) << 8 |
                              static_cast<unsigned>(face.blue()) << 16;
    const unsigned erase = colorRef - 1u;
    return QColor(static_cast<int>(erase & 0xFF), static_cast<int>(erase >> 8 & 0xFF),
                  static_cast<int>(erase >> 16 & 0xFF));
}

}  // namespace zelt

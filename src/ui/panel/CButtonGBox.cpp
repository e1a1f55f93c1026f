#include "ui/panel/CButtonGBox.h"

#include <QPainter>

#include "ui/panel/CPanelStyle.h"

namespace zelt {

CButtonGBox::CButtonGBox(const QString& title, bool english, QWidget* parent)
    : QGroupBox(title, parent),
      englishFont_(CPanelStyle::LogicalFont(16, 6, 700)),
      chineseFont_(CPanelStyle::LogicalFont(16, 8, 400)),
      background_(CPanelStyle::PanelBackground()) {
    setFont(english ? englishFont_ : chineseFont_);
}

void CButtonGBox::paintEvent(QPaintEvent* event) {
    {
        // Erase in the panel's colour so the box blends into the panel.
        QPainter painter(this);
        painter.fillRect(rect(), background_);
    }
    QGroupBox::paintEvent(event);
}

}  // namespace zelt

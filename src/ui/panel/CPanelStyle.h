#pragma once
// The look the panel and its group boxes share: fonts given as a cell height, an average
// character width and a weight, and the background colour that the panel and the group boxes
// erase with.

#include <QColor>
#include <QFont>

namespace zelt {

class CPanelStyle {
  public:
    // A proportional sans-serif font whose line (ascent + descent) is cellHeight pixels and
    // whose average character is about averageWidth pixels wide; weight on the 100..900 scale.
    static QFont LogicalFont(int cellHeight, int averageWidth, int weight);

    // The panel's three fonts.
    static QFont GroupFont() { return LogicalFont(16, 6, 700); }
    static QFont LabelFont() { return LogicalFont(15, 6, 400); }
    static QFont GroupFontChinese() { return LogicalFont(16, 7, 400); }

    // The erase colour: the button-face colour as a 0x00BBGGRR number, minus one.
    static QColor PanelBackground();
};

}  // namespace zelt

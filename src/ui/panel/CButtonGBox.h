#pragma once
// A group box of the parameter panel: frame and title drawn by the standard control, the
// inside erased in the panel's own background colour, and a font by the language it was
// created in (the panel sets its own group fonts over it).

#include <QFont>
#include <QGroupBox>

namespace zelt {

class CButtonGBox : public QGroupBox {
    Q_OBJECT

  public:
    CButtonGBox(const QString& title, bool english, QWidget* parent);

    const QFont& EnglishFont() const { return englishFont_; }
    const QFont& ChineseFont() const { return chineseFont_; }
    const QColor& Background() const { return background_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QFont englishFont_;
    QFont chineseFont_;
    QColor background_;
};

}  // namespace zelt

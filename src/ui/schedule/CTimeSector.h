#pragma once
// One sector window inside the time area: a blue box as wide as the sector with its
// brightness in the middle. It only paints; its pointer events pass on to the time area,
// whose schedule model decides what a press, a drag of a grip or a click does.

#include <QFont>
#include <QWidget>

namespace zelt {

class CTimeSector : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kControlId = 1011;

    explicit CTimeSector(QWidget* area);

    void SetSelected(bool selected);
    void SetBrightness(int percent);
    bool IsSelected() const { return selected_; }
    int Brightness() const { return brightness_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QFont labelFont_;
    int brightness_ = 100;
    bool selected_ = false;
};

}  // namespace zelt

#pragma once
// One sector window inside the time area: a blue box as wide as the sector with its
// brightness in the middle, drawn as the schedule model says. It only paints; its pointer
// events pass on to the time area, whose model decides what a press, a drag of a grip or a
// click does.

#include <QFont>
#include <QWidget>
#include <cstddef>

namespace zelt {

class CTimeArea;

class CTimeSector : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kControlId = 1011;

    // The window of the area's sector at list position index.
    CTimeSector(CTimeArea& area, std::size_t index);

    bool IsSelected() const;
    int Brightness() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    CTimeArea& area_;
    std::size_t index_;
    QFont labelFont_;
};

}  // namespace zelt

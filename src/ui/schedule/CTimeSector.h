#pragma once
// One sector window inside the time area: a blue box as wide as the sector with its
// brightness in the middle. It toggles its selection when clicked and lets the user drag its
// first and last pixel columns; it reports every change by posted notifications and leaves
// the sector's data to the time area.

#include <QFont>
#include <QObject>
#include <QWidget>

#include "schedule/TimeAxis.h"

namespace zelt {

class CTimeArea;

class CTimeSector : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kControlId = 1011;

    // The area's editor receives the cursor time and the resize notifications.
    CTimeSector(CTimeArea& area, const QRect& rect);

    void SetSelected(bool selected);
    void SetBrightness(int percent);
    bool IsSelected() const { return selected_; }
    int Brightness() const { return brightness_; }
    // Moves the left edge to the start minute and/or the right edge to the end minute (-1
    // leaves an edge). False, with nothing moved, when the window would get narrower than
    // the shortest sector.
    bool MoveEdges(int startMinute, int endMinute);
    // Ends an edge drag under way and moves the edge back to where the drag began.
    void AbandonDrag();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void ArmGrip(int x);

    CTimeArea& area_;
    QFont labelFont_;
    int brightness_ = 100;
    bool selected_ = false;
    bool dragging_ = false;
    SectorGrip grip_ = SectorGrip::None;
    // Axis minute reached by the running edge drag; -1 until it moves.
    int newMinute_ = -1;
    // The dragged edge's minute when the drag began.
    int dragOrigin_ = -1;
};

}  // namespace zelt

#pragma once
// An up-down control that writes nothing itself: each arrow (button or arrow key) reports the
// position change about to happen and the owner writes its field. A range whose upper limit
// lies below the lower one reverses the arrows (up reports -1), as the schedule panel's time
// spins use it.

#include <QWidget>

class QToolButton;

namespace zelt {

class CSpinButton : public QWidget {
    Q_OBJECT

  public:
    CSpinButton(int id, int lower, int upper, bool wrap, QWidget* parent);

    // Arrow keys pressed in buddy step this spin as well.
    void SetBuddy(QWidget* buddy);
    int Position() const { return position_; }
    void StepUp() { Arrow(true); }
    void StepDown() { Arrow(false); }

  signals:
    // The position is about to change by delta (+1 or -1).
    void PositionChanging(int delta);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Arrow(bool up);

    int lower_;
    int upper_;
    bool wrap_;
    int position_ = 0;
    QToolButton* up_;
    QToolButton* down_;
};

}  // namespace zelt

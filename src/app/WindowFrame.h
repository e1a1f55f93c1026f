#pragma once
// Keeps a top-level window's outer rectangle, the window manager's frame included, at a fixed
// place and size: the client area is what the frame leaves. Without a frame (no window
// manager, the offscreen platform) the client area is the whole rectangle.

#include <QMargins>
#include <QObject>
#include <QRect>

class QWidget;

namespace zelt {

class CFixedFrame final : public QObject {
  public:
    // Places window at once and again whenever its frame becomes known or changes.
    CFixedFrame(QWidget& window, QRect outer);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Fit();

    QWidget& window_;
    QRect outer_;
    QMargins frame_;
};

}  // namespace zelt

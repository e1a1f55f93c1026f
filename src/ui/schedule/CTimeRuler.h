#pragma once
// The time ruler: a tinted strip above the time area with a tick and a clock label every
// three hours from 12:00 noon to 12:00 noon.

#include <QFont>
#include <QWidget>

namespace zelt {

class CTimeRuler : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kControlId = 1008;

    explicit CTimeRuler(QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QFont labelFont_;
};

}  // namespace zelt

#pragma once
// The schedule view: the time ruler above the time area, in the parameter panel's last group.

#include <QObject>
#include <QWidget>

#include "config/MainApp.h"

namespace zelt {

class CTimeArea;
class CTimeRuler;

class CScrollViewSch : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kControlId = 1010;

    CScrollViewSch(CMainApp& app, QWidget* parent);

    CTimeArea& Area() { return *area_; }
    const CTimeArea& Area() const { return *area_; }
    CTimeRuler& Ruler() { return *ruler_; }

    // How many sectors of the area's schedule are selected.
    int CountSelected() const;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    CTimeRuler* ruler_;
    CTimeArea* area_;
};

}  // namespace zelt

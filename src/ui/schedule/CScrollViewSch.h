#pragma once
// The schedule view: the time ruler above the time area, in the parameter panel's last group.

#include <QObject>
#include <QWidget>
#include <string_view>

#include "config/MainApp.h"

namespace zelt {

class CTimeArea;
class CTimeRuler;
class CTimeSector;

class CScrollViewSch : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kControlId = 1010;

    CScrollViewSch(CMainApp& app, QWidget* parent);

    CTimeArea& Area() { return *area_; }
    const CTimeArea& Area() const { return *area_; }
    CTimeRuler& Ruler() { return *ruler_; }

    // The time area's operations, passed on unchanged.
    void ReloadFromConfig();
    int CountSelected() const;
    bool IsTimeInsideOtherSector(std::string_view clockText, const CTimeSector* sector) const;
    void SetSelectedBrightness(int level);
    void DeleteSelected();
    void DeleteAll();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    CTimeRuler* ruler_;
    CTimeArea* area_;
};

}  // namespace zelt

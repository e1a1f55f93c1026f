#pragma once
// The schedule editor: it joins the schedule view and the schedule panel. The time area and
// its sector windows post their notifications (1025, 1027, 1029, 1032) here; the main window
// routes the commands 1018 and 1019 here; the panel's spins and Delete button and the view's
// Delete and Escape keys come here directly.

#include <QObject>
#include <QPointer>
#include <vector>

#include "config/MainApp.h"
#include "config/TimeSectorData.h"

namespace zelt {

class CScrollViewSch;
class CTimeSector;
class CWndControlLED;

class CScheduleEditor : public QObject {
    Q_OBJECT

  public:
    static constexpr int kDeleteSelectedCommand = 1018;
    static constexpr int kDeleteAllCommand = 1019;

    CScheduleEditor(CMainApp& app, CScrollViewSch& view, CWndControlLED& panel);

    // Command 1018: deletes the selected sectors.
    void DeleteSelected();
    // Command 1019: deletes every sector.
    void DeleteAll();
    // The sector-selected flag: the command state of 1018 and the Delete button.
    bool SectorSelected() const { return sectorSelected_; }

    // The collect step's copy of the schedule, in list order.
    std::vector<CTimeSectorData> Sectors() const;
    // Rebuilds the schedule from app.config.sectors and empties the panel's fields.
    void ReloadFromConfig();

  signals:
    // UWM_CURSOR_TIME: the axis minute under the pointer, for whoever shows it.
    void CursorTimeChanged(int minute);

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // UWM_SECTOR_SELECTED: the fields show the sector; the time fields only while it is the
    // one selected sector.
    void OnSectorSelected(QObject* sectorWindow);
    // UWM_NO_SECTOR_SELECTED: empties and disables the fields.
    void OnNoSectorSelected();
    // UWM_SECTOR_RESIZED: the time fields follow the sector's edges.
    void OnSectorResized(QObject* sectorWindow);
    void StepTime(bool startEdge, int delta);
    void StepBrightness(int delta);
    void ClearFields();
    void SetSectorSelected(bool selected);
    void ClearSavedFlags();

    CMainApp& app_;
    CScrollViewSch& view_;
    CWndControlLED& panel_;
    // The sector whose times the fields show; null when it is gone.
    QPointer<CTimeSector> selectedSector_;
    bool sectorSelected_ = false;
};

}  // namespace zelt

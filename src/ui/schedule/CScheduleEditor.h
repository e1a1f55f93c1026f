#pragma once
// The schedule editor: it joins the schedule view and the schedule panel over the time
// area's schedule model. The panel's spins and Delete button, the view's Delete and Escape
// keys and the main window's commands 1018 and 1019 go to the model; what the model answers
// fills the panel's fields, and the cursor time reaches the main window as notification 1025.

#include <QObject>
#include <vector>

#include "config/MainApp.h"
#include "config/TimeSectorData.h"
#include "models/ScheduleModel.h"

namespace zelt {

class CScrollViewSch;
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
    bool SectorSelected() const;

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
    CScheduleModel& Model();
    const CScheduleModel& Model() const;
    // Runs after every model call the area applied.
    void Show(const CScheduleModel::Changes& changes);
    void ShowFields();

    CScrollViewSch& view_;
    CWndControlLED& panel_;
};

}  // namespace zelt

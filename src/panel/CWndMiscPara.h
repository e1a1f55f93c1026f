#pragma once
// The parameter panel: child 1027 of the main window, every controller parameter in nine
// group boxes, the live readings and clocks, and the schedule editor in its last group.

#include <QWidget>

#include "config/MainApp.h"
#include "link/LinkHost.h"
#include "panel/PanelHost.h"

namespace zelt {

class CScheduleEditor;
class CScrollViewSch;
class CWndControlLED;

class CWndMiscPara : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kControlId = 1027;

    // mainWnd receives the schedule editor's notifications.
    CWndMiscPara(CMainApp& app, IPanelHost& host, QObject* mainWnd, QWidget* parent);

    void SetLanguage(bool english);
    void RefreshFromConfig();
    void StoreToConfig();
    void CommitAllFields();
    void CommitClockFields();  // hour, minute, second fields into the link's userTime
    void InvalidateAllControls();

    // The link's display updates (ILinkHost::DisplayChanged and friends).
    void SetDisplay(Display display, const QString& text);
    void SetLightingTimeVisible(bool visible);
    void SetBatteryCaption(const QString& caption);

    // The schedule editor in the last group; null until the panel creates them.
    CScrollViewSch* ScheduleView() const { return scheduleView_; }
    CWndControlLED* SchedulePanel() const { return schedulePanel_; }
    // The main window's schedule-side handlers over the two; null until created.
    CScheduleEditor* ScheduleEditor() const { return scheduleEditor_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    CMainApp& app_;
    IPanelHost& host_;
    QObject* mainWnd_;
    CScrollViewSch* scheduleView_ = nullptr;
    CWndControlLED* schedulePanel_ = nullptr;
    CScheduleEditor* scheduleEditor_ = nullptr;
};

}  // namespace zelt

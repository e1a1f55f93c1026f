#pragma once
// The parameter panel: child 1027 of the main window, every controller parameter in nine
// group boxes, the live readings and clocks, and the schedule editor in its last group.

#include <QBasicTimer>
#include <QColor>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

#include "config/MainApp.h"
#include "models/PanelHost.h"
#include "panel/ControllerTexts.h"
#include "panel/PanelFields.h"
#include "panel/PanelRecordMap.h"
#include "panel/PanelRules.h"
#include "panel/ReadState.h"

class QLineEdit;

namespace zelt {

class CLiveChart;
class CPanelControls;
class CScheduleEditor;
class CScrollViewSch;
class CWndControlLED;

class CWndMiscPara : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kControlId = 1027;
    static constexpr int kTimerPeriodMs = 1000;

    CWndMiscPara(CMainApp& app, IPanelHost& host, QWidget* parent);
    ~CWndMiscPara() override;

    void SetLanguage(bool english);
    void RefreshFromConfig();
    void StoreToConfig();
    // Validates, as leaving it would, each field the user edited since the last refresh (the
    // one being edited included); the others hold the record's values.
    void CommitEditedFields();
    void CommitClockFields();  // hour, minute, second fields into the panel's userTime
    void InvalidateAllControls();

    // The display updates of the window's controller commands.
    void SetDisplay(Display display, const QString& text);
    void SetLightingTimeVisible(bool visible);
    void SetBatteryCaption(const QString& caption);
    // The mode and lighting-time displays from the codes last read, in the current language;
    // the lighting time shows in Manual mode only.
    void ShowOperatingMode();
    // While an exchange runs: every field, spin, button and list of the panel and the whole
    // schedule editor take no input and look so; unlocking gives each back its own state.
    void SetInputLocked(bool locked);
    // The live readings greyed while stale.
    void SetReadingsStale(bool stale);

    // The schedule editor in the last group; null until the panel creates them.
    CScrollViewSch* ScheduleView() const { return scheduleView_; }
    CWndControlLED* SchedulePanel() const { return schedulePanel_; }
    // The main window's schedule-side handlers over the two; null until created.
    CScheduleEditor* ScheduleEditor() const { return scheduleEditor_; }

    // One tick of timer 6: the clocks every second, the poll every fifth tick, nothing while
    // the link is busy or another controller exchange runs.
    void OnPanelTimer();
    CLiveChart& LiveChart() const { return *chart_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CreateScheduleEditor();
    void ConnectFields();
    void ConnectActions();

    // Field editing: the user typed, left a field or clicked its spin.
    void OnFieldEdited(int fieldId);
    void OnFieldLeft(int fieldId);
    void OnSpin(int spinId, int positionChange);
    void Apply(int fieldId, const EditOutcome& outcome);
    // Writes text into an edit (select all, replace) without counting it as typing.
    void WriteField(int fieldId, const std::string& text);
    std::string FieldTextOf(int fieldId) const;
    // A value the last Get could not read: blank when none was ever read, else greyed; the
    // user's edit makes it an ordinary value.
    void ShowReadState(int fieldId, ValueShown shown);
    void NoteGiven(int fieldId);

    // Enabled and shown states by the panel values and the tab: the PWM states, the "On"
    // box, the Advance rows, the tabs' controls and the lighting time.
    void ApplyControlStates();
    void OnLowLevelOn();
    void OnClockSourceChanged();
    void OnResetChargeCount();
    void OnSetRtc();
    void OnUpdateMode();
    void ShowResetImage(bool english);
    void TranslateBatteryType(bool english);
    void AppendChartSample();

    QLineEdit* Edit(int id) const;

    CMainApp& app_;
    IPanelHost& host_;
    PanelFields fields_;
    PanelRules rules_;
    std::unique_ptr<CPanelControls> controls_;
    CLiveChart* chart_ = nullptr;
    QColor background_;
    QBasicTimer timer_;
    std::vector<QPointer<QWidget>> locked_;
    bool groupsPlaced_ = false;
    int writing_ = 0;  // > 0 while the panel itself writes into an edit
    CScrollViewSch* scheduleView_ = nullptr;
    CWndControlLED* schedulePanel_ = nullptr;
    CScheduleEditor* scheduleEditor_ = nullptr;
};

}  // namespace zelt

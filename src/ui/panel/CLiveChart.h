#pragma once
// The live readings of the last hour as a chart: battery voltage, charge current and load
// current, one point per poll of the panel timer. The points come from the readings the poll
// already took; the chart never asks the controller for anything. It lives in its own tool
// window, opened from the charge/discharge group, so that no control of the panel moves.

#include <QWidget>
#include <deque>

#include "panel/LiveChartHistory.h"

class QChart;
class QChartView;
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;

namespace zelt {

class CLiveChart : public QWidget {
    Q_OBJECT

  public:
    using Sample = ChartSample;

    explicit CLiveChart(QWidget* parent);

    // Adds one poll's readings; points older than an hour before it drop out. A sample older
    // than the last one (the PC clock was set back) starts the history afresh.
    void Append(const Sample& sample);
    const std::deque<Sample>& Samples() const { return history_.Samples(); }

    void SetLanguage(bool english);

  signals:
    // The window was closed by its own close box.
    void Closed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void UpdateAxes();
    // Puts the whole window, its frame included, inside the available area of the screen of
    // the main window: centred over that window at first, later where it was left.
    void PlaceOnScreen();

    LiveChartHistory history_;
    QChart* chart_;
    QChartView* view_;
    QLineSeries* battery_;
    QLineSeries* charge_;
    QLineSeries* load_;
    QDateTimeAxis* timeAxis_;
    QValueAxis* voltAxis_;
    QValueAxis* ampAxis_;
    bool placed_ = false;
};

}  // namespace zelt

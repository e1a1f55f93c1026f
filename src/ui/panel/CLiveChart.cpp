#include "ui/panel/CLiveChart.h"

#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QScreen>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

namespace zelt {

namespace {

constexpr QSize kPreferredSize{640, 360};

QMargins FrameMargins(const QWidget& window) {
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    return {client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom()};
}

}  // namespace

CLiveChart::CLiveChart(QWidget* parent)
    : QWidget(parent, Qt::Tool),
      chart_(new QChart),
      view_(new QChartView(chart_, this)),
      battery_(new QLineSeries(chart_)),
      charge_(new QLineSeries(chart_)),
      load_(new QLineSeries(chart_)),
      timeAxis_(new QDateTimeAxis(chart_)),
      voltAxis_(new QValueAxis(chart_)),
      ampAxis_(new QValueAxis(chart_)) {
    setObjectName(QStringLiteral("liveChart"));
    resize(kPreferredSize);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    view_->setRenderHint(QPainter::Antialiasing);

    timeAxis_->setFormat(QStringLiteral("HH:mm"));
    timeAxis_->setTickCount(7);
    voltAxis_->setLabelFormat(QStringLiteral("%.1f"));
    voltAxis_->setTickType(QValueAxis::TicksDynamic);
    voltAxis_->setTickAnchor(0);
    voltAxis_->setTickInterval(1);
    ampAxis_->setLabelFormat(QStringLiteral("%.1f"));
    chart_->addAxis(timeAxis_, Qt::AlignBottom);
    chart_->addAxis(voltAxis_, Qt::AlignLeft);
    chart_->addAxis(ampAxis_, Qt::AlignRight);
    for (QLineSeries* series : {battery_, charge_, load_}) {
        chart_->addSeries(series);
        series->attachAxis(timeAxis_);
        series->attachAxis(series == battery_ ? voltAxis_ : ampAxis_);
    }
    SetLanguage(true);
    UpdateAxes();
}

void CLiveChart::Append(const Sample& sample) {
    const LiveChartHistory::Change change = history_.Append(sample);
    for (QLineSeries* series : {battery_, charge_, load_}) {
        if (change.restarted) {
            series->clear();
        }
    }
    const auto at = static_cast<qreal>(sample.atMs);
    battery_->append(at, sample.batteryVolts);
    charge_->append(at, sample.chargeAmps);
    load_->append(at, sample.loadAmps);
    if (change.expired > 0) {
        for (QLineSeries* series : {battery_, charge_, load_}) {
            series->removePoints(0, change.expired);
        }
    }
    UpdateAxes();
}

void CLiveChart::UpdateAxes() {
    const ChartAxes axes = history_.Axes(QDateTime::currentMSecsSinceEpoch());
    timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(axes.startMs),
                        QDateTime::fromMSecsSinceEpoch(axes.endMs));
    voltAxis_->setRange(axes.voltLow, axes.voltHigh);
    ampAxis_->setRange(0, axes.ampHigh);
    ampAxis_->applyNiceNumbers();
}

void CLiveChart::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit Closed();
}

void CLiveChart::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    PlaceOnScreen();
}

void CLiveChart::PlaceOnScreen() {
    const QWidget* owner = parentWidget() != nullptr ? parentWidget()->window() : this;
    const QRect available = owner->screen()->availableGeometry();
    // The window manager's frame is known once the window was up; the main window's is the
    // best guess before.
    const QMargins frame = FrameMargins(placed_ ? *this : *owner);
    const QSize room = available.size().shrunkBy(frame);
    const QSize size = (placed_ ? this->size() : kPreferredSize).boundedTo(room);
    const QSize outer = size.grownBy(frame);
    QPoint at = placed_
                    ? frameGeometry().topLeft()
                    : owner->frameGeometry().center() - QPoint(outer.width(), outer.height()) / 2;
    at.setX(std::clamp(at.x(), available.left(), available.right() + 1 - outer.width()));
    at.setY(std::clamp(at.y(), available.top(), available.bottom() + 1 - outer.height()));
    resize(size);
    move(at);  // a window's position is its frame's
    placed_ = true;
}

void CLiveChart::SetLanguage(bool english) {
    setWindowTitle(QString::fromUtf8(Pick(texts::kChartTitle, english)));
    battery_->setName(QString::fromUtf8(Pick(texts::kChartBattery, english)));
    charge_->setName(QString::fromUtf8(Pick(texts::kChartCharge, english)));
    load_->setName(QString::fromUtf8(Pick(texts::kChartLoad, english)));
    voltAxis_->setTitleText(QString::fromUtf8(Pick(texts::kChartVoltAxis, english)));
    ampAxis_->setTitleText(QString::fromUtf8(Pick(texts::kChartAmpAxis, english)));
}

}  // namespace zelt

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
#include <cmath>

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
    if (!samples_.empty() && sample.atMs < samples_.back().atMs) {
        samples_.clear();
        for (QLineSeries* series : {battery_, charge_, load_}) {
            series->clear();
        }
    }
    samples_.push_back(sample);
    const auto at = static_cast<qreal>(sample.atMs);
    battery_->append(at, sample.batteryVolts);
    charge_->append(at, sample.chargeAmps);
    load_->append(at, sample.loadAmps);
    int expired = 0;
    while (samples_.front().atMs < sample.atMs - kSpanMs) {
        samples_.pop_front();
        ++expired;
    }
    if (expired > 0) {
        for (QLineSeries* series : {battery_, charge_, load_}) {
            series->removePoints(0, expired);
        }
    }
    UpdateAxes();
}

void CLiveChart::UpdateAxes() {
    const qint64 end =
        samples_.empty() ? QDateTime::currentMSecsSinceEpoch() : samples_.back().atMs;
    timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(end - kSpanMs),
                        QDateTime::fromMSecsSinceEpoch(end));
    // Whole-volt and whole-ampere ranges around what was read, never collapsing to a point.
    double vLow = 0, vHigh = 15, aHigh = 1;
    if (!samples_.empty()) {
        vLow = samples_.front().batteryVolts;
        vHigh = vLow;
        for (const Sample& s : samples_) {
            vLow = std::min(vLow, s.batteryVolts);
            vHigh = std::max(vHigh, s.batteryVolts);
            aHigh = std::max({aHigh, s.chargeAmps, s.loadAmps});
        }
        vLow = std::floor(vLow) - 1;
        vHigh = std::ceil(vHigh) + 1;
    }
    voltAxis_->setRange(std::max(0.0, vLow), vHigh);
    ampAxis_->setRange(0, std::ceil(aHigh));
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
    setWindowTitle(english ? QStringLiteral("Live Readings (last hour)")
                           : QStringLiteral("即時讀數 (最近一小時)"));
    battery_->setName(english ? QStringLiteral("Battery Voltage (V)")
                              : QStringLiteral("電池電壓 (V)"));
    charge_->setName(english ? QStringLiteral("Charge Current (A)")
                             : QStringLiteral("充電電流 (A)"));
    load_->setName(english ? QStringLiteral("Load Current (A)") : QStringLiteral("放電電流 (A)"));
    voltAxis_->setTitleText(english ? QStringLiteral("V") : QStringLiteral("伏特"));
    ampAxis_->setTitleText(english ? QStringLiteral("A") : QStringLiteral("安培"));
}

}  // namespace zelt

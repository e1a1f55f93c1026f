#include "app/CDlgSeek.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "models/DialogTexts.h"
#include "ui/Resources.h"
#include "ui/WidgetIds.h"

namespace zelt {

namespace {

constexpr int kIconSize = 32;

}  // namespace

CDlgSeek::CDlgSeek(CMainApp& app, CControllerCommands& commands, CComPort& port,
                   CSeekPosition& position, std::function<void()> getParameters, QWidget* parent)
    : QDialog(parent),
      app_(app),
      commands_(commands),
      walk_(port, commands.Link().Trace(), position,
            SeekActions{
                [this, &port] {
                    if (cancelled_) {
                        return 0;
                    }
                    ShowProbe(port.PortNumber());
                    const int answered = commands_.GetStatus();
                    return cancelled_ ? 0 : answered;  // Cancel during the probe ends the walk
                },
                std::move(getParameters),
                [this] { return commands_.Values().batteryFailed != 0; },
            }) {
    const SeekTexts labels = MakeSeekTexts(app);
    setWindowTitle(Qs(labels.caption));

    // The two icon windows lie exactly over each other on the layout's icon place.
    auto* iconPlace = Named(new QWidget(this), IDC_SEEK_ICON);
    iconPlace->setFixedSize(kIconSize, kIconSize);
    brightIcon_ = Named(new QLabel(iconPlace), IDC_ICON_BRIGHT);
    brightIcon_->setPixmap(AppIcon(IDI_SEEK_BRIGHT).pixmap(kIconSize, kIconSize));
    brightIcon_->setGeometry(0, 0, kIconSize, kIconSize);
    dimIcon_ = Named(new QLabel(iconPlace), IDC_ICON_DIM);
    dimIcon_->setPixmap(AppIcon(IDI_SEEK_DIM).pixmap(kIconSize, kIconSize));
    dimIcon_->setGeometry(0, 0, kIconSize, kIconSize);
    dimIcon_->hide();

    text_ = Named(new QLabel(Qs(labels.text), this), IDC_SEEK_TEXT);
    probeLine_ = Named(new QLabel(this), IDC_PROBE_LINE);
    cancel_ = Named(new QPushButton(Qs(labels.cancel), this), IDCANCEL);
    connect(cancel_, &QPushButton::clicked, this, &CDlgSeek::reject);

    auto* texts = new QVBoxLayout;
    texts->addWidget(text_);
    texts->addWidget(probeLine_);
    auto* top = new QHBoxLayout;
    top->addWidget(iconPlace, 0, Qt::AlignTop);
    top->addLayout(texts, 1);
    auto* column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addWidget(cancel_, 0, Qt::AlignHCenter);
    setMinimumWidth(290);

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("timer%1").arg(kSeekTimerId));
    timer_->setInterval(kSeekPeriodMs);
    connect(timer_, &QTimer::timeout, this, [this] { OnSeekTimer(); });
}

void CDlgSeek::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!walk_.Ended() && !timer_->isActive()) {
        timer_->start();
    }
}

SeekStepResult CDlgSeek::OnSeekTimer() {
    const SeekStepResult result = walk_.Step();
    switch (result) {
        case SeekStepResult::Busy:
            break;
        case SeekStepResult::Found:
            // Even when Cancel stopped "Get Parameters": the controller answered on this
            // port, so the port is handed back.
            foundPort = static_cast<uint16_t>(walk_.FoundPort());
            timer_->stop();
            done(QDialog::Accepted);
            break;
        case SeekStepResult::Stopped:
            reject();
            break;
        case SeekStepResult::Continue:
            Blink();
            break;
    }
    return result;
}

void CDlgSeek::Blink() {
    const bool even = blinkTicks_ % 2 == 0;
    dimIcon_->setVisible(even);
    brightIcon_->setVisible(!even);
    ++blinkTicks_;
}

void CDlgSeek::ShowProbe(int port) {
    probeLine_->setText(Qs(SeekProbeText(app_, port)));
    if (probeHook_) {
        probeHook_(port);
    }
}

void CDlgSeek::reject() {
    cancelled_ = true;
    timer_->stop();
    commands_.CancelExchange();
    QDialog::reject();
}

}  // namespace zelt

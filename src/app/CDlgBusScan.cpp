#include "app/CDlgBusScan.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "link/Discovery.h"
#include "models/DialogTexts.h"
#include "ui/WidgetIds.h"

namespace zelt {

CDlgBusScan::CDlgBusScan(const CMainApp& app, CComPort& port, ITickClock& clock, ITraceSink& trace,
                         int portNumber, QWidget* parent, int fromId, int toId)
    : QDialog(parent), app_(app), session_(port, clock, trace, portNumber, fromId, toId) {
    const BusScanTexts labels = MakeBusScanTexts(app);
    setWindowTitle(Qs(labels.caption));
    progress_ = Named(new QLabel(this), IDC_BUS_PROGRESS);
    list_ = Named(new QListWidget(this), IDC_BUS_LIST);
    ok_ = Named(new QPushButton(Qs(labels.ok), this), IDOK);
    cancel_ = Named(new QPushButton(Qs(labels.cancel), this), IDCANCEL);
    ok_->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* column = new QVBoxLayout(this);
    column->addWidget(progress_);
    column->addWidget(list_);
    column->addLayout(buttons);

    connect(ok_, &QPushButton::clicked, this, &CDlgBusScan::accept);
    connect(cancel_, &QPushButton::clicked, this, &CDlgBusScan::reject);
    connect(list_, &QListWidget::currentRowChanged, this,
            [this](int row) { ok_->setEnabled(row >= 0); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    connect(&walking_, &QTimer::timeout, this, &CDlgBusScan::Step);

    if (!session_.Done()) {
        walking_.start(0);
    }
    ShowProgress();
}

void CDlgBusScan::Step() {
    if (auto controller = session_.Step()) {
        list_->addItem(Qs(BusScanRowText(app_, *controller)));
    }
    if (session_.Done()) {
        walking_.stop();
    }
    ShowProgress();
}

void CDlgBusScan::ShowProgress() {
    progress_->setText(Qs(session_.ProgressText(app_.english != 0)));
}

void CDlgBusScan::accept() {
    chosenId_ = session_.IdOfRow(list_->currentRow());
    if (chosenId_ == 0) {
        return;
    }
    walking_.stop();
    QDialog::accept();
}

void CDlgBusScan::reject() {
    walking_.stop();
    QDialog::reject();
}

}  // namespace zelt

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
    : QDialog(parent), app_(app), port_(port) {
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

    port_.Close();
    if (port_.Open(portNumber, kDiscoveryBaudRate) != 0) {
        scan_ = std::make_unique<CBusScan>(port_, clock, trace, fromId, toId);
        run_ = std::make_unique<BusScanRun>(*scan_);
        walking_.start(0);
    }
    ShowProgress();
}

CDlgBusScan::~CDlgBusScan() {
    port_.Close();  // the link dialog keeps the port closed outside its own walks
}

void CDlgBusScan::Step() {
    if (!run_ || run_->Done()) {
        walking_.stop();
        ShowProgress();
        return;
    }
    if (auto controller = run_->Step()) {
        list_->addItem(Qs(BusScanRowText(app_, *controller)));
    }
    if (run_->Done()) {
        walking_.stop();
    }
    ShowProgress();
}

void CDlgBusScan::ShowProgress() {
    const bool english = app_.english != 0;
    progress_->setText(Qs(run_ ? run_->ProgressText(english) : BusScanRun::FoundText(0, english)));
}

void CDlgBusScan::accept() {
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(Found().size())) {
        return;
    }
    walking_.stop();
    chosenId_ = Found()[static_cast<size_t>(row)].id;
    QDialog::accept();
}

void CDlgBusScan::reject() {
    walking_.stop();
    QDialog::reject();
}

}  // namespace zelt

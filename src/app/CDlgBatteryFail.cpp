#include "app/CDlgBatteryFail.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "ui/Resources.h"
#include "ui/WidgetIds.h"

namespace zelt {

namespace {
constexpr int kIconSize = 32;
}

CDlgBatteryFail::CDlgBatteryFail(const BatteryFailTexts& texts, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromStdString(texts.caption));
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon(IDI_BATTERY_FAIL).pixmap(kIconSize, kIconSize));
    auto* text = new QLabel(QString::fromStdString(texts.text), this);
    NameById(text, IDC_TEXT);
    auto* retry = new QPushButton(QString::fromStdString(texts.retryButton), this);
    NameById(retry, IDC_RETRY);
    retry->setDefault(true);
    auto* close = new QPushButton(QString::fromStdString(texts.closeButton), this);
    NameById(close, IDC_CLOSE_UTILITY);
    connect(retry, &QPushButton::clicked, this, &QDialog::accept);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, Qt::AlignTop);
    grid->addWidget(text, 0, 1, 1, 2);
    grid->addWidget(retry, 1, 1);
    grid->addWidget(close, 1, 2);
}

}  // namespace zelt

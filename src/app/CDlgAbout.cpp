#include "app/CDlgAbout.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "models/DialogTexts.h"
#include "ui/Resources.h"
#include "ui/WidgetIds.h"

namespace zelt {

namespace {
constexpr int kIconSize = 32;
}  // namespace

CDlgAbout::CDlgAbout(const CMainApp& app, QWidget* parent) : QDialog(parent) {
    const AboutTexts labels = MakeAboutTexts(app);
    setWindowTitle(Qs(labels.caption));
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon(IDR_MAINFRAME).pixmap(kIconSize, kIconSize));
    icon->setAlignment(Qt::AlignTop);
    auto* text = new QLabel(Qs(labels.text), this);
    NameById(text, IDC_ABOUT_TEXT);
    auto* ok = new QPushButton(Qs(labels.ok), this);
    NameById(ok, IDOK);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(text, 1);
    row->addWidget(ok, 0, Qt::AlignTop);
    setLayout(row);
}

}  // namespace zelt

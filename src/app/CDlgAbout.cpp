#include "app/CDlgAbout.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/Trace.h"
#include "ui/Resources.h"
#include "ui/WidgetIds.h"

namespace zelt {

namespace {
constexpr const char* kVersion = "0.1";
constexpr const char* kReleaseDate = "2026-12-06";
constexpr int kIconSize = 32;
}  // namespace

QString CDlgAbout::AboutText(const CMainApp& app) {
    const std::string text = StrF(
        "%s\n%s%s\n%s%s\n%s\n%s",
        app.Text("Tessaly Solar Controller Utility", "Tessaly 太陽能控制器工具程式"),
        app.Text("Version: ", "版本: "), kVersion, app.Text("Released Date: ", "發行日: "),
        kReleaseDate,
        app.Text("For Tessaly solar lighting controllers,", "適用於 Tessaly 太陽能照明控制器,"),
        app.Text("RS232 and RS485 at 19200 baud.", "RS232 與 RS485, 19200 鮑率."));
    return QString::fromStdString(text);
}

CDlgAbout::CDlgAbout(const CMainApp& app, QWidget* parent) : QDialog(parent) {
    setWindowTitle(
        QString::fromStdString(StrF(app.Text("About %s", "關於 %s"), app.appTitle.c_str())));
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon(IDR_MAINFRAME).pixmap(kIconSize, kIconSize));
    icon->setAlignment(Qt::AlignTop);
    auto* text = new QLabel(AboutText(app), this);
    NameById(text, IDC_ABOUT_TEXT);
    auto* ok = new QPushButton(QString::fromUtf8(app.Text("OK", "確定")), this);
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

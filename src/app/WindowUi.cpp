#include "app/WindowUi.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>
#include <cstdlib>

namespace zelt {

namespace {
// The configuration file dialogs' filter.
const char* const kCfgFilter = "CFG Files(*.cfg)";
}  // namespace

void CQtWindowUi::ShowMessage(QWidget* parent, const QString& text, const QString& caption,
                              MessageIcon icon) {
    QMessageBox box(
        icon == MessageIcon::Information ? QMessageBox::Information : QMessageBox::Critical,
        caption, text, QMessageBox::Ok, parent);
    box.exec();
}

bool CQtWindowUi::ChooseFile(QWidget* parent, FileDialogKind kind, QString* path) {
    const QString chosen =
        kind == FileDialogKind::Open
            ? QFileDialog::getOpenFileName(parent, QString(), QString(), kCfgFilter)
            : QFileDialog::getSaveFileName(parent, QString(), QString(), kCfgFilter, nullptr,
                                           QFileDialog::DontConfirmOverwrite);
    if (chosen.isEmpty()) {
        return false;
    }
    *path = chosen;
    return true;
}

int CQtWindowUi::Exec(QDialog& dialog) {
    return dialog.exec();
}

void CQtWindowUi::OpenHelpFile(const QString& path) {
    // A missing viewer is not the user's problem: the result is ignored.
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void CQtWindowUi::Quit(int exitCode) {
    // Queued: a sequence that asked to quit runs on to its end first.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [exitCode] { QCoreApplication::exit(exitCode); },
        Qt::QueuedConnection);
}

void CQtWindowUi::ExitNow(int exitCode) {
    std::exit(exitCode);
}

}  // namespace zelt

#include "app/WindowUi.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>

namespace zelt {

void CQtWindowUi::ShowMessage(QWidget* parent, const QString& text, const QString& caption,
                              MessageIcon icon) {
    QMessageBox box(
        icon == MessageIcon::Information ? QMessageBox::Information : QMessageBox::Critical,
        caption, text, QMessageBox::Ok, parent);
    box.exec();
}

bool CQtWindowUi::ChooseFile(QWidget* parent, FileDialogKind kind, const QString& filter,
                             QString* path) {
    const QString chosen =
        kind == FileDialogKind::Open
            ? QFileDialog::getOpenFileName(parent, QString(), *path, filter)
            : QFileDialog::getSaveFileName(parent, QString(), *path, filter, nullptr,
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

void CQtWindowUi::OpenHelpFile(const QString& path, HelpProblemHandler onProblem) {
    if (!QFileInfo::exists(path)) {
        QTimer::singleShot(0, [onProblem] { onProblem(HelpProblem::Missing); });
        return;
    }
    // xdg-open fails when the desktop knows no program for the file, and otherwise often
    // waits for the viewer to close. The process is not owned: a viewer outlives the program.
    auto* opener = new QProcess;
    opener->setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(opener, &QProcess::errorOccurred,
                     [opener, onProblem](QProcess::ProcessError e) {
                         if (e == QProcess::FailedToStart) {
                             onProblem(HelpProblem::NoViewer);
                             opener->deleteLater();
                         }
                     });
    QObject::connect(opener, &QProcess::finished,
                     [opener, onProblem](int exitCode, QProcess::ExitStatus status) {
                         const std::optional<HelpProblem> problem =
                             HelpOpenerProblem(exitCode, status != QProcess::NormalExit);
                         if (problem) {
                             onProblem(*problem);
                         }
                         opener->deleteLater();
                     });
    opener->start(QStringLiteral("xdg-open"), {path});
}

void CQtWindowUi::Quit(int exitCode) {
    // Queued: a sequence that asked to quit runs on to its end first.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [exitCode] { QCoreApplication::exit(exitCode); },
        Qt::QueuedConnection);
}

}  // namespace zelt

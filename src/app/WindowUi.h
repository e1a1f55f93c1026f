#pragma once
// Everything the windows ask of the person at the screen or of the desktop: message boxes, the
// file dialogs, modal dialogs, the help viewer and leaving the program. The program uses the
// Qt implementation; tests answer through their own so that nothing blocks.

#include <QString>
#include <functional>

#include "models/HelpTexts.h"
#include "panel/ControllerTexts.h"

class QDialog;
class QWidget;

namespace zelt {

enum class FileDialogKind { Open, Save };

class IWindowUi {
  public:
    virtual ~IWindowUi() = default;

    virtual void ShowMessage(QWidget* parent, const QString& text, const QString& caption,
                             MessageIcon icon) = 0;
    // The configuration file dialogs with a filter such as "CFG Files(*.cfg)"; they start in
    // the folder *path names. False when the user cancels.
    virtual bool ChooseFile(QWidget* parent, FileDialogKind kind, const QString& filter,
                            QString* path) = 0;
    // Runs a modal dialog and returns its result (QDialog::Accepted or Rejected).
    virtual int Exec(QDialog& dialog) = 0;
    // Shows the help file with the desktop's viewer for its type. onProblem runs, from the
    // event loop, when the file is missing, no program could show it or the viewer failed.
    using HelpProblemHandler = std::function<void(HelpProblem)>;
    virtual void OpenHelpFile(const QString& path, HelpProblemHandler onProblem) = 0;
    // Leaves the program once control returns to the event loop.
    virtual void Quit(int exitCode) = 0;
};

class CQtWindowUi final : public IWindowUi {
  public:
    void ShowMessage(QWidget* parent, const QString& text, const QString& caption,
                     MessageIcon icon) override;
    bool ChooseFile(QWidget* parent, FileDialogKind kind, const QString& filter,
                    QString* path) override;
    int Exec(QDialog& dialog) override;
    void OpenHelpFile(const QString& path, HelpProblemHandler onProblem) override;
    void Quit(int exitCode) override;
};

}  // namespace zelt

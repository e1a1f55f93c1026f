#pragma once
// "Exit & Save Confirm" as a Qt dialog over models/ExitQuestion.h: a save button runs its save
// while the dialog is up (Cancel then stops it); accepted when the program may leave.

#include <QDialog>
#include <vector>

#include "models/ExitQuestion.h"

class QPushButton;

namespace zelt {

class CDlgExitConfirm : public QDialog {
  public:
    CDlgExitConfirm(const CMainApp& app, ExitSaveActions actions, QWidget* parent);

    // Escape and the close box press Cancel.
    void reject() override;

  private:
    void Press(int buttonId);

    ExitSaveActions actions_;
    CExitQuestion question_;
    std::vector<QPushButton*> choices_;  // every button but Cancel
};

}  // namespace zelt

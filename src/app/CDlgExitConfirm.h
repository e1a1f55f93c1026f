#pragma once
// "Exit & Save Confirm" as a Qt dialog over models/ExitQuestion.h: a save button runs its save
// while the dialog is up, then the dialog closes accepted; Cancel, Escape and the close box
// reject it.

#include <QDialog>

#include "models/ExitQuestion.h"

namespace zelt {

class CDlgExitConfirm : public QDialog {
  public:
    CDlgExitConfirm(const CMainApp& app, ExitSaveActions actions, QWidget* parent);

    // False when the save the user chose failed (or its file dialog was cancelled).
    bool SaveSucceeded() const { return saveSucceeded_; }

  private:
    void Choose(int buttonId);

    ExitSaveActions actions_;
    bool saveSucceeded_ = true;
};

}  // namespace zelt

#pragma once
// "Exit & Save Confirm": asked when leaving with edits that are not saved to the controller, to
// a file, or either. A save button runs its save while the dialog is up, then the dialog
// closes accepted; Cancel, Escape and the close box reject it.

#include <QDialog>
#include <functional>

#include "config/MainApp.h"

namespace zelt {

struct ExitSaveActions {
    std::function<bool()> saveToController;  // "Set Parameters"; true when nothing failed
    std::function<bool()> saveToFile;        // save to the current file; true when stored
};

class CDlgExitConfirm : public QDialog {
  public:
    enum ControlId : int {
        IDCANCEL = 2,
        IDC_SAVE_TO_CONTROLLER = 1003,
        IDC_SAVE_TO_FILE = 1004,
        IDC_SAVE_BOTH = 1005,
        IDC_EXIT_NOW = 1006,
        IDC_TEXT = 1011,
    };

    // The saved flags of app decide which save buttons are enabled.
    CDlgExitConfirm(const CMainApp& app, ExitSaveActions actions, QWidget* parent);

    // False when the save the user chose failed (or its file dialog was cancelled): the
    // program must not leave and lose the edits.
    bool SaveSucceeded() const { return saveSucceeded_; }

  private:
    void Choose(int buttonId);

    ExitSaveActions actions_;
    bool saveSucceeded_ = true;
};

}  // namespace zelt

#pragma once
// The About box: its texts (models/DialogTexts.h) beside the program's icon.

#include <QDialog>

#include "config/MainApp.h"

namespace zelt {

class CDlgAbout : public QDialog {
  public:
    enum ControlId : int { IDOK = 1, IDC_ABOUT_TEXT = 1010 };

    CDlgAbout(const CMainApp& app, QWidget* parent);
};

}  // namespace zelt

#pragma once
// The About box: the product line, its version and release date, in the current language.

#include <QDialog>

#include "config/MainApp.h"

namespace zelt {

class CDlgAbout : public QDialog {
  public:
    enum ControlId : int { IDOK = 1, IDC_ABOUT_TEXT = 1010 };

    CDlgAbout(const CMainApp& app, QWidget* parent);

    // The five lines of text 1010.
    static QString AboutText(const CMainApp& app);
};

}  // namespace zelt

#pragma once
// The Battery Fail warning of the status read: "Retry" (accepted) or "Close Utility"
// (rejected, as are Escape and the close box).

#include <QDialog>

#include "panel/ControllerTexts.h"

namespace zelt {

class CDlgBatteryFail : public QDialog {
  public:
    enum ControlId : int { IDC_TEXT = 1011, IDC_RETRY = 1025, IDC_CLOSE_UTILITY = 1026 };

    // The texts come built in the current language.
    CDlgBatteryFail(const BatteryFailTexts& texts, QWidget* parent);
};

}  // namespace zelt

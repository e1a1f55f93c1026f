#pragma once
// The question of "Set Parameters" when the record check refuses the record: the offending
// values, one a line, then "Correct and Send" (accepted: the panel's corrections are applied
// and the record sent) or "Cancel" (rejected, as are Escape and the close box: nothing sent).

#include <QDialog>
#include <string>
#include <vector>

namespace zelt {

class CDlgRecordCheck : public QDialog {
  public:
    enum ControlId : int { IDOK = 1, IDCANCEL = 2, IDC_TEXT = 1011 };

    CDlgRecordCheck(const std::vector<std::string>& problems, bool english, QWidget* parent);
};

}  // namespace zelt

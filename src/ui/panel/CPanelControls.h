#pragma once
// The parameter panel's child controls as Qt widgets, one per entry of the panel's layout
// (panel/PanelLayout.h). It creates them, finds them by id and relabels them; what they do is
// the panel's.

#include <QRect>
#include <QString>
#include <map>
#include <vector>

#include "panel/PanelLayout.h"

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QTabWidget;
class QWidget;

namespace zelt {

class CButtonGBox;
class CSpinButton;

class CPanelControls {
  public:
    // Creates every control in parent, labelled in the given language.
    CPanelControls(QWidget* parent, bool english);

    // Places the nine group boxes for a panel client rectangle (the panel does it once, when
    // its size is final).
    void PlaceGroups(const QRect& client);

    // Relabels every control, group title and list, and moves the charge/discharge row to the
    // language's geometry. The battery group title carries the system voltage (12, 24, else
    // none).
    void Relabel(bool english, int systemVoltage);

    QWidget* Widget(int id) const;  // any control by id or label tag; null when none
    QLineEdit* Edit(int id) const;
    CSpinButton* Spin(int id) const;
    QAbstractButton* Button(int id) const;  // push buttons, radios and check boxes
    QLabel* Label(int tag) const;
    QComboBox* Combo(int id) const;
    CButtonGBox* Group(int id) const;
    QTabWidget* Tabs() const { return tabs_; }

    // The twelve controls of each tab (the "On" box is the thirteenth of Advance).
    const std::vector<QWidget*>& BasicControls() const { return basic_; }
    const std::vector<QWidget*>& AdvanceControls() const { return advance_; }
    // The controls that take the user's input (PanelControl::TakesInput).
    const std::vector<QWidget*>& InputControls() const { return inputs_; }
    // Every child control, group boxes and tab control included.
    std::vector<QWidget*> AllControls() const;

  private:
    void CreateGroups(QWidget* parent, bool english);
    void CreateControls(QWidget* parent, bool english);
    void PlaceChargeRow(bool english);

    QTabWidget* tabs_ = nullptr;
    std::map<int, QWidget*> byId_;
    struct Labelled {
        QWidget* widget;
        const char* english;
        const char* chinese;
    };
    std::vector<Labelled> labelled_;
    std::vector<QWidget*> basic_;
    std::vector<QWidget*> advance_;
    std::vector<QWidget*> inputs_;
    std::vector<QWidget*> all_;
};

}  // namespace zelt

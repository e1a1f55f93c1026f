#pragma once
// The schedule panel: start time, end time and brightness of the selected sector, each with
// a spin button, and the Delete Schedule button.

#include <QFont>
#include <QWidget>

#include "config/MainApp.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace zelt {

class CSpinButton;

class CWndControlLED : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kControlId = 1005;
    static constexpr int kDeleteButtonId = 1018;
    static constexpr int kStartFieldId = 1012;
    static constexpr int kStartSpinId = 1013;
    static constexpr int kEndFieldId = 1014;
    static constexpr int kEndSpinId = 1015;
    static constexpr int kBrightnessFieldId = 1006;
    static constexpr int kBrightnessSpinId = 1007;

    CWndControlLED(CMainApp& app, QWidget* parent);

    // Delete button bitmap and label texts in the given language.
    void UpdateLanguage(bool english);

    QPushButton& DeleteButton() { return *deleteButton_; }
    QLineEdit& StartField() { return *startField_; }
    QLineEdit& EndField() { return *endField_; }
    QLineEdit& BrightnessField() { return *brightnessField_; }
    CSpinButton& StartSpin() { return *startSpin_; }
    CSpinButton& EndSpin() { return *endSpin_; }
    CSpinButton& BrightnessSpin() { return *brightnessSpin_; }

    // Replaces a field's whole text.
    static void SetFieldText(QLineEdit& field, const QString& text);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QLabel* AddLabel(int left, int top, int right, int bottom);
    QLineEdit* AddField(int id, int left, int top, int right, int bottom);

    CMainApp& app_;
    QFont labelFont_;
    QPushButton* deleteButton_;
    QLabel* startLabel_;
    QLineEdit* startField_;
    CSpinButton* startSpin_;
    QLabel* endLabel_;
    QLineEdit* endField_;
    CSpinButton* endSpin_;
    QLabel* brightnessLabel_;
    QLineEdit* brightnessField_;
    CSpinButton* brightnessSpin_;
};

}  // namespace zelt

#include "ui/schedule/CWndControlLED.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include "models/ScheduleModel.h"
#include "ui/Resources.h"
#include "ui/WidgetIds.h"
#include "ui/schedule/CSpinButton.h"

namespace zelt {

namespace {

// The time spins run over a reversed range, so their up arrow reports -1 (later).
constexpr int kTimeSpinLower = 0;
constexpr int kTimeSpinUpper = -11776;
constexpr int kBrightnessSpinUpper = 10;

QRect Span(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

}  // namespace

CWndControlLED::CWndControlLED(CMainApp& app, QWidget* parent) : QWidget(parent), app_(app) {
    NameById(this, kControlId);
    labelFont_.setFamily(QStringLiteral("Monospace"));
    labelFont_.setStyleHint(QFont::TypeWriter);
    labelFont_.setPixelSize(12);
    setFont(labelFont_);

    deleteButton_ = new QPushButton(this);
    NameById(deleteButton_, kDeleteButtonId);
    deleteButton_->setGeometry(Span(212, 2, 358, 22));
    deleteButton_->setIconSize(QSize(142, 17));
    startLabel_ = AddLabel(8, 27, 88, 45);
    startField_ = AddField(kStartFieldId, 93, 27, 163, 45);
    startSpin_ = new CSpinButton(kStartSpinId, kTimeSpinLower, kTimeSpinUpper, true, this);
    startSpin_->setGeometry(Span(166, 27, 181, 45));
    startSpin_->SetBuddy(startField_);
    endLabel_ = AddLabel(201, 27, 276, 45);
    endField_ = AddField(kEndFieldId, 281, 27, 351, 45);
    endSpin_ = new CSpinButton(kEndSpinId, kTimeSpinLower, kTimeSpinUpper, true, this);
    endSpin_->setGeometry(Span(354, 27, 369, 45));
    endSpin_->SetBuddy(endField_);
    brightnessLabel_ = AddLabel(397, 27, 475, 45);
    brightnessField_ = AddField(kBrightnessFieldId, 480, 27, 550, 45);
    brightnessSpin_ = new CSpinButton(kBrightnessSpinId, 0, kBrightnessSpinUpper, false, this);
    brightnessSpin_->setGeometry(Span(553, 27, 568, 45));
    brightnessSpin_->SetBuddy(brightnessField_);

    UpdateLanguage(app_.english != 0);
    for (QWidget* control : std::initializer_list<QWidget*>{
             startField_, startSpin_, endField_, endSpin_, brightnessField_, brightnessSpin_}) {
        control->setEnabled(false);
    }
    deleteButton_->setEnabled(false);  // until a sector is selected
}

QLabel* CWndControlLED::AddLabel(int left, int top, int right, int bottom) {
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("id65535"));
    label->setGeometry(Span(left, top, right, bottom));
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setFont(labelFont_);
    return label;
}

QLineEdit* CWndControlLED::AddField(int id, int left, int top, int right, int bottom) {
    auto* field = new QLineEdit(this);
    NameById(field, id);
    field->setGeometry(Span(left, top, right, bottom));
    field->setFrame(false);
    field->setReadOnly(true);
    field->setAlignment(Qt::AlignCenter);
    return field;
}

void CWndControlLED::UpdateLanguage(bool english) {
    const CScheduleModel::Texts texts = CScheduleModel::PanelTexts(english);
    const QString deleteText = QString::fromUtf8(texts.deleteButton);
    deleteButton_->setIcon(
        QIcon(ResourceBitmap(english ? IDB_DELETE_SCHEDULE_EN : IDB_DELETE_SCHEDULE_CH)));
    deleteButton_->setAccessibleName(deleteText);
    deleteButton_->setToolTip(deleteText);
    startLabel_->setText(QString::fromUtf8(texts.start));
    endLabel_->setText(QString::fromUtf8(texts.end));
    brightnessLabel_->setText(QString::fromUtf8(texts.brightness));
    startSpin_->update();
    endSpin_->update();
    brightnessSpin_->update();
}

void CWndControlLED::SetFieldText(QLineEdit& field, const QString& text) {
    field.setText(text);
}

void CWndControlLED::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBrush(QColor(218, 218, 209));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace zelt

#include "ui/panel/CWndMiscPara.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDateTime>
#include <QEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTimerEvent>

#include "base/Trace.h"
#include "config/CfgCodes.h"
#include "panel/FieldRules.h"
#include "panel/PanelDisplays.h"
#include "panel/PanelLayout.h"
#include "panel/ReadState.h"
#include "ui/Resources.h"
#include "ui/WidgetIds.h"
#include "ui/panel/CButtonGBox.h"
#include "ui/panel/CLiveChart.h"
#include "ui/panel/CPanelControls.h"
#include "ui/panel/CPanelStyle.h"
#include "ui/schedule/CScheduleEditor.h"
#include "ui/schedule/CScrollViewSch.h"
#include "ui/schedule/CSpinButton.h"
#include "ui/schedule/CWndControlLED.h"

namespace zelt {

using namespace panel_layout;

CWndMiscPara::CWndMiscPara(CMainApp& app, IPanelHost& host, QWidget* parent)
    : QWidget(parent),
      app_(app),
      host_(host),
      fields_(app.english != 0),
      rules_(fields_, host.Values().userTime),
      background_(CPanelStyle::PanelBackground()) {
    NameById(this, kControlId);
    setFont(CPanelStyle::GroupFont());
    const bool english = app_.english != 0;
    controls_ = std::make_unique<CPanelControls>(this, english);
    timer_.start(kTimerPeriodMs, this);
    chart_ = new CLiveChart(this);
    chart_->hide();
    auto* chartToggle = new QPushButton(this);
    chartToggle->setObjectName(QStringLiteral("liveChartToggle"));
    chartToggle->setFont(CPanelStyle::LabelFont());
    chartToggle->setCheckable(true);
    chartToggle->setGeometry(kChartToggleRect.left, kChartToggleRect.top, kChartToggleRect.Width(),
                             kChartToggleRect.Height());
    connect(chartToggle, &QPushButton::toggled, chart_, &QWidget::setVisible);
    connect(chart_, &CLiveChart::Closed, chartToggle,
            [chartToggle] { chartToggle->setChecked(false); });
    CreateScheduleEditor();
    ConnectFields();
    ConnectActions();
    SetLanguage(english);
}

CWndMiscPara::~CWndMiscPara() = default;

void CWndMiscPara::CreateScheduleEditor() {
    schedulePanel_ = new CWndControlLED(app_, this);
    NameById(schedulePanel_, CWndControlLED::kControlId);
    schedulePanel_->setGeometry(kScheduleBarRect.left, kScheduleBarRect.top,
                                kScheduleBarRect.Width(), kScheduleBarRect.Height());
    scheduleView_ = new CScrollViewSch(app_, this);
    NameById(scheduleView_, CScrollViewSch::kControlId);
    scheduleView_->setGeometry(kScheduleViewRect.left, kScheduleViewRect.top,
                               kScheduleViewRect.Width(), kScheduleViewRect.Height());
    scheduleEditor_ = new CScheduleEditor(app_, *scheduleView_, *schedulePanel_);
    scheduleEditor_->setParent(this);
}

QLineEdit* CWndMiscPara::Edit(int id) const {
    return controls_->Edit(id);
}

// ---------------------------------------------------------------- field editing

void CWndMiscPara::ConnectFields() {
    for (const FieldRule& rule : AllFieldRules()) {
        for (int i = 0; i < rule.count; ++i) {
            const int id = rule.id + i;
            QLineEdit* edit = Edit(id);
            edit->setProperty("fieldId", id);
            edit->installEventFilter(this);
            connect(edit, &QLineEdit::textChanged, this, [this, id] { OnFieldEdited(id); });
        }
        if (rule.spinId != 0) {
            auto* spin = qobject_cast<CSpinButton*>(controls_->Widget(rule.spinId));
            const int spinId = rule.spinId;
            connect(spin, &CSpinButton::PositionChanging, this,
                    [this, spinId](int delta) { OnSpin(spinId, delta); });
        }
    }
}

bool CWndMiscPara::eventFilter(QObject* watched, QEvent* event) {
    // The edit's own context menu takes the focus for a moment; that is not leaving the field.
    if (event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        const QVariant id = watched->property("fieldId");
        if (id.isValid()) {
            OnFieldLeft(id.toInt());
        }
    }
    return QWidget::eventFilter(watched, event);
}

std::string CWndMiscPara::FieldTextOf(int fieldId) const {
    return ReadFieldText(Edit(fieldId)->text().toStdString());
}

void CWndMiscPara::WriteField(int fieldId, const std::string& text) {
    ++writing_;
    Edit(fieldId)->setText(Qs(text));
    --writing_;
}

void CWndMiscPara::Apply(int fieldId, const EditOutcome& outcome) {
    // Only what the user does in the field itself counts as a change of the configuration;
    // texts the program writes never do.
    if (outcome.markModified && Edit(fieldId)->hasFocus()) {
        app_.savedToFile = 0;
        app_.savedToController = 0;
    }
    if (outcome.text) {
        WriteField(fieldId, *outcome.text);
    }
}

void CWndMiscPara::OnFieldEdited(int fieldId) {
    if (writing_ > 0) {
        return;
    }
    Apply(fieldId, rules_.FilterOnTyping(fieldId, FieldTextOf(fieldId)));
    NoteGiven(fieldId);
}

void CWndMiscPara::NoteGiven(int fieldId) {
    if (NoteUserGave(fields_, host_.Values(), fieldId)) {
        ShowReadState(fieldId, ValueShown::Plain);
    }
}

void CWndMiscPara::ShowReadState(int fieldId, ValueShown shown) {
    QLineEdit* edit = Edit(fieldId);
    if (shown == ValueShown::Blank) {
        WriteField(fieldId, "");
    }
    QPalette palette;  // inherited
    if (shown == ValueShown::Greyed) {
        palette = edit->palette();
        palette.setColor(QPalette::Active, QPalette::Text, Qt::gray);
        palette.setColor(QPalette::Inactive, QPalette::Text, Qt::gray);
    }
    edit->setPalette(palette);
    edit->setProperty("unread", shown != ValueShown::Plain);
}

void CWndMiscPara::OnFieldLeft(int fieldId) {
    if (!rules_.ValidatesOnLeave(fieldId)) {
        return;  // untouched: its record value stays as it is
    }
    Apply(fieldId, rules_.ValidateOnLeave(fieldId, FieldTextOf(fieldId), app_.systemVoltage));
}

void CWndMiscPara::OnSpin(int spinId, int positionChange) {
    const FieldRule* rule = FindSpinRule(spinId);
    QLineEdit* edit = Edit(rule->id);
    // A click on the arrows gives the keyboard focus to the field they step, as the
    // up-down control does with its buddy: the field left before is validated first, and
    // the step counts as the user's edit.
    edit->setFocus(Qt::MouseFocusReason);
    Apply(rule->id,
          rules_.StepOnSpin(spinId, positionChange, FieldTextOf(rule->id), app_.systemVoltage));
    NoteGiven(rule->id);
}

void CWndMiscPara::CommitEditedFields() {
    for (const int id : CommitOrder()) {
        if (fields_.edited.count(id) != 0) {
            OnFieldLeft(id);
        }
    }
}

void CWndMiscPara::CommitClockFields() {
    for (int id : {field::kHour, field::kMinute, field::kSecond}) {
        OnFieldLeft(id);
    }
}

// ---------------------------------------------------------------- tabs, "On", PWM

void CWndMiscPara::ConnectActions() {
    connect(controls_->Tabs(), &QTabWidget::currentChanged, this, [this] { ApplyControlStates(); });
    connect(controls_->Button(kLowLevelBox), &QAbstractButton::clicked, this,
            [this] { OnLowLevelOn(); });
    for (int radio : {kPcTimeRadio, kUserTimeRadio}) {
        connect(controls_->Button(radio), &QAbstractButton::clicked, this,
                [this] { OnClockSourceChanged(); });
    }
    connect(controls_->Button(kResetButton), &QAbstractButton::clicked, this,
            [this] { OnResetChargeCount(); });
    for (int button : {kUserTimeSet, kPcTimeSet}) {
        connect(controls_->Button(button), &QAbstractButton::clicked, this, [this] { OnSetRtc(); });
    }
    connect(controls_->Button(kUpdateButton), &QAbstractButton::clicked, this,
            [this] { OnUpdateMode(); });
}

void CWndMiscPara::ApplyControlStates() {
    fields_.operatingModeCode = host_.Values().operatingModeCode;  // "Update" may have read it
    const PanelControlStates states = ControlStates(fields_, controls_->Tabs()->currentIndex());
    for (int id : kVoutControls) {
        controls_->Widget(id)->setEnabled(states.voutEnabled);
    }
    QAbstractButton* box = controls_->Button(kLowLevelBox);
    box->setEnabled(states.lowLevelBoxEnabled);
    box->setChecked(states.lowLevelBoxChecked);
    for (int id : kAdvanceControls) {
        controls_->Widget(id)->setEnabled(states.advanceEditsEnabled);
    }
    for (QWidget* widget : controls_->AdvanceControls()) {
        widget->setVisible(states.advanceVisible);
    }
    for (QWidget* widget : controls_->BasicControls()) {
        widget->setVisible(states.basicVisible);
    }
    SetLightingTimeVisible(states.lightingTimeVisible);
}

void CWndMiscPara::OnLowLevelOn() {
    fields_.lowLevelEnabled = controls_->Button(kLowLevelBox)->isChecked() ? 1 : 0;
    ApplyControlStates();
}

// ---------------------------------------------------------------- clock and actions

void CWndMiscPara::OnClockSourceChanged() {
    PanelValues& panel = host_.Values();
    panel.usePcTime = controls_->Button(kPcTimeRadio)->isChecked() ? 1 : 0;
    controls_->Widget(kPcTimeSet)->setEnabled(panel.usePcTime == 1);
    controls_->Widget(kUserTimeSet)->setEnabled(panel.usePcTime == 0);
}

void CWndMiscPara::OnResetChargeCount() {
    host_.ResetChargeCount();
}

void CWndMiscPara::OnSetRtc() {
    host_.SetControllerClock();
}

void CWndMiscPara::OnUpdateMode() {
    host_.UpdateOperatingMode();
}

// ---------------------------------------------------------------- the timer

void CWndMiscPara::timerEvent(QTimerEvent* event) {
    if (event->timerId() == timer_.timerId()) {
        OnPanelTimer();
        return;
    }
    QWidget::timerEvent(event);
}

void CWndMiscPara::OnPanelTimer() {
    if (host_.PanelTick()) {
        AppendChartSample();
    }
}

void CWndMiscPara::AppendChartSample() {
    chart_->Append(SampleOf(host_.Values(), QDateTime::currentMSecsSinceEpoch()));
}

// ---------------------------------------------------------------- displays

void CWndMiscPara::SetDisplay(Display display, const QString& text) {
    if (QLineEdit* edit = Edit(static_cast<int>(display))) {
        edit->setText(text);
    }
}

void CWndMiscPara::SetLightingTimeVisible(bool visible) {
    controls_->Widget(kLabelLightingTime)->setVisible(visible);
    controls_->Widget(static_cast<int>(Display::LightingTime))->setVisible(visible);
}

void CWndMiscPara::SetBatteryCaption(const QString& caption) {
    controls_->Group(kBatteryGroupId)->setTitle(caption);
}

void CWndMiscPara::SetInputLocked(bool locked) {
    if (!locked) {
        for (const QPointer<QWidget>& widget : locked_) {
            if (widget != nullptr) {
                widget->setEnabled(true);
            }
        }
        locked_.clear();
        return;
    }
    if (!locked_.empty()) {
        return;
    }
    std::vector<QWidget*> candidates = controls_->InputControls();
    candidates.push_back(scheduleView_);
    candidates.push_back(schedulePanel_);
    for (QWidget* widget : candidates) {
        if (widget->isEnabled()) {
            widget->setEnabled(false);
            locked_.emplace_back(widget);
        }
    }
}

void CWndMiscPara::SetReadingsStale(bool stale) {
    for (Display d : kStaleDisplays) {
        QLineEdit* edit = Edit(static_cast<int>(d));
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Text, stale ? QColor(Qt::gray) : QColor(Qt::black));
        edit->setPalette(palette);
        edit->setProperty("stale", stale);
    }
}

// ---------------------------------------------------------------- language

void CWndMiscPara::SetLanguage(bool english) {
    controls_->Relabel(english, app_.systemVoltage);
    ShowResetImage(english);
    TranslateBatteryType(english);
    ShowOperatingMode();
    if (auto* toggle = findChild<QPushButton*>(QStringLiteral("liveChartToggle"))) {
        toggle->setText(QString::fromUtf8(ChartToggleText(english)));
    }
    chart_->SetLanguage(english);
    schedulePanel_->UpdateLanguage(english);
    schedulePanel_->update();
    scheduleView_->update();
    InvalidateAllControls();
}

void CWndMiscPara::ShowResetImage(bool english) {
    auto* reset = qobject_cast<QPushButton*>(controls_->Button(kResetButton));
    const QPixmap image = ResourceBitmap(english ? IDB_RESET_EN : IDB_RESET_CH);
    if (!image.isNull()) {
        reset->setIcon(QIcon(image));
        reset->setIconSize(image.size());
        reset->setText(QString());
    }
}

void CWndMiscPara::TranslateBatteryType(bool english) {
    zelt::TranslateBatteryType(fields_, english);
    QComboBox* list = controls_->Combo(kBatteryTypeList);
    list->clear();
    for (const std::string& choice : BatteryTypeChoices(english)) {
        list->addItem(Qs(choice));
    }
    list->setCurrentIndex(BatteryTypeIndex(fields_, english));
}

void CWndMiscPara::ShowOperatingMode() {
    const OperatingModeShown shown = ShownOperatingMode(host_.Values(), app_.english != 0);
    SetDisplay(Display::OperatingMode, Qs(shown.mode));
    SetDisplay(Display::LightingTime, Qs(shown.lightingTime));
    SetLightingTimeVisible(shown.lightingTimeVisible);
}

// ---------------------------------------------------------------- refresh and store

void CWndMiscPara::RefreshFromConfig() {
    const PanelValues& panel = host_.Values();
    zelt::RefreshFromConfig(app_.config, app_.english != 0, panel.userTime, fields_);
    controls_->Combo(kBatteryTypeList)
        ->setCurrentIndex(BatteryTypeIndex(fields_, app_.english != 0));
    const bool pwm = fields_.pwmEnabled != 0;
    controls_->Button(pwm ? kPwmEnableRadio : kPwmDisableRadio)->setChecked(true);
    ApplyControlStates();

    for (const auto& [id, text] : fields_.fieldText) {
        WriteField(id, text);
    }
    for (const FieldRule& rule : AllFieldRules()) {
        for (int i = 0; i < rule.count; ++i) {
            ShowReadState(rule.id + i, ShownAs(panel, ValueName(rule, i)));
        }
    }
    const ReadingsShown readings = ShownReadings(panel);
    SetDisplay(Display::ChargeCount, Qs(readings.chargeCount));
    SetDisplay(Display::BatteryVoltage, Qs(readings.batteryVoltage));
    SetDisplay(Display::BatteryCapacity, Qs(readings.batteryCapacity));
    ShowOperatingMode();
}

void CWndMiscPara::StoreToConfig() {
    // The mode codes are the controller's: they change with its answers, not here.
    fields_.operatingModeCode = host_.Values().operatingModeCode;
    fields_.lightingTimeCode = host_.Values().lightingTimeCode;
    zelt::StoreToConfig(fields_, app_.config);
}

// ---------------------------------------------------------------- painting

void CWndMiscPara::InvalidateAllControls() {
    for (QWidget* widget : controls_->AllControls()) {
        widget->update();
    }
    update();
}

void CWndMiscPara::showEvent(QShowEvent* event) {
    // The group boxes take the panel's size once, when it is first shown: the main window
    // sizes the panel after creating it, and nothing moves afterwards.
    if (!groupsPlaced_) {
        controls_->PlaceGroups(rect());
        groupsPlaced_ = true;
    }
    QWidget::showEvent(event);
}

void CWndMiscPara::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBrush(background_);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace zelt

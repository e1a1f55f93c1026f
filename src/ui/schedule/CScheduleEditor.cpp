#include "ui/schedule/CScheduleEditor.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "ui/Notify.h"
#include "ui/schedule/CScrollViewSch.h"
#include "ui/schedule/CSpinButton.h"
#include "ui/schedule/CTimeArea.h"
#include "ui/schedule/CWndControlLED.h"

namespace zelt {

CScheduleEditor::CScheduleEditor(CMainApp&, CScrollViewSch& view, CWndControlLED& panel)
    : QObject(&view), view_(view), panel_(panel) {
    CTimeArea& area = view.Area();
    area.SetListener([this](const CScheduleModel::Changes& changes) { Show(changes); });
    // The time spins run over a reversed range: -1 is the up arrow, a later time.
    connect(&panel.StartSpin(), &CSpinButton::PositionChanging, this,
            [&area](int delta) { area.Apply(area.Model().StepStart(delta < 0)); });
    connect(&panel.EndSpin(), &CSpinButton::PositionChanging, this,
            [&area](int delta) { area.Apply(area.Model().StepEnd(delta < 0)); });
    connect(&panel.BrightnessSpin(), &CSpinButton::PositionChanging, this,
            [&area](int delta) { area.Apply(area.Model().StepBrightness(delta > 0)); });
    connect(&panel.DeleteButton(), &QPushButton::clicked, this, &CScheduleEditor::DeleteSelected);
    // Escape wherever the focus is inside the editor; Delete only on the time area (sector
    // windows pass their keys on to it) and the Delete button: in the three fields it does
    // what it does in any read-only field.
    for (QObject* watched : std::initializer_list<QObject*>{
             &view, &area, &panel, &panel.StartField(), &panel.EndField(), &panel.BrightnessField(),
             &panel.DeleteButton()}) {
        watched->installEventFilter(this);
    }
    ShowFields();
}

CScheduleModel& CScheduleEditor::Model() {
    return view_.Area().Model();
}

const CScheduleModel& CScheduleEditor::Model() const {
    return view_.Area().Model();
}

void CScheduleEditor::DeleteSelected() {
    view_.Area().Apply(Model().DeleteSelected());
}

void CScheduleEditor::DeleteAll() {
    view_.Area().Apply(Model().DeleteAll());
}

bool CScheduleEditor::SectorSelected() const {
    return Model().PanelFields().deleteEnabled;
}

std::vector<CTimeSectorData> CScheduleEditor::Sectors() const {
    return Model().Sectors();
}

void CScheduleEditor::ReloadFromConfig() {
    view_.Area().Apply(Model().ReloadFromConfig());
}

void CScheduleEditor::Show(const CScheduleModel::Changes& changes) {
    if (changes.fields) {
        ShowFields();
    }
    if (changes.cursorTime) {
        PostNotify(this, UWM_CURSOR_TIME, Model().CursorMinute());
    }
}

void CScheduleEditor::ShowFields() {
    const CScheduleModel::Fields& fields = Model().PanelFields();
    CWndControlLED::SetFieldText(panel_.StartField(), QString::fromStdString(fields.start));
    CWndControlLED::SetFieldText(panel_.EndField(), QString::fromStdString(fields.end));
    CWndControlLED::SetFieldText(panel_.BrightnessField(),
                                 QString::fromStdString(fields.brightness));
    for (QWidget* control : std::initializer_list<QWidget*>{
             &panel_.StartField(), &panel_.StartSpin(), &panel_.EndField(), &panel_.EndSpin()}) {
        control->setEnabled(fields.timesEnabled);
    }
    panel_.BrightnessField().setEnabled(fields.brightnessEnabled);
    panel_.BrightnessSpin().setEnabled(fields.brightnessEnabled);
    panel_.DeleteButton().setEnabled(fields.deleteEnabled);
}

bool CScheduleEditor::event(QEvent* event) {
    if (!CNotifyEvent::IsNotify(event)) {
        return QObject::event(event);
    }
    const auto& notify = *static_cast<CNotifyEvent*>(event);
    if (notify.Message() == UWM_CURSOR_TIME) {
        emit CursorTimeChanged(static_cast<int>(notify.WParam()));
    }
    return true;
}

bool CScheduleEditor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool deletes =
            watched == &view_ || watched == &view_.Area() || watched == &panel_.DeleteButton();
        if (key == Qt::Key_Delete && deletes) {
            view_.Area().Apply(Model().KeyDelete());
            return true;
        }
        if (key == Qt::Key_Escape) {
            view_.Area().Apply(Model().KeyEscape());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace zelt

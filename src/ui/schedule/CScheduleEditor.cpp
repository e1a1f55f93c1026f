#include "ui/schedule/CScheduleEditor.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "base/Trace.h"
#include "schedule/TimeAxis.h"
#include "ui/Notify.h"
#include "ui/schedule/CScrollViewSch.h"
#include "ui/schedule/CSpinButton.h"
#include "ui/schedule/CTimeArea.h"
#include "ui/schedule/CTimeSector.h"
#include "ui/schedule/CWndControlLED.h"

namespace zelt {

namespace {

QString Clock(int minute) {
    return QString::fromStdString(MinuteToClock(minute));
}

void EnableTimeFields(CWndControlLED& panel, bool enabled) {
    for (QWidget* control : std::initializer_list<QWidget*>{&panel.StartField(), &panel.StartSpin(),
                                                            &panel.EndField(), &panel.EndSpin()}) {
        control->setEnabled(enabled);
    }
}

}  // namespace

CScheduleEditor::CScheduleEditor(CMainApp& app, CScrollViewSch& view, CWndControlLED& panel)
    : QObject(&view), app_(app), view_(view), panel_(panel) {
    view.Area().SetEditor(this);
    connect(&panel.StartSpin(), &CSpinButton::PositionChanging, this,
            [this](int delta) { StepTime(true, delta); });
    connect(&panel.EndSpin(), &CSpinButton::PositionChanging, this,
            [this](int delta) { StepTime(false, delta); });
    connect(&panel.BrightnessSpin(), &CSpinButton::PositionChanging, this,
            &CScheduleEditor::StepBrightness);
    connect(&panel.DeleteButton(), &QPushButton::clicked, this, &CScheduleEditor::DeleteSelected);
    // Escape wherever the focus is inside the editor; Delete only on the time area (sector
    // windows pass their keys on to it) and the Delete button: in the three fields it does
    // what it does in any read-only field.
    for (QObject* watched : std::initializer_list<QObject*>{
             &view, &view.Area(), &panel, &panel.StartField(), &panel.EndField(),
             &panel.BrightnessField(), &panel.DeleteButton()}) {
        watched->installEventFilter(this);
    }
    SetSectorSelected(false);
}

void CScheduleEditor::OnSectorSelected(QObject* sectorWindow) {
    const CTimeSectorData* sector = view_.Area().SectorOf(sectorWindow);
    auto* window = qobject_cast<CTimeSector*>(sectorWindow);
    // Deleted or deselected (Escape, a press on the area) before the report arrived: the
    // fields must not show a sector that is no longer selected.
    if (sector == nullptr || window == nullptr || !window->IsSelected()) {
        return;
    }
    const bool single = view_.CountSelected() == 1;
    EnableTimeFields(panel_, single);
    CWndControlLED::SetFieldText(panel_.StartField(),
                                 single ? Clock(sector->startMinute) : QString());
    CWndControlLED::SetFieldText(panel_.EndField(), single ? Clock(sector->endMinute) : QString());
    panel_.BrightnessField().setEnabled(true);
    panel_.BrightnessSpin().setEnabled(true);
    CWndControlLED::SetFieldText(panel_.BrightnessField(),
                                 QString::fromStdString(StrF("%d%%", sector->brightness)));
    selectedSector_ = window;
    SetSectorSelected(true);
}

void CScheduleEditor::OnNoSectorSelected() {
    ClearFields();
}

void CScheduleEditor::OnSectorResized(QObject* sectorWindow) {
    const CTimeSectorData* sector = view_.Area().SectorOf(sectorWindow);
    auto* window = qobject_cast<CTimeSector*>(sectorWindow);
    // The time fields show only the one selected sector.
    if (sector == nullptr || window == nullptr || !window->IsSelected() ||
        view_.CountSelected() != 1) {
        return;
    }
    CWndControlLED::SetFieldText(panel_.StartField(), Clock(sector->startMinute));
    CWndControlLED::SetFieldText(panel_.EndField(), Clock(sector->endMinute));
}

void CScheduleEditor::DeleteSelected() {
    view_.DeleteSelected();
    if (view_.CountSelected() == 0) {
        ClearFields();
    }
    ClearSavedFlags();
}

void CScheduleEditor::DeleteAll() {
    view_.DeleteAll();
    ClearFields();
    ClearSavedFlags();
}

std::vector<CTimeSectorData> CScheduleEditor::Sectors() const {
    return view_.Area().Sectors();
}

void CScheduleEditor::ReloadFromConfig() {
    view_.ReloadFromConfig();
    ClearFields();
}

void CScheduleEditor::StepTime(bool startEdge, int delta) {
    CTimeArea& area = view_.Area();
    const int index = area.IndexOf(selectedSector_);
    if (index < 0 || view_.CountSelected() != 1) {
        return;
    }
    // The time spins run over a reversed range: -1 is the up arrow, a later time.
    const auto text =
        StepSectorTime(area.Sectors(), static_cast<std::size_t>(index), startEdge, delta < 0);
    if (!text) {
        return;
    }
    ClearSavedFlags();
    CWndControlLED::SetFieldText(startEdge ? panel_.StartField() : panel_.EndField(),
                                 QString::fromStdString(*text));
    area.SetSectorEdge(selectedSector_, startEdge,
                       startEdge ? ClockToStartMinute(*text) : ClockToEndMinute(*text));
}

void CScheduleEditor::StepBrightness(int delta) {
    if (view_.CountSelected() == 0) {
        return;
    }
    const std::string text = CWndControlLED::FieldText(panel_.BrightnessField());
    const bool pwm = app_.config.pwmEnabled != 0;
    const BrightnessStep step =
        delta > 0 ? StepBrightnessUp(text, pwm) : StepBrightnessDown(text, pwm);
    view_.SetSelectedBrightness(step.value);
    ClearSavedFlags();
    CWndControlLED::SetFieldText(panel_.BrightnessField(), QString::fromStdString(step.text));
}

void CScheduleEditor::ClearFields() {
    for (QLineEdit* field : {&panel_.StartField(), &panel_.EndField(), &panel_.BrightnessField()}) {
        CWndControlLED::SetFieldText(*field, QString());
        field->setEnabled(false);
    }
    EnableTimeFields(panel_, false);
    panel_.BrightnessSpin().setEnabled(false);
    selectedSector_.clear();
    SetSectorSelected(false);
}

void CScheduleEditor::SetSectorSelected(bool selected) {
    sectorSelected_ = selected;
    panel_.DeleteButton().setEnabled(selected);
}

void CScheduleEditor::ClearSavedFlags() {
    app_.savedToController = 0;
    app_.savedToFile = 0;
}

bool CScheduleEditor::event(QEvent* event) {
    if (!CNotifyEvent::IsNotify(event)) {
        return QObject::event(event);
    }
    const auto& notify = *static_cast<CNotifyEvent*>(event);
    switch (notify.Message()) {
        case UWM_CURSOR_TIME:
            emit CursorTimeChanged(static_cast<int>(notify.WParam()));
            break;
        case UWM_SECTOR_SELECTED:
            OnSectorSelected(notify.Window());
            break;
        case UWM_NO_SECTOR_SELECTED:
            OnNoSectorSelected();
            break;
        case UWM_SECTOR_RESIZED:
            OnSectorResized(notify.Window());
            break;
        default:
            break;
    }
    return true;
}

bool CScheduleEditor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool deletes =
            watched == &view_ || watched == &view_.Area() || watched == &panel_.DeleteButton();
        if (key == Qt::Key_Delete && deletes) {
            if (sectorSelected_) {  // the command state of 1018
                DeleteSelected();
            }
            return true;
        }
        if (key == Qt::Key_Escape) {
            // A drag under way ends first, as a right-button press ends it.
            view_.Area().AbandonDrags();
            view_.Area().DeselectAll();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace zelt

#include "ui/schedule/CTimeArea.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "ui/Notify.h"
#include "ui/WidgetIds.h"
#include "ui/schedule/CTimeSector.h"

namespace zelt {

using namespace timeaxis;

CTimeArea::CTimeArea(CMainApp& app, QWidget* parent) : QWidget(parent), app_(app) {
    NameById(this, kControlId);
    setMouseTracking(true);  // the cursor time follows every move, dragging or not
    setFocusPolicy(Qt::ClickFocus);
}

CTimeArea::~CTimeArea() = default;

void CTimeArea::ReloadFromConfig() {
    DeleteAll();
    for (const CTimeSectorData& sector : app_.config.sectors) {
        AddSector(sector.startMinute, sector.endMinute, sector.brightness);
    }
}

void CTimeArea::AddSector(int start, int end, int brightness) {
    if (IsDisplayableSector(start, end, brightness)) {
        AppendSector(CTimeSectorData{start, end, brightness});
    }
}

void CTimeArea::AppendSector(const CTimeSectorData& sector) {
    const int left = MinuteToPixel(sector.startMinute);
    const QRect rect(left, kBandInset, MinuteToPixel(sector.endMinute) - left,
                     std::max(height() - 2 * kBandInset, 0));
    auto* window = new CTimeSector(*this, rect);
    window->SetBrightness(sector.brightness);
    sectors_.push_back(sector);
    windows_.push_back(window);
}

void CTimeArea::RemoveAt(std::size_t index) {
    delete windows_[index];
    windows_.erase(windows_.begin() + static_cast<std::ptrdiff_t>(index));
    sectors_.erase(sectors_.begin() + static_cast<std::ptrdiff_t>(index));
}

int CTimeArea::CountSelected() const {
    return static_cast<int>(std::count_if(windows_.begin(), windows_.end(),
                                          [](const CTimeSector* w) { return w->IsSelected(); }));
}

void CTimeArea::SetSelectedBrightness(int level) {
    for (std::size_t i = 0; i < windows_.size(); ++i) {
        if (windows_[i]->IsSelected()) {
            sectors_[i].brightness = level;
            windows_[i]->SetBrightness(level);
        }
    }
}

void CTimeArea::DeleteSelected() {
    for (std::size_t i = 0; i < windows_.size();) {
        if (windows_[i]->IsSelected()) {
            RemoveAt(i);
        } else {
            ++i;
        }
    }
}

void CTimeArea::DeleteAll() {
    while (!windows_.empty()) {
        RemoveAt(windows_.size() - 1);
    }
}

void CTimeArea::DeselectAll() {
    for (CTimeSector* window : windows_) {
        window->SetSelected(false);
    }
    PostNotify(editor_, UWM_NO_SECTOR_SELECTED);
}

void CTimeArea::AbandonDrags() {
    if (drag_.Dragging()) {
        drag_.Cancel();
        update();
    }
    for (CTimeSector* window : windows_) {
        window->AbandonDrag();
    }
}

void CTimeArea::DeselectAllExcept(const QObject* keep) {
    for (CTimeSector* window : windows_) {
        if (window != keep) {
            window->SetSelected(false);
        }
    }
}

void CTimeArea::ReportSelection(QObject* window) {
    // A window deleted before its notification arrived reports nothing.
    if (IndexOf(window) >= 0) {
        PostNotify(editor_, UWM_SECTOR_SELECTED, 0, window);
    }
}

void CTimeArea::ReportIfNoneSelected() {
    if (CountSelected() == 0) {
        PostNotify(editor_, UWM_NO_SECTOR_SELECTED);
    }
}

bool CTimeArea::IsTimeInsideOtherSector(std::string_view clockText,
                                        const CTimeSector* sector) const {
    const int index = IndexOf(sector);
    // A sector that is not in the list excludes none.
    return zelt::IsTimeInsideOtherSector(
        sectors_, index >= 0 ? static_cast<std::size_t>(index) : sectors_.size(), clockText);
}

bool CTimeArea::LimitEdge(int minute, const CTimeSector* window, bool startEdge,
                          int* result) const {
    const int index = IndexOf(window);
    if (index < 0) {
        *result = minute;
        return false;
    }
    return zelt::LimitEdge(sectors_, static_cast<std::size_t>(index), minute, startEdge, result);
}

const CTimeSectorData* CTimeArea::SectorOf(const QObject* window) const {
    const int index = IndexOf(window);
    return index >= 0 ? &sectors_[static_cast<std::size_t>(index)] : nullptr;
}

bool CTimeArea::SetSectorEdge(const QObject* window, bool startEdge, int minute) {
    const int index = IndexOf(window);
    if (index < 0) {
        return false;
    }
    CTimeSectorData& sector = sectors_[static_cast<std::size_t>(index)];
    (startEdge ? sector.startMinute : sector.endMinute) = minute;
    windows_[static_cast<std::size_t>(index)]->MoveEdges(startEdge ? minute : -1,
                                                         startEdge ? -1 : minute);
    return true;
}

int CTimeArea::IndexOf(const QObject* window) const {
    if (window == nullptr) {
        return -1;
    }
    const auto it = std::find(windows_.begin(), windows_.end(), window);
    return it == windows_.end() ? -1 : static_cast<int>(it - windows_.begin());
}

void CTimeArea::MoveSectorEdge(QObject* window, int minute, bool startEdge) {
    const int index = IndexOf(window);
    if (index < 0) {
        return;
    }
    CTimeSectorData& sector = sectors_[static_cast<std::size_t>(index)];
    if (startEdge && sector.endMinute - minute >= kShortestSector) {
        sector.startMinute = minute;
    } else if (!startEdge && minute - sector.startMinute >= kShortestSector) {
        sector.endMinute = minute;
    } else {
        return;
    }
    ClearSavedFlags();
}

void CTimeArea::ClearSavedFlags() {
    app_.savedToController = 0;
    app_.savedToFile = 0;
}

bool CTimeArea::event(QEvent* event) {
    if (CNotifyEvent::IsNotify(event)) {
        const auto* notify = static_cast<CNotifyEvent*>(event);
        switch (notify->Message()) {
            case UWM_DESELECT_OTHERS:
                DeselectAllExcept(notify->Window());
                return true;
            case UWM_SECTOR_SELECTED:
                ReportSelection(notify->Window());
                return true;
            case UWM_SECTOR_DESELECTED:
                ReportIfNoneSelected();
                return true;
            case UWM_START_EDGE_MOVED:
            case UWM_END_EDGE_MOVED:
                MoveSectorEdge(notify->Window(), static_cast<int>(notify->WParam()),
                               notify->Message() == UWM_START_EDGE_MOVED);
                return true;
            default:
                break;
        }
    }
    return QWidget::event(event);
}

void CTimeArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (drag_.HasBand()) {
        const int a = MinuteToPixel(std::min(drag_.Start(), drag_.BandEnd()));
        const int b = MinuteToPixel(std::max(drag_.Start(), drag_.BandEnd()));
        painter.setPen(QPen(Qt::black, 1, Qt::DashDotLine));
        painter.drawRect(QRect(QPoint(a, kBandInset), QPoint(b - 1, height() - kBandInset - 1)));
    }
}

void CTimeArea::resizeEvent(QResizeEvent*) {
    for (CTimeSector* window : windows_) {
        window->setGeometry(window->x(), kBandInset, window->width(),
                            std::max(height() - 2 * kBandInset, 0));
    }
}

void CTimeArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        drag_.Cancel();
        update();
        return;
    }
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const int x = std::clamp(event->position().toPoint().x(), 0, axisWidth);
    drag_.Press(PixelToMinute(x), sectors_.size());
    DeselectAll();
}

void CTimeArea::mouseMoveEvent(QMouseEvent* event) {
    const int x = std::clamp(event->position().toPoint().x(), 0, axisWidth);
    const int minute = PixelToMinute(x);
    PostNotify(editor_, UWM_CURSOR_TIME, minute);
    if (!drag_.Dragging()) {
        return;
    }
    const bool leftButtonAlone =
        event->buttons() == Qt::LeftButton &&
        (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) == Qt::NoModifier;
    drag_.Move(sectors_, minute, leftButtonAlone);
    update();
}

void CTimeArea::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !drag_.Dragging()) {
        return;
    }
    const auto sector = drag_.Release(sectors_);
    update();  // the band goes; a new sector window draws itself over the field
    if (sector) {
        AppendSector(*sector);
        ClearSavedFlags();
    }
}

}  // namespace zelt

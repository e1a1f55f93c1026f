#pragma once
// The time area: the white strip under the ruler that owns the schedule's working list and
// one sector window per sector. A left drag on free time draws a new sector; the area
// arbitrates selection among its sector windows and applies the edge moves they report.

#include <QObject>
#include <QWidget>
#include <string_view>
#include <vector>

#include "config/MainApp.h"
#include "config/TimeSectorData.h"
#include "schedule/TimeAxis.h"

namespace zelt {

class CTimeSector;

class CTimeArea : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kControlId = 1009;
    // Sectors keep this much of the area free above and below them.
    static constexpr int kBandInset = 7;

    CTimeArea(CMainApp& app, QWidget* parent);
    ~CTimeArea() override;

    // The schedule editor: it receives the cursor time and the selection and resize
    // notifications of the area and its sector windows.
    void SetEditor(QObject* editor) { editor_ = editor; }
    QObject* Editor() const { return editor_; }

    void ReloadFromConfig();
    // A sector from the record; skipped unless it passes the display test.
    void AddSector(int start, int end, int brightness);
    int CountSelected() const;
    void SetSelectedBrightness(int level);
    void DeleteSelected();
    void DeleteAll();
    // Every sector window unselected; the editor learns that none is selected.
    void DeselectAll();
    // Ends a drag under way without its result: no new sector, a dragged edge back where it
    // was.
    void AbandonDrags();
    bool IsTimeInsideOtherSector(std::string_view clockText, const CTimeSector* sector) const;
    // Clamps a moving edge of the sector shown by window; true when *result differs from minute.
    bool LimitEdge(int minute, const CTimeSector* window, bool startEdge, int* result) const;

    // The sectors in list order, as the collect step copies them.
    const std::vector<CTimeSectorData>& Sectors() const { return sectors_; }
    // The sector shown by window, or null when window shows none of this list.
    const CTimeSectorData* SectorOf(const QObject* window) const;
    // A spin step of the schedule panel: the sector's start or end takes minute in place and
    // its window follows. False when window shows no sector of this list.
    bool SetSectorEdge(const QObject* window, bool startEdge, int minute);
    const std::vector<CTimeSector*>& SectorWindows() const { return windows_; }
    // Position of window in the list; -1 when it shows no sector of this list.
    int IndexOf(const QObject* window) const;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void AppendSector(const CTimeSectorData& sector);
    void RemoveAt(std::size_t index);
    void DeselectAllExcept(const QObject* window);
    void ReportSelection(QObject* window);
    void ReportIfNoneSelected();
    void MoveSectorEdge(QObject* window, int minute, bool startEdge);
    void ClearSavedFlags();

    CMainApp& app_;
    QObject* editor_ = nullptr;
    // Parallel lists: sectors_[i] is shown by windows_[i].
    std::vector<CTimeSectorData> sectors_;
    std::vector<CTimeSector*> windows_;
    NewSectorDrag drag_;
};

}  // namespace zelt

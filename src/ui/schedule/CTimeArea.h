#pragma once
// The time area: the white strip under the ruler with one sector window per sector of the
// schedule model it owns. Every pointer event over the strip or a sector window goes to the
// model in area coordinates; the area shows what the model answers and passes the answer on
// to the schedule editor.

#include <QWidget>
#include <functional>
#include <vector>

#include "config/MainApp.h"
#include "models/ScheduleModel.h"

namespace zelt {

class CTimeSector;

class CTimeArea : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kControlId = 1009;
    using Listener = std::function<void(const CScheduleModel::Changes&)>;

    CTimeArea(CMainApp& app, QWidget* parent);
    ~CTimeArea() override;

    CScheduleModel& Model() { return model_; }
    const CScheduleModel& Model() const { return model_; }
    // Shows what a model call changed: sector windows added, removed, placed and repainted,
    // the band; then the listener (the schedule editor) hears of it.
    void Apply(const CScheduleModel::Changes& changes);
    void SetListener(Listener listener) { listener_ = std::move(listener); }

    // The sector windows in list order: window i shows sector i.
    const std::vector<CTimeSector*>& SectorWindows() const { return windows_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void Place(std::size_t index);
    void Restyle(std::size_t index);
    void FollowCursorShape(QPoint at);

    CScheduleModel model_;
    std::vector<CTimeSector*> windows_;
    Listener listener_;
};

}  // namespace zelt

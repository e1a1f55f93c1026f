#include "ui/schedule/CScrollViewSch.h"

#include "schedule/TimeAxis.h"
#include "ui/WidgetIds.h"
#include "ui/schedule/CTimeArea.h"
#include "ui/schedule/CTimeRuler.h"

namespace zelt {

namespace {

// The size the parameter panel gives the view: a 30-pixel ruler over a 40-pixel area.
constexpr int kViewWidth = timeaxis::axisWidth + 1;
constexpr int kViewHeight = 70;

}  // namespace

CScrollViewSch::CScrollViewSch(CMainApp& app, QWidget* parent)
    : QWidget(parent), ruler_(new CTimeRuler(this)), area_(new CTimeArea(app, this)) {
    NameById(this, kControlId);
    resize(kViewWidth, kViewHeight);
    resizeEvent(nullptr);
}

void CScrollViewSch::resizeEvent(QResizeEvent*) {
    // The ruler takes the upper half less 5 pixels, the area the rest; both span the axis.
    const int split = (height() >> 1) - 5;
    ruler_->setGeometry(0, 0, timeaxis::axisWidth + 1, split);
    area_->setGeometry(0, split, timeaxis::axisWidth + 1, height() - split);
}

int CScrollViewSch::CountSelected() const {
    return area_->Model().CountSelected();
}

}  // namespace zelt

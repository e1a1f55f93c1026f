#include "panel/CWndMiscPara.h"

#include <QPainter>

namespace zelt {

CWndMiscPara::CWndMiscPara(CMainApp& app, IPanelHost& host, QObject* mainWnd, QWidget* parent)
    : QWidget(parent), app_(app), host_(host), mainWnd_(mainWnd) {
    setObjectName(QStringLiteral("id%1").arg(kControlId));
}

void CWndMiscPara::SetLanguage(bool) {}
void CWndMiscPara::RefreshFromConfig() {}
void CWndMiscPara::StoreToConfig() {}
void CWndMiscPara::CommitAllFields() {}
void CWndMiscPara::CommitClockFields() {}
void CWndMiscPara::InvalidateAllControls() {
    update();
}
void CWndMiscPara::SetDisplay(Display, const QString&) {}
void CWndMiscPara::SetLightingTimeVisible(bool) {}
void CWndMiscPara::SetBatteryCaption(const QString&) {}

void CWndMiscPara::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBrush(palette().button());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace zelt

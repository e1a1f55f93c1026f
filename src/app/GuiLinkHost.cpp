#include "app/GuiLinkHost.h"

#include <QApplication>

#include "app/CDlgBatteryFail.h"
#include "app/CMainWnd.h"
#include "ui/Notify.h"
#include "ui/WidgetIds.h"
#include "ui/panel/CWndMiscPara.h"

namespace zelt {

void CGuiLinkHost::ShowMessage(const std::string& text, const std::string& caption,
                               zelt::MessageIcon icon) {
    ui_.ShowMessage(&wnd_, Qs(text), Qs(caption), icon);
}

void CGuiLinkHost::RequestQuit(int exitCode) {
    wnd_.QuitWithoutSaving(exitCode);
}

void CGuiLinkHost::ExitNow(int exitCode) {
    ui_.ExitNow(exitCode);
}

BatteryFailChoice CGuiLinkHost::AskBatteryFail(const BatteryFailTexts& texts) {
    CDlgBatteryFail dialog(texts, &wnd_);
    return ui_.Exec(dialog) == QDialog::Accepted ? BatteryFailChoice::Retry
                                                 : BatteryFailChoice::CloseUtility;
}

void CGuiLinkHost::Post(int message) {
    PostNotify(&wnd_, message);
}

void CGuiLinkHost::DisplayChanged(Display display, const std::string& text) {
    wnd_.Panel()->SetDisplay(display, Qs(text));
}

void CGuiLinkHost::LightingTimeVisible(bool visible) {
    wnd_.Panel()->SetLightingTimeVisible(visible);
}

void CGuiLinkHost::BatteryCaptionChanged(const std::string& caption) {
    wnd_.Panel()->SetBatteryCaption(Qs(caption));
}

void CGuiLinkHost::FirmwarePaneChanged(const std::string& text) {
    wnd_.SetPaneText(CMainWnd::ID_PANE_FIRMWARE, Qs(text));
}

void CGuiLinkHost::SerialPaneChanged(const std::string& text) {
    wnd_.SetPaneText(CMainWnd::ID_PANE_SERIAL, Qs(text));
}

void CGuiLinkHost::TitleChanged(const std::string& title) {
    wnd_.setWindowTitle(Qs(title));
}

void CGuiLinkHost::BeginWaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void CGuiLinkHost::EndWaitCursor() {
    QApplication::restoreOverrideCursor();
}

void CGuiLinkHost::CommitEditedFields() {
    wnd_.Panel()->CommitEditedFields();
}

void CGuiLinkHost::CommitClockFields() {
    wnd_.Panel()->CommitClockFields();
}

void CGuiLinkHost::CollectIntoRecord() {
    wnd_.CollectIntoRecord();
}

void CGuiLinkHost::RefreshFromRecord() {
    wnd_.RefreshFromRecord();
}

void CGuiLinkHost::InvalidateAllControls() {
    wnd_.Panel()->InvalidateAllControls();
}

void CGuiLinkHost::ReadingsStale(bool stale, const TimeOfDay& lastGood) {
    wnd_.ShowReadingsStale(stale, lastGood);
}

bool CGuiLinkHost::ChooseFile(FileDialogKind kind, std::string* fullPath) {
    QString chosen = Qs(*fullPath);  // the folder to start in
    if (!ui_.ChooseFile(&wnd_, kind, &chosen)) {
        return false;
    }
    *fullPath = chosen.toStdString();
    return true;
}

bool CGuiLinkHost::ChooseFileToOpen(std::string* fullPath) {
    return ChooseFile(FileDialogKind::Open, fullPath);
}

bool CGuiLinkHost::ChooseFileToSave(std::string* fullPath) {
    return ChooseFile(FileDialogKind::Save, fullPath);
}

void CGuiLinkHost::ShowMessage(const std::string& text, const std::string& caption,
                               ICfgFileUi::MessageIcon icon) {
    ui_.ShowMessage(&wnd_, Qs(text), Qs(caption),
                    icon == ICfgFileUi::MessageIcon::Information ? zelt::MessageIcon::Information
                                                                 : zelt::MessageIcon::Stop);
}

}  // namespace zelt

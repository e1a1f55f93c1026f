#include "app/WindowHost.h"

#include <QApplication>

#include "app/CDlgBatteryFail.h"
#include "app/CMainWnd.h"
#include "models/MainWindowTexts.h"
#include "ui/Notify.h"
#include "ui/WidgetIds.h"
#include "ui/panel/CWndMiscPara.h"

namespace zelt {

void CWindowHost::ShowMessage(const std::string& text, const std::string& caption,
                              zelt::MessageIcon icon) {
    wnd_.Model().ShowMessage(text, caption, icon);
}

void CWindowHost::RequestQuit(int exitCode) {
    wnd_.QuitWithoutSaving(exitCode);
}

BatteryFailChoice CWindowHost::AskBatteryFail(const BatteryFailTexts& texts) {
    CDlgBatteryFail dialog(texts, &wnd_);
    return ui_.Exec(dialog) == QDialog::Accepted ? BatteryFailChoice::Retry
                                                 : BatteryFailChoice::CloseUtility;
}

void CWindowHost::Post(int message) {
    PostNotify(&wnd_, message);
}

void CWindowHost::DisplayChanged(Display display, const std::string& text) {
    wnd_.Panel()->SetDisplay(display, Qs(text));
}

void CWindowHost::OperatingModeChanged() {
    wnd_.Panel()->ShowOperatingMode();
}

void CWindowHost::BatteryCaptionChanged(const std::string& caption) {
    wnd_.Panel()->SetBatteryCaption(Qs(caption));
}

void CWindowHost::FirmwarePaneChanged(const std::string& text) {
    wnd_.SetPaneText(ID_PANE_FIRMWARE, Qs(text));
}

void CWindowHost::SerialPaneChanged(const std::string& text) {
    wnd_.SetPaneText(ID_PANE_SERIAL, Qs(text));
}

void CWindowHost::TitleChanged(const std::string& title) {
    wnd_.setWindowTitle(Qs(title));
}

void CWindowHost::BeginWaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void CWindowHost::EndWaitCursor() {
    QApplication::restoreOverrideCursor();
}

void CWindowHost::CommitEditedFields() {
    wnd_.Panel()->CommitEditedFields();
}

void CWindowHost::CommitClockFields() {
    wnd_.Panel()->CommitClockFields();
}

void CWindowHost::CollectIntoRecord() {
    wnd_.CollectIntoRecord();
}

void CWindowHost::RefreshFromRecord() {
    wnd_.RefreshFromRecord();
}

void CWindowHost::InvalidateAllControls() {
    wnd_.Panel()->InvalidateAllControls();
}

void CWindowHost::ReadingsStale(bool stale, const TimeOfDay& lastGood) {
    wnd_.ShowReadingsStale(stale, lastGood);
}

bool CWindowHost::ChooseFile(FileDialogKind kind, std::string* fullPath) {
    QString chosen = Qs(*fullPath);  // the folder to start in
    if (!ui_.ChooseFile(&wnd_, kind, Qs(Pick(wnd_.App(), kCfgFileFilter)), &chosen)) {
        return false;
    }
    *fullPath = chosen.toStdString();
    return true;
}

bool CWindowHost::ChooseFileToOpen(std::string* fullPath) {
    return ChooseFile(FileDialogKind::Open, fullPath);
}

bool CWindowHost::ChooseFileToSave(std::string* fullPath) {
    return ChooseFile(FileDialogKind::Save, fullPath);
}

void CWindowHost::ShowMessage(const std::string& text, const std::string& caption,
                              ICfgFileUi::MessageIcon icon) {
    wnd_.Model().ShowMessage(text, caption,
                             icon == ICfgFileUi::MessageIcon::Information
                                 ? zelt::MessageIcon::Information
                                 : zelt::MessageIcon::Stop);
}

}  // namespace zelt

#include "win32app/WindowHost.h"

#include <windows.h>
// needs <windows.h> first
#include <commdlg.h>

#include "config/CfgCommands.h"
#include "models/MainWindowTexts.h"
#include "platform/win32/Wide.h"
#include "win32app/Dialogs.h"
#include "win32app/MainWnd.h"
#include "win32ui/panel/CWndMiscPara.h"

namespace zelt::win32 {

void CWindowHost::ShowMessage(const std::string& text, const std::string& caption,
                              zelt::MessageIcon icon) {
    wnd_.Model().ShowMessage(text, caption, icon);
}

void CWindowHost::RequestQuit(int exitCode) {
    wnd_.Model().QuitWithoutSaving(exitCode);
}

BatteryFailChoice CWindowHost::AskBatteryFail(const BatteryFailTexts& texts) {
    return AskBatteryFailDialog(wnd_.DialogOwner(), texts);
}

void CWindowHost::Post(int message) {
    PostMessageW(wnd_.Handle(), NotifyMessage(message), 0, 0);
}

void CWindowHost::DisplayChanged(Display display, const std::string& text) {
    wnd_.Panel()->SetDisplay(display, text);
}

void CWindowHost::OperatingModeChanged() {
    wnd_.Panel()->ShowOperatingMode();
}

void CWindowHost::BatteryCaptionChanged(const std::string& caption) {
    wnd_.Panel()->SetBatteryCaption(caption);
}

void CWindowHost::FirmwarePaneChanged(const std::string& text) {
    wnd_.SetPaneText(ID_PANE_FIRMWARE, text);
}

void CWindowHost::SerialPaneChanged(const std::string& text) {
    wnd_.SetPaneText(ID_PANE_SERIAL, text);
}

void CWindowHost::TitleChanged(const std::string& title) {
    wnd_.SetCaption(title);
}

void CWindowHost::BeginWaitCursor() {
    wnd_.BeginWaitCursor();
}

void CWindowHost::EndWaitCursor() {
    wnd_.EndWaitCursor();
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

// The common file dialog: no default extension, no initial name, the read-only box hidden,
// the .cfg filter, starting in the folder *fullPath names; no overwrite prompt on a save.
bool CWindowHost::ChooseFile(bool save, std::string* fullPath) {
    const std::string filterName = Pick(kCfgFileFilter, wnd_.App().english != 0);
    std::wstring filter = Wide(filterName);
    filter.push_back(L'\0');
    filter += L"*.cfg";
    filter.push_back(L'\0');
    const std::wstring folder = Wide(*fullPath);
    wchar_t chosen[MAX_PATH] = {};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = wnd_.DialogOwner();
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = folder.c_str();
    dialog.Flags = OFN_HIDEREADONLY | OFN_EXPLORER | OFN_NOCHANGEDIR |
                   (save ? OFN_PATHMUSTEXIST : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
    const BOOL ok = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (ok == FALSE) {
        return false;
    }
    *fullPath = Utf8(chosen, wcslen(chosen));
    return true;
}

bool CWindowHost::ChooseFileToOpen(std::string* fullPath) {
    return ChooseFile(false, fullPath);
}

bool CWindowHost::ChooseFileToSave(std::string* fullPath) {
    return ChooseFile(true, fullPath);
}

void CWindowHost::ShowMessage(const std::string& text, const std::string& caption,
                              ICfgFileUi::MessageIcon icon) {
    wnd_.Model().ShowMessage(text, caption,
                             icon == ICfgFileUi::MessageIcon::Information
                                 ? zelt::MessageIcon::Information
                                 : zelt::MessageIcon::Stop);
}

}  // namespace zelt::win32

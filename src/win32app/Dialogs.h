#pragma once
// The message dialogs of the Win32 window, from the .rc templates: About, Battery Fail, the
// exit question, the record check. Each sets its texts in the current language when it opens.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "config/MainApp.h"
#include "models/ControllerCommands.h"

namespace zelt {
struct ExitSaveActions;
}

namespace zelt::win32 {

void ShowAboutDialog(HWND owner, const CMainApp& app);

BatteryFailChoice AskBatteryFailDialog(HWND owner, const BatteryFailTexts& texts);

// "Exit & Save Confirm". False: stay (Cancel, or the chosen save failed and the edits would
// be lost; its own message has been shown).
bool ConfirmExitDialog(HWND owner, const CMainApp& app, const ExitSaveActions& actions);

// The record check's question; true: correct and send.
bool AskRecordCheckDialog(HWND owner, const std::vector<std::string>& problems, bool english);

// Sets a control's text from UTF-8.
void SetItemText(HWND dialog, int id, const std::string& text);
void SetCaptionText(HWND window, const std::string& text);
// Where a dialog opens: over its owner, not over the screen's middle.
void CenterOnOwner(HWND dialog);

// A modal dialog of the program's resources whose state rides in its user data from
// WM_INITDIALOG on (lParam: &state).
template <typename State>
State* StateOf(HWND dialog) {
    return reinterpret_cast<State*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

template <typename State>
INT_PTR RunDialog(HWND owner, int templateId, DLGPROC procedure, State& state) {
    return DialogBoxParamW(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE)),
                           MAKEINTRESOURCEW(templateId), owner, procedure,
                           reinterpret_cast<LPARAM>(&state));
}

}  // namespace zelt::win32

#include "win32app/Dialogs.h"

#include "base/Trace.h"
#include "platform/win32/Wide.h"
#include "win32app/resource.h"

namespace zelt::win32 {

namespace {

// The dialog's state rides in its user data from WM_INITDIALOG on.
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

template <typename State>
State* Attach(HWND dialog, LPARAM lParam) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    CenterOnOwner(dialog);
    return reinterpret_cast<State*>(lParam);
}

constexpr const char* kAboutVersion = "0.1";
constexpr const char* kAboutReleaseDate = "2026-12-06";

std::string AboutText(const CMainApp& app) {
    return StrF(
        "%s\n%s%s\n%s%s\n%s\n%s",
        app.Text("Tessaly Solar Controller Utility", "Tessaly 太陽能控制器工具程式"),
        app.Text("Version: ", "版本: "), kAboutVersion, app.Text("Released Date: ", "發行日: "),
        kAboutReleaseDate,
        app.Text("For Tessaly solar lighting controllers,", "適用於 Tessaly 太陽能照明控制器,"),
        app.Text("RS232 and RS485 at 19200 baud.", "RS232 與 RS485, 19200 鮑率."));
}

std::string ProblemLines(const std::vector<std::string>& problems) {
    std::string text;
    for (const std::string& line : problems) {
        text += "\n" + line;
    }
    return text;
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto& app = *Attach<const CMainApp>(dialog, lParam);
        SetCaptionText(dialog, StrF(app.Text("About %s", "關於 %s"), app.appTitle.c_str()));
        SetItemText(dialog, IDC_ABOUT_TEXT, AboutText(app));
        SetItemText(dialog, IDOK, app.Text("OK", "確定"));
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK BatteryFailProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto& texts = *Attach<const BatteryFailTexts>(dialog, lParam);
        SetCaptionText(dialog, texts.caption);
        SetItemText(dialog, IDC_MESSAGE_TEXT, texts.text);
        SetItemText(dialog, IDC_RETRY, texts.retryButton);
        SetItemText(dialog, IDC_CLOSE_UTILITY, texts.closeButton);
        return TRUE;
    }
    if (message == WM_COMMAND) {
        switch (LOWORD(wParam)) {
            case IDC_RETRY:
                EndDialog(dialog, IDOK);
                return TRUE;
            case IDC_CLOSE_UTILITY:
            case IDCANCEL:  // Escape and the close box close the utility too
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            default:
                break;
        }
    }
    return FALSE;
}

struct ExitState {
    const CMainApp& app;
    const ExitSaveActions& actions;
    bool saved = true;
};

INT_PTR CALLBACK ExitProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const ExitState& state = *Attach<ExitState>(dialog, lParam);
        const CMainApp& app = state.app;
        SetCaptionText(dialog, app.Text("Exit & Save Confirm", "確認結束與儲存"));
        SetItemText(dialog, IDC_MESSAGE_TEXT,
                    app.Text("You have modified configuration data and not to save, Are you sure "
                             "to save ?",
                             "您已經修改過參數卻未儲存, 請確定是否要儲存 ?"));
        const bool controllerSaved = app.savedToController == 1;
        const bool fileSaved = app.savedToFile == 1;
        const struct {
            int id;
            const char* english;
            const char* chinese;
            bool enabled;
        } buttons[] = {
            {IDC_SAVE_TO_CONTROLLER, "Yes, Save to Controller", "是的, 存到控制器",
             !controllerSaved},
            {IDC_SAVE_TO_FILE, "Yes, Save to File", "是的, 存到檔案", !fileSaved},
            {IDC_SAVE_BOTH, "Yes, Save Both", "是的, 兩者皆存", !controllerSaved && !fileSaved},
            {IDC_EXIT_NOW, "No, Exit Now", "不, 直接結束", true},
            {IDCANCEL, "Cancel", "取消", true},
        };
        for (const auto& button : buttons) {
            SetItemText(dialog, button.id, app.Text(button.english, button.chinese));
            EnableWindow(GetDlgItem(dialog, button.id), button.enabled ? TRUE : FALSE);
        }
        return TRUE;
    }
    if (message != WM_COMMAND) {
        return FALSE;
    }
    ExitState& state = *StateOf<ExitState>(dialog);
    const int id = LOWORD(wParam);
    switch (id) {
        case IDC_SAVE_TO_CONTROLLER:
            state.saved = state.actions.saveToController();
            break;
        case IDC_SAVE_TO_FILE:
            state.saved = state.actions.saveToFile();
            break;
        case IDC_SAVE_BOTH:
            state.saved = state.actions.saveToController();
            state.saved = state.actions.saveToFile() && state.saved;
            break;
        case IDC_EXIT_NOW:
            break;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
    EndDialog(dialog, IDOK);
    return TRUE;
}

struct RecordCheckState {
    const std::vector<std::string>& problems;
    bool english;
};

INT_PTR CALLBACK RecordCheckProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto& state = *Attach<const RecordCheckState>(dialog, lParam);
        const bool english = state.english;
        SetCaptionText(dialog, english ? "Error" : "錯誤");
        SetItemText(dialog, IDC_MESSAGE_TEXT,
                    (english ? "These values are outside the controller's limits; nothing has "
                               "been sent:\n"
                             : "以下數值超出控制器的範圍, 尚未傳送任何參數:\n") +
                        ProblemLines(state.problems) +
                        (english ? "\n\nCorrect them as the panel would and send?"
                                 : "\n\n依面板規則修正後傳送?"));
        SetItemText(dialog, IDOK, english ? "Correct and Send" : "修正並傳送");
        SetItemText(dialog, IDCANCEL, english ? "Cancel" : "取消");
        SetFocus(GetDlgItem(dialog, IDCANCEL));  // Enter sends nothing
        return FALSE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

void SetItemText(HWND dialog, int id, const std::string& text) {
    SetDlgItemTextW(dialog, id, Wide(text).c_str());
}

void SetCaptionText(HWND window, const std::string& text) {
    SetWindowTextW(window, Wide(text).c_str());
}

void CenterOnOwner(HWND dialog) {
    HWND owner = GetWindow(dialog, GW_OWNER);
    if (owner == nullptr) {
        return;
    }
    RECT ownerRect;
    RECT rect;
    GetWindowRect(owner, &ownerRect);
    GetWindowRect(dialog, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    SetWindowPos(dialog, nullptr, ownerRect.left + (ownerRect.right - ownerRect.left - width) / 2,
                 ownerRect.top + (ownerRect.bottom - ownerRect.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowAboutDialog(HWND owner, const CMainApp& app) {
    RunDialog(owner, IDD_ABOUT, AboutProc, app);
}

BatteryFailChoice AskBatteryFailDialog(HWND owner, const BatteryFailTexts& texts) {
    return RunDialog(owner, IDD_BATTERY_FAIL, BatteryFailProc, texts) == IDOK
               ? BatteryFailChoice::Retry
               : BatteryFailChoice::CloseUtility;
}

bool ConfirmExitDialog(HWND owner, const CMainApp& app, const ExitSaveActions& actions) {
    ExitState state{app, actions};
    if (RunDialog(owner, IDD_EXIT_CONFIRM, ExitProc, state) != IDOK) {
        return false;
    }
    return state.saved;
}

std::string RecordUncorrectedText(const std::vector<std::string>& problems, bool english) {
    return (english ? "These values could not be corrected; nothing has been sent:\n"
                    : "以下數值無法修正, 尚未傳送任何參數:\n") +
           ProblemLines(problems);
}

bool AskRecordCheckDialog(HWND owner, const std::vector<std::string>& problems, bool english) {
    RecordCheckState state{problems, english};
    return RunDialog(owner, IDD_RECORD_CHECK, RecordCheckProc, state) == IDOK;
}

}  // namespace zelt::win32

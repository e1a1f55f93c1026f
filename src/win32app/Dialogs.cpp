#include "win32app/Dialogs.h"

#include <optional>

#include "models/DialogTexts.h"
#include "models/ExitQuestion.h"
#include "platform/win32/Wide.h"
#include "win32app/resource.h"

namespace zelt::win32 {

namespace {

template <typename State>
State* Attach(HWND dialog, LPARAM lParam) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    CenterOnOwner(dialog);
    return reinterpret_cast<State*>(lParam);
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const AboutTexts texts = MakeAboutTexts(*Attach<const CMainApp>(dialog, lParam));
        SetCaptionText(dialog, texts.caption);
        SetItemText(dialog, IDC_ABOUT_TEXT, texts.text);
        SetItemText(dialog, IDOK, texts.ok);
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
    CExitQuestion question;
    const ExitSaveActions& actions;
};

INT_PTR CALLBACK ExitProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const CExitQuestion& question = Attach<ExitState>(dialog, lParam)->question;
        SetCaptionText(dialog, question.Caption());
        SetItemText(dialog, IDC_MESSAGE_TEXT, question.Text());
        for (const CExitQuestion::Button& button : question.Buttons()) {
            SetItemText(dialog, button.id, button.text);
            EnableWindow(GetDlgItem(dialog, button.id), button.enabled ? TRUE : FALSE);
            if (button.isDefault) {
                SendMessageW(dialog, DM_SETDEFID, button.id, 0);
            }
        }
        return TRUE;
    }
    if (message != WM_COMMAND) {
        return FALSE;
    }
    const int id = LOWORD(wParam);
    switch (id) {
        case IDC_SAVE_TO_CONTROLLER:
        case IDC_SAVE_TO_FILE:
        case IDC_SAVE_BOTH:
        case IDC_EXIT_NOW:
        case IDCANCEL: {
            ExitState& state = *StateOf<ExitState>(dialog);
            const auto greyChoices = [dialog] {
                for (const int button :
                     {IDC_SAVE_TO_CONTROLLER, IDC_SAVE_TO_FILE, IDC_SAVE_BOTH, IDC_EXIT_NOW}) {
                    EnableWindow(GetDlgItem(dialog, button), FALSE);
                }
            };
            switch (state.question.Pressed(id, state.actions, greyChoices)) {
                case CExitQuestion::Press::Ignored:
                    break;
                case CExitQuestion::Press::Stay:
                    EndDialog(dialog, IDCANCEL);
                    break;
                case CExitQuestion::Press::Leave:
                    EndDialog(dialog, IDOK);
                    break;
            }
            return TRUE;
        }
        default:
            return FALSE;
    }
}

struct RecordCheckState {
    const std::vector<std::string>& problems;
    bool english;
};

INT_PTR CALLBACK RecordCheckProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto& state = *Attach<const RecordCheckState>(dialog, lParam);
        const RecordCheckTexts texts = MakeRecordCheckTexts(state.problems, state.english);
        SetCaptionText(dialog, texts.caption);
        SetItemText(dialog, IDC_MESSAGE_TEXT, texts.text);
        SetItemText(dialog, IDOK, texts.correct);
        SetItemText(dialog, IDCANCEL, texts.cancel);
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
    ExitState state{CExitQuestion(app), actions};
    return RunDialog(owner, IDD_EXIT_CONFIRM, ExitProc, state) == IDOK;
}

bool AskRecordCheckDialog(HWND owner, const std::vector<std::string>& problems, bool english) {
    RecordCheckState state{problems, english};
    return RunDialog(owner, IDD_RECORD_CHECK, RecordCheckProc, state) == IDOK;
}

}  // namespace zelt::win32

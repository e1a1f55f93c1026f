#include "win32app/LinkDialogs.h"

#include <commctrl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Trace.h"
#include "link/BusScan.h"
#include "models/BusScanSession.h"
#include "models/DialogTexts.h"
#include "models/LinkDialogModel.h"
#include "platform/win32/Wide.h"
#include "policy/Finding.h"
#include "win32app/Dialogs.h"
#include "win32app/resource.h"

namespace zelt::win32 {

namespace {

constexpr UINT_PTR kSeekTimerId = 7;
constexpr UINT_PTR kBusScanTimerId = 8;
constexpr UINT WM_APP_PROBE = WM_APP + 10;  // wParam: port, lParam: RS485 ID (0: RS232)

template <typename State>
State& Attach(HWND dialog, LPARAM lParam) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    reinterpret_cast<State*>(lParam)->dialog = dialog;
    CenterOnOwner(dialog);
    return *reinterpret_cast<State*>(lParam);
}

HINSTANCE InstanceOf(HWND window) {
    return reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
}

// --- Seek --------------------------------------------------------------------------------

struct SeekState {
    CMainApp& app;
    CControllerCommands& commands;
    CComPort& port;
    CSeekWalk walk;
    HWND dialog = nullptr;
    HWND bright = nullptr;
    HWND dim = nullptr;
    unsigned blinkTicks = 0;
    bool cancelled = false;
    int foundPort = 0;

    SeekState(CMainApp& a, CControllerCommands& c, CComPort& p, CSeekPosition& position,
              std::function<void()> getParameters)
        : app(a),
          commands(c),
          port(p),
          walk(p, c.Link().Trace(), position,
               SeekActions{
                   [this] {
                       if (cancelled) {
                           return 0;
                       }
                       SetItemText(dialog, IDC_PROBE_LINE, SeekProbeText(app, port.PortNumber()));
                       const int answered = commands.GetStatus();
                       return cancelled ? 0 : answered;  // Cancel during the probe ends it
                   },
                   std::move(getParameters),
                   [this] { return commands.Values().batteryFailed != 0; },
               }) {}
};

// The two icon windows lie exactly over the template's icon place.
HWND IconWindow(HWND dialog, int id, int iconId, bool visible) {
    RECT place;
    GetWindowRect(GetDlgItem(dialog, IDC_SEEK_ICON), &place);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
    HWND icon = CreateWindowExW(
        0, L"Static", nullptr, WS_CHILD | SS_ICON | (visible ? WS_VISIBLE : 0), place.left,
        place.top, place.right - place.left, place.bottom - place.top, dialog,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), InstanceOf(dialog), nullptr);
    SendMessageW(icon, STM_SETICON,
                 reinterpret_cast<WPARAM>(LoadIconW(InstanceOf(dialog), MAKEINTRESOURCEW(iconId))),
                 0);
    return icon;
}

void EndSeek(SeekState& state, INT_PTR result) {
    KillTimer(state.dialog, kSeekTimerId);
    EndDialog(state.dialog, result);
}

INT_PTR CALLBACK SeekProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SeekState& state = Attach<SeekState>(dialog, lParam);
        state.bright = IconWindow(dialog, IDC_ICON_BRIGHT, IDI_SEEK_BRIGHT, true);
        state.dim = IconWindow(dialog, IDC_ICON_DIM, IDI_SEEK_DIM, false);
        const SeekTexts texts = MakeSeekTexts(state.app);
        SetCaptionText(dialog, texts.caption);
        SetItemText(dialog, IDC_SEEK_TEXT, texts.text);
        SetItemText(dialog, IDCANCEL, texts.cancel);
        SetTimer(dialog, kSeekTimerId, kSeekPeriodMs, nullptr);
        return TRUE;
    }
    SeekState* state = StateOf<SeekState>(dialog);
    if (state == nullptr) {
        return FALSE;
    }
    if (message == WM_TIMER && wParam == kSeekTimerId) {
        switch (state->walk.Step()) {
            case SeekStepResult::Busy:
                break;
            case SeekStepResult::Found:
                // Even when Cancel stopped "Get Parameters": the controller answered here.
                state->foundPort = state->walk.FoundPort();
                EndSeek(*state, IDOK);
                break;
            case SeekStepResult::Stopped:
                EndSeek(*state, IDCANCEL);
                break;
            case SeekStepResult::Continue: {
                const bool even = state->blinkTicks % 2 == 0;
                ShowWindow(state->dim, even ? SW_SHOW : SW_HIDE);
                ShowWindow(state->bright, even ? SW_HIDE : SW_SHOW);
                ++state->blinkTicks;
                break;
            }
        }
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        state->cancelled = true;
        state->commands.CancelExchange();
        EndSeek(*state, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

// --- Link ----------------------------------------------------------------------------------

struct LinkState {
    CMainApp& app;
    CComPort& port;
    CControllerCommands& commands;
    IControllerWindow& window;
    const LinkGetParameters& getParameters;
    CLinkDialogModel& model;
    HWND dialog = nullptr;
    bool detecting = false;
};

uint16_t ChosenMode(HWND dialog) {
    return IsDlgButtonChecked(dialog, IDC_RS232) == BST_CHECKED ? kCommModeRs232 : kCommModeRs485;
}

std::string IdField(HWND dialog) {
    wchar_t text[16] = {};
    GetDlgItemTextW(dialog, IDC_RS485_ID, text, 16);
    return Utf8(text, wcslen(text));
}

void SelectPortInList(const LinkState& state, int port) {
    SendDlgItemMessageW(state.dialog, IDC_PORT_LIST, CB_SETCURSEL,
                        static_cast<WPARAM>(state.model.ListIndexOfPort(port)), 0);
}

// While Auto Detect walks: everything but Cancel takes no input.
void SetDetecting(LinkState& state, bool detecting) {
    state.detecting = detecting;
    for (const int id : {IDC_RS232, IDC_RS485, IDC_PORT_LIST, IDC_AUTO_DETECT, IDOK}) {
        EnableWindow(GetDlgItem(state.dialog, id), detecting ? FALSE : TRUE);
    }
    const BOOL rs485 =
        !detecting && CLinkDialogModel::Rs485ControlsEnabled(ChosenMode(state.dialog));
    EnableWindow(GetDlgItem(state.dialog, IDC_RS485_ID), rs485);
    EnableWindow(GetDlgItem(state.dialog, IDC_SCAN_BUS), rs485);
}

void OnAutoDetect(LinkState& state) {
    const LinkAddress start =
        state.model.DetectStart(ChosenMode(state.dialog), IdField(state.dialog));
    CControllerLink& link = state.commands.Link();
    CAutoDetect detect(state.port, link.Clock(), link.Trace());
    // Told on the worker's thread: the probe line changes on the dialog's.
    HWND dialog = state.dialog;
    detect.SetProbeHook([dialog](int port, int rs485Id) {
        PostMessageW(dialog, WM_APP_PROBE, static_cast<WPARAM>(port), rs485Id);
    });
    DetectResult found;
    state.commands.ClearCancel();  // a Cancel of an earlier walk counts for that one only
    SetDetecting(state, true);
    state.commands.Exchange(
        [&] { found = detect.Run(state.model.Ports(), start, state.commands.CancelFlag()); });
    SetDetecting(state, false);
    SetItemText(state.dialog, IDC_PROBE_LINE, "");
    const std::optional<DetectVerdict> verdict =
        state.model.DetectEnded(found, state.commands.CancelRequested());
    if (!verdict) {
        return;  // the user stopped the walk: nothing to tell
    }
    state.window.ShowMessage(verdict->text, verdict->caption,
                             verdict->found ? MessageIcon::Information : MessageIcon::Stop);
    if (!verdict->found) {
        return;
    }
    if (state.getParameters) {
        SetDetecting(state, true);  // the Get, and its messages, take Cancel alone too
        state.getParameters(found.address);
        SetDetecting(state, false);
    }
    SelectPortInList(state, found.port);
    SetItemText(state.dialog, IDC_RS485_ID, std::to_string(state.app.rs485Id));
}

void OnScanBus(LinkState& state) {
    if (!state.model.CanScanBus()) {
        state.window.ShowMessage(NoPortForScanText(state.app),
                                 Pick(texts::kErrorCaption, state.app.english != 0),
                                 MessageIcon::Stop);
        return;
    }
    CControllerLink& link = state.commands.Link();
    const int id = RunBusScanDialog(state.dialog, state.app, state.port, link.Clock(), link.Trace(),
                                    state.model.selectedPort);
    if (id != 0) {
        SetItemText(state.dialog, IDC_RS485_ID, std::to_string(id));
    }
}

void InitLinkDialog(LinkState& state) {
    HWND dialog = state.dialog;
    const CMainApp& app = state.app;
    for (const std::string& entry : state.model.PortEntries()) {
        SendDlgItemMessageW(dialog, IDC_PORT_LIST, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(Wide(entry).c_str()));
    }
    SendDlgItemMessageW(dialog, IDC_PORT_LIST, CB_SETEXTENDEDUI, TRUE, 0);
    SelectPortInList(state, state.model.selectedPort);
    CheckRadioButton(dialog, IDC_RS232, IDC_RS485,
                     app.commMode == kCommModeRs232 ? IDC_RS232 : IDC_RS485);
    SetItemText(dialog, IDC_RS485_ID, std::to_string(app.rs485Id));
    SendDlgItemMessageW(dialog, IDC_RS485_ID, EM_LIMITTEXT, 3, 0);
    const LinkDialogTexts texts = MakeLinkDialogTexts(app);
    SetCaptionText(dialog, texts.caption);
    SetItemText(dialog, IDC_MODE_GROUP, texts.modeGroup);
    SetItemText(dialog, IDC_RS232, texts.rs232);
    SetItemText(dialog, IDC_RS485, texts.rs485);
    SetItemText(dialog, IDC_PORT_LABEL, texts.portLabel);
    SetItemText(dialog, IDC_HINT, texts.hint);
    SetItemText(dialog, IDC_AUTO_DETECT, texts.autoDetect);
    SetItemText(dialog, IDC_SCAN_BUS, texts.scanBus);
    SetItemText(dialog, IDC_RS485_ID_LABEL, texts.idLabel);
    SetItemText(dialog, IDOK, texts.ok);
    SetItemText(dialog, IDCANCEL, texts.cancel);
    SetDetecting(state, false);
}

bool AcceptLink(LinkState& state) {
    if (state.model.Accept(ChosenMode(state.dialog), IdField(state.dialog))) {
        return true;
    }
    state.window.ShowMessage(Rs485IdErrorText(state.app),
                             Pick(texts::kErrorCaption, state.app.english != 0), MessageIcon::Stop);
    SetFocus(GetDlgItem(state.dialog, IDC_RS485_ID));
    SendDlgItemMessageW(state.dialog, IDC_RS485_ID, EM_SETSEL, 0, -1);
    return false;
}

INT_PTR CALLBACK LinkProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        InitLinkDialog(Attach<LinkState>(dialog, lParam));
        return TRUE;
    }
    LinkState* state = StateOf<LinkState>(dialog);
    if (state == nullptr) {
        return FALSE;
    }
    if (message == WM_APP_PROBE) {
        SetItemText(
            dialog, IDC_PROBE_LINE,
            DetectProbeText(state->app, static_cast<int>(wParam), static_cast<int>(lParam)));
        return TRUE;
    }
    if (message != WM_COMMAND) {
        return FALSE;
    }
    switch (LOWORD(wParam)) {
        case IDC_PORT_LIST:
            if (HIWORD(wParam) == CBN_SELCHANGE) {
                state->model.SelectListIndex(static_cast<int>(
                    SendDlgItemMessageW(dialog, IDC_PORT_LIST, CB_GETCURSEL, 0, 0)));
            }
            return TRUE;
        case IDC_RS232:
        case IDC_RS485:
            SetDetecting(*state, false);
            return TRUE;
        case IDC_AUTO_DETECT:
            OnAutoDetect(*state);
            return TRUE;
        case IDC_SCAN_BUS:
            OnScanBus(*state);
            return TRUE;
        case IDOK:
            if (!state->detecting && AcceptLink(*state)) {
                EndDialog(dialog, IDOK);
            }
            return TRUE;
        case IDCANCEL:
            if (state->detecting) {
                state->commands.CancelExchange();  // the dialog stays: the walk ends first
            } else {
                EndDialog(dialog, IDCANCEL);
            }
            return TRUE;
        default:
            return FALSE;
    }
}

// --- Bus scan ------------------------------------------------------------------------------

struct BusScanState {
    const CMainApp& app;
    CBusScanSession& session;
    HWND dialog = nullptr;
    int chosenId = 0;
};

void ShowBusProgress(BusScanState& state) {
    const bool english = state.app.english != 0;
    SetItemText(state.dialog, IDC_BUS_PROGRESS, state.session.ProgressText(english));
}

void ChooseBusRow(BusScanState& state) {
    state.chosenId = state.session.IdOfRow(
        static_cast<int>(SendDlgItemMessageW(state.dialog, IDC_BUS_LIST, LB_GETCURSEL, 0, 0)));
    if (state.chosenId == 0) {
        return;
    }
    KillTimer(state.dialog, kBusScanTimerId);
    EndDialog(state.dialog, IDOK);
}

INT_PTR CALLBACK BusScanProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        BusScanState& state = Attach<BusScanState>(dialog, lParam);
        const BusScanTexts texts = MakeBusScanTexts(state.app);
        SetCaptionText(dialog, texts.caption);
        SetItemText(dialog, IDOK, texts.ok);
        SetItemText(dialog, IDCANCEL, texts.cancel);
        EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
        if (!state.session.Done()) {
            SetTimer(dialog, kBusScanTimerId, USER_TIMER_MINIMUM, nullptr);
        }
        ShowBusProgress(state);
        return TRUE;
    }
    BusScanState* state = StateOf<BusScanState>(dialog);
    if (state == nullptr) {
        return FALSE;
    }
    if (message == WM_TIMER && wParam == kBusScanTimerId) {
        // One ID per tick keeps the dialog responsive.
        if (auto controller = state->session.Step()) {
            SendDlgItemMessageW(
                dialog, IDC_BUS_LIST, LB_ADDSTRING, 0,
                reinterpret_cast<LPARAM>(Wide(BusScanRowText(state->app, *controller)).c_str()));
        }
        if (state->session.Done()) {
            KillTimer(dialog, kBusScanTimerId);
        }
        ShowBusProgress(*state);
        return TRUE;
    }
    if (message != WM_COMMAND) {
        return FALSE;
    }
    switch (LOWORD(wParam)) {
        case IDC_BUS_LIST:
            if (HIWORD(wParam) == LBN_SELCHANGE) {
                EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
            } else if (HIWORD(wParam) == LBN_DBLCLK) {
                ChooseBusRow(*state);
            }
            return TRUE;
        case IDOK:
            ChooseBusRow(*state);
            return TRUE;
        case IDCANCEL:
            KillTimer(dialog, kBusScanTimerId);
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

int RunSeekDialog(HWND owner, CMainApp& app, CControllerCommands& commands, CComPort& port,
                  CSeekPosition& position, const std::function<void()>& getParameters) {
    SeekState state(app, commands, port, position, getParameters);
    RunDialog(owner, IDD_SEEK, SeekProc, state);
    return state.foundPort;
}

uint16_t ShowLinkDialog(HWND owner, CMainApp& app, CComPort& port, CControllerCommands& commands,
                        IControllerWindow& window, const LinkGetParameters& getParameters) {
    // The list shows what exists now; the port stays closed until Auto Detect opens one.
    CPortTable ports;
    ports.Enumerate(port);
    CLinkDialogModel model(app, ports);
    LinkState state{app, port, commands, window, getParameters, model};
    const bool accepted = RunDialog(owner, IDD_LINK, LinkProc, state) == IDOK;
    return accepted ? model.selectedPort : 0;
}

int RunBusScanDialog(HWND owner, const CMainApp& app, CComPort& port, ITickClock& clock,
                     ITraceSink& trace, int portNumber) {
    CBusScanSession session(port, clock, trace, portNumber);
    BusScanState state{app, session};
    RunDialog(owner, IDD_BUS_SCAN, BusScanProc, state);
    return state.chosenId;
}

}  // namespace zelt::win32

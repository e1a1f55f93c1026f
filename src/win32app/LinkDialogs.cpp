#include "win32app/LinkDialogs.h"

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "base/Trace.h"
#include "link/BusScan.h"
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
                       SetItemText(dialog, IDC_PROBE_LINE,
                                   StrF(app.Text("Trying COM%d ...", "嘗試 COM%d 中 ..."),
                                        port.PortNumber()));
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
        SetCaptionText(dialog, state.app.Text("Seeking controller", "尋找控制器"));
        SetItemText(dialog, IDC_SEEK_TEXT,
                    state.app.Text("Seeking controller, please wait...", "尋找控制器, 請稍候..."));
        SetItemText(dialog, IDCANCEL, state.app.Text("Cancel", "取消"));
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
    CPortTable ports;
    HWND dialog = nullptr;
    int selectedPort = 0;
    bool detecting = false;
};

uint16_t ChosenMode(HWND dialog) {
    return IsDlgButtonChecked(dialog, IDC_RS232) == BST_CHECKED ? kCommModeRs232 : kCommModeRs485;
}

void SelectPortInList(HWND dialog, int port) {
    const std::wstring text = Wide(StrF("COM %d", port));
    SendDlgItemMessageW(dialog, IDC_PORT_LIST, CB_SETCURSEL,
                        static_cast<WPARAM>(SendDlgItemMessageW(
                            dialog, IDC_PORT_LIST, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>(text.c_str()))),
                        0);
}

constexpr int kLowestRs485Id = 1;
constexpr int kHighestRs485Id = 255;

// The ID field's value, 0 when it is not a whole number from 1 to 255.
int TypedId(HWND dialog) {
    BOOL number = FALSE;
    const UINT id = GetDlgItemInt(dialog, IDC_RS485_ID, &number, FALSE);
    return number && id >= kLowestRs485Id && id <= kHighestRs485Id ? static_cast<int>(id) : 0;
}

// While Auto Detect walks: everything but Cancel takes no input.
void SetDetecting(LinkState& state, bool detecting) {
    state.detecting = detecting;
    for (const int id : {IDC_RS232, IDC_RS485, IDC_PORT_LIST, IDC_AUTO_DETECT, IDOK}) {
        EnableWindow(GetDlgItem(state.dialog, id), detecting ? FALSE : TRUE);
    }
    const BOOL rs485 = !detecting && ChosenMode(state.dialog) == kCommModeRs485;
    EnableWindow(GetDlgItem(state.dialog, IDC_RS485_ID), rs485);
    EnableWindow(GetDlgItem(state.dialog, IDC_SCAN_BUS), rs485);
}

void OnAutoDetect(LinkState& state) {
    // The walk runs in the mode the radios show; the application takes that mode only with
    // OK. An ID typed for RS485 is the first one tried.
    LinkAddress start = LinkAddress::FromSettings(ChosenMode(state.dialog), state.app.rs485Id);
    if (start.framing == Framing::Rs485Binary && TypedId(state.dialog) != 0) {
        start.rs485Id = static_cast<uint8_t>(TypedId(state.dialog));
    }
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
        [&] { found = detect.Run(state.ports, start, state.commands.CancelFlag()); });
    SetDetecting(state, false);
    SetItemText(state.dialog, IDC_PROBE_LINE, "");
    if (found.port == 0 && state.commands.CancelRequested()) {
        return;  // the user stopped the walk: nothing to tell
    }
    const DetectVerdict verdict = JudgeDetect(found, state.app.english != 0);
    state.window.ShowMessage(verdict.text, verdict.caption,
                             verdict.found ? MessageIcon::Information : MessageIcon::Stop);
    if (!verdict.found) {
        return;
    }
    state.app.rs485Id = found.address.rs485Id;  // the ID the controller answers to stays
    if (state.getParameters) {
        state.getParameters(found.address);
    }
    state.selectedPort = found.port;
    SelectPortInList(state.dialog, found.port);
    SetItemText(state.dialog, IDC_RS485_ID, std::to_string(state.app.rs485Id));
}

void OnScanBus(LinkState& state) {
    if (!state.ports.Exists(state.selectedPort)) {
        state.window.ShowMessage(state.app.Text("Select a COM port first.", "請先選擇序列埠."),
                                 state.app.Text("Error", "錯誤"), MessageIcon::Stop);
        return;
    }
    CControllerLink& link = state.commands.Link();
    const int id = RunBusScanDialog(state.dialog, state.app, state.port, link.Clock(), link.Trace(),
                                    state.selectedPort);
    if (id != 0) {
        SetItemText(state.dialog, IDC_RS485_ID, std::to_string(id));
    }
}

void InitLinkDialog(LinkState& state) {
    HWND dialog = state.dialog;
    const CMainApp& app = state.app;
    for (const int n : state.ports.ExistingPorts()) {
        SendDlgItemMessageW(dialog, IDC_PORT_LIST, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(Wide(StrF("COM %d", n)).c_str()));
    }
    SendDlgItemMessageW(dialog, IDC_PORT_LIST, CB_SETEXTENDEDUI, TRUE, 0);
    state.selectedPort = app.comPort;
    SelectPortInList(dialog, app.comPort);
    CheckRadioButton(dialog, IDC_RS232, IDC_RS485,
                     app.commMode == kCommModeRs232 ? IDC_RS232 : IDC_RS485);
    SetItemText(dialog, IDC_RS485_ID, std::to_string(app.rs485Id));
    SendDlgItemMessageW(dialog, IDC_RS485_ID, EM_LIMITTEXT, 3, 0);
    SetCaptionText(dialog, app.Text("Link PC", "連結電腦"));
    SetItemText(dialog, IDC_MODE_GROUP, app.Text("Communication Mode", "通訊模式"));
    SetItemText(dialog, IDC_PORT_LABEL, app.Text("COM Port Selection:", "序列埠選擇:"));
    SetItemText(dialog, IDC_HINT,
                app.Text("Select your PC COM Port, or you may click \"Auto Detect\" to discover.",
                         "選擇您的電腦序列埠, 或是按\"自動偵測\" 來尋找."));
    SetItemText(dialog, IDC_AUTO_DETECT, app.Text("Auto Detect", "自動偵測"));
    SetItemText(dialog, IDC_SCAN_BUS, app.Text("Scan Bus", "掃描匯流排"));
    SetItemText(dialog, IDOK, app.Text("OK", "確定"));
    SetItemText(dialog, IDCANCEL, app.Text("Cancel", "取消"));
    SetDetecting(state, false);
}

bool AcceptLink(LinkState& state) {
    const uint16_t mode = ChosenMode(state.dialog);
    if (mode == kCommModeRs485) {
        const int id = TypedId(state.dialog);
        if (id == 0) {
            state.window.ShowMessage(
                state.app.Text("RS485 ID must be a whole number from 1 to 255.",
                               "RS485 ID 必須是 1 到 255 之間的整數."),
                state.app.Text("Error", "錯誤"), MessageIcon::Stop);
            SetFocus(GetDlgItem(state.dialog, IDC_RS485_ID));
            SendDlgItemMessageW(state.dialog, IDC_RS485_ID, EM_SETSEL, 0, -1);
            return false;
        }
        state.app.rs485Id = static_cast<uint16_t>(id);
    }
    state.app.commMode = mode;
    return true;
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
        const int port = static_cast<int>(wParam);
        const int id = static_cast<int>(lParam);
        SetItemText(dialog, IDC_PROBE_LINE,
                    id == 0 ? StrF(state->app.Text("Probing COM%d ...", "偵測 COM%d 中 ..."), port)
                            : StrF(state->app.Text("Probing COM%d, RS485 ID %d ...",
                                                   "偵測 COM%d, RS485 ID %d 中 ..."),
                                   port, id));
        return TRUE;
    }
    if (message != WM_COMMAND) {
        return FALSE;
    }
    switch (LOWORD(wParam)) {
        case IDC_PORT_LIST:
            if (HIWORD(wParam) == CBN_SELCHANGE) {
                state->selectedPort = state->ports.PortAtListIndex(static_cast<int>(
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
    std::unique_ptr<CBusScan> scan;
    std::unique_ptr<BusScanRun> run;
    HWND dialog = nullptr;
    int chosenId = 0;
};

void ShowBusProgress(BusScanState& state) {
    const bool english = state.app.english != 0;
    SetItemText(state.dialog, IDC_BUS_PROGRESS,
                state.run ? state.run->ProgressText(english) : BusScanRun::FoundText(0, english));
}

void ChooseBusRow(BusScanState& state) {
    const int row =
        static_cast<int>(SendDlgItemMessageW(state.dialog, IDC_BUS_LIST, LB_GETCURSEL, 0, 0));
    if (!state.run || row < 0 || row >= static_cast<int>(state.run->Found().size())) {
        return;
    }
    KillTimer(state.dialog, kBusScanTimerId);
    state.chosenId = state.run->Found()[static_cast<size_t>(row)].id;
    EndDialog(state.dialog, IDOK);
}

INT_PTR CALLBACK BusScanProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        BusScanState& state = Attach<BusScanState>(dialog, lParam);
        SetCaptionText(dialog, state.app.Text("Scan Bus", "掃描匯流排"));
        SetItemText(dialog, IDOK, state.app.Text("OK", "確定"));
        SetItemText(dialog, IDCANCEL, state.app.Text("Cancel", "取消"));
        EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
        if (state.run) {
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
        if (auto controller = state->run->Step()) {
            const std::string serial =
                controller->serialNumber.empty() ? "--" : controller->serialNumber;
            SendDlgItemMessageW(
                dialog, IDC_BUS_LIST, LB_ADDSTRING, 0,
                reinterpret_cast<LPARAM>(
                    Wide(StrF(state->app.Text("ID %d    S/N: %s", "ID %d    序號: %s"),
                              controller->id, serial.c_str()))
                        .c_str()));
        }
        if (state->run->Done()) {
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

int RunLinkDialog(HWND owner, CMainApp& app, CComPort& port, CControllerCommands& commands,
                  IControllerWindow& window, const LinkGetParameters& getParameters) {
    LinkState state{app, port, commands, window, getParameters, {}};
    // The list shows what exists now; the port stays closed until Auto Detect opens one.
    state.ports.Enumerate(port);
    return RunDialog(owner, IDD_LINK, LinkProc, state) == IDOK ? state.selectedPort : 0;
}

int RunBusScanDialog(HWND owner, const CMainApp& app, CComPort& port, ITickClock& clock,
                     ITraceSink& trace, int portNumber) {
    BusScanState state{app, nullptr, nullptr};
    port.Close();
    if (port.Open(portNumber, kDiscoveryBaudRate) != 0) {
        state.scan = std::make_unique<CBusScan>(port, clock, trace, kFirstBusId, kLastBusId);
        state.run = std::make_unique<BusScanRun>(*state.scan);
    }
    RunDialog(owner, IDD_BUS_SCAN, BusScanProc, state);
    port.Close();  // the link dialog keeps the port closed outside its own walks
    return state.chosenId;
}

}  // namespace zelt::win32

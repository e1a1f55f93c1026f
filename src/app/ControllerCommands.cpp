#include "app/ControllerCommands.h"

#include "ui/Notify.h"
#include "config/CfgCodes.h"
#include "config/CfgRecord.h"
#include "link/Telemetry.h"

namespace zelt {

namespace {

constexpr int kPollEvery = 5;  // ticks

constexpr Bilingual kResetCountFail{"Failed to reset charge count.", "清除充電次數失敗."};
constexpr Bilingual kFailCaption{"Fail", "失敗"};
constexpr Bilingual kSetRtcFail{"Set RTC Fail !", "設即時時鐘失敗 !"};
constexpr Bilingual kUpdateModeFail{"Failed to Update Operating Mode.", "讀取操作模式失敗."};

}  // namespace

CControllerCommands::CControllerCommands(CMainApp& app, ISerialPort& port, ITickClock& clock,
                                         ITraceSink& trace, IWallClock& wallClock,
                                         IControllerWindow& window)
    : app_(app),
      trace_(trace),
      wallClock_(wallClock),
      window_(window),
      link_(port, clock, trace, wallClock),
      mfgFolder_(ExecutableFolder()) {}

CControllerLink& CControllerCommands::Link() {
    link_.SetAddress(LinkAddress::FromSettings(app_.commMode, app_.rs485Id));
    return link_;
}

// ---------------------------------------------------------------- status

int CControllerCommands::GetStatus() {
    ControllerStatus status;
    if (Link().GetStatus(&status) == 0) {
        return 0;
    }
    ApplyStatus(status);
    return 1;
}

void CControllerCommands::ApplyStatus(const ControllerStatus& status) {
    panel_.statusByte = status.statusByte;
    panel_.firmwareLoadOn = status.loadOn ? 1 : 0;
    if (status.systemVoltage != app_.systemVoltage) {
        window_.Post(UWM_VOLTAGE_CHANGED);
    }
    app_.systemVoltage = status.systemVoltage;
    if (status.batteryFailed) {
        BatteryFailPath();
        return;
    }
    app_.appTitle = CMainApp::AppTitle(app_.english != 0);
    window_.TitleChanged(app_.appTitle);
    panel_.linkBusy = 0;
    panel_.batteryFailed = 0;
}

void CControllerCommands::BatteryFailPath() {
    panel_.linkBusy = 1;
    panel_.batteryFailed = 1;
    ClearTelemetryDisplays();
    if (window_.AskBatteryFail(MakeBatteryFailTexts(app_)) == BatteryFailChoice::Retry) {
        window_.Post(UWM_RETRY_STATUS);
    } else {
        window_.ExitNow(0);
    }
}

void CControllerCommands::ClearTelemetryDisplays() {
    for (Display d : {Display::BatteryVoltage, Display::BatteryCapacity, Display::ChargeCount,
                      Display::ChargeVoltage, Display::ChargeCurrent, Display::LoadVoltage,
                      Display::LoadCurrent}) {
        window_.DisplayChanged(d, "");
    }
}

void CControllerCommands::OnSystemVoltageChanged() {
    window_.BeginWaitCursor();
    trace_.Write("< VCC is changed >\n");
    UpdateBatteryCaption();
    window_.EndWaitCursor();
}

void CControllerCommands::UpdateBatteryCaption() {
    window_.BatteryCaptionChanged(BatteryCaption(app_));
}

void CControllerCommands::UpdateFirmwarePane() {
    window_.FirmwarePaneChanged(FirmwarePaneText(app_));
}

void CControllerCommands::ApplyIdentity(const FirmwareIdentity& identity) {
    app_.vendorId = identity.vendorId;
    app_.firmwareVersionText = identity.version;
    if (!identity.VendorAccepted()) {
        window_.ShowMessage(texts::kVendorIdError, texts::kVendorIdCaption, MessageIcon::Stop);
        window_.RequestQuit(0);
    }
}

void CControllerCommands::ShowOperatingMode() {
    const int mode = panel_.operatingModeCode;
    const int time = panel_.lightingTimeCode;
    window_.DisplayChanged(Display::OperatingMode,
                           mode >= 0 ? OperatingModeText(app_, static_cast<uint8_t>(mode)) : "");
    window_.DisplayChanged(Display::LightingTime,
                           time >= 0 ? LightingTimeText(app_, static_cast<uint8_t>(time)) : "");
    window_.LightingTimeVisible(mode == kOperatingModeManual);
}

TimeOfDay CControllerCommands::PcClock() const {
    const LocalTime now = wallClock_.Now();
    return TimeOfDay{now.hour, now.minute, now.second};
}

void CControllerCommands::NoteControllerClock(TimeOfDay time, TimeOfDay pc) {
    panel_.rtcRead = time;
    panel_.rtcReadAt = pc;
    panel_.rtcTime = time;
    panel_.rtcKnown = 1;
}

// ---------------------------------------------------------------- the sequences

void CControllerCommands::ShowSummary(const std::string& summary) {
    window_.ShowMessage(summary, Pick(app_, texts::kErrorCaption), MessageIcon::Stop);
    window_.InvalidateAllControls();
}

bool CControllerCommands::ReadAllParameters() {
    return ReadAllParameters(LinkAddress::FromSettings(app_.commMode, app_.rs485Id));
}

bool CControllerCommands::ReadAllParameters(const LinkAddress& at) {
    window_.BeginWaitCursor();
    window_.CollectIntoRecord();
    link_.SetAddress(at);
    const ReadAllResult read = ReadAll(link_, app_.config);

    if (read.identity) {
        ApplyIdentity(*read.identity);
    }
    if (read.status) {
        ApplyStatus(*read.status);
    }
    UpdateBatteryCaption();
    UpdateFirmwarePane();
    if (read.rtc) {
        NoteControllerClock(*read.rtc, read.rtcPcTime);
        // The one drift check: a clock just read against the PC clock of that moment.
        TraceF(trace_, "RTC sec=%d, PC sec=%d\n", read.rtc->second, read.rtcPcTime.second);
        if (ClockWorthCorrecting(*read.rtc, read.rtcPcTime, panel_.usePcTime == 1)) {
            SendClock();
        }
    }
    if (read.serialNumber) {
        app_.serialNumberText = *read.serialNumber;
        window_.SerialPaneChanged(SerialPaneText(app_));
    }
    if (read.switchMode) {
        panel_.operatingModeCode = read.switchMode->operatingModeCode;
        panel_.lightingTimeCode = read.switchMode->lightingTimeCode;
    }
    if (read.outcome.Succeeded(SequenceStep::SwitchMode)) {
        ShowOperatingMode();
    }
    app_.config = read.record;

    const std::string summary = read.outcome.Summary(app_.english != 0);
    if (!summary.empty()) {
        ShowSummary(summary);
    } else {
        app_.savedToController = 1;
    }
    window_.RefreshFromRecord();
    window_.EndWaitCursor();
    return summary.empty();
}

bool CControllerCommands::WriteAllParameters(const PrepareToSend& prepare) {
    window_.BeginWaitCursor();
    window_.CommitEditedFields();
    window_.CollectIntoRecord();
    const std::optional<ControllerStatus> status = WriteAllStatus(Link());
    if (!status) {
        window_.ShowMessage(Pick(app_, texts::kOperationFault), Pick(app_, texts::kErrorCaption),
                            MessageIcon::Stop);
        window_.InvalidateAllControls();
        window_.EndWaitCursor();
        return false;
    }
    ApplyStatus(*status);
    if (!prepare(app_.config)) {
        window_.EndWaitCursor();
        return false;
    }
    window_.CommitClockFields();
    const WriteAllResult written =
        WriteAll(link_, app_.config, ClockToSend{panel_.usePcTime == 1, panel_.userTime});
    app_.config = written.sent;
    if (written.rtcSent) {
        NoteControllerClock(*written.rtcSent, *written.rtcSent);
    }

    const std::string summary = written.outcome.Summary(app_.english != 0);
    if (!summary.empty()) {
        ShowSummary(summary);
    } else {
        app_.savedToController = 1;
    }
    window_.EndWaitCursor();
    return summary.empty();
}

void CControllerCommands::ResetToDefault() {
    ResetHooks hooks;
    hooks.settleSystemVoltage = [this] {
        GetStatus();
        UpdateBatteryCaption();
    };
    hooks.refresh = [this] { window_.RefreshFromRecord(); };
    zelt::ResetToDefault(app_, hooks);
}

// ---------------------------------------------------------------- the panel timer

bool CControllerCommands::OnPanelTimer() {
    if (panel_.linkBusy != 0) {
        return false;
    }
    const LocalTime now = wallClock_.Now();
    panel_.pcTime = TimeOfDay{now.hour, now.minute, now.second};
    window_.DisplayChanged(Display::PcClock, ClockText(panel_.pcTime));

    if (panel_.rtcKnown != 0) {
        panel_.rtcTime = CarriedForward(panel_.rtcRead, panel_.rtcReadAt, panel_.pcTime);
        window_.DisplayChanged(Display::ControllerClock, ClockText(panel_.rtcTime));
    }

    if (++panel_.pollTicks < kPollEvery) {
        return false;
    }
    trace_.Write(std::string(41, '-') + "\n");
    GetStatus();
    if (panel_.linkBusy == 0) {
        PollLiveReadings();
    }
    panel_.pollTicks = 0;
    return true;
}

void CControllerCommands::PollLiveReadings() {
    const CurrentDivisors divisors = ReadCurrentDivisors(mfgFolder_);
    app_.chargeCurrentDivisor = divisors.charge;
    app_.loadCurrentDivisor = divisors.load;

    if (app_.systemVoltage == 0) {
        GetStatus();
        UpdateBatteryCaption();
    }
    CControllerLink& link = Link();
    float value = 0;
    if (link.GetBatteryVoltage(&value) != 0) {
        panel_.batteryVoltage = value;
        panel_.batteryCapacity = StateOfCharge(value, app_.systemVoltage);
        window_.DisplayChanged(Display::BatteryVoltage, VoltsText(value));
        window_.DisplayChanged(Display::BatteryCapacity, PercentText(panel_.batteryCapacity));
        if (IsOverVoltage(value, app_.systemVoltage)) {
            panel_.linkBusy = 1;
            panel_.batteryFailed = 1;
            window_.ShowMessage(Pick(app_, texts::kOverVoltage),
                                Pick(app_, texts::kPowerFailCaption), MessageIcon::Stop);
            window_.RequestQuit(0);
        }
    }
    if (link.GetChargeVoltage(&value) != 0) {
        panel_.chargeVoltage = value;
        window_.DisplayChanged(Display::ChargeVoltage, VoltsText(value));
    }
    if (link.GetChargeCurrent(app_.chargeCurrentDivisor, &value) != 0) {
        panel_.chargeCurrent = value;
        window_.DisplayChanged(Display::ChargeCurrent, AmpsText(value));
    }
    if (link.GetLoadVoltage(&value) != 0) {
        panel_.loadVoltage = value;
        window_.DisplayChanged(Display::LoadVoltage, VoltsText(value));
    }
    if (link.GetLoadCurrent(app_.loadCurrentDivisor, &value) != 0) {
        panel_.loadCurrent =
            static_cast<float>(LoadCurrentShown(value, panel_.firmwareLoadOn != 0));
        window_.DisplayChanged(Display::LoadCurrent, AmpsText(panel_.loadCurrent));
    }
    int count = 0;
    if (link.GetChargeCount(&count) != 0) {
        panel_.chargeCount = count;
        window_.DisplayChanged(Display::ChargeCount, StrF("%d", count));
    }
}

// ---------------------------------------------------------------- the panel's buttons

int CControllerCommands::SendClock() {
    window_.BeginWaitCursor();
    window_.CommitClockFields();
    TimeOfDay sent;
    const int ok = Link().SetRtc(ClockToSend{panel_.usePcTime == 1, panel_.userTime}, &sent);
    if (ok != 0) {
        NoteControllerClock(sent, panel_.usePcTime == 1 ? sent : PcClock());
        if (panel_.usePcTime == 1) {
            panel_.pcTime = sent;
        }
    }
    window_.EndWaitCursor();
    return ok;
}

void CControllerCommands::SetRtc() {
    if (SendClock() == 0) {
        window_.ShowMessage(Pick(app_, kSetRtcFail), Pick(app_, texts::kErrorCaption),
                            MessageIcon::Stop);
    }
}

void CControllerCommands::ResetChargeCount() {
    if (Link().ResetChargeCount() == 0) {
        window_.ShowMessage(Pick(app_, kResetCountFail), Pick(app_, kFailCaption),
                            MessageIcon::Stop);
        return;
    }
    panel_.chargeCount = 0;
    window_.DisplayChanged(Display::ChargeCount, "0");
}

void CControllerCommands::UpdateOperatingMode() {
    std::optional<SwitchMode> mode;
    int ok = 0;
    for (int attempt = 0; attempt < 2 && ok == 0; ++attempt) {
        ok = Link().GetSwitchMode(&mode);
    }
    if (ok == 0) {
        window_.ShowMessage(Pick(app_, kUpdateModeFail), Pick(app_, texts::kErrorCaption),
                            MessageIcon::Stop);
        return;
    }
    if (mode) {
        panel_.operatingModeCode = mode->operatingModeCode;
        panel_.lightingTimeCode = mode->lightingTimeCode;
    }
    ShowOperatingMode();
}

}  // namespace zelt

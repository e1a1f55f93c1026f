#include "app/ControllerCommands.h"

#include "config/CfgCodes.h"
#include "config/CfgRecord.h"
#include "link/Telemetry.h"
#include "panel/ReadState.h"
#include "ui/Notify.h"

namespace zelt {

namespace {

constexpr Bilingual kResetCountFail{"Failed to reset charge count.", "清除充電次數失敗."};
constexpr Bilingual kFailCaption{"Fail", "失敗"};
constexpr Bilingual kSetRtcFail{"Set RTC Fail !", "設即時時鐘失敗 !"};
constexpr Bilingual kUpdateModeFail{"Failed to Update Operating Mode.", "讀取操作模式失敗."};
constexpr Bilingual kSetCancelled{"Set Parameters was cancelled. Written to the controller:\n",
                                  "設定參數已取消. 已寫入控制器:\n"};
constexpr Bilingual kCancelledCaption{"Cancelled", "已取消"};

}  // namespace

CControllerCommands::CControllerCommands(CMainApp& app, ISerialPort& port, ITickClock& clock,
                                         ITraceSink& trace, IWallClock& wallClock,
                                         IControllerWindow& window)
    : app_(app),
      trace_(trace),
      wallClock_(wallClock),
      window_(window),
      link_(port, clock, trace, wallClock) {}

void CControllerCommands::SetExchangeRunner(ExchangeRunner runner, std::atomic<bool>* cancel) {
    runner_ = std::move(runner);
    cancel_ = cancel;
    link_.SetCancelFlag(cancel);
}

bool CControllerCommands::Exchange(const std::function<void()>& exchange) {
    if (runner_) {
        return runner_(exchange);
    }
    exchange();
    return true;
}

CControllerLink& CControllerCommands::Link() {
    link_.SetAddress(LinkAddress::FromSettings(app_.commMode, app_.rs485Id));
    return link_;
}

// ---------------------------------------------------------------- status

int CControllerCommands::GetStatus() {
    ControllerStatus status;
    int ok = 0;
    CControllerLink& link = Link();
    Exchange([&] { ok = link.GetStatus(&status); });
    if (ok == 0) {
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
        window_.RequestQuit(0);
    }
}

void CControllerCommands::ClearTelemetryDisplays() {
    panel_.chargeCount.reset();
    panel_.batteryVoltage.reset();
    panel_.batteryCapacity.reset();
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
        window_.ShowMessage(Pick(app_, texts::kVendorIdError), Pick(app_, texts::kErrorCaption),
                            MessageIcon::Stop);
        window_.RequestQuit(0);
    }
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
    window_.DisplayChanged(Display::ControllerClock, ClockText(time));  // not a tick later
}

// ---------------------------------------------------------------- the sequences

bool CControllerCommands::Conclude(const SequenceOutcome& outcome) {
    const std::string summary = outcome.Summary(app_.english != 0);
    if (summary.empty()) {
        app_.savedToController = 1;
        return true;
    }
    window_.ShowMessage(summary, Pick(app_, texts::kErrorCaption), MessageIcon::Stop);
    window_.InvalidateAllControls();
    return false;
}

bool CControllerCommands::ReadAllParameters() {
    return ReadAllParameters(Link().Address());
}

bool CControllerCommands::ReadAllParameters(const LinkAddress& at) {
    window_.BeginWaitCursor();
    window_.CollectIntoRecord();
    link_.SetAddress(at);
    const CCfgDocument shown = app_.config;
    ReadAllResult read;
    if (!Exchange([&] { read = ReadAll(link_, shown); }) || read.outcome.cancelled) {
        // Nothing read is taken: the window keeps what it showed.
        window_.EndWaitCursor();
        return false;
    }

    // The panes show the controller at this address or nothing: a failed read clears them.
    if (read.identity) {
        ApplyIdentity(*read.identity);
    } else {
        app_.firmwareVersionText.clear();
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
    app_.serialNumberText = read.serialNumber.value_or("");
    window_.SerialPaneChanged(SerialPaneText(app_));
    if (read.switchMode) {
        panel_.operatingModeCode = read.switchMode->operatingModeCode;
        panel_.lightingTimeCode = read.switchMode->lightingTimeCode;
    }
    if (read.outcome.Succeeded(SequenceStep::SwitchMode)) {
        window_.OperatingModeChanged();
    }
    app_.config = read.record;
    NoteReadOutcome(read.outcome, panel_);

    const bool complete = Conclude(read.outcome);
    window_.RefreshFromRecord();
    window_.EndWaitCursor();
    return complete;
}

bool CControllerCommands::WriteAllParameters(const PrepareToSend& prepare) {
    window_.BeginWaitCursor();
    window_.CommitEditedFields();
    window_.CollectIntoRecord();
    std::optional<ControllerStatus> status;
    CControllerLink& link = Link();
    Exchange([&] { status = WriteAllStatus(link); });
    if (CancelRequested()) {
        window_.ShowMessage(Pick(app_, kSetCancelled), Pick(app_, kCancelledCaption),
                            MessageIcon::Information);
        window_.EndWaitCursor();
        return false;
    }
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
    const CCfgDocument ready = app_.config;
    const ClockToSend clock{panel_.usePcTime == 1, panel_.userTime};
    WriteAllResult written;
    Exchange([&] { written = WriteAll(link_, ready, clock); });
    app_.config = written.sent;
    if (written.outcome.cancelled) {
        // Some items went out, some not: the controller holds a mix, so nothing is "saved".
        window_.ShowMessage(
            Pick(app_, kSetCancelled) +
                WrittenItemsText(written.outcome, link_.Framing(), app_.english != 0),
            Pick(app_, kCancelledCaption), MessageIcon::Information);
        window_.EndWaitCursor();
        return false;
    }
    if (written.rtcSent) {
        NoteControllerClock(*written.rtcSent, *written.rtcSent);
    }

    const bool complete = Conclude(written.outcome);
    window_.EndWaitCursor();
    return complete;
}

void CControllerCommands::ResetToDefault() {
    ResetHooks hooks;
    hooks.settleSystemVoltage = [this] {
        GetStatus();
        UpdateBatteryCaption();
    };
    hooks.refresh = [this] {
        panel_.unread.clear();  // the user chose these values
        window_.RefreshFromRecord();
    };
    zelt::ResetToDefault(app_, hooks);
}

// ---------------------------------------------------------------- the panel timer

bool CControllerCommands::TickClocks() {
    panel_.pcTime = PcClock();
    window_.DisplayChanged(Display::PcClock, ClockText(panel_.pcTime));
    if (panel_.rtcKnown != 0) {
        panel_.rtcTime = CarriedForward(panel_.rtcRead, panel_.rtcReadAt, panel_.pcTime);
        window_.DisplayChanged(Display::ControllerClock, ClockText(panel_.rtcTime));
    }
    return ++panel_.pollTicks >= kPollEveryTicks;
}

void CControllerCommands::Poll() {
    panel_.pollTicks = 0;
    trace_.Write(std::string(41, '-').append("\n"));
    const PollStart start{app_.systemVoltage, panel_.firmwareLoadOn != 0};
    LiveReadings r;
    CControllerLink& link = Link();
    Exchange([&] { r = PollController(link, start); });
    if (r.status) {
        ApplyStatus(*r.status);
    }
    if (r.batteryFailed) {
        return;  // the readings wait for the next good status
    }
    ApplyReadings(r);
}

void CControllerCommands::PollMissed() {
    ShowFreshness(freshness_.PollMissed(panel_.pollTicks - kPollEveryTicks));
}

void CControllerCommands::ShowFreshness(const std::optional<ReadingsFreshness::Change>& change) {
    if (change) {
        window_.ReadingsStale(change->stale, change->lastGood);
    }
}

void CControllerCommands::ApplyReadings(const LiveReadings& r) {
    app_.chargeCurrentDivisor = r.divisors.charge;
    app_.loadCurrentDivisor = r.divisors.load;
    // Without any answer the fields keep the last readings, greyed from the second such poll.
    ShowFreshness(freshness_.PollEnded(r.AnyRead(), panel_.pcTime));
    if (!r.AnyRead()) {
        return;
    }
    // The controller answers, but a reading that failed is not known now: blank, not the
    // last one nor a zero.
    panel_.batteryVoltage = r.batteryVoltage;
    panel_.batteryCapacity = r.stateOfCharge;
    panel_.chargeCount = r.chargeCount;
    window_.DisplayChanged(Display::BatteryVoltage,
                           r.batteryVoltage ? VoltsText(*r.batteryVoltage) : "");
    window_.DisplayChanged(Display::BatteryCapacity,
                           r.stateOfCharge ? PercentText(*r.stateOfCharge) : "");
    struct Shown {
        const std::optional<float>& reading;
        float& value;
        Display display;
        std::string (*text)(double);
    };
    for (const Shown& s :
         {Shown{r.chargeVoltage, panel_.chargeVoltage, Display::ChargeVoltage, VoltsText},
          Shown{r.chargeCurrent, panel_.chargeCurrent, Display::ChargeCurrent, AmpsText},
          Shown{r.loadVoltage, panel_.loadVoltage, Display::LoadVoltage, VoltsText},
          Shown{r.loadCurrent, panel_.loadCurrent, Display::LoadCurrent, AmpsText}}) {
        if (s.reading) {
            s.value = *s.reading;
        }
        window_.DisplayChanged(s.display, s.reading ? s.text(*s.reading) : "");
    }
    window_.DisplayChanged(Display::ChargeCount, r.chargeCount ? StrF("%d", *r.chargeCount) : "");
    if (r.overVoltage) {
        panel_.linkBusy = 1;
        panel_.batteryFailed = 1;
        window_.ShowMessage(Pick(app_, texts::kOverVoltage), Pick(app_, texts::kPowerFailCaption),
                            MessageIcon::Stop);
        window_.RequestQuit(0);
    }
}

// ---------------------------------------------------------------- the panel's buttons

int CControllerCommands::SendClock() {
    window_.BeginWaitCursor();
    window_.CommitClockFields();
    TimeOfDay sent;
    const ClockToSend clock{panel_.usePcTime == 1, panel_.userTime};
    int ok = 0;
    CControllerLink& link = Link();
    Exchange([&] { ok = link.SetRtc(clock, &sent); });
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
    int ok = 0;
    CControllerLink& link = Link();
    Exchange([&] { ok = link.ResetChargeCount(); });
    if (ok == 0) {
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
    CControllerLink& link = Link();
    Exchange([&] {
        for (int attempt = 0; attempt < 2 && ok == 0; ++attempt) {
            ok = link.GetSwitchMode(&mode);
        }
    });
    if (ok == 0) {
        window_.ShowMessage(Pick(app_, kUpdateModeFail), Pick(app_, texts::kErrorCaption),
                            MessageIcon::Stop);
        return;
    }
    if (mode) {
        panel_.operatingModeCode = mode->operatingModeCode;
        panel_.lightingTimeCode = mode->lightingTimeCode;
    }
    window_.OperatingModeChanged();
}

}  // namespace zelt

#include "models/ControllerCommands.h"

#include "config/CfgCodes.h"
#include "config/CfgRecord.h"
#include "link/Telemetry.h"
#include "models/NotifyIds.h"
#include "panel/ReadState.h"

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

void CControllerCommands::ApplyIdentity(const StateVerdict& verdict) {
    if (!verdict.identity) {
        app_.firmwareVersionText.clear();
        return;
    }
    app_.vendorId = verdict.identity->vendorId;
    app_.firmwareVersionText = verdict.identity->version;
    if (verdict.vendorRefused) {
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

ExchangeRunner CControllerCommands::Runner() {
    return [this](const std::function<void()>& exchange) { return Exchange(exchange); };
}

bool CControllerCommands::Conclude(const std::string& summary) {
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
    const GetVerdict v = GetParameters(
        link_, Runner(), GetRequest{app_.config, app_.systemVoltage, panel_.usePcTime == 1});
    if (!v.ran) {
        // Nothing read is taken: the window keeps what it showed.
        window_.EndWaitCursor();
        return false;
    }

    // The panes show the controller at this address or nothing: a failed read clears them.
    ApplyIdentity(v);
    if (v.status) {
        ApplyStatus(*v.status);
    }
    UpdateBatteryCaption();
    UpdateFirmwarePane();
    if (v.read.rtc) {
        NoteControllerClock(*v.read.rtc, v.read.rtcPcTime);
    }
    if (v.clockSent) {
        NoteControllerClock(*v.clockSent, *v.clockSent);
        panel_.pcTime = *v.clockSent;
    }
    app_.serialNumberText = v.read.serialNumber.value_or("");
    window_.SerialPaneChanged(SerialPaneText(app_));
    if (v.mode) {
        panel_.operatingModeCode = v.mode->operatingModeCode;
        panel_.lightingTimeCode = v.mode->lightingTimeCode;
        window_.OperatingModeChanged();
    }
    app_.config = v.read.record;
    NoteReadOutcome(v.read.outcome, panel_);

    const bool complete = Conclude(v.Summary(app_.english != 0));
    window_.RefreshFromRecord();
    window_.EndWaitCursor();
    return complete;
}

namespace {

// The window's answers to "Set Parameters": its questions, and the clock fields taken just
// before the writes.
class WindowSetHost : public ISetHost {
  public:
    WindowSetHost(ISetHost& questions, const std::function<ClockToSend()>& clock)
        : questions_(questions), clock_(clock) {}
    bool AllowUnreadValues() override { return questions_.AllowUnreadValues(); }
    void RecordChanged(const CCfgDocument& record) override { questions_.RecordChanged(record); }
    bool CorrectAndSend(const std::vector<std::string>& problems) override {
        return questions_.CorrectAndSend(problems);
    }
    ClockToSend ClockForWrite() override { return clock_(); }

  private:
    ISetHost& questions_;
    std::function<ClockToSend()> clock_;
};

}  // namespace

SetVerdict CControllerCommands::WriteAllParameters(ISetHost& questions) {
    window_.BeginWaitCursor();
    window_.CommitEditedFields();
    window_.CollectIntoRecord();
    WindowSetHost host(questions, [this] {
        window_.CommitClockFields();
        return ClockToSend{panel_.usePcTime == 1, panel_.userTime};
    });
    CControllerLink& link = Link();
    const bool english = app_.english != 0;
    const SetVerdict v =
        SetParameters(link, Runner(), host, SetRequest{app_.config, app_.systemVoltage, english});
    if (v.identity) {
        ApplyIdentity(v);
    }
    if (v.status) {
        ApplyStatus(*v.status);
    }
    if (v.stage == SetVerdict::Stage::NotRun && CancelRequested()) {
        window_.ShowMessage(Pick(app_, kSetCancelled), Pick(app_, kCancelledCaption),
                            MessageIcon::Information);
    } else if (v.stage == SetVerdict::Stage::NoAnswer) {
        window_.ShowMessage(Pick(app_, texts::kOperationFault), Pick(app_, texts::kErrorCaption),
                            MessageIcon::Stop);
        window_.InvalidateAllControls();
    } else if (v.stage == SetVerdict::Stage::Written) {
        app_.config = v.written.sent;
        if (v.Cancelled()) {
            // Some items went out, some not: the controller holds a mix, so nothing is "saved".
            window_.ShowMessage(Pick(app_, kSetCancelled) +
                                    WrittenItemsText(v.written.outcome, link_.Framing(), english),
                                Pick(app_, kCancelledCaption), MessageIcon::Information);
        } else {
            if (v.written.rtcSent) {
                NoteControllerClock(*v.written.rtcSent, *v.written.rtcSent);
            }
            Conclude(v.Summary(english));
        }
    }
    window_.EndWaitCursor();
    return v;
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
    const ClockToSend clock{panel_.usePcTime == 1, panel_.userTime};
    const std::optional<TimeOfDay> sent = SetClock(Link(), Runner(), clock);
    if (sent) {
        NoteControllerClock(*sent, panel_.usePcTime == 1 ? *sent : PcClock());
        if (panel_.usePcTime == 1) {
            panel_.pcTime = *sent;
        }
    }
    window_.EndWaitCursor();
    return sent ? 1 : 0;
}

void CControllerCommands::SetRtc() {
    if (SendClock() == 0) {
        window_.ShowMessage(Pick(app_, kSetRtcFail), Pick(app_, texts::kErrorCaption),
                            MessageIcon::Stop);
    }
}

void CControllerCommands::ResetChargeCount() {
    if (!zelt::ResetChargeCount(Link(), Runner())) {
        window_.ShowMessage(Pick(app_, kResetCountFail), Pick(app_, kFailCaption),
                            MessageIcon::Stop);
        return;
    }
    panel_.chargeCount = 0;
    window_.DisplayChanged(Display::ChargeCount, "0");
}

void CControllerCommands::UpdateOperatingMode() {
    const ModeVerdict v = ReadOperatingMode(Link(), Runner());
    if (v.status) {
        ApplyStatus(*v.status);
    }
    if (!v.mode) {
        window_.ShowMessage(Pick(app_, kUpdateModeFail), Pick(app_, texts::kErrorCaption),
                            MessageIcon::Stop);
        return;
    }
    panel_.operatingModeCode = v.mode->operatingModeCode;
    panel_.lightingTimeCode = v.mode->lightingTimeCode;
    window_.OperatingModeChanged();
}

}  // namespace zelt

#include "link/ControllerLink.h"

#include <array>

#include "link/CommandCatalogue.h"
#include "link/LinkTexts.h"
#include "link/Telemetry.h"

namespace zelt {

namespace {

using ReplyBuffer = std::array<uint8_t, kLiveReplyBufferSize>;

std::string ClockText(const ClockTime& t) {
    return StrF("%02d : %02d : %02d", t.hour, t.minute, t.second);
}

}  // namespace

// The one request core: every command of the catalogue runs through here, in the framing that
// app.commMode selects.
class CommandRunner {
  public:
    explicit CommandRunner(CControllerLink& link) : link_(link) {}

    // Runs the read of cmd for index. 1 with the reply in reply_, 0 on failure; kNoForm when the
    // command has no form in RS485 mode (nothing was sent).
    static constexpr int kNoForm = 2;
    int Read(const ReadCommand& cmd, int index) { return Settled(ReadOnce(cmd, index)); }

    // A read whose table row carries its decode step.
    int ReadAndDecode(const ReadCommand& cmd, int index) {
        const int result = ReadOnce(cmd, index);
        if (result == kNoForm) {
            return 1;
        }
        if (result == 0) {
            return Settled(0);
        }
        return Settled(cmd.decode(link_, Block(), index));
    }

    int Write(const WriteCommand& cmd, int index, const WriteFrame& frame) {
        return Settled(WriteOnce(cmd, index, frame));
    }

    int EncodeAndWrite(const WriteCommand& cmd, int index) {
        return Write(cmd, index, cmd.encode(link_, index));
    }

    RegisterBlock Block() const { return RegisterBlock(link_.Rs232(), reply_.data()); }

  private:
    static constexpr int kWriteTimeout = 140;

    int ReadOnce(const ReadCommand& cmd, int index) {
        const bool rs232 = Prepare(cmd.replySize);
        const std::string name = CommandName(cmd.name232, cmd.name485, rs232, index);
        if (rs232) {
            const std::string request =
                cmd.request232 != nullptr
                    ? std::string(cmd.request232)
                    : StrF("G%02X%02X\r", cmd.address232 + cmd.stride * index, cmd.count232);
            return AsciiReadTransaction(link_.io_, request.c_str(),
                                        static_cast<int>(request.size()), cmd.minLength,
                                        cmd.timeout232, TraceName{name, cmd.timeoutSuffix},
                                        reply_.data(), cmd.replySize, cmd.asciiReply);
        }
        if (cmd.count485 == 0) {
            return kNoForm;
        }
        const int address = cmd.address485 + cmd.stride * index;
        return Rs485Transaction(link_.io_, DeviceId(), 4, static_cast<uint8_t>(address >> 8),
                                static_cast<uint8_t>(address & 0xFF),
                                static_cast<uint8_t>(cmd.count485), nullptr, reply_.data(),
                                cmd.replySize, cmd.timeout485, name.c_str());
    }

    int WriteOnce(const WriteCommand& cmd, int index, const WriteFrame& frame) {
        const bool rs232 = Prepare(kReplyBufferSize);
        const std::string name = CommandName(cmd.name232, cmd.name485, rs232, index);
        if (rs232) {
            return AsciiWriteTransaction(
                link_.io_, frame.ascii.c_str(), static_cast<int>(frame.ascii.size()), kWriteTimeout,
                TraceName{name}, reply_.data(), kReplyBufferSize, cmd.logRequest);
        }
        if (!cmd.rs485) {
            return 1;
        }
        const int address = cmd.address + cmd.stride * index;
        return Rs485Transaction(link_.io_, DeviceId(), 16, static_cast<uint8_t>(address >> 8),
                                static_cast<uint8_t>(address & 0xFF),
                                static_cast<uint8_t>(frame.bytes.size()), frame.bytes.data(),
                                reply_.data(), kReplyBufferSize, kWriteTimeout, name.c_str());
    }

    // Remembers a failure: its reply may still be on the way, or a sibling's late reply be
    // queued behind it, and replies carry no request address. The next command waits until
    // the line has settled before it sends anything.
    int Settled(int result) {
        if (result == 0) {
            link_.settlePending_ = true;
            link_.failedAt_ = link_.clock_.Now();
        }
        return result;
    }

    // The port paces bytes by the mode; every command drains the input before anything else.
    bool Prepare(int replySize) {
        link_.port_.SetCommMode(link_.app_.commMode);
        if (link_.settlePending_) {
            SettleAfterFailure(replySize);
        }
        SettleAndDrain(replySize);
        reply_.fill(0);
        return link_.Rs232();
    }

    // A reply is taken as soon as its minimum length is in, so its tail (an RS485 checksum,
    // a line end) may still be crossing the line when the next command starts. Drain until
    // the line has been quiet for a few character times, so that tail is dropped here instead
    // of being read as the start of the next reply. Bounded, so a chattering line cannot hold
    // the program.
    void SettleAndDrain(int replySize) {
        constexpr int kQuietMs = 2;  // about four characters at 19200 baud
        constexpr long kLongestSettle = 30;
        const long start = link_.clock_.Now();
        for (;;) {
            DrainInput(link_.io_, reply_.data(), replySize);
            link_.port_.WaitForInput(kQuietMs);
            const long now = link_.clock_.Now();
            if (link_.port_.GetBytesWaiting() == 0 || now - start >= kLongestSettle ||
                now < start) {
                DrainInput(link_.io_, reply_.data(), replySize);
                return;
            }
        }
    }
    // After a failed attempt: discard input until some 300 ms have passed since the failure and
    // the line has then been quiet for a while. Late replies seen so far arrive within that
    // time; a reply later still would come after the next request's own. Bounded, so a
    // chattering line cannot hold the program.
    void SettleAfterFailure(int replySize) {
        constexpr long kSettleMs = 300;
        constexpr int kQuietMs = 10;  // some twenty characters at 19200 baud
        constexpr long kLongestSettle = 2000;
        link_.settlePending_ = false;
        for (;;) {
            DrainInput(link_.io_, reply_.data(), replySize);
            const long since = link_.clock_.Now() - link_.failedAt_;
            if (since < 0 || since >= kLongestSettle) {
                return;
            }
            if (since < kSettleMs) {
                link_.port_.WaitForInput(static_cast<int>(kSettleMs - since));
                continue;
            }
            link_.port_.WaitForInput(kQuietMs);
            if (link_.port_.GetBytesWaiting() == 0) {
                return;
            }
        }
    }

    uint8_t DeviceId() const { return static_cast<uint8_t>(link_.app_.rs485Id & 0xFF); }

    CControllerLink& link_;
    ReplyBuffer reply_{};
};

CControllerLink::CControllerLink(CMainApp& app, ISerialPort& port, ITickClock& clock,
                                 ITraceSink& trace, ILinkHost& host, IWallClock& wallClock)
    : app_(app),
      port_(port),
      clock_(clock),
      trace_(trace),
      host_(host),
      wallClock_(wallClock),
      io_{port, clock, trace},
      mfgFolder_(ExecutableFolder()) {}

void CControllerLink::UpdateVoltsPerPercent() {
    voltsPerPercent = (app_.config.maxVout - app_.config.minVout) / 100.0f;
}

// ---------------------------------------------------------------- reads

int CControllerLink::GetVoltForLoad() {
    return CommandRunner(*this).ReadAndDecode(commands::kGetVoltForLoad, 0);
}
int CControllerLink::GetLvdrPvOnOffDt() {
    return CommandRunner(*this).ReadAndDecode(commands::kGetLvdrPvOnOffDt, 0);
}
int CControllerLink::GetAdvanceBattPara() {
    return CommandRunner(*this).ReadAndDecode(commands::kGetAdvanceBattPara, 0);
}
int CControllerLink::GetVModePwmFlag() {
    return CommandRunner(*this).ReadAndDecode(commands::kGetVModePwmFlag, 0);
}
int CControllerLink::GetSchedule(int slot) {
    return CommandRunner(*this).ReadAndDecode(commands::kGetSchedule, slot);
}
int CControllerLink::GetDuration(int step) {
    return CommandRunner(*this).ReadAndDecode(commands::kGetDuration, step);
}
int CControllerLink::GetFcvAcvOchtTc() {
    return CommandRunner(*this).ReadAndDecode(commands::kGetFcvAcvOchtTc, 0);
}
int CControllerLink::GetChargeCount() {
    return CommandRunner(*this).ReadAndDecode(commands::kGetChargeCount, 0);
}
int CControllerLink::GetRtc() {
    return CommandRunner(*this).ReadAndDecode(commands::kGetRtc, 0);
}
int CControllerLink::GetVersion() {
    return CommandRunner(*this).ReadAndDecode(commands::kGetVersion, 0);
}
int CControllerLink::GetSerialNumber() {
    return CommandRunner(*this).ReadAndDecode(commands::kGetSerialNumber, 0);
}

// ---------------------------------------------------------------- writes

int CControllerLink::SetVoltForLoad() {
    return CommandRunner(*this).EncodeAndWrite(commands::kSetVoltForLoad, 0);
}
int CControllerLink::SetVModePwmFlag() {
    return CommandRunner(*this).EncodeAndWrite(commands::kSetVModePwmFlag, 0);
}
int CControllerLink::SetSchedule(int slot) {
    return CommandRunner(*this).EncodeAndWrite(commands::kSetSchedule, slot);
}
int CControllerLink::SetLvdLvr() {
    return CommandRunner(*this).EncodeAndWrite(commands::kSetLvdLvr, 0);
}
int CControllerLink::SetAdvanceBattPara() {
    return CommandRunner(*this).EncodeAndWrite(commands::kSetAdvanceBattPara, 0);
}
int CControllerLink::SetFcvAcvOchtTc() {
    return CommandRunner(*this).EncodeAndWrite(commands::kSetFcvAcvOchtTc, 0);
}
int CControllerLink::SetPvDetect() {
    return CommandRunner(*this).EncodeAndWrite(commands::kSetPvDetect, 0);
}
int CControllerLink::SetDuration(int step) {
    return CommandRunner(*this).EncodeAndWrite(commands::kSetDuration, step);
}
int CControllerLink::SetSwJpMode() {
    return CommandRunner(*this).EncodeAndWrite(commands::kSetSwJpMode, 0);
}
int CControllerLink::ResetChargeCount() {
    return CommandRunner(*this).EncodeAndWrite(commands::kResetChargeCount, 0);
}

int CControllerLink::SetRtc() {
    host_.BeginWaitCursor();
    host_.CommitClockFields();
    uint8_t drain[kReplyBufferSize];
    DrainInput(io_, drain, kReplyBufferSize);

    ClockTime time = panel.userTime;
    if (panel.usePcTime == 1) {
        // Send just after a second boundary so the controller starts its second with ours.
        // Bounded: a wall clock that never moves must not hang the program.
        // Deliberately the wall clock read after the wait is sent, not the pcTime the panel
        // timer stored up to a second earlier: that copy would set the controller up to one
        // second behind the PC.
        LocalTime now = wallClock_.Now();
        for (int polls = 0; (now.millisecond < 1 || now.millisecond > 49) && polls < 1100;
             ++polls) {
            clock_.Sleep(1);
            now = wallClock_.Now();
        }
        panel.pcTime = ClockTime{now.hour, now.minute, now.second};
        time = panel.pcTime;
    }
    const int ok = CommandRunner(*this).Write(commands::kSetRtc, 0,
                                              EncodeClock(time.hour, time.minute, time.second));
    if (ok != 0) {
        panel.rtcTime = time;
        panel.rtcKnown = 1;
    }
    host_.EndWaitCursor();
    return ok;
}

// ---------------------------------------------------------------- status and telemetry

int CControllerLink::GetStatus() {
    CommandRunner runner(*this);
    if (runner.Read(commands::kGetStatus, 0) != 1) {
        return 0;
    }
    const int status = runner.Block().Byte(0);
    panel.statusByte = status;
    const uint16_t voltage = (status & 0x40) != 0 ? 24 : 12;
    if (voltage != app_.systemVoltage) {
        host_.Post(Notification::SystemVoltageChanged);
    }
    app_.systemVoltage = voltage;

    const bool v24 = voltage == 24;
    const bool newScale = Rs232() && !app_.firmwareVersionText.empty() &&
                          static_cast<unsigned char>(app_.firmwareVersionText[0]) >= '4';
    if (newScale) {
        voltsPerCount = v24 ? 70.5 / 1024 : 35.0 / 1024;
    } else {
        voltsPerCount = v24 ? 49.0 / 1024 : 24.5 / 1024;
    }

    if ((status & 0x04) != 0) {
        panel.firmwareLoadOn = 1;
        trace_.Write("< Firmware turn ON load >\n");
    } else {
        panel.firmwareLoadOn = 0;
        trace_.Write("< Firmware turn OFF load >\n");
    }

    if ((status & 0x08) != 0) {
        BatteryFailPath();
        return 1;
    }
    app_.appTitle = CMainApp::AppTitle(app_.english != 0);
    host_.TitleChanged(app_.appTitle);
    panel.linkBusy = 0;
    panel.batteryFailed = 0;
    return 1;
}

void CControllerLink::ClearTelemetryDisplays() {
    for (Display d : {Display::BatteryVoltage, Display::BatteryCapacity, Display::ChargeCount,
                      Display::ChargeVoltage, Display::ChargeCurrent, Display::LoadVoltage,
                      Display::LoadCurrent}) {
        host_.DisplayChanged(d, "");
    }
}

void CControllerLink::BatteryFailPath() {
    panel.linkBusy = 1;
    panel.batteryFailed = 1;
    ClearTelemetryDisplays();
    if (host_.AskBatteryFail(MakeBatteryFailTexts(app_)) == BatteryFailChoice::Retry) {
        host_.Post(Notification::RetryStatusRead);
    } else {
        host_.ExitNow(0);
    }
}

void CControllerLink::LoadCurrentDivisors() {
    const CurrentDivisors divisors = ReadCurrentDivisors(mfgFolder_);
    app_.chargeCurrentDivisor = divisors.charge;
    app_.loadCurrentDivisor = divisors.load;
}

namespace {

// The digits a live reading's trace line shows (RS232 only).
struct TraceDigits {
    int d1, d2, d3;
};
TraceDigits DigitsOf(const RegisterBlock& block) {
    return TraceDigits{block.Digit(1), block.Digit(2), block.Digit(3)};
}

}  // namespace

// Reads one live voltage: 1 and *volts, or 0. RS232 writes the arithmetic to the trace.
static int ReadLiveVolts(CControllerLink& link, CommandRunner& runner, const ReadCommand& cmd,
                         const char* traceFormat, double* volts) {
    if (runner.Read(cmd, 0) != 1) {
        return 0;
    }
    const RegisterBlock block = runner.Block();
    *volts = block.VoltCount(0) * link.voltsPerCount;
    if (block.Rs232()) {
        const TraceDigits d = DigitsOf(block);
        TraceF(link.Trace(), traceFormat, d.d1, d.d2, d.d3, link.voltsPerCount, *volts);
    }
    return 1;
}

int CControllerLink::GetBatteryVoltage() {
    if (app_.systemVoltage == 0) {
        GetStatus();
        UpdateBatteryCaption();
    }
    CommandRunner runner(*this);
    double volts = 0;
    if (!ReadLiveVolts(*this, runner, commands::kGetBatteryVoltage,
                       "< Batt Volt=(%d*256+%d*16+%d)/4*%0.6f=%0.2f >\n", &volts)) {
        return 0;
    }
    panel.batteryVoltage = static_cast<float>(volts);
    panel.batteryCapacity = StateOfCharge(panel.batteryVoltage, app_.systemVoltage);
    host_.DisplayChanged(Display::BatteryVoltage, StrF("%0.1f V", volts));
    host_.DisplayChanged(Display::BatteryCapacity, StrF("%d%%", panel.batteryCapacity));
    if (IsOverVoltage(panel.batteryVoltage, app_.systemVoltage)) {
        panel.linkBusy = 1;
        panel.batteryFailed = 1;
        host_.ShowMessage(Pick(app_, texts::kOverVoltage), Pick(app_, texts::kPowerFailCaption),
                          MessageIcon::Stop);
        host_.RequestQuit(0);
    }
    return 1;
}

int CControllerLink::GetChargeVoltage() {
    CommandRunner runner(*this);
    double volts = 0;
    if (!ReadLiveVolts(*this, runner, commands::kGetChargeVoltage,
                       "< Charge Volt=(%d*256+%d*16+%d)/4*%0.6f=%0.2f >\n", &volts)) {
        return 0;
    }
    panel.chargeVoltage = static_cast<float>(volts);
    host_.DisplayChanged(Display::ChargeVoltage, StrF("%0.1f V", volts));
    return 1;
}

int CControllerLink::GetLoadVoltage() {
    CommandRunner runner(*this);
    double volts = 0;
    if (!ReadLiveVolts(*this, runner, commands::kGetLoadVoltage,
                       "< Load Volt=(%d*256+%d*16+%d)/4*%0.6f=%0.2f >\n", &volts)) {
        return 0;
    }
    panel.loadVoltage = static_cast<float>(volts);
    host_.DisplayChanged(Display::LoadVoltage, StrF("%0.1f V", volts));
    return 1;
}

// Reads one current sense count: 1 and the amperes, or 0.
static int ReadLiveCurrent(CControllerLink& link, CommandRunner& runner, const ReadCommand& cmd,
                           const char* traceFormat, uint32_t divisor, uint32_t fallback,
                           double* amps) {
    if (runner.Read(cmd, 0) != 1) {
        return 0;
    }
    const RegisterBlock block = runner.Block();
    const int count = block.VoltCount(0);
    if (block.Rs232()) {
        const TraceDigits d = DigitsOf(block);
        TraceF(link.Trace(), traceFormat, d.d1, d.d2, d.d3, SenseVolts(count));
    }
    *amps = SenseCurrent(count, divisor, fallback);
    return 1;
}

int CControllerLink::GetChargeCurrent() {
    CommandRunner runner(*this);
    double amps = 0;
    if (!ReadLiveCurrent(*this, runner, commands::kGetChargeCurrent,
                         "< CC-V=(%d*256+%d*16+%d)/4*(5/1023)=%0.2f >\n", app_.chargeCurrentDivisor,
                         kDefaultChargeDivisor, &amps)) {
        return 0;
    }
    panel.chargeCurrent = static_cast<float>(amps);
    host_.DisplayChanged(Display::ChargeCurrent, StrF("%0.1f A", amps));
    return 1;
}

int CControllerLink::GetLoadCurrent() {
    CommandRunner runner(*this);
    double amps = 0;
    if (!ReadLiveCurrent(*this, runner, commands::kGetLoadCurrent,
                         "< LC-V=(%d*256+%d*16+%d)/4*(5/1023)=%0.2f >\n", app_.loadCurrentDivisor,
                         kDefaultLoadDivisor, &amps)) {
        return 0;
    }
    amps = LoadCurrentShown(amps, panel.firmwareLoadOn != 0);
    panel.loadCurrent = static_cast<float>(amps);
    host_.DisplayChanged(Display::LoadCurrent, StrF("%0.1f A", amps));
    return 1;
}

int CControllerLink::GetSwitchMode() {
    if (Rs232()) {
        CommandRunner runner(*this);
        if (runner.Read(commands::kGetSwitchMode, 0) != 1) {
            return 0;
        }
        const RegisterBlock block = runner.Block();
        panel.lightingTimeText = Pick(app_, texts::kLightingTimeTexts[block.Digit(1) & 3]);
        panel.modeText = Pick(app_, texts::kModeTexts[block.Digit(2) & 3]);
    }
    host_.DisplayChanged(Display::OperatingMode, panel.modeText);
    host_.DisplayChanged(Display::LightingTime, panel.lightingTimeText);
    const bool manual = panel.modeText == texts::kModeTexts[2].english ||
                        panel.modeText == texts::kModeTexts[2].chinese;
    host_.LightingTimeVisible(manual);
    return 1;
}

void CControllerLink::OnPanelTimer() {
    if (panel.linkBusy != 0) {
        return;
    }
    const LocalTime now = wallClock_.Now();
    panel.pcTime = ClockTime{now.hour, now.minute, now.second};
    host_.DisplayChanged(Display::PcClock, ClockText(panel.pcTime));

    if (panel.rtcKnown != 0) {
        TraceF(trace_, "RTC sec=%d, PC sec=%d\n", panel.rtcTime.second, panel.pcTime.second);
        const ClockStep step =
            StepControllerClock(panel.rtcTime, panel.pcTime, panel.usePcTime == 1);
        panel.rtcTime = step.rtc;
        if (step.sendRtc) {
            SetRtc();
        }
        host_.DisplayChanged(Display::ControllerClock, ClockText(panel.rtcTime));
    }

    if (++panel.pollTicks >= 5) {
        trace_.Write(std::string(41, '-') + "\n");
        GetStatus();
        if (panel.linkBusy == 0) {
            LoadCurrentDivisors();
            GetBatteryVoltage();
            GetChargeVoltage();
            GetChargeCurrent();
            GetLoadVoltage();
            GetLoadCurrent();
            GetChargeCount();
        }
        panel.pollTicks = 0;
    }
}

// ---------------------------------------------------------------- main-window reactions

void CControllerLink::OnSystemVoltageChanged() {
    host_.BeginWaitCursor();
    trace_.Write("< VCC is changed >\n");
    UpdateBatteryCaption();
    host_.EndWaitCursor();
}

void CControllerLink::UpdateBatteryCaption() {
    host_.BatteryCaptionChanged(BatteryCaption(app_));
}

void CControllerLink::UpdateFirmwarePane() {
    host_.FirmwarePaneChanged(FirmwarePaneText(app_));
}

}  // namespace zelt

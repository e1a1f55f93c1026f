#include "link/ControllerLink.h"

#include <array>

#include "link/CommandCatalogue.h"
#include "link/Rs485Probe.h"

namespace zelt {

namespace {

using ReplyBuffer = std::array<uint8_t, kLiveReplyBufferSize>;

}  // namespace

// The one request core: every command of the catalogue runs through here, in the framing of
// the link's address.
class CommandRunner {
  public:
    explicit CommandRunner(CControllerLink& link) : link_(link) {}

    // Runs the read of cmd for index. 1 with the reply in reply_, 0 on failure; kNoForm when the
    // command has no form in RS485 mode (nothing was sent).
    static constexpr int kNoForm = IFraming::kNoForm;
    int Read(const ReadCommand& cmd, int index) {
        if (!ScaleKnown(cmd.scale, HasForm(cmd))) {
            return 0;
        }
        return Settled(ReadOnce(cmd, index));
    }

    // A read whose table row carries its decode step into the record.
    int ReadAndDecode(const ReadCommand& cmd, int index, CCfgDocument& record) {
        if (!ScaleKnown(cmd.scale, HasForm(cmd))) {
            return 0;
        }
        const int result = ReadOnce(cmd, index);
        if (result == kNoForm) {
            return 1;
        }
        if (result == 0) {
            return Settled(0);
        }
        return Settled(cmd.decode(Block(), index, link_.scale_, record));
    }

    int Write(const WriteCommand& cmd, int index, const WriteFrame& frame) {
        return Settled(WriteOnce(cmd, index, frame));
    }

    int EncodeAndWrite(const WriteCommand& cmd, int index, const CCfgDocument& record) {
        const bool hasForm = cmd.rs485 || link_.framing_->Kind() == Framing::Rs232Ascii;
        if (!ScaleKnown(cmd.scale, hasForm)) {
            return 0;
        }
        return Write(cmd, index, cmd.encode(record, link_.scale_, link_.framing_->Kind(), index));
    }

    // The bus probe keeps its own timing: a pause before it, and a silent ID is no failure
    // to settle after, for its late answer is the probe's to take.
    int Probe(int* unansweredId, bool lastLook) {
        if (!PortReady()) {
            return 0;
        }
        link_.port_.SetCommMode(link_.framing_->CommMode());
        return Through(lastLook ? TakeLateProbeReply(link_.io_, kBusScanTrace, unansweredId)
                                : ProbeRs485Id(link_.io_, kBusScanTrace, link_.address_.rs485Id,
                                               unansweredId));
    }

    // Marks a decode that refused the reply as a failure for the settle rule.
    int Refused() { return Settled(0); }

    RegisterBlock Block() const { return RegisterBlock(*link_.framing_, reply_.data()); }

  private:
    static constexpr int kWriteTimeout = 140;

    bool HasForm(const ReadCommand& cmd) const {
        return cmd.count485 != 0 || link_.framing_->Kind() == Framing::Rs232Ascii;
    }

    // A command without a form in this framing sends nothing and needs nothing.
    bool ScaleKnown(ScaleNeed need, bool hasForm) { return !hasForm || link_.LearnScale(need); }

    int ReadOnce(const ReadCommand& cmd, int index) {
        if (!PortReady()) {
            return 0;
        }
        Prepare(cmd.replySize);
        const IFraming& framing = *link_.framing_;
        return Through(framing.Read(link_.io_, link_.address_.rs485Id, cmd, index,
                                    CommandName(cmd, framing, index), reply_.data()));
    }

    int WriteOnce(const WriteCommand& cmd, int index, const WriteFrame& frame) {
        if (!PortReady()) {
            return 0;
        }
        Prepare(kReplyBufferSize);
        const IFraming& framing = *link_.framing_;
        return Through(framing.Write(link_.io_, link_.address_.rs485Id, cmd, index, frame,
                                     CommandName(cmd, framing, index), reply_.data(),
                                     kReplyBufferSize));
    }

    // A port that went away is opened again before anything is sent; false while it is
    // still gone, and the command fails at once.
    bool PortReady() {
        ISerialPort& port = link_.port_;
        if (!port.WentAway()) {
            return true;
        }
        const bool back = port.Reopen();
        link_.trace_.Write(back ? "< The port is open again >\n" : "< The port went away >\n");
        // Whatever answers now may be another controller.
        link_.ForgetController();
        link_.portWentAway_ = !back;
        return back;
    }

    // Whether a failed exchange failed because the port went away.
    int Through(int result) {
        link_.portWentAway_ = result == 0 && link_.port_.WentAway();
        return result;
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
    void Prepare(int replySize) {
        link_.port_.SetCommMode(link_.framing_->CommMode());
        if (link_.settlePending_) {
            SettleAfterFailure(replySize);
        }
        SettleAndDrain(replySize);
        reply_.fill(0);
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

    CControllerLink& link_;
    ReplyBuffer reply_{};
};

CControllerLink::CControllerLink(ISerialPort& port, ITickClock& clock, ITraceSink& trace,
                                 IWallClock& wallClock, LinkAddress address)
    : port_(port),
      clock_(clock),
      trace_(trace),
      wallClock_(wallClock),
      address_(address),
      framing_(&FramingOf(address.framing)),
      io_{port, clock, trace} {
    UpdateScale();
}

void CControllerLink::SetAddress(LinkAddress address) {
    if (address == address_) {
        return;
    }
    address_ = address;
    framing_ = &FramingOf(address.framing);
    ForgetController();
}

void CControllerLink::ForgetController() {
    identity_.reset();
    scale_ = ControllerScale{};
    UpdateScale();
}

void CControllerLink::UpdateScale() {
    scale_.firmwareVersion = identity_ ? identity_->version : std::string();
    scale_.voltsPerCount =
        VoltsPerCountFor(framing_->Kind(), scale_.systemVoltage, scale_.firmwareVersion);
}

bool CControllerLink::LearnScale(ScaleNeed need) {
    if (need == ScaleNeed::None) {
        return true;
    }
    if (scale_.systemVoltage == 0) {
        ControllerStatus status;
        if (GetStatus(&status) == 0) {
            trace_.Write("< Voltage scale unknown: the status read (system voltage) failed >\n");
            return false;
        }
    }
    if (need == ScaleNeed::VoltsPerCount && framing_->Kind() == Framing::Rs232Ascii && !identity_) {
        FirmwareIdentity identity;
        if (GetVersion(&identity) == 0) {
            trace_.Write("< Voltage scale unknown: the version read (firmware) failed >\n");
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------- reads into the record

int CControllerLink::GetVoltForLoad(CCfgDocument& record) {
    const int ok = CommandRunner(*this).ReadAndDecode(commands::kGetVoltForLoad, 0, record);
    if (ok != 0) {
        scale_.voltsPerPercent = VoltsPerPercent(record.maxVout, record.minVout);
    }
    return ok;
}
int CControllerLink::GetLvdrPvOnOffDt(CCfgDocument& record) {
    return CommandRunner(*this).ReadAndDecode(commands::kGetLvdrPvOnOffDt, 0, record);
}
int CControllerLink::GetAdvanceBattPara(CCfgDocument& record) {
    return CommandRunner(*this).ReadAndDecode(commands::kGetAdvanceBattPara, 0, record);
}
int CControllerLink::GetVModePwmFlag(CCfgDocument& record) {
    return CommandRunner(*this).ReadAndDecode(commands::kGetVModePwmFlag, 0, record);
}
int CControllerLink::GetSchedule(int slot, CCfgDocument& record) {
    return CommandRunner(*this).ReadAndDecode(commands::kGetSchedule, slot, record);
}
int CControllerLink::GetDuration(int step, CCfgDocument& record) {
    return CommandRunner(*this).ReadAndDecode(commands::kGetDuration, step, record);
}
int CControllerLink::GetFcvAcvOchtTc(CCfgDocument& record) {
    return CommandRunner(*this).ReadAndDecode(commands::kGetFcvAcvOchtTc, 0, record);
}

// ---------------------------------------------------------------- the bus walk

int CControllerLink::ProbeBusId(int* unansweredId) {
    return CommandRunner(*this).Probe(unansweredId, false);
}

int CControllerLink::TakeLateBusAnswer(int* unansweredId) {
    return CommandRunner(*this).Probe(unansweredId, true);
}

// ---------------------------------------------------------------- reads of values

int CControllerLink::GetChargeCount(int* count) {
    CommandRunner runner(*this);
    if (runner.Read(commands::kGetChargeCount, 0) != 1) {
        return 0;
    }
    *count = runner.Block().Word(0);
    return 1;
}

int CControllerLink::GetRtc(TimeOfDay* time) {
    CommandRunner runner(*this);
    if (runner.Read(commands::kGetRtc, 0) != 1) {
        return 0;
    }
    *time = DecodeRtc(runner.Block());
    return 1;
}

int CControllerLink::GetVersion(FirmwareIdentity* identity) {
    CommandRunner runner(*this);
    if (runner.Read(commands::kGetVersion, 0) != 1) {
        return 0;
    }
    FirmwareIdentity found;
    if (!DecodeVersion(runner.Block(), &found)) {
        return runner.Refused();
    }
    identity_ = found;
    UpdateScale();
    *identity = std::move(found);
    return 1;
}

int CControllerLink::GetSerialNumber(std::string* serial) {
    CommandRunner runner(*this);
    if (runner.Read(commands::kGetSerialNumber, 0) != 1) {
        return 0;
    }
    *serial = DecodeSerialNumber(runner.Block());
    return 1;
}

int CControllerLink::GetStatus(ControllerStatus* status) {
    CommandRunner runner(*this);
    if (runner.Read(commands::kGetStatus, 0) != 1) {
        return 0;
    }
    const ControllerStatus read = DecodeStatus(runner.Block());
    scale_.systemVoltage = read.systemVoltage;
    UpdateScale();
    trace_.Write(read.loadOn ? "< Firmware turn ON load >\n" : "< Firmware turn OFF load >\n");
    *status = read;
    return 1;
}

namespace {

int ReadLiveVolts(CommandRunner& runner, const ReadCommand& cmd, const ControllerScale& scale,
                  ITraceSink& trace, const char* traceFormat, float* volts) {
    if (runner.Read(cmd, 0) != 1) {
        return 0;
    }
    *volts = static_cast<float>(
        DecodeLiveVolts(runner.Block(), scale.voltsPerCount, trace, traceFormat));
    return 1;
}

int ReadLiveCurrent(CommandRunner& runner, const ReadCommand& cmd, uint32_t divisor,
                    uint32_t fallback, ITraceSink& trace, const char* traceFormat, float* amps) {
    if (runner.Read(cmd, 0) != 1) {
        return 0;
    }
    *amps = static_cast<float>(
        DecodeLiveCurrent(runner.Block(), divisor, fallback, trace, traceFormat));
    return 1;
}

}  // namespace

int CControllerLink::GetBatteryVoltage(float* volts) {
    CommandRunner runner(*this);
    return ReadLiveVolts(runner, commands::kGetBatteryVoltage, scale_, trace_,
                         "< Batt Volt=(%d*256+%d*16+%d)/4*%0.6f=%0.2f >\n", volts);
}

int CControllerLink::GetChargeVoltage(float* volts) {
    CommandRunner runner(*this);
    return ReadLiveVolts(runner, commands::kGetChargeVoltage, scale_, trace_,
                         "< Charge Volt=(%d*256+%d*16+%d)/4*%0.6f=%0.2f >\n", volts);
}

int CControllerLink::GetLoadVoltage(float* volts) {
    CommandRunner runner(*this);
    return ReadLiveVolts(runner, commands::kGetLoadVoltage, scale_, trace_,
                         "< Load Volt=(%d*256+%d*16+%d)/4*%0.6f=%0.2f >\n", volts);
}

int CControllerLink::GetChargeCurrent(uint32_t divisor, float* amps) {
    CommandRunner runner(*this);
    return ReadLiveCurrent(runner, commands::kGetChargeCurrent, divisor, kDefaultChargeDivisor,
                           trace_, "< CC-V=(%d*256+%d*16+%d)/4*(5/1023)=%0.2f >\n", amps);
}

int CControllerLink::GetLoadCurrent(uint32_t divisor, float* amps) {
    CommandRunner runner(*this);
    return ReadLiveCurrent(runner, commands::kGetLoadCurrent, divisor, kDefaultLoadDivisor, trace_,
                           "< LC-V=(%d*256+%d*16+%d)/4*(5/1023)=%0.2f >\n", amps);
}

int CControllerLink::GetSwitchMode(std::optional<SwitchMode>* mode) {
    CommandRunner runner(*this);
    const int result = runner.Read(commands::kGetSwitchMode, 0);
    if (result == CommandRunner::kNoForm) {
        return 1;
    }
    if (result != 1) {
        return 0;
    }
    *mode = DecodeSwitchMode(runner.Block());
    return 1;
}

// ---------------------------------------------------------------- writes

int CControllerLink::SetVoltForLoad(const CCfgDocument& record) {
    const int ok = CommandRunner(*this).EncodeAndWrite(commands::kSetVoltForLoad, 0, record);
    if (ok != 0) {
        scale_.voltsPerPercent = VoltsPerPercent(record.maxVout, record.minVout);
    }
    return ok;
}
int CControllerLink::SetVModePwmFlag(const CCfgDocument& record) {
    return CommandRunner(*this).EncodeAndWrite(commands::kSetVModePwmFlag, 0, record);
}
int CControllerLink::SetSchedule(int slot, const CCfgDocument& record) {
    return CommandRunner(*this).EncodeAndWrite(commands::kSetSchedule, slot, record);
}
int CControllerLink::SetLvdLvr(const CCfgDocument& record) {
    return CommandRunner(*this).EncodeAndWrite(commands::kSetLvdLvr, 0, record);
}
int CControllerLink::SetAdvanceBattPara(const CCfgDocument& record) {
    return CommandRunner(*this).EncodeAndWrite(commands::kSetAdvanceBattPara, 0, record);
}
int CControllerLink::SetFcvAcvOchtTc(const CCfgDocument& record) {
    return CommandRunner(*this).EncodeAndWrite(commands::kSetFcvAcvOchtTc, 0, record);
}
int CControllerLink::SetPvDetect(const CCfgDocument& record) {
    return CommandRunner(*this).EncodeAndWrite(commands::kSetPvDetect, 0, record);
}
int CControllerLink::SetDuration(int step, const CCfgDocument& record) {
    return CommandRunner(*this).EncodeAndWrite(commands::kSetDuration, step, record);
}
int CControllerLink::SetSwJpMode(const CCfgDocument& record) {
    return CommandRunner(*this).EncodeAndWrite(commands::kSetSwJpMode, 0, record);
}
int CControllerLink::ResetChargeCount() {
    return CommandRunner(*this).EncodeAndWrite(commands::kResetChargeCount, 0, CCfgDocument{});
}

int CControllerLink::SetRtc(const ClockToSend& clock, TimeOfDay* sent) {
    uint8_t drain[kReplyBufferSize];
    DrainInput(io_, drain, kReplyBufferSize);

    TimeOfDay time = clock.time;
    if (clock.pcClock) {
        // Send just after a second boundary so the controller starts its second with ours.
        // Bounded: a wall clock that never moves must not hang the program.
        LocalTime now = wallClock_.Now();
        for (int polls = 0; (now.millisecond < 1 || now.millisecond > 49) && polls < 1100;
             ++polls) {
            clock_.Sleep(1);
            now = wallClock_.Now();
        }
        time = TimeOfDay{now.hour, now.minute, now.second};
    }
    const int ok = CommandRunner(*this).Write(commands::kSetRtc, 0,
                                              EncodeClock(time.hour, time.minute, time.second));
    if (ok != 0 && sent != nullptr) {
        *sent = time;
    }
    return ok;
}

}  // namespace zelt

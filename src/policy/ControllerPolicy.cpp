#include "policy/ControllerPolicy.h"

#include "base/Bilingual.h"
#include "base/Trace.h"
#include "link/ReadBackCheck.h"
#include "link/Telemetry.h"
#include "panel/RecordLimits.h"

namespace zelt {

namespace {

constexpr int kAttempts = 2;  // as every item of a sequence is tried

constexpr Bilingual kNotReadBack{
    "The parameters were written, but they could not be read back to check them.",
    "參數已寫入, 但無法讀回檢查."};
constexpr Bilingual kNotKept{
    "Failed to set parameters: the controller answered but did not keep these values:",
    "發生錯誤, 控制器已回應但未保存以下參數:"};

std::optional<FirmwareIdentity> ReadIdentity(CControllerLink& link) {
    FirmwareIdentity identity;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (link.GetVersion(&identity) != 0) {
            return identity;
        }
    }
    return std::nullopt;
}

void JudgeState(StateVerdict& v, int knownSystemVoltage) {
    v.vendorRefused = v.identity && !v.identity->VendorAccepted();
    if (v.status) {
        v.batteryFailed = v.status->batteryFailed;
        v.systemVoltageChanged = v.status->systemVoltage != knownSystemVoltage;
    }
}

// The one place the policy looks at the link's conversion scale: what a write-all encoded
// with, or what a read-all decoded with.
WriteScales ScalesNow(const CControllerLink& link, int systemVoltage) {
    return WriteScales{link.Scale().voltsPerCount, link.Scale().voltsPerPercent, systemVoltage,
                       link.Framing().Kind() == Framing::Rs232Ascii};
}

}  // namespace

ExchangeRunner Inline() {
    return [](const std::function<void()>& exchange) {
        exchange();
        return true;
    };
}

// ---------------------------------------------------------------- Get Parameters

GetVerdict GetParameters(CControllerLink& link, const ExchangeRunner& run,
                         const GetRequest& request) {
    GetVerdict v;
    if (!run([&] { v.read = ReadAll(link, request.shown); }) || v.read.outcome.cancelled) {
        return v;
    }
    v.ran = true;
    v.identity = v.read.identity;
    v.status = v.read.status;
    JudgeState(v, request.knownSystemVoltage);
    v.mode = v.read.switchMode;
    if (!v.mode && v.status && link.Framing().Kind() == Framing::Rs485Binary) {
        v.mode = SwitchMode{v.status->OperatingModeCode(), v.status->LightingTimeCode()};
    }
    if (v.read.rtc && !v.vendorRefused && !v.batteryFailed) {
        // The one drift check: a clock just read against the PC clock of that moment.
        TraceF(link.Trace(), "RTC sec=%d, PC sec=%d\n", v.read.rtc->second,
               v.read.rtcPcTime.second);
        if (ClockWorthCorrecting(*v.read.rtc, v.read.rtcPcTime, request.usePcTime)) {
            v.clockSent = SetClock(link, run, ClockToSend{});
        }
    }
    return v;
}

// ---------------------------------------------------------------- Set Parameters

std::string SetVerdict::Summary(bool english) const {
    if (!WriteAllComplete()) {
        return written.outcome.Summary(english);
    }
    if (!readBack) {
        return Pick(kNotReadBack, english);
    }
    std::string text;
    if (!differences.empty()) {
        text = Pick(kNotKept, english);
        for (const std::string& line : differences) {
            text += "\n" + line;
        }
    }
    return text;
}

SetVerdict SetParameters(CControllerLink& link, const ExchangeRunner& run, ISetHost& host,
                         const SetRequest& request) {
    SetVerdict v;
    // The identity first: nothing is written to a controller of a foreign vendor.
    if (!run([&] {
            v.identity = ReadIdentity(link);
            if (v.identity && v.identity->VendorAccepted()) {
                v.status = WriteAllStatus(link);
            }
        }) ||
        link.Cancelled()) {
        return v;
    }
    JudgeState(v, request.knownSystemVoltage);
    if (!v.identity || (!v.vendorRefused && !v.status)) {
        v.stage = SetVerdict::Stage::NoAnswer;
        return v;
    }
    if (v.vendorRefused || v.batteryFailed) {
        v.stage = SetVerdict::Stage::Stopped;
        return v;
    }
    if (!host.AllowUnreadValues()) {
        v.stage = SetVerdict::Stage::UnreadDeclined;
        return v;
    }

    // Adapted before the ranges see it: a 12 V record on a 24 V controller is doubled, not
    // clamped to the 24 V minimums first. Then checked on its numbers.
    CCfgDocument record = request.record;
    RecordGate gate(v.status->systemVoltage, request.english);
    gate.Adapt(record);
    if (!(record == request.record)) {
        host.RecordChanged(record);
    }
    if (const std::vector<std::string> found = gate.Problems(record, true); !found.empty()) {
        if (host.CorrectAndSend(found)) {
            v.corrected = true;
            host.Corrected(gate.Correct(record));
            host.RecordChanged(record);
        }
        v.problems = gate.Problems(record);
        if (!v.problems.empty()) {
            host.RecordChanged(request.record);  // nothing sent: as it came
            v.stage = SetVerdict::Stage::RecordRefused;
            return v;
        }
    }

    const ClockToSend clock = host.ClockForWrite();
    const int systemVoltage = v.status->systemVoltage;
    const bool english = request.english;
    if (!run([&] {
            v.written = WriteAll(link, record, clock);
            v.stage = SetVerdict::Stage::Written;
            if (!v.WriteAllComplete() || link.Cancelled()) {
                return;
            }
            // One read-all checks that the controller kept what it acknowledged.
            const WriteScales sentWith = ScalesNow(link, systemVoltage);
            const ReadAllResult back = ReadAll(link, CCfgDocument{});
            v.readBack = !back.outcome.cancelled && back.outcome.AllListedSucceeded();
            if (v.readBack) {
                v.differences = ReadBackDifferences(v.written.sent, sentWith, back.record,
                                                    ScalesNow(link, systemVoltage), english);
            }
        })) {
        v.stage = SetVerdict::Stage::NotRun;
    }
    return v;
}

// ---------------------------------------------------------------- the panel's commands

std::optional<TimeOfDay> SetClock(CControllerLink& link, const ExchangeRunner& run,
                                  const ClockToSend& clock) {
    TimeOfDay sent;
    int ok = 0;
    if (!run([&] { ok = link.SetRtc(clock, &sent); }) || ok == 0) {
        return std::nullopt;
    }
    return sent;
}

bool ResetChargeCount(CControllerLink& link, const ExchangeRunner& run) {
    int ok = 0;
    return run([&] { ok = link.ResetChargeCount(); }) && ok != 0;
}

ModeVerdict ReadOperatingMode(CControllerLink& link, const ExchangeRunner& run) {
    ModeVerdict v;
    run([&] {
        for (int attempt = 0; attempt < kAttempts && !v.mode; ++attempt) {
            std::optional<SwitchMode> mode;
            if (link.GetSwitchMode(&mode) == 0) {
                continue;
            }
            if (mode) {
                v.mode = mode;
                continue;
            }
            // The RS485 form of "Get Switch Mode" sends nothing: the status byte says it.
            ControllerStatus status;
            if (link.GetStatus(&status) != 0) {
                v.status = status;
                v.mode = SwitchMode{status.OperatingModeCode(), status.LightingTimeCode()};
            }
        }
    });
    return v;
}

}  // namespace zelt

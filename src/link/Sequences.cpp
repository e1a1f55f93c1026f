#include "link/Sequences.h"

#include <algorithm>
#include <functional>

#include "link/CommandCatalogue.h"

namespace zelt {

namespace {

constexpr int kSlots = 8;
constexpr int kWritePauseMs = 12;

constexpr Bilingual kNoLine{nullptr, nullptr};
constexpr Bilingual kReadAllHeader{"Failed to get parameters, list them as follow:  \n",
                                   "發生錯誤, 以下參數無法存取:  \n"};
constexpr Bilingual kWriteAllHeader{"Failed to set parameters, list them as follow:  \n",
                                    "發生錯誤, 以下參數無法設定:  \n"};
constexpr Bilingual kReadAllPortGone{"Failed to get parameters: the port went away.",
                                     "發生錯誤, 無法存取參數: 連接埠已中斷."};
constexpr Bilingual kWriteAllPortGone{"Failed to set parameters: the port went away.",
                                      "發生錯誤, 無法設定參數: 連接埠已中斷."};

using S = SequenceStep;
namespace c = commands;

constexpr SequenceItem Read(S step, const ReadCommand& cmd, Bilingual line, int rank,
                            int index = 0) {
    return SequenceItem{step, index, &cmd, nullptr, line, rank};
}
constexpr SequenceItem Write(S step, const WriteCommand& cmd, Bilingual line, int rank,
                             int index = 0) {
    return SequenceItem{step, index, nullptr, &cmd, line, rank};
}

// clang-format off
constexpr Bilingual kReadSchedule{"\nSchedule %d Fail !", "\n排程 %d."};
constexpr Bilingual kReadDuration{"\nDuration %d Fail !", "\n週期 %d."};
const SequenceItem kReadAll[kReadAllItems] = {
    Read(S::Version,         c::kGetVersion,         {"\nF/W Version/VID/PID Fail !", "\n韌體版本."}, 1),
    Read(S::Status,          c::kGetStatus,          kNoLine, 0),
    Read(S::VoltForLoad,     c::kGetVoltForLoad,     {"\nVoltage for Load Fail !", "\n負載電壓."}, 2),
    Read(S::Schedule,        c::kGetSchedule,        kReadSchedule, 3, 0),
    Read(S::Schedule,        c::kGetSchedule,        kReadSchedule, 3, 1),
    Read(S::Schedule,        c::kGetSchedule,        kReadSchedule, 3, 2),
    Read(S::Schedule,        c::kGetSchedule,        kReadSchedule, 3, 3),
    Read(S::Schedule,        c::kGetSchedule,        kReadSchedule, 3, 4),
    Read(S::Schedule,        c::kGetSchedule,        kReadSchedule, 3, 5),
    Read(S::Schedule,        c::kGetSchedule,        kReadSchedule, 3, 6),
    Read(S::Schedule,        c::kGetSchedule,        kReadSchedule, 3, 7),
    Read(S::Duration,        c::kGetDuration,        kReadDuration, 4, 0),
    Read(S::Duration,        c::kGetDuration,        kReadDuration, 4, 1),
    Read(S::Duration,        c::kGetDuration,        kReadDuration, 4, 2),
    Read(S::Duration,        c::kGetDuration,        kReadDuration, 4, 3),
    Read(S::Duration,        c::kGetDuration,        kReadDuration, 4, 4),
    Read(S::Duration,        c::kGetDuration,        kReadDuration, 4, 5),
    Read(S::Duration,        c::kGetDuration,        kReadDuration, 4, 6),
    Read(S::Duration,        c::kGetDuration,        kReadDuration, 4, 7),
    Read(S::FcvAcvOchtTc,    c::kGetFcvAcvOchtTc,    {"\nFCV/ACV/Temp Comp Fail !", "\n浮充與吸收電壓."}, 5),
    Read(S::Rtc,             c::kGetRtc,             {"\nRTC Fail !", "\n即時時鐘資訊."}, 6),
    Read(S::SwitchMode,      c::kGetSwitchMode,      {"\nOperating Mode Fail !", "\n操作模式."}, 7),
    Read(S::LvdrPvOnOffDt,   c::kGetLvdrPvOnOffDt,   {"\nLVD/LVR & PV On/Off Voltage Fail !", "\n低壓回復/斷路 & PV On/Off 電壓."}, 8),
    Read(S::VModePwmFlag,    c::kGetVModePwmFlag,    {"\nPWM Flag Fail !", "\nPWM Flag."}, 9),
    Read(S::SerialNumber,    c::kGetSerialNumber,    {"\nSN Fail !", "\n序號."}, 10),
    Read(S::AdvanceBattPara, c::kGetAdvanceBattPara, {"\nLow Battery Levels Fail !", "\n低電量參數."}, 11),
};

constexpr Bilingual kWriteSchedule{"\nSchedule %d Fail !", "\n排程 %d."};
constexpr Bilingual kWriteDuration{"\nAuto Duration %d Fail !", "\n自動時段 %d."};
const SequenceItem kWriteAll[kWriteAllItems] = {
    Read(S::Status,           c::kGetStatus,          kNoLine, 0),
    Write(S::VoltForLoad,     c::kSetVoltForLoad,     {"\nVoltage for Load Fail !", "\n負載電壓."}, 1),
    Write(S::VModePwmFlag,    c::kSetVModePwmFlag,    {"\nPWM bit !", "\n脈寬調變位元."}, 9),
    Write(S::Schedule,        c::kSetSchedule,        kWriteSchedule, 2, 0),
    Write(S::Schedule,        c::kSetSchedule,        kWriteSchedule, 2, 1),
    Write(S::Schedule,        c::kSetSchedule,        kWriteSchedule, 2, 2),
    Write(S::Schedule,        c::kSetSchedule,        kWriteSchedule, 2, 3),
    Write(S::Schedule,        c::kSetSchedule,        kWriteSchedule, 2, 4),
    Write(S::Schedule,        c::kSetSchedule,        kWriteSchedule, 2, 5),
    Write(S::Schedule,        c::kSetSchedule,        kWriteSchedule, 2, 6),
    Write(S::Schedule,        c::kSetSchedule,        kWriteSchedule, 2, 7),
    Write(S::LvdLvr,          c::kSetLvdLvr,          {"\nLVD/LVR Fail !", "\n低壓回復與保護."}, 4),
    Write(S::FcvAcvOchtTc,    c::kSetFcvAcvOchtTc,    {"\nFCV/ACV/OCHT/TempComp Fail !", "\n浮充/吸收電壓/溫度補償."}, 5),
    Write(S::PvDetect,        c::kSetPvDetect,        {"\nPV Voltage Fail !", "\n開關燈電壓."}, 7),
    Write(S::Duration,        c::kSetDuration,        kWriteDuration, 3, 0),
    Write(S::Duration,        c::kSetDuration,        kWriteDuration, 3, 1),
    Write(S::Duration,        c::kSetDuration,        kWriteDuration, 3, 2),
    Write(S::Duration,        c::kSetDuration,        kWriteDuration, 3, 3),
    Write(S::Duration,        c::kSetDuration,        kWriteDuration, 3, 4),
    Write(S::Duration,        c::kSetDuration,        kWriteDuration, 3, 5),
    Write(S::Duration,        c::kSetDuration,        kWriteDuration, 3, 6),
    Write(S::Duration,        c::kSetDuration,        kWriteDuration, 3, 7),
    Write(S::AdvanceBattPara, c::kSetAdvanceBattPara, {"\nLow Battery Levels Fail !", "\n低電量參數."}, 10),
    Write(S::Rtc,             c::kSetRtc,             {"\nRTC Fail !", "\n即時時鐘資訊."}, 6),
};
// clang-format on

std::string ItemName(const CControllerLink& link, const SequenceItem& item) {
    return item.read != nullptr ? CommandName(*item.read, link.Framing(), item.index)
                                : CommandName(*item.write, link.Framing(), item.index);
}

// Runs the items of a sequence: numbering for the progress hook, and the retry rule (an item
// runs until it succeeds or has run twice).
class ItemRunner {
  public:
    ItemRunner(CControllerLink& link, std::span<const SequenceItem> items, int pauseMs)
        : link_(link), items_(items), pauseMs_(pauseMs) {}

    bool Run(int n, const std::function<int()>& attempt) {
        link_.ReportProgress(n + 1, static_cast<int>(items_.size()),
                             ItemName(link_, items_[static_cast<size_t>(n)]));
        Pause();
        int result = attempt();
        Pause();
        if (result == 0 && !link_.Cancelled() && !link_.PortWentAway()) {
            result = attempt();
            Pause();
        }
        return result != 0;
    }

  private:
    void Pause() {
        if (pauseMs_ > 0) {
            link_.Clock().Sleep(pauseMs_);
        }
    }

    CControllerLink& link_;
    std::span<const SequenceItem> items_;
    int pauseMs_;
};

// One read item into result.
int ReadItem(CControllerLink& link, const SequenceItem& item, ReadAllResult& result) {
    CCfgDocument& record = result.record;
    switch (item.step) {
        case S::Version: {
            FirmwareIdentity identity;
            if (link.GetVersion(&identity) == 0) {
                return 0;
            }
            record.batteryType = identity.batteryType;
            result.identity = identity;
            return 1;
        }
        case S::Status: {
            ControllerStatus status;
            if (link.GetStatus(&status) == 0) {
                return 0;
            }
            result.status = status;
            return 1;
        }
        case S::VoltForLoad:
            return link.GetVoltForLoad(record);
        case S::Schedule:
            return link.GetSchedule(item.index, record);
        case S::Duration:
            return link.GetDuration(item.index, record);
        case S::FcvAcvOchtTc:
            return link.GetFcvAcvOchtTc(record);
        case S::Rtc: {
            TimeOfDay time;
            if (link.GetRtc(&time) == 0) {
                return 0;
            }
            result.rtc = time;
            const LocalTime pc = link.WallClock().Now();
            result.rtcPcTime = TimeOfDay{pc.hour, pc.minute, pc.second};
            return 1;
        }
        case S::SwitchMode:
            return link.GetSwitchMode(&result.switchMode);
        case S::LvdrPvOnOffDt:
            return link.GetLvdrPvOnOffDt(record);
        case S::VModePwmFlag:
            return link.GetVModePwmFlag(record);
        case S::SerialNumber: {
            std::string serial;
            if (link.GetSerialNumber(&serial) == 0) {
                return 0;
            }
            result.serialNumber = serial;
            return 1;
        }
        case S::AdvanceBattPara:
            return link.GetAdvanceBattPara(record);
        default:
            return 0;
    }
}

int WriteItem(CControllerLink& link, const SequenceItem& item, const ClockToSend& clock,
              WriteAllResult& result) {
    const CCfgDocument& record = result.sent;
    switch (item.step) {
        case S::VoltForLoad:
            return link.SetVoltForLoad(record);
        case S::VModePwmFlag:
            return link.SetVModePwmFlag(record);
        case S::Schedule:
            return link.SetSchedule(item.index, record);
        case S::LvdLvr:
            return link.SetLvdLvr(record);
        case S::FcvAcvOchtTc:
            return link.SetFcvAcvOchtTc(record);
        case S::PvDetect:
            return link.SetPvDetect(record);
        case S::Duration:
            return link.SetDuration(item.index, record);
        case S::AdvanceBattPara:
            return link.SetAdvanceBattPara(record);
        case S::Rtc: {
            TimeOfDay sent;
            if (link.SetRtc(clock, &sent) == 0) {
                return 0;
            }
            result.rtcSent = sent;
            return 1;
        }
        default:
            return 0;
    }
}

}  // namespace

std::span<const SequenceItem> ReadAllItems() {
    return kReadAll;
}

std::span<const SequenceItem> WriteAllItems() {
    return kWriteAll;
}

bool SequenceOutcome::Succeeded(SequenceStep step, int index) const {
    for (size_t i = 0; i < items.size() && i < ok.size(); ++i) {
        if (items[i].step == step && items[i].index == index) {
            return ok[i];
        }
    }
    return false;
}

bool SequenceOutcome::AllListedSucceeded() const {
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].failLine.english != nullptr && (i >= ok.size() || !ok[i])) {
            return false;
        }
    }
    return true;
}

std::string SequenceOutcome::Summary(bool english) const {
    const bool reads = items.data() == kReadAll;
    if (portWentAway) {
        return Pick(reads ? kReadAllPortGone : kWriteAllPortGone, english);
    }
    std::vector<size_t> failed;
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].failLine.english != nullptr && (i >= ok.size() || !ok[i])) {
            failed.push_back(i);
        }
    }
    if (failed.empty()) {
        return "";
    }
    std::stable_sort(failed.begin(), failed.end(), [this](size_t a, size_t b) {
        return items[a].summaryRank < items[b].summaryRank;
    });
    std::string summary = Pick(reads ? kReadAllHeader : kWriteAllHeader, english);
    for (const size_t i : failed) {
        const SequenceItem& item = items[i];
        const char* line = Pick(item.failLine, english);
        summary += item.step == S::Schedule || item.step == S::Duration ? StrF(line, item.index + 1)
                                                                        : std::string(line);
    }
    return summary;
}

std::string SequenceOutcome::WrittenItems(const IFraming& framing) const {
    std::string lines;
    for (size_t i = 0; i < items.size() && i < ok.size(); ++i) {
        if (ok[i] && items[i].write != nullptr) {
            lines += CommandName(*items[i].write, framing, items[i].index) + "\n";
        }
    }
    return lines;
}

ReadAllResult ReadAll(CControllerLink& link, const CCfgDocument& shown) {
    link.Trace().Write(std::string(40, '*') + "\n");
    ReadAllResult result;
    result.record = shown;
    result.outcome.items = kReadAll;
    ItemRunner runner(link, kReadAll, 0);

    for (int n = 0; n < kReadAllItems; ++n) {
        const SequenceItem& item = kReadAll[n];
        if (link.Cancelled()) {
            result.outcome.cancelled = true;
            result.outcome.ok.resize(kReadAllItems, false);
            return result;
        }
        if (item.step == S::Schedule && item.index == 0) {
            result.record.sectors.clear();
            result.record.sectorCount = 0;
        }
        const bool ok = runner.Run(n, [&] { return ReadItem(link, item, result); });
        result.outcome.ok.push_back(ok);
        if (link.PortWentAway()) {
            // Nothing more can be read: stop here rather than wait out every item.
            result.outcome.portWentAway = true;
            result.outcome.ok.resize(kReadAllItems, false);
            break;
        }
    }
    // The schedule is one picture: when a slot was not read, the schedule on display stays.
    for (int slot = 0; slot < kSlots; ++slot) {
        if (!result.outcome.Succeeded(S::Schedule, slot)) {
            result.record.sectors = shown.sectors;
            result.record.sectorCount = shown.sectorCount;
            break;
        }
    }
    return result;
}

std::optional<ControllerStatus> WriteAllStatus(CControllerLink& link) {
    link.Trace().Write(std::string(45, '*') + "\n");
    ItemRunner runner(link, kWriteAll, 0);
    ControllerStatus status;
    if (!runner.Run(0, [&] { return link.GetStatus(&status); })) {
        return std::nullopt;
    }
    return status;
}

WriteAllResult WriteAll(CControllerLink& link, const CCfgDocument& record,
                        const ClockToSend& clock) {
    WriteAllResult result;
    result.sent = record;
    ApplyWireDefaults(result.sent, link.Framing().Kind());
    result.outcome.items = kWriteAll;
    result.outcome.ok.push_back(true);  // the status read, item 1
    ItemRunner runner(link, kWriteAll, kWritePauseMs);
    for (int n = 1; n < kWriteAllItems; ++n) {
        const SequenceItem& item = kWriteAll[n];
        if (link.Cancelled()) {
            result.outcome.cancelled = true;
            result.outcome.ok.resize(kWriteAllItems, false);
            break;
        }
        result.outcome.ok.push_back(
            runner.Run(n, [&] { return WriteItem(link, item, clock, result); }));
        if (link.PortWentAway()) {
            result.outcome.portWentAway = true;
            result.outcome.ok.resize(kWriteAllItems, false);
            break;
        }
    }
    return result;
}

}  // namespace zelt

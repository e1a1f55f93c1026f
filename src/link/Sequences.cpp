#include "link/Sequences.h"

#include <functional>

#include "config/CfgRecord.h"
#include "link/CommandCatalogue.h"
#include "link/LinkTexts.h"

namespace zelt {

namespace {

constexpr int kSlots = 8;
constexpr int kWritePauseMs = 12;

void AddLine(std::string& summary, const CMainApp& app, const Bilingual& line) {
    summary += Pick(app, line);
}

void AddLine(std::string& summary, const CMainApp& app, const Bilingual& line, int number) {
    summary += StrF(Pick(app, line), number);
}

std::string Finish(const std::string& lines, const CMainApp& app, const Bilingual& header) {
    if (lines.empty()) {
        return "";
    }
    return Pick(app, header) + lines;
}

// Runs the items of a sequence: numbering for the progress hook, and the retry rule (an item
// runs until it succeeds or has run twice).
class ItemRunner {
  public:
    ItemRunner(CControllerLink& link, int total, int pauseMs, int done = 0)
        : link_(link), total_(total), pauseMs_(pauseMs), n_(done) {}

    bool Run(const std::string& name, const std::function<int()>& attempt) {
        link_.ReportProgress(++n_, total_, name);
        Pause();
        int result = attempt();
        Pause();
        if (result == 0) {
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
    int total_;
    int pauseMs_;
    int n_;
};

std::string ReadName(const CControllerLink& link, const ReadCommand& cmd, int index = 0) {
    return CommandName(cmd.name232, cmd.name485, link.Rs232(), index);
}

std::string WriteName(const CControllerLink& link, const WriteCommand& cmd, int index = 0) {
    return CommandName(cmd.name232, cmd.name485, link.Rs232(), index);
}

void ShowSummary(CControllerLink& link, const std::string& summary) {
    link.Host().ShowMessage(summary, Pick(link.App(), texts::kErrorCaption), MessageIcon::Stop);
    link.Host().InvalidateAllControls();
}

}  // namespace

std::string ReadAllSummary(const ReadAllFlags& f, bool english) {
    CMainApp app;
    app.english = english ? 1 : 0;
    std::string lines;
    if (!f.version) {
        AddLine(lines, app, texts::kReadVersionFail);
    }
    if (!f.voltForLoad) {
        AddLine(lines, app, texts::kReadVoltForLoadFail);
    }
    for (int i = 0; i < kSlots; ++i) {
        if (!f.schedule[i]) {
            AddLine(lines, app, texts::kReadScheduleFail, i + 1);
        }
    }
    for (int i = 0; i < kSlots; ++i) {
        if (!f.duration[i]) {
            AddLine(lines, app, texts::kReadDurationFail, i + 1);
        }
    }
    if (!f.fcvAcv) {
        AddLine(lines, app, texts::kReadFcvAcvFail);
    }
    if (!f.rtc) {
        AddLine(lines, app, texts::kReadRtcFail);
    }
    if (!f.switchMode) {
        AddLine(lines, app, texts::kReadModeFail);
    }
    if (!f.lvdrPv) {
        AddLine(lines, app, texts::kReadLvdrPvFail);
    }
    if (!f.pwmFlag) {
        AddLine(lines, app, texts::kReadPwmFail);
    }
    if (!f.serialNumber) {
        AddLine(lines, app, texts::kReadSerialFail);
    }
    return Finish(lines, app, texts::kReadAllHeader);
}

std::string WriteAllSummary(const WriteAllFlags& f, bool english) {
    CMainApp app;
    app.english = english ? 1 : 0;
    std::string lines;
    if (!f.voltForLoad) {
        AddLine(lines, app, texts::kWriteVoltForLoadFail);
    }
    for (int i = 0; i < kSlots; ++i) {
        if (!f.schedule[i]) {
            AddLine(lines, app, texts::kWriteScheduleFail, i + 1);
        }
    }
    for (int i = 0; i < kSlots; ++i) {
        if (!f.duration[i]) {
            AddLine(lines, app, texts::kWriteDurationFail, i + 1);
        }
    }
    if (!f.lvdLvr) {
        AddLine(lines, app, texts::kWriteLvdLvrFail);
    }
    if (!f.fcvAcv) {
        AddLine(lines, app, texts::kWriteFcvAcvFail);
    }
    if (!f.rtc) {
        AddLine(lines, app, texts::kWriteRtcFail);
    }
    if (!f.pvDetect) {
        AddLine(lines, app, texts::kWritePvFail);
    }
    if (!f.pwmFlag) {
        AddLine(lines, app, texts::kWritePwmFail);
    }
    return Finish(lines, app, texts::kWriteAllHeader);
}

int ReadAllParameters(CControllerLink& link, ReadAllFlags* flags) {
    ILinkHost& host = link.Host();
    CCfgDocument& record = link.Record();
    host.BeginWaitCursor();
    host.CollectIntoRecord();
    link.Trace().Write(std::string(40, '*') + "\n");

    namespace c = commands;
    ItemRunner item(link, kReadAllItems, 0);
    ReadAllFlags f;
    f.version = item.Run(ReadName(link, c::kGetVersion), [&] { return link.GetVersion(); });
    f.status = item.Run(ReadName(link, c::kGetStatus), [&] { return link.GetStatus(); });
    link.UpdateBatteryCaption();
    link.UpdateFirmwarePane();
    f.voltForLoad =
        item.Run(ReadName(link, c::kGetVoltForLoad), [&] { return link.GetVoltForLoad(); });
    link.UpdateVoltsPerPercent();

    // The schedule is one picture: when a slot cannot be read, the schedule on display stays.
    const std::vector<CTimeSectorData> shownSectors = record.sectors;
    const int32_t shownCount = record.sectorCount;
    record.sectors.clear();
    record.sectorCount = 0;
    bool allSlots = true;
    for (int i = 0; i < kSlots; ++i) {
        f.schedule[i] =
            item.Run(ReadName(link, c::kGetSchedule, i), [&] { return link.GetSchedule(i); });
        allSlots = allSlots && f.schedule[i];
    }
    if (!allSlots) {
        record.sectors = shownSectors;
        record.sectorCount = shownCount;
    }
    for (int i = 0; i < kSlots; ++i) {
        f.duration[i] =
            item.Run(ReadName(link, c::kGetDuration, i), [&] { return link.GetDuration(i); });
    }
    f.fcvAcv =
        item.Run(ReadName(link, c::kGetFcvAcvOchtTc), [&] { return link.GetFcvAcvOchtTc(); });
    f.rtc = item.Run(ReadName(link, c::kGetRtc), [&] { return link.GetRtc(); });
    f.switchMode =
        item.Run(ReadName(link, c::kGetSwitchMode), [&] { return link.GetSwitchMode(); });
    f.lvdrPv =
        item.Run(ReadName(link, c::kGetLvdrPvOnOffDt), [&] { return link.GetLvdrPvOnOffDt(); });
    f.pwmFlag =
        item.Run(ReadName(link, c::kGetVModePwmFlag), [&] { return link.GetVModePwmFlag(); });
    f.serialNumber =
        item.Run(ReadName(link, c::kGetSerialNumber), [&] { return link.GetSerialNumber(); });
    f.advanceBatt =
        item.Run(ReadName(link, c::kGetAdvanceBattPara), [&] { return link.GetAdvanceBattPara(); });
    if (flags != nullptr) {
        *flags = f;
    }

    const std::string summary = ReadAllSummary(f, link.App().english != 0);
    if (!summary.empty()) {
        ShowSummary(link, summary);
    } else {
        link.App().savedToController = 1;
    }
    host.RefreshFromRecord();
    host.EndWaitCursor();
    return summary.empty() ? 1 : 0;
}

int WriteAllParameters(CControllerLink& link, const BeforeWrite& beforeWrite,
                       WriteAllFlags* flags) {
    ILinkHost& host = link.Host();
    CMainApp& app = link.App();
    host.BeginWaitCursor();
    host.CommitEditedFields();
    host.CollectIntoRecord();
    link.Trace().Write(std::string(45, '*') + "\n");

    namespace c = commands;
    ItemRunner status(link, kWriteAllItems, 0);
    if (!status.Run(ReadName(link, c::kGetStatus), [&] { return link.GetStatus(); })) {
        host.ShowMessage(Pick(app, texts::kOperationFault), Pick(app, texts::kErrorCaption),
                         MessageIcon::Stop);
        host.InvalidateAllControls();
        host.EndWaitCursor();
        return 0;
    }
    if (beforeWrite) {
        if (!beforeWrite(link.Record())) {
            host.EndWaitCursor();
            return 0;
        }
    } else if (AdaptToSystemVoltage(link.Record(), app.systemVoltage)) {
        host.RefreshFromRecord();
    }
    link.UpdateVoltsPerPercent();

    // The status read was item 1; the writes are items 2 to 24, each with its pauses.
    ItemRunner item(link, kWriteAllItems, kWritePauseMs, 1);
    WriteAllFlags f;
    f.voltForLoad =
        item.Run(WriteName(link, c::kSetVoltForLoad), [&] { return link.SetVoltForLoad(); });
    f.pwmFlag =
        item.Run(WriteName(link, c::kSetVModePwmFlag), [&] { return link.SetVModePwmFlag(); });
    for (int i = 0; i < kSlots; ++i) {
        f.schedule[i] =
            item.Run(WriteName(link, c::kSetSchedule, i), [&] { return link.SetSchedule(i); });
    }
    f.lvdLvr = item.Run(WriteName(link, c::kSetLvdLvr), [&] { return link.SetLvdLvr(); });
    f.fcvAcv =
        item.Run(WriteName(link, c::kSetFcvAcvOchtTc), [&] { return link.SetFcvAcvOchtTc(); });
    f.pvDetect = item.Run(WriteName(link, c::kSetPvDetect), [&] { return link.SetPvDetect(); });
    for (int i = 0; i < kSlots; ++i) {
        f.duration[i] =
            item.Run(WriteName(link, c::kSetDuration, i), [&] { return link.SetDuration(i); });
    }
    f.advanceBatt = item.Run(WriteName(link, c::kSetAdvanceBattPara),
                             [&] { return link.SetAdvanceBattPara(); });
    f.rtc = item.Run(WriteName(link, c::kSetRtc), [&] { return link.SetRtc(); });
    if (flags != nullptr) {
        *flags = f;
    }

    const std::string summary = WriteAllSummary(f, app.english != 0);
    if (!summary.empty()) {
        ShowSummary(link, summary);
    } else {
        app.savedToController = 1;
    }
    host.EndWaitCursor();
    return summary.empty() ? 1 : 0;
}

void ResetToDefault(CControllerLink& link) {
    ResetHooks hooks;
    hooks.settleSystemVoltage = [&link] {
        link.GetStatus();
        link.UpdateBatteryCaption();
    };
    hooks.refresh = [&link] { link.Host().RefreshFromRecord(); };
    ResetToDefault(link.App(), hooks);
}

}  // namespace zelt

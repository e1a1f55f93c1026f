// zeltctl detect | status | monitor | get | set | clock | reset-count | mode: the controller
// commands of the window, run once from the command line.
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>

#include "Ctl.h"
#include "CtlProgress.h"
#include "Fleet.h"
#include "Interrupt.h"
#include "LinkSession.h"
#include "LiveReadings.h"
#include "MqttMonitor.h"
#include "RecordCheck.h"
#include "RecordJson.h"
#include "base/FileSystem.h"
#include "base/Ticks.h"
#include "config/CfgCodes.h"
#include "config/CfgFile.h"
#include "link/ComPort.h"
#include "link/Discovery.h"
#include "link/LinkAddress.h"
#include "link/Sequences.h"
#include "panel/ControllerTexts.h"
#include "policy/Finding.h"

namespace zeltctl {

namespace {

using zelt::Bilingual;

constexpr Bilingual kSetRtcFail{"Set RTC Fail !", "設即時時鐘失敗 !"};
constexpr Bilingual kResetCountFail{"Failed to reset charge count.", "清除充電次數失敗."};
constexpr Bilingual kUpdateModeFail{"Failed to Update Operating Mode.", "讀取操作模式失敗."};

[[noreturn]] void BadInput(const std::string& text) {
    throw CtlError{kExitUsage, "zeltctl: " + text};
}

// The controller's operating mode code of manual mode, the one with a lighting time.
constexpr int kManualModeCode = 2;

std::string HmsText(const zelt::TimeOfDay& time) {
    return zelt::StrF("%02d:%02d:%02d", time.hour, time.minute, time.second);
}

// ------------------------------------------------------------------ record files

bool HasJsonExtension(const std::string& path) {
    std::string extension = zelt::Utf8Of(zelt::PathOf(path).extension());
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension == ".json";
}

// A record from a .cfg file, or from JSON in the form of `cfg show` over the construction
// defaults. Anything wrong ends the tool with status 2 before the controller is touched.
zelt::CCfgDocument LoadRecordFile(const std::string& path, bool english) {
    zelt::CCfgDocument record;
    if (!HasJsonExtension(path)) {
        const zelt::CfgLoadResult result = zelt::LoadCfgFile(path, record);
        if (!result.ok()) {
            BadInput(path + ": " + zelt::CfgLoadProblemText(result, english));
        }
        return record;
    }
    std::string error;
    if (!RecordFromJsonFile(path, record, english, &error)) {
        BadInput(error);
    }
    return record;
}

// The folder that an output file goes to must exist before the controller is read.
void CheckOutputPath(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::is_directory(zelt::PathOf(path), ec)) {
        BadInput(path + ": is a folder, not a file.");
    }
    const fs::path parent = zelt::PathOf(path).parent_path();
    if (!parent.empty() && !fs::is_directory(parent, ec)) {
        BadInput(path + ": the folder " + zelt::Utf8Of(parent) + " does not exist.");
    }
}

// "HH:MM:SS" (the hour may have one digit), a valid time of day.
bool ParseClockTime(const std::string& text, zelt::TimeOfDay* time) {
    int fields[3] = {0, 0, 0};
    size_t at = 0;
    for (int f = 0; f < 3; ++f) {
        if (f > 0) {
            if (at >= text.size() || text[at] != ':') {
                return false;
            }
            ++at;
        }
        const size_t begin = at;
        while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) != 0) {
            fields[f] = fields[f] * 10 + (text[at] - '0');
            ++at;
        }
        const size_t digits = at - begin;
        if (digits != 2 && !(f == 0 && digits == 1)) {
            return false;
        }
    }
    if (at != text.size() || fields[0] > 23 || fields[1] > 59 || fields[2] > 59) {
        return false;
    }
    *time = zelt::TimeOfDay{fields[0], fields[1], fields[2]};
    return true;
}

// The --ids list of a fleet command; nothing when the option was not given.
std::optional<IdList> FleetIds(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    IdList list;
    std::string error;
    if (!ParseIdList(text, &list, &error)) {
        BadInput(error);
    }
    return list;
}

// ------------------------------------------------------------------ detect

void RunDetect(CtlContext& ctx) {
    ctx.StartUp();
    CheckPortFolder();
    CtlProgress progress;
    zelt::CPortTable table;
    table.Enumerate(zelt::theComPort);
    zelt::CAutoDetect detect(zelt::theComPort, zelt::ProcessTickClock(), ctx.Trace());
    if (isatty(STDERR_FILENO) != 0) {  // an RS485 walk over 250 IDs takes about 30 s
        detect.SetProbeHook(
            [&progress](int port, int rs485Id) { progress.ShowProbe(port, rs485Id); });
    }
    const zelt::DetectResult found =
        detect.Run(table, zelt::LinkAddress::FromSettings(ctx.app.commMode, ctx.app.rs485Id));
    progress.ClearProgress();
    zelt::theComPort.Close();
    const zelt::DetectVerdict verdict = zelt::JudgeDetect(found, ctx.app.english != 0);
    if (!verdict.found) {
        std::fprintf(stderr, "%s\n", verdict.text.c_str());
        throw CtlError{kExitController, ""};
    }
    std::printf("%s\n", verdict.text.c_str());
    std::fflush(stdout);
}

// ------------------------------------------------------------------ status

void PrintStatusLines(const zelt::CMainApp& app, const zelt::LiveReadings& r,
                      const std::optional<zelt::TimeOfDay>& clock) {
    auto value = [](const auto& reading, const char* format) {
        return reading ? zelt::StrF(format, *reading) : std::string("--");
    };
    const bool english = app.english != 0;
    const auto mode = r.OperatingModeCode();
    const auto hours = r.LightingTimeCode();
    std::printf("Firmware version: %s\n", app.firmwareVersionText.c_str());
    std::printf("Vendor ID: %d\n", app.vendorId);
    std::printf("System voltage: %s\n",
                r.systemVoltage != 0 ? zelt::StrF("%d V", r.systemVoltage).c_str() : "--");
    std::printf("Battery voltage: %s\n", value(r.batteryVoltage, "%0.1f V").c_str());
    std::printf("State of charge: %s\n", value(r.stateOfCharge, "%d%%").c_str());
    std::printf("Charge voltage: %s\n", value(r.chargeVoltage, "%0.1f V").c_str());
    std::printf("Charge current: %s\n", value(r.chargeCurrent, "%0.1f A").c_str());
    std::printf("Load voltage: %s\n", value(r.loadVoltage, "%0.1f V").c_str());
    std::printf("Load current: %s\n", value(r.loadCurrent, "%0.1f A").c_str());
    std::printf("Load on: %s\n", !r.loadOn ? "--" : *r.loadOn ? "yes" : "no");
    std::printf("Charge count: %s\n", value(r.chargeCount, "%d").c_str());
    std::printf("Operating mode: %s\n", mode ? zelt::OperatingModeLabel(*mode, english) : "--");
    std::printf("Lighting time: %s\n", hours ? zelt::LightingTimeLabel(*hours, english) : "--");
    std::printf("Controller clock: %s\n", clock ? HmsText(*clock).c_str() : "--");
}

// A one-shot command: each read may run twice, as in "Get Parameters", so that one reply lost
// or late on a busy line does not fail the command.
constexpr int kStatusAttempts = 2;

// The controller's identity: another vendor's controller is refused (before anything is
// written to it), and a controller that does not tell stops the command.
void ReadIdentity(CtlContext& ctx, LinkSession& session) {
    const bool read =
        ReadWithRetry(kStatusAttempts, [&] { return session.Controller().ReadVersion(); });
    session.Settle();  // a foreign vendor ID ends here
    if (!read) {
        session.Fail(zelt::Pick(ctx.app, zelt::texts::kOperationFault));
    }
}

void RunStatus(CtlContext& ctx, bool json) {
    LinkSession session(ctx);
    CtlController& controller = session.Controller();
    const bool versionRead =
        ReadWithRetry(kStatusAttempts, [&] { return controller.ReadVersion(); });
    session.Settle();  // a foreign vendor ID ends here
    // A failed status read does not end the poll: what answered is printed, and the command
    // still fails below.
    const zelt::LiveReadings readings = PollLiveReadings(controller, kStatusAttempts);
    session.Settle();
    if (!readings.AnyRead()) {
        session.Fail(zelt::Pick(ctx.app, zelt::texts::kOperationFault));
    }
    std::optional<zelt::TimeOfDay> clock;
    zelt::TimeOfDay rtc;
    if (ReadWithRetry(kStatusAttempts, [&] { return controller.Link().GetRtc(&rtc); })) {
        clock = rtc;
    }
    session.Settle();

    if (json) {
        nlohmann::ordered_json out;
        out["port"] = zelt::StrF("COM%d", ctx.app.comPort);
        out["firmwareVersion"] = versionRead ? nlohmann::ordered_json(ctx.app.firmwareVersionText)
                                             : nlohmann::ordered_json(nullptr);
        out["vendorId"] = versionRead ? nlohmann::ordered_json(ctx.app.vendorId)
                                      : nlohmann::ordered_json(nullptr);
        AddReadingsToJson(readings, out);
        out["controllerClock"] =
            clock ? nlohmann::ordered_json(HmsText(*clock)) : nlohmann::ordered_json(nullptr);
        std::printf("%s\n", out.dump(2).c_str());
    } else {
        PrintStatusLines(ctx.app, readings, clock);
    }
    std::fflush(stdout);
    if (!versionRead || !readings.Complete() || !clock) {
        session.Fail(zelt::Pick(ctx.app, zelt::texts::kOperationFault));
    }
}

// ------------------------------------------------------------------ monitor

struct MonitorOptions {
    std::string ids;
    double interval = 5.0;
    int count = 0;  // 0: until interrupted
    std::string csv;
    MqttOptions mqtt;
};

class CsvLog {
  public:
    explicit CsvLog(const std::string& path) : path_(path) {
        if (!path.empty()) {
            file_ = zelt::OpenFile(path, "w");
            if (file_ == nullptr) {
                BadInput(path + ": the file cannot be written.");
            }
        }
    }
    ~CsvLog() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }
    CsvLog(const CsvLog&) = delete;
    CsvLog& operator=(const CsvLog&) = delete;

    // One whole line per write, flushed at once: an interrupted run leaves whole rows only.
    void Line(const std::string& text) {
        if (file_ == nullptr) {
            return;
        }
        const std::string line = text + "\n";
        if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() ||
            std::fflush(file_) != 0) {
            throw CtlError{kExitUsage, "zeltctl: " + path_ + ": the file cannot be written."};
        }
    }

  private:
    std::string path_;
    std::FILE* file_ = nullptr;
};

void RunMonitor(CtlContext& ctx, const MonitorOptions& options) {
    if (const auto ids = FleetIds(options.ids)) {
        ctx.StartUp();
        MqttMonitor mqtt(options.mqtt, ctx.app.english != 0, options.interval);
        CsvLog log(options.csv);
        RunFleetMonitor(
            ctx, *ids, options.interval, options.count,
            [&log](const std::string& line) { log.Line(line); }, mqtt);
        return;
    }
    ctx.StartUp();
    MqttMonitor mqtt(options.mqtt, ctx.app.english != 0, options.interval);
    LinkSession session(ctx);
    CsvLog log(options.csv);
    log.Line(CsvHeader());
    CtlController& controller = session.Controller();
    if (mqtt.Enabled()) {
        ReadIdentity(ctx, session);  // the device's record names the firmware
    }
    const std::string device = mqtt.AddController(session);
    if (mqtt.Removing()) {
        mqtt.Stop();  // the records are cleared: nothing to poll
        return;
    }

    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(options.interval));
    auto next = Clock::now();
    bool anyFailed = false;
    std::optional<bool> loadOn;  // as the last status read told
    for (int poll = 0; options.count == 0 || poll < options.count; ++poll) {
        if (poll > 0) {
            next += period;
            const auto wait = next - Clock::now();
            if (wait > Clock::duration::zero()) {
                zelt::SleepMs(
                    static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(wait).count()));
            }
        }
        const std::string time = IsoTimestampNow();
        const zelt::LiveReadings readings = PollLiveReadings(controller, 1, loadOn);
        loadOn = readings.loadOn;
        controller.AfterCommand();
        mqtt.AfterPoll(controller.Link(), readings, device);
        std::printf("%s\n", MonitorLine(time, readings, ctx.app.english != 0).c_str());
        std::fflush(stdout);
        log.Line(CsvRow(time, readings));
        anyFailed = anyFailed || !readings.Complete();
        controller.ThrowIfQuitRequested();  // over-voltage: reported, the row kept
    }
    mqtt.Stop();
    if (anyFailed) {
        session.Fail(zelt::Pick(ctx.app, zelt::texts::kOperationFault));
    }
}

// ------------------------------------------------------------------ get and set

struct GetOptions {
    std::string ids;
    std::string output;
    std::string from;
    bool json = false;
    bool partial = false;  // write the output file even when an item could not be read
};

void RunGet(CtlContext& ctx, const GetOptions& options) {
    ctx.StartUp();
    zelt::CCfgDocument record;  // the construction defaults
    if (!options.from.empty()) {
        record = LoadRecordFile(options.from, ctx.app.english != 0);
    }
    if (const auto ids = FleetIds(options.ids)) {
        if (options.output.empty() || options.json) {
            BadInput("get --ids writes one file per controller: give -o FOLDER (no --json).");
        }
        RunFleetGet(ctx, *ids, options.output, record, options.partial);
        return;
    }
    if (!options.output.empty()) {
        CheckOutputPath(options.output);
    }
    LinkSession session(ctx);
    session.ShowSequenceProgress();
    const zelt::GetVerdict read = session.Controller().Get(record);
    session.Settle();  // a foreign vendor ID: nothing is written
    const bool complete = read.Complete();

    // A half-read record must not replace a good file (a backup, often) unless asked for.
    if (!options.output.empty() && !complete && !options.partial) {
        std::fprintf(stderr, "%s\n",
                     zelt::StrF(ctx.app.Text("%s: not written, not every item was read (--partial "
                                             "writes what was read).",
                                             "%s: 未寫入, 並非每個參數都已讀取 (--partial "
                                             "寫入已讀取的部分)."),
                                options.output.c_str())
                         .c_str());
    } else if (!options.output.empty()) {
        Interrupt::Deferred saving;  // a save ends whole: the file or nothing, no temporary
        const zelt::CfgStoreResult stored = zelt::StoreCfgFile(options.output, ctx.app.config);
        if (!stored.ok) {
            BadInput(options.output + ": " +
                     zelt::CfgStoreProblemText(stored, ctx.app.english != 0));
        }
        Interrupt::ThrowIfInterrupted(options.output + " was written");
    }
    if (options.json || options.output.empty()) {
        nlohmann::ordered_json json = RecordToJson(ctx.app.config);
        NullUnreadFields(read.read.outcome, json);
        std::printf("%s\n", json.dump(2).c_str());
    }
    if (!complete) {
        throw CtlError{kExitController, ""};  // the summary is on standard error already
    }
}

struct SetOptions {
    std::string ids;
    std::string path;
    bool clamp = false;
};

void RunSet(CtlContext& ctx, const SetOptions& options) {
    ctx.StartUp();
    const zelt::CCfgDocument record = LoadRecordFile(options.path, ctx.app.english != 0);
    if (const auto ids = FleetIds(options.ids)) {
        RunFleetSet(ctx, *ids, record, options.clamp);
        return;
    }
    LinkSession session(ctx);
    session.ShowSequenceProgress();
    // The policy reads the identity and the status, adapts and checks the record, writes it
    // and reads it back.
    SetRecordCheck check(options.clamp, session.Controller().Progress());
    zelt::SetVerdict written;
    {
        // A signal ends the sequence between two requests, never inside one.
        Interrupt::Deferred writing;
        written = session.Controller().Set(record, check);
        session.ThrowIfInterrupted(zelt::kWriteAllItems);
    }
    session.Settle();
    if (written.stage == zelt::SetVerdict::Stage::RecordRefused) {
        check.ThrowRefusal(written.problems);
    }
    if (!written.Verified()) {
        throw CtlError{kExitController, ""};
    }
}

// ------------------------------------------------------------------ single commands

struct ClockOptions {
    bool pc = false;
    std::string time;
};

void RunClock(CtlContext& ctx, const ClockOptions& options) {
    zelt::TimeOfDay userTime;
    if (!options.time.empty()) {
        if (options.pc) {
            BadInput("give either --pc or a time, not both.");
        }
        if (!ParseClockTime(options.time, &userTime)) {
            BadInput("\"" + options.time + "\" is not a time of day in the form HH:MM:SS.");
        }
    }
    LinkSession session(ctx);
    const zelt::ClockToSend clock{options.time.empty(), userTime};
    std::optional<zelt::TimeOfDay> sent;
    {
        Interrupt::Deferred writing;
        sent = zelt::SetClock(session.Link(), zelt::Inline(), clock);
        Interrupt::ThrowIfInterrupted(sent ? "the clock was set" : "the clock was not set");
    }
    session.Settle();
    if (!sent) {
        session.Fail(zelt::Pick(ctx.app, kSetRtcFail));
    }
    std::printf("%s\n", HmsText(*sent).c_str());
}

void RunResetCount(CtlContext& ctx) {
    LinkSession session(ctx);
    bool reset = false;
    {
        Interrupt::Deferred writing;
        reset = zelt::ResetChargeCount(session.Link(), zelt::Inline());
        Interrupt::ThrowIfInterrupted(reset ? "the charge count was reset"
                                            : "the charge count was not reset");
    }
    session.Settle();
    if (!reset) {
        session.Fail(zelt::Pick(ctx.app, kResetCountFail));
    }
}

void RunMode(CtlContext& ctx) {
    LinkSession session(ctx);
    const zelt::ModeVerdict read = zelt::ReadOperatingMode(session.Link(), zelt::Inline());
    if (read.status) {
        session.Controller().TakeStatus(*read.status);
    }
    session.Settle();
    const std::optional<zelt::SwitchMode>& mode = read.mode;
    if (!mode) {
        session.Fail(zelt::Pick(ctx.app, kUpdateModeFail));
    }
    std::printf("Operating mode: %s\n",
                zelt::OperatingModeText(ctx.app, mode->operatingModeCode).c_str());
    // The lighting time applies in manual mode only, as the panel shows it.
    if (mode->operatingModeCode == kManualModeCode) {
        std::printf("Lighting time: %s\n",
                    zelt::LightingTimeText(ctx.app, mode->lightingTimeCode).c_str());
    }
}

}  // namespace

void AddLinkCommands(CLI::App& cli, CtlContext& ctx) {
    static constexpr const char* kIdsHelp =
        "RS485 IDs to work on one after the other, e.g. 3,17,20-25, or all (every ID a scan "
        "finds); RS485 implied";
    AddScanCommand(cli, ctx);
    cli.add_subcommand("detect", "find the controller on the ports that exist (Auto Detect)")
        ->callback([&ctx] { RunDetect(ctx); });

    auto statusJson = std::make_shared<bool>(false);
    auto statusIds = std::make_shared<std::string>();
    CLI::App* status =
        cli.add_subcommand("status", "read the firmware version, status and live readings once");
    status->add_flag("--json", *statusJson, "print JSON instead of lines");
    status->add_option("--ids", *statusIds, kIdsHelp);
    status->callback([&ctx, statusJson, statusIds] {
        if (const auto ids = FleetIds(*statusIds)) {
            RunFleetStatus(ctx, *ids, *statusJson);
        } else {
            RunStatus(ctx, *statusJson);
        }
    });

    auto monitorOptions = std::make_shared<MonitorOptions>();
    CLI::App* monitor =
        cli.add_subcommand("monitor", "poll status and live readings, one line per poll");
    monitor->add_option("--interval", monitorOptions->interval, "seconds between polls (5)")
        ->check(CLI::Range(0.05, 86400.0));
    monitor->add_option("--count", monitorOptions->count, "number of polls (0: until Ctrl-C)")
        ->check(CLI::NonNegativeNumber);
    monitor->add_option("--csv", monitorOptions->csv, "also write a CSV log, one row per poll");
    monitor->add_option("--ids", monitorOptions->ids, kIdsHelp);
    AddMqttOptions(*monitor, monitorOptions->mqtt);
    monitor->callback([&ctx, monitorOptions] { RunMonitor(ctx, *monitorOptions); });

    auto getOptions = std::make_shared<GetOptions>();
    CLI::App* get = cli.add_subcommand("get", "\"Get Parameters\": read the whole record");
    get->add_option("-o,--output", getOptions->output,
                    "write the record to this .cfg file (with --ids: to this folder)");
    get->add_option("--ids", getOptions->ids, kIdsHelp);
    get->add_option("--from", getOptions->from,
                    "start from this record (.cfg) instead of the construction defaults");
    get->add_flag("--json", getOptions->json, "print the record as JSON (as `cfg show` does)");
    get->add_flag("--partial", getOptions->partial,
                  "write the output file even when some items could not be read");
    get->callback([&ctx, getOptions] { RunGet(ctx, *getOptions); });

    auto setOptions = std::make_shared<SetOptions>();
    CLI::App* set = cli.add_subcommand(
        "set", "\"Set Parameters\": write a record (.cfg or JSON) to the controller");
    set->add_option("file", setOptions->path, "the record: FILE.cfg or FILE.json")->required();
    set->add_option("--ids", setOptions->ids, kIdsHelp);
    set->add_flag("--clamp", setOptions->clamp,
                  "correct values outside the controller's limits as the panel does, and print "
                  "each change, instead of refusing the record");
    set->callback([&ctx, setOptions] { RunSet(ctx, *setOptions); });

    auto clockOptions = std::make_shared<ClockOptions>();
    CLI::App* clock = cli.add_subcommand("clock", "\"Set RTC\": set the controller clock");
    clock->add_flag("--pc", clockOptions->pc, "send the PC clock (the default)");
    clock->add_option("time", clockOptions->time, "send this time, HH:MM:SS");
    clock->callback([&ctx, clockOptions] { RunClock(ctx, *clockOptions); });

    cli.add_subcommand("reset-count", "\"Reset Charge Count\"")->callback([&ctx] {
        RunResetCount(ctx);
    });
    cli.add_subcommand("mode", "\"Get Switch Mode\": read the operating mode and lighting time")
        ->callback([&ctx] { RunMode(ctx); });
}

}  // namespace zeltctl

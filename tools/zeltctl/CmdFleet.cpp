// zeltctl scan, and get | set | status | monitor with --ids: the controllers of one RS485
// line, one after the other.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>

#include "Fleet.h"
#include "Interrupt.h"
#include "LinkSession.h"
#include "MqttMonitor.h"
#include "RecordCheck.h"
#include "base/FileSystem.h"
#include "base/Ticks.h"
#include "config/CfgFile.h"
#include "link/ComPort.h"
#include "link/PortNames.h"
#include "link/Sequences.h"
#include "panel/ControllerTexts.h"
#include "policy/Finding.h"

namespace zeltctl {

namespace {

constexpr int kOneShotAttempts = 2;  // as "Get Parameters" tries each item

bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

bool ParseId(const std::string& text, int* id) {
    if (text.empty() || text.size() > 3 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    *id = std::stoi(text);
    return *id >= zelt::kFirstBusId && *id <= zelt::kLastBusId;
}

std::string OrDash(const std::string& text) {
    return text.empty() ? std::string("--") : text;
}

}  // namespace

bool ParseIdList(const std::string& text, IdList* list, std::string* error) {
    *list = IdList{};
    if (text == "all") {
        list->all = true;
        return true;
    }
    size_t at = 0;
    while (at <= text.size()) {
        const size_t comma = std::min(text.find(',', at), text.size());
        const std::string item = text.substr(at, comma - at);
        const size_t dash = item.find('-');
        int first = 0;
        int last = 0;
        const bool ok = dash == std::string::npos
                            ? ParseId(item, &first) && ParseId(item, &last)
                            : ParseId(item.substr(0, dash), &first) &&
                                  ParseId(item.substr(dash + 1), &last) && first <= last;
        if (!ok) {
            *error =
                "\"" + item + "\" in --ids is not an RS485 ID (1 to 255) or a range like 20-25";
            return false;
        }
        for (int id = first; id <= last; ++id) {
            if (std::find(list->ids.begin(), list->ids.end(), id) == list->ids.end()) {
                list->ids.push_back(id);
            }
        }
        at = comma + 1;
    }
    return true;
}

// ------------------------------------------------------------------ the line and stations

FleetLine::FleetLine(CtlContext& ctx) : ctx_(ctx) {
    ctx.options.rs485 = true;
    ctx.StartUp();
    ctx.app.commMode = zelt::kCommModeRs485;
    zelt::theComPort.SetCommMode(ctx.app.commMode);
    CheckPortSetting(ctx.app);  // the IDs come from --ids, checked on their own
    OpenPort(ctx.app);
}

FleetLine::~FleetLine() {
    zelt::theComPort.Close();
}

std::vector<zelt::BusController> FleetLine::Scan(int fromId, int toId,
                                                 zelt::CBusScan::SilentIds silentIds) {
    zelt::CBusScan scan(zelt::theComPort, zelt::ProcessTickClock(), ctx_.Trace(), fromId, toId,
                        silentIds);
    zelt::BusScanRun run(scan);
    CtlProgress progress;
    while (!run.Done()) {
        if (StderrIsTerminal()) {  // the whole bus takes about half a minute
            progress.ShowProgress(scan.StepsDone() + 1, scan.StepCount(),
                                  zelt::StrF("RS485 ID %d, %d found", scan.NextId(),
                                             static_cast<int>(run.Found().size())));
        }
        run.Step();
    }
    progress.ClearProgress();
    return run.Found();
}

bool FleetLine::Answers(int id) {
    zelt::LinkIo io{zelt::theComPort, zelt::ProcessTickClock(), ctx_.Trace()};
    return zelt::ConfirmBusId(io, id);
}

std::vector<int> FleetLine::Resolve(const IdList& list) {
    if (!list.all) {
        return list.ids;
    }
    std::vector<int> ids;
    // Every ID gets the two chances an explicit one gets: one lost reply must not leave a
    // controller out of a command that reports success.
    for (const zelt::BusController& c :
         Scan(zelt::kFirstBusId, zelt::kLastBusId, zelt::CBusScan::SilentIds::ProbedTwice)) {
        ids.push_back(c.id);
    }
    if (ids.empty()) {
        throw CtlError{kExitController, zelt::Pick(ctx_.app, zelt::kNoControllerOnBus)};
    }
    return ids;
}

// The station's own copy of the settings, at its ID.
static zelt::CMainApp StationApp(const zelt::CMainApp& app, int id) {
    zelt::CMainApp station = app;
    station.rs485Id = static_cast<uint16_t>(id);
    return station;
}

FleetStation::FleetStation(CtlContext& ctx, int id)
    : id_(id),
      app_(StationApp(ctx.app, id)),
      controller_(app_, zelt::theComPort, zelt::ProcessTickClock(), ctx.Trace()) {
    // A signal inside a deferred section ends a sequence between two requests.
    controller_.Link().SetCancelFlag(Interrupt::CancelFlag());
}

std::optional<std::string> FleetStation::ReadSerialNumber(int attempts) {
    app_.serialNumberText.clear();
    if (!ReadWithRetry(attempts, [&] { return controller_.ReadSerialNumber(); })) {
        return std::nullopt;
    }
    return app_.serialNumberText;  // empty: never programmed
}

bool FleetStation::Run(const std::function<bool()>& job) {
    if (ended_) {
        return false;
    }
    bool ok = false;
    try {
        ok = job();
        controller_.AfterCommand();
    } catch (const CtlError& e) {
        if (!e.message.empty()) {
            std::fprintf(stderr, "%s\n", e.message.c_str());
        }
        ended_ = true;
    }
    controller_.Progress().ClearProgress();  // also after a job that ended early
    ended_ = ended_ || controller_.QuitRequested();
    return ok && !ended_;
}

zelt::LiveReadings FleetStation::Poll(int attempts) {
    zelt::LiveReadings readings;
    Run([&] {
        readings = PollLiveReadings(controller_, attempts, loadOn_);
        return readings.Complete();
    });
    loadOn_ = readings.loadOn;
    return readings;
}

void FinishFleet(const std::vector<FleetOutcome>& outcomes, bool toStderr) {
    std::FILE* out = toStderr ? stderr : stdout;
    std::fprintf(out, "%-5s %-9s %s\n", "ID", "Outcome", "Detail");
    bool refused = false;
    bool failed = false;
    for (const FleetOutcome& o : outcomes) {
        const char* result = o.result == FleetOutcome::Result::Ok          ? "ok"
                             : o.result == FleetOutcome::Result::Refused   ? "refused"
                             : o.result == FleetOutcome::Result::Untouched ? "untouched"
                                                                           : "failed";
        std::fprintf(out, "%-5d %-9s %s\n", o.id, result, o.detail.c_str());
        refused = refused || o.result == FleetOutcome::Result::Refused;
        failed = failed || o.result == FleetOutcome::Result::Failed;
    }
    std::fflush(out);
    Interrupt::ThrowIfInterrupted("");
    // A refused record is the file's fault: fixing it comes before anything else.
    if (refused || failed) {
        throw CtlError{refused ? kExitUsage : kExitController, ""};
    }
}

// ------------------------------------------------------------------ scan

namespace {

struct ScanOptions {
    int from = zelt::kFirstBusId;
    int to = zelt::kLastBusId;
    bool json = false;
};

void RunScan(CtlContext& ctx, const ScanOptions& options) {
    if (options.from > options.to) {
        throw CtlError{kExitUsage, "zeltctl: --from must not be above --to."};
    }
    FleetLine line(ctx);
    const std::vector<zelt::BusController> found = line.Scan(options.from, options.to);
    if (options.json) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        auto orNull = [](const std::string& text) {
            return text.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(text);
        };
        for (const zelt::BusController& c : found) {
            nlohmann::ordered_json item;
            item["id"] = c.id;
            item["serialNumber"] = orNull(c.serialNumber);
            item["firmwareVersion"] = orNull(c.firmwareVersion);
            item["systemVoltage"] =
                c.systemVoltage != 0 ? nlohmann::ordered_json(c.systemVoltage) : nullptr;
            item["batteryVoltage"] =
                c.batteryVoltage ? nlohmann::ordered_json(std::round(*c.batteryVoltage * 100) / 100)
                                 : nullptr;
            list.push_back(item);
        }
        std::printf("%s\n", list.dump(2).c_str());
    } else {
        std::printf("%-5s %-16s %-10s %-8s %s\n", "ID", "Serial number", "Firmware", "System",
                    "Battery");
        for (const zelt::BusController& c : found) {
            std::printf("%-5d %-16s %-10s %-8s %s\n", c.id, OrDash(c.serialNumber).c_str(),
                        OrDash(c.firmwareVersion).c_str(),
                        c.systemVoltage != 0 ? zelt::StrF("%d V", c.systemVoltage).c_str() : "--",
                        c.batteryVoltage ? zelt::StrF("%.1f V", *c.batteryVoltage).c_str() : "--");
        }
    }
    std::fflush(stdout);
    if (found.empty()) {
        throw CtlError{kExitController, zelt::Pick(ctx.app, zelt::kNoControllerOnBus)};
    }
}

}  // namespace

void AddScanCommand(CLI::App& cli, CtlContext& ctx) {
    auto options = std::make_shared<ScanOptions>();
    CLI::App* scan = cli.add_subcommand(
        "scan", "walk the RS485 IDs and list every controller that answers (RS485 implied)");
    scan->add_option("--from", options->from, "first ID (1)")->check(CLI::Range(1, 255));
    scan->add_option("--to", options->to, "last ID (255)")->check(CLI::Range(1, 255));
    scan->add_flag("--json", options->json, "print a JSON array instead of a table");
    scan->callback([&ctx, options] { RunScan(ctx, *options); });
}

// ------------------------------------------------------------------ status and monitor

void RunFleetStatus(CtlContext& ctx, const IdList& list, bool json) {
    FleetLine line(ctx);
    std::vector<FleetOutcome> outcomes;
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const int id : line.Resolve(list)) {
        FleetStation station(ctx, id);
        const zelt::LiveReadings readings = station.Poll(kOneShotAttempts);
        if (json) {
            nlohmann::ordered_json row;
            row["id"] = id;
            AddReadingsToJson(readings, row);
            rows.push_back(row);
        } else {
            std::printf(
                "%s\n",
                MonitorLine(zelt::StrF("ID %-3d", id), readings, ctx.app.english != 0).c_str());
            std::fflush(stdout);
        }
        const bool ok = readings.Complete() && !station.Ended();
        outcomes.push_back({id, ok ? FleetOutcome::Result::Ok : FleetOutcome::Result::Failed,
                            !readings.AnyRead() ? "no answer"
                            : ok                ? ""
                                                : "not every reading answered"});
    }
    if (json) {
        std::printf("%s\n", rows.dump(2).c_str());
    }
    FinishFleet(outcomes, json);
}

namespace {

// The station's device at the broker, its identity read now: empty when it does not answer.
std::string AnnounceStation(FleetStation& station, MqttMonitor& mqtt) {
    std::optional<std::string> serial;
    station.Run([&] {
        if (ReadWithRetry(kOneShotAttempts, [&] { return station.Controller().ReadVersion(); })) {
            serial = station.ReadSerialNumber(kOneShotAttempts);
        }
        return serial.has_value();
    });
    if (!serial || station.Ended()) {
        return "";
    }
    // Outside the station's run: a broker that refuses ends the whole monitor.
    return mqtt.AddDevice(*serial, station.App().firmwareVersionText,
                          zelt::StrF("COM%d-%d", station.App().comPort, station.Id()));
}

}  // namespace

void RunFleetMonitor(CtlContext& ctx, const IdList& list, double interval, int count,
                     const std::function<void(const std::string&)>& csvLine, MqttMonitor& mqtt) {
    FleetLine line(ctx);
    std::vector<std::unique_ptr<FleetStation>> stations;
    std::vector<std::string> devices;
    for (const int id : line.Resolve(list)) {
        stations.push_back(std::make_unique<FleetStation>(ctx, id));
        devices.push_back(mqtt.Enabled() ? AnnounceStation(*stations.back(), mqtt) : "");
        if (mqtt.Enabled() && devices.back().empty() && !stations.back()->Ended()) {
            std::fprintf(stderr,
                         mqtt.Removing() ? "ID %d: no answer; its records were not removed\n"
                                         : "ID %d: no answer; published once it answers\n",
                         id);
        }
    }
    if (mqtt.Removing()) {
        mqtt.Stop();
        std::vector<FleetOutcome> outcomes;
        for (size_t k = 0; k < stations.size(); ++k) {
            outcomes.push_back(
                {stations[k]->Id(),
                 devices[k].empty() ? FleetOutcome::Result::Failed : FleetOutcome::Result::Ok,
                 devices[k].empty() ? "no answer" : "removed " + devices[k]});
        }
        FinishFleet(outcomes);
        return;
    }
    std::vector<int> incomplete(stations.size(), 0);
    csvLine("id," + CsvHeader());
    using Clock = std::chrono::steady_clock;
    const auto period =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(interval));
    auto next = Clock::now();
    int polls = 0;
    for (; count == 0 || polls < count; ++polls) {
        if (polls > 0) {
            next += period;
            const auto wait = next - Clock::now();
            if (wait > Clock::duration::zero()) {
                zelt::SleepMs(
                    static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(wait).count()));
            }
        }
        for (size_t k = 0; k < stations.size(); ++k) {
            FleetStation& station = *stations[k];
            const std::string time = IsoTimestampNow();
            const zelt::LiveReadings readings = station.Poll(1);
            if (mqtt.Enabled() && devices[k].empty() && readings.AnyRead()) {
                devices[k] = AnnounceStation(station, mqtt);  // silent at the start
            }
            station.Run([&] {
                mqtt.AfterPoll(station.Link(), readings, devices[k]);
                return true;
            });
            const int id = station.Id();
            std::printf("%s\n", MonitorLine(time + zelt::StrF("  ID %-3d", id), readings,
                                            ctx.app.english != 0)
                                    .c_str());
            std::fflush(stdout);
            csvLine(std::to_string(id) + "," + CsvRow(time, readings));
            incomplete[k] += readings.Complete() ? 0 : 1;
        }
    }
    mqtt.Stop();
    std::vector<FleetOutcome> outcomes;
    for (size_t k = 0; k < stations.size(); ++k) {
        const bool ok = incomplete[k] == 0 && !stations[k]->Ended();
        outcomes.push_back({stations[k]->Id(),
                            ok ? FleetOutcome::Result::Ok : FleetOutcome::Result::Failed,
                            zelt::StrF("%d of %d polls incomplete", incomplete[k], polls)});
    }
    FinishFleet(outcomes);
}

// ------------------------------------------------------------------ get and set

namespace {

void ShowStationProgress(FleetStation& station) {
    if (!StderrIsTerminal()) {
        return;
    }
    station.Link().SetProgressHook([&station](int n, int total, const std::string& name) {
        station.Controller().Progress().ShowProgress(
            n, total, zelt::StrF("ID %d: %s", station.Id(), name.c_str()));
    });
}

// <serial>.cfg, or id<N>.cfg when the serial number is unknown or not plain digits (it names
// a file); a serial number two controllers share gets the ID added.
std::string BackupName(int id, const std::string& serial, std::set<std::string>& used) {
    std::string name = zelt::StrF("id%d.cfg", id);
    if (!serial.empty() && serial.find_first_not_of("0123456789") == std::string::npos) {
        name = used.count(serial + ".cfg") == 0 ? serial + ".cfg"
                                                : zelt::StrF("%s-id%d.cfg", serial.c_str(), id);
    }
    used.insert(name);
    return name;
}

}  // namespace

void RunFleetGet(CtlContext& ctx, const IdList& list, const std::string& folder,
                 const zelt::CCfgDocument& start, bool partial) {
    std::error_code ec;
    if (!std::filesystem::is_directory(zelt::PathOf(folder), ec)) {
        throw CtlError{kExitUsage, "zeltctl: " + folder +
                                       ": with --ids, -o names an existing "
                                       "folder."};
    }
    FleetLine line(ctx);
    std::vector<FleetOutcome> outcomes;
    std::set<std::string> used;
    // A signal ends the read in flight; the files written so far stay whole.
    Interrupt::Deferred reading;
    for (const int id : line.Resolve(list)) {
        if (Interrupt::Pending() != 0) {
            outcomes.push_back({id, FleetOutcome::Result::Untouched, ""});
            continue;
        }
        FleetStation station(ctx, id);
        ShowStationProgress(station);
        if (!line.Answers(id)) {
            outcomes.push_back({id, FleetOutcome::Result::Failed, "no answer"});
            continue;
        }
        bool complete = false;
        std::optional<std::string> serial;
        station.Run([&] {
            // The read-all's own serial number names the file: no second read of it.
            const zelt::GetVerdict read = station.Controller().Get(start);
            complete = read.Complete();
            serial = read.read.serialNumber;
            return complete;
        });
        FleetOutcome outcome{id, FleetOutcome::Result::Failed, ""};
        if (station.Ended()) {
            outcome.detail = "ended by the controller's state; nothing written";
        } else if (!serial) {
            outcome.detail = "the serial number that names its file was not read; nothing written";
        } else {
            const std::string path =
                zelt::Utf8Of(zelt::PathOf(folder) / zelt::PathOf(BackupName(id, *serial, used)));
            if (!complete && (!partial || Interrupt::Pending() != 0)) {
                outcome.detail =
                    std::string(Interrupt::Pending() != 0 ? "interrupted"
                                                          : "not every item was read") +
                    "; " + path + " not written";
            } else {
                const zelt::CfgStoreResult stored = zelt::StoreCfgFile(path, station.App().config);
                if (stored.ok && complete) {
                    outcome.result = FleetOutcome::Result::Ok;
                }
                outcome.detail =
                    stored.ok
                        ? path + (complete ? "" : " (partial)")
                        : path + ": " + zelt::CfgStoreProblemText(stored, ctx.app.english != 0);
            }
        }
        outcomes.push_back(outcome);
    }
    FinishFleet(outcomes);
}

namespace {

// The number of writes of a run that succeeded (the status read, item 1, is no write).
int WritesDone(const zelt::WriteAllResult& written) {
    return static_cast<int>(
        std::count(written.outcome.ok.begin() + 1, written.outcome.ok.end(), true));
}

}  // namespace

void RunFleetSet(CtlContext& ctx, const IdList& list, const zelt::CCfgDocument& record,
                 bool clamp) {
    FleetLine line(ctx);
    std::vector<FleetOutcome> outcomes;
    // A signal ends the write in flight between two requests, never inside one; the table
    // then says what each controller holds.
    Interrupt::Deferred writing;
    for (const int id : line.Resolve(list)) {
        if (Interrupt::Pending() != 0) {
            outcomes.push_back({id, FleetOutcome::Result::Untouched, ""});
            continue;
        }
        FleetStation station(ctx, id);
        ShowStationProgress(station);
        zelt::CControllerLink& link = station.Link();
        FleetOutcome outcome{id, FleetOutcome::Result::Failed, ""};
        if (!line.Answers(id)) {
            outcomes.push_back({id, FleetOutcome::Result::Failed, "no answer"});
            continue;
        }
        station.Run([&] {
            SetRecordCheck check(clamp, station.Controller().Progress(), zelt::StrF("ID %d: ", id));
            const zelt::SetVerdict v = station.Controller().Set(record, check);
            if (v.stage == zelt::SetVerdict::Stage::RecordRefused) {
                outcome.result = FleetOutcome::Result::Refused;
                outcome.detail = "the record does not suit this controller";
                check.ThrowRefusal(v.problems);  // prints the offending fields
            }
            if (v.stage == zelt::SetVerdict::Stage::NotRun && link.Cancelled()) {
                outcome.detail = "interrupted before the first write";
            } else if (v.Cancelled()) {
                outcome.detail = zelt::StrF("interrupted after %d of %d writes",
                                            WritesDone(v.written), zelt::kWriteAllItems - 1);
            } else if (!v.WriteAllComplete()) {
                outcome.detail = "write-all failed";
            } else if (!v.readBack) {
                outcome.detail = link.Cancelled() ? "written, not verified (interrupted)"
                                                  : "written, not verified: the read-back was "
                                                    "incomplete";
            } else if (!v.differences.empty()) {
                outcome.detail = "read-back differs: " + v.differences.front();
            } else {
                outcome.result = FleetOutcome::Result::Ok;
                outcome.detail = "written and verified";
            }
            return v.Verified();
        });
        if (station.Ended() && outcome.result == FleetOutcome::Result::Failed &&
            outcome.detail.empty()) {
            outcome.detail = "ended by the controller's state";
        }
        outcomes.push_back(outcome);
    }
    FinishFleet(outcomes);
}

}  // namespace zeltctl

#pragma once
// Several controllers on one RS485 line: the ID lists of `--ids`, the bus walk of `scan`,
// and one station per controller that the fleet commands run their work on.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Controller.h"
#include "Ctl.h"
#include "LiveReadings.h"
#include "config/CfgDocument.h"
#include "link/BusScan.h"

namespace zeltctl {

// "3,17,20-25" (IDs 1 to 255, ascending ranges; repeats dropped, order kept) or "all" (every
// ID a scan of the bus finds). False and a reason on anything else.
struct IdList {
    bool all = false;
    std::vector<int> ids;
};
bool ParseIdList(const std::string& text, IdList* list, std::string* error);

// The open line in RS485 framing for a fleet command; closed again at the end.
class FleetLine {
  public:
    explicit FleetLine(CtlContext& ctx);
    ~FleetLine();
    FleetLine(const FleetLine&) = delete;
    FleetLine& operator=(const FleetLine&) = delete;

    // Walks fromId..toId; progress on standard error when it is a terminal.
    std::vector<zelt::BusController> Scan(
        int fromId, int toId,
        zelt::CBusScan::SilentIds silentIds = zelt::CBusScan::SilentIds::ProbedOnce);
    // The IDs of the list; "all" scans the whole bus first (status 1 when nothing answers).
    std::vector<int> Resolve(const IdList& list);
    // The scan's probe, confirmed (ConfirmBusId): an ID nobody answers then costs two probes
    // instead of a sequence of time-outs.
    bool Answers(int id);

  private:
    CtlContext& ctx_;
};

// One controller of the line with its own copy of the run-time values and its own controller
// (whose request to end ends only this station), addressed to its ID.
class FleetStation {
  public:
    FleetStation(CtlContext& ctx, int id);
    FleetStation(const FleetStation&) = delete;
    FleetStation& operator=(const FleetStation&) = delete;

    int Id() const { return id_; }
    zelt::CMainApp& App() { return app_; }
    CtlController& Controller() { return controller_; }
    zelt::CControllerLink& Link() { return controller_.Link(); }

    // Runs job (true on success). The battery failure's "Close Utility" and a quit request
    // (foreign vendor ID, over-voltage) end the job as a failure of this station alone.
    bool Run(const std::function<bool()>& job);
    // Status and live readings of this address, once, as the panel polls them. A station
    // that was told to end reads nothing.
    zelt::LiveReadings Poll(int attempts);
    bool Ended() const { return ended_; }
    // The serial number through the link, tried attempts times: nothing when it could not be
    // read, empty when none was ever programmed.
    std::optional<std::string> ReadSerialNumber(int attempts);

  private:
    int id_;
    zelt::CMainApp app_;
    CtlController controller_;
    bool ended_ = false;
    std::optional<bool> loadOn_;  // as the station's last status read told
};

// One line of the summary table.
struct FleetOutcome {
    int id = 0;
    enum class Result { Ok, Failed, Refused, Untouched } result = Result::Ok;
    std::string detail;
};

// Prints the table (standard output, or standard error when stdout carries JSON) and ends
// with the command's status: 128 + the signal after an interruption, 0 when every ID
// succeeded, 2 when the record check refused one, 1 otherwise.
void FinishFleet(const std::vector<FleetOutcome>& outcomes, bool toStderr = false);

// The fleet forms of the link commands (the records are loaded and checked by the caller).
void RunFleetStatus(CtlContext& ctx, const IdList& ids, bool json);
class MqttMonitor;
// Polls every station in turn; with --mqtt each station is one device of the publisher.
void RunFleetMonitor(CtlContext& ctx, const IdList& ids, double interval, int count,
                     const std::function<void(const std::string&)>& csvLine, MqttMonitor& mqtt);
void RunFleetGet(CtlContext& ctx, const IdList& ids, const std::string& folder,
                 const zelt::CCfgDocument& start, bool partial);
void RunFleetSet(CtlContext& ctx, const IdList& ids, const zelt::CCfgDocument& record, bool clamp);

void AddScanCommand(CLI::App& cli, CtlContext& ctx);

}  // namespace zeltctl

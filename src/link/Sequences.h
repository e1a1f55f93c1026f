#pragma once
// "Get Parameters" and "Set Parameters" on the wire: fixed sequences of the controller's
// commands, each item tried at most twice. One table lists every item with its command, its
// place in the run and its line in the failure summary; the sequences return what they read
// and how each item went, and the callers decide what the user sees.

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/Bilingual.h"
#include "config/CfgDocument.h"
#include "link/ControllerLink.h"

namespace zelt {

struct ReadCommand;
struct WriteCommand;

// What an item does; schedule and duration items carry their slot or step as index.
enum class SequenceStep {
    Version,
    Status,
    VoltForLoad,
    Schedule,
    Duration,
    FcvAcvOchtTc,
    Rtc,
    SwitchMode,
    LvdrPvOnOffDt,
    VModePwmFlag,
    SerialNumber,
    AdvanceBattPara,
    LvdLvr,
    PvDetect,
};

struct SequenceItem {
    SequenceStep step;
    int index;                  // slot or step, 0-based
    const ReadCommand* read;    // the command of a read item
    const WriteCommand* write;  // the command of a write item
    Bilingual failLine;         // summary line ("%d" takes index + 1); nullptr: none
    int summaryRank;            // where the line stands in the summary (the summary keeps
                                // the order the commands were first listed in, not the run's)
};

// The two sequences in run order: 26 reads; the status read and 23 writes.
std::span<const SequenceItem> ReadAllItems();
std::span<const SequenceItem> WriteAllItems();
constexpr int kReadAllItems = 26;
constexpr int kWriteAllItems = 24;

// How each item of a run went, in table order.
struct SequenceOutcome {
    std::span<const SequenceItem> items;
    std::vector<bool> ok;       // one per item; items that did not run count as failed
    bool cancelled = false;     // the run stopped early on the link's cancel flag
    bool portWentAway = false;  // the run stopped at the item whose port went away

    bool Succeeded(SequenceStep step, int index = 0) const;
    // No item with a summary line failed.
    bool AllListedSucceeded() const;
    // The header and one line per failed item with a summary line; empty when none. A run
    // that stopped because the port went away says that instead.
    std::string Summary(bool english) const;
    // The trace names of the writes that succeeded, one per line, in run order.
    std::string WrittenItems(const IFraming& framing) const;
};

// What "Get Parameters" read. record starts as the caller's record and takes every field
// that was read; a schedule with a slot that could not be read stays as it was.
struct ReadAllResult {
    SequenceOutcome outcome;
    CCfgDocument record;
    std::optional<FirmwareIdentity> identity;
    std::optional<ControllerStatus> status;
    std::optional<TimeOfDay> rtc;
    TimeOfDay rtcPcTime;  // the PC clock when rtc was read
    std::optional<std::string> serialNumber;
    std::optional<SwitchMode> switchMode;  // RS232 only
};

ReadAllResult ReadAll(CControllerLink& link, const CCfgDocument& shown);

// Item 1 of "Set Parameters": the status read, tried twice. The caller adapts and checks the
// record with it before WriteAll; nullopt when the controller did not answer.
std::optional<ControllerStatus> WriteAllStatus(CControllerLink& link);

struct WriteAllResult {
    SequenceOutcome outcome;  // item 1 (the status read) counts as succeeded
    CCfgDocument sent;        // the record as sent (ApplyWireDefaults)
    std::optional<TimeOfDay> rtcSent;
};

// Items 2 to 24 of "Set Parameters": the record must be ready to send (adapted, checked).
WriteAllResult WriteAll(CControllerLink& link, const CCfgDocument& record,
                        const ClockToSend& clock);

}  // namespace zelt

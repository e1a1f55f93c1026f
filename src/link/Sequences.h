#pragma once
// "Get Parameters", "Set Parameters" and "Reset to default": fixed sequences of the
// controller's commands, each item tried at most twice, ending in one failure summary.

#include <functional>
#include <string>
#include <vector>

#include "link/ControllerLink.h"

namespace zelt {

constexpr int kReadAllItems = 26;   // version, status, load limits, 8 slots, 8 steps, 7 more
constexpr int kWriteAllItems = 24;  // status, then 23 writes

// Which items of a read-all succeeded (status and low-battery levels have no summary line).
struct ReadAllFlags {
    bool version = true, status = true, voltForLoad = true;
    bool schedule[8] = {true, true, true, true, true, true, true, true};
    bool duration[8] = {true, true, true, true, true, true, true, true};
    bool fcvAcv = true, rtc = true, switchMode = true, lvdrPv = true, pwmFlag = true;
    bool serialNumber = true, advanceBatt = true;
};

struct WriteAllFlags {
    bool voltForLoad = true, pwmFlag = true;
    bool schedule[8] = {true, true, true, true, true, true, true, true};
    bool lvdLvr = true, fcvAcv = true, pvDetect = true;
    bool duration[8] = {true, true, true, true, true, true, true, true};
    bool advanceBatt = true, rtc = true;
};

// The summary text: header plus one line per failed item, in the table order; empty when no
// line applies.
std::string ReadAllSummary(const ReadAllFlags& flags, bool english);
std::string WriteAllSummary(const WriteAllFlags& flags, bool english);

// "Get Parameters". Shows the summary (caption "Error" / "錯誤") when an item failed, else sets
// savedToController. Returns 1 when no listed item failed; flags, when given, receives every
// item's outcome (the low-battery item has no summary line, but its failure matters).
int ReadAllParameters(CControllerLink& link, ReadAllFlags* flags = nullptr);
// Brings the record to what will be sent, after the status read and before the first write:
// the 12 V / 24 V adaptation and the record check (panel/RecordLimits.h's RecordGate). False
// stops "Set Parameters" with nothing written. Without one, the record is only adapted and
// the views refreshed.
using BeforeWrite = std::function<bool(CCfgDocument& record)>;

// "Set Parameters". Stops with "Operation fault ! ..." when the status cannot be read. Returns
// 1 when no listed item failed; 0 also when beforeWrite refused the record. flags as for
// read-all.
int WriteAllParameters(CControllerLink& link, const BeforeWrite& beforeWrite = {},
                       WriteAllFlags* flags = nullptr);
// "Reset to default": the status read (only while systemVoltage is 0) with the battery
// caption, the record's reset values, then the refresh step.
void ResetToDefault(CControllerLink& link);

}  // namespace zelt

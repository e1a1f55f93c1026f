#pragma once
// The parameter panel's five-second poll, as values: what `status` and `monitor` print.

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "Controller.h"

namespace zeltctl {

struct LiveReadings {
    bool statusRead = false;    // the controller answered the status read
    bool portWentAway = false;  // it could not: the port went away (the next poll reopens it)
    int systemVoltage = 0;      // 12 or 24 once known
    bool loadOn = false;
    // From the status byte; -1 before the status was read. Their texts are made in the
    // language of the poll when the readings are printed.
    int operatingModeCode = -1;
    int lightingTimeCode = -1;
    bool english = true;
    // A reading that failed is absent.
    std::optional<double> batteryVoltage;
    std::optional<int> stateOfCharge;
    std::optional<double> chargeVoltage;
    std::optional<double> chargeCurrent;
    std::optional<double> loadVoltage;
    std::optional<double> loadCurrent;  // as shown: 0 below 1 A while the load is off
    std::optional<int> chargeCount;

    // Every reading present.
    bool Complete() const;
    // Empty before the status was read.
    std::string OperatingModeText() const;
    std::string LightingTimeText() const;
    // The same for machines, whatever the language: "auto", "manual", "schedule" or
    // "reserved", and the lighting time in hours; nothing before the status was read.
    std::optional<std::string> OperatingModeWord() const;
    std::optional<int> LightingTimeHours() const;
};

// The words of OperatingModeWord, in code order 0..3.
extern const char* const kOperatingModeWords[4];

// One poll as the panel runs it: the status read, then (unless it failed) the current
// divisors of "MFG.ini" beside the executable and the live readings in panel order. Each read
// runs until it succeeds or has run `attempts` times: the panel's poll tries once (the next
// poll comes soon), a one-shot command twice, as "Get Parameters" does.
LiveReadings PollLiveReadings(CtlController& controller, int attempts = 1);

// Runs read until it succeeds or has run attempts times; true when it succeeded.
template <typename Read>
bool ReadWithRetry(int attempts, Read&& read) {
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (read() != 0) {
            return true;
        }
    }
    return false;
}

// The readings as JSON members (absent readings as null), named as in README's field table.
void AddReadingsToJson(const LiveReadings& readings, nlohmann::ordered_json& json);

// CSV: the header line and one row (without the newline), the row starting with time.
std::string CsvHeader();
std::string CsvRow(const std::string& time, const LiveReadings& readings);
// One line of `monitor` on the terminal.
std::string MonitorLine(const std::string& time, const LiveReadings& readings);

// The local time now in ISO 8601 with the UTC offset, "2026-03-01T18:05:09+08:00".
std::string IsoTimestampNow();

}  // namespace zeltctl

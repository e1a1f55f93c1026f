#pragma once
// What `status` and `monitor` print of a poll (policy/Poll.h): JSON members, CSV rows and the
// monitor's line, and the poll run on a zeltctl controller with its verdicts reported.

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "Controller.h"
#include "policy/Poll.h"

namespace zeltctl {

// The words of the operating mode for machines, whatever the language, in code order 0..3.
extern const char* const kOperatingModeWords[4];

// One poll of the controller's address, each read tried attempts times; loadOn is what an
// earlier poll of the same controller told. The system voltage goes to the controller's
// run-time values; a failed battery ends the command (CtlController::TakeStatus), an
// over-voltage is reported and asks it to end once the readings are shown.
zelt::LiveReadings PollLiveReadings(CtlController& controller, int attempts = 1,
                                    std::optional<bool> loadOn = std::nullopt);

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

// The readings as JSON members (unknown ones as null), named as in README's field table.
void AddReadingsToJson(const zelt::LiveReadings& readings, nlohmann::ordered_json& json);

// CSV: the header line and one row (without the newline), the row starting with time.
std::string CsvHeader();
std::string CsvRow(const std::string& time, const zelt::LiveReadings& readings);
// One line of `monitor` on the terminal; the mode in the user's language.
std::string MonitorLine(const std::string& time, const zelt::LiveReadings& readings, bool english);

// The local time now in ISO 8601 with the UTC offset, "2026-03-01T18:05:09+08:00".
std::string IsoTimestampNow();

}  // namespace zeltctl

#include "LiveReadings.h"

#include <cmath>
#include <ctime>

#include "base/FileSystem.h"
#include "base/Trace.h"
#include "config/CfgCodes.h"
#include "panel/ControllerTexts.h"

namespace zeltctl {

namespace {

// Two decimals are more than the 10-bit readings resolve.
double Rounded(double value) {
    return std::round(value * 100.0) / 100.0;
}

template <typename T>
nlohmann::ordered_json JsonOrNull(const std::optional<T>& value) {
    if (!value) {
        return nullptr;
    }
    if constexpr (std::is_floating_point_v<T>) {
        return Rounded(*value);
    } else {
        return *value;
    }
}

std::string CsvNumber(const std::optional<float>& value) {
    return value ? zelt::StrF("%.2f", *value) : std::string();
}
std::string CsvNumber(const std::optional<int>& value) {
    return value ? std::to_string(*value) : std::string();
}

std::string Shown(const std::optional<float>& value, const char* format) {
    return value ? zelt::StrF(format, *value) : std::string("--");
}

std::optional<std::string> OperatingModeWord(const zelt::LiveReadings& r) {
    const auto code = r.OperatingModeCode();
    return code ? std::optional<std::string>(kOperatingModeWords[*code & 3]) : std::nullopt;
}

std::optional<int> LightingTimeHours(const zelt::LiveReadings& r) {
    const auto code = r.LightingTimeCode();
    // Codes 0..3: 12, 10, 8 and 6 hours.
    return code ? std::optional<int>(12 - 2 * (*code & 3)) : std::nullopt;
}

std::optional<int> SystemVoltage(const zelt::LiveReadings& r) {
    return r.systemVoltage != 0 ? std::optional<int>(r.systemVoltage) : std::nullopt;
}

}  // namespace

const char* const kOperatingModeWords[4] = {"reserved", "schedule", "manual", "auto"};

zelt::LiveReadings PollLiveReadings(CtlController& controller, int attempts,
                                    std::optional<bool> loadOn) {
    zelt::CMainApp& app = controller.App();
    zelt::PollOptions options;
    options.attempts = attempts;
    const zelt::LiveReadings r =
        zelt::PollController(controller.Link(), {app.systemVoltage, loadOn}, options);
    app.chargeCurrentDivisor = r.divisors.charge;
    app.loadCurrentDivisor = r.divisors.load;
    if (r.status) {
        controller.TakeStatus(*r.status);  // throws on a failed battery
    }
    if (r.overVoltage) {
        controller.ShowError(zelt::Pick(app, zelt::texts::kOverVoltage));
        controller.RequestQuit();
    }
    return r;
}

void AddReadingsToJson(const zelt::LiveReadings& r, nlohmann::ordered_json& json) {
    json["systemVoltage"] = JsonOrNull(SystemVoltage(r));
    json["batteryVoltage"] = JsonOrNull(r.batteryVoltage);
    json["stateOfCharge"] = JsonOrNull(r.stateOfCharge);
    json["chargeVoltage"] = JsonOrNull(r.chargeVoltage);
    json["chargeCurrent"] = JsonOrNull(r.chargeCurrent);
    json["loadVoltage"] = JsonOrNull(r.loadVoltage);
    json["loadCurrent"] = JsonOrNull(r.loadCurrent);
    json["loadOn"] = JsonOrNull(r.loadOn);
    json["chargeCount"] = JsonOrNull(r.chargeCount);
    json["operatingMode"] = JsonOrNull(OperatingModeWord(r));
    json["lightingTime"] = JsonOrNull(LightingTimeHours(r));
}

std::string CsvHeader() {
    return "time,systemVoltage,batteryVoltage,stateOfCharge,chargeVoltage,chargeCurrent,"
           "loadVoltage,loadCurrent,loadOn,chargeCount,operatingMode,lightingTime";
}

std::string CsvRow(const std::string& time, const zelt::LiveReadings& r) {
    std::string row = time;
    row += ',' + CsvNumber(SystemVoltage(r));
    row += ',' + CsvNumber(r.batteryVoltage);
    row += ',' + CsvNumber(r.stateOfCharge);
    row += ',' + CsvNumber(r.chargeVoltage);
    row += ',' + CsvNumber(r.chargeCurrent);
    row += ',' + CsvNumber(r.loadVoltage);
    row += ',' + CsvNumber(r.loadCurrent);
    row += ',' + (r.loadOn ? std::string(*r.loadOn ? "1" : "0") : std::string());
    row += ',' + CsvNumber(r.chargeCount);
    row += ',' + OperatingModeWord(r).value_or("");
    row += ',' + CsvNumber(LightingTimeHours(r));
    return row;
}

std::string MonitorLine(const std::string& time, const zelt::LiveReadings& r, bool english) {
    if (!r.AnyRead()) {
        return time + (r.portWentAway ? "  no answer: the port went away" : "  no answer");
    }
    std::string line =
        time + (r.systemVoltage != 0 ? zelt::StrF("  %dV", r.systemVoltage) : std::string("  --V"));
    line += "  battery " + Shown(r.batteryVoltage, "%0.1f V");
    line += r.stateOfCharge ? zelt::StrF(" %d%%", *r.stateOfCharge) : std::string(" --%");
    line +=
        "  charge " + Shown(r.chargeVoltage, "%0.1f V") + " " + Shown(r.chargeCurrent, "%0.1f A");
    line += "  load " + Shown(r.loadVoltage, "%0.1f V") + " " + Shown(r.loadCurrent, "%0.1f A");
    line += !r.loadOn ? " --" : *r.loadOn ? " on" : " off";
    line += "  count " + (r.chargeCount ? std::to_string(*r.chargeCount) : std::string("--"));
    const auto mode = r.OperatingModeCode();
    line += "  " + (mode ? std::string(zelt::OperatingModeLabel(*mode, english)) : "--");
    return line;
}

std::string IsoTimestampNow() {
    const std::time_t now = std::time(nullptr);
    const std::tm local = zelt::LocalTimeOf(now);
    char text[40] = {};
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    const long offset = zelt::UtcOffsetSeconds(now);
    const long magnitude = offset < 0 ? -offset : offset;
    return zelt::StrF("%s%c%02ld:%02ld", text, offset < 0 ? '-' : '+', magnitude / 3600,
                      magnitude % 3600 / 60);
}

}  // namespace zeltctl

#include "LiveReadings.h"

#include <cmath>
#include <ctime>

#include "base/FileSystem.h"
#include "base/Trace.h"
#include "config/CfgCodes.h"
#include "link/Telemetry.h"

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

std::string CsvNumber(const std::optional<double>& value) {
    return value ? zelt::StrF("%.2f", *value) : std::string();
}
std::string CsvNumber(const std::optional<int>& value) {
    return value ? std::to_string(*value) : std::string();
}

std::string Shown(const std::optional<double>& value, const char* format) {
    return value ? zelt::StrF(format, *value) : std::string("--");
}

}  // namespace

bool LiveReadings::Complete() const {
    return statusRead && batteryVoltage && stateOfCharge && chargeVoltage && chargeCurrent &&
           loadVoltage && loadCurrent && chargeCount;
}

std::string LiveReadings::OperatingModeText() const {
    return operatingModeCode < 0
               ? std::string()
               : zelt::OperatingModeLabel(static_cast<uint8_t>(operatingModeCode), english);
}

std::string LiveReadings::LightingTimeText() const {
    return lightingTimeCode < 0
               ? std::string()
               : zelt::LightingTimeLabel(static_cast<uint8_t>(lightingTimeCode), english);
}

const char* const kOperatingModeWords[4] = {"reserved", "schedule", "manual", "auto"};

std::optional<std::string> LiveReadings::OperatingModeWord() const {
    if (operatingModeCode < 0) {
        return std::nullopt;
    }
    return kOperatingModeWords[operatingModeCode & 3];
}

std::optional<int> LiveReadings::LightingTimeHours() const {
    if (lightingTimeCode < 0) {
        return std::nullopt;
    }
    return 12 - 2 * (lightingTimeCode & 3);  // codes 0..3: 12, 10, 8 and 6 hours
}

LiveReadings PollLiveReadings(CtlController& controller, int attempts) {
    LiveReadings r;
    zelt::CControllerLink& link = controller.Link();
    zelt::CMainApp& app = controller.App();
    r.english = app.english != 0;
    zelt::ControllerStatus status;
    if (!ReadWithRetry(attempts, [&] { return controller.ReadStatus(&status); })) {
        r.portWentAway = link.PortWentAway();
        return r;
    }
    r.statusRead = true;
    r.systemVoltage = app.systemVoltage;
    r.loadOn = status.loadOn;
    r.operatingModeCode = status.OperatingModeCode();
    r.lightingTimeCode = status.LightingTimeCode();

    const zelt::CurrentDivisors divisors = zelt::ReadCurrentDivisors(zelt::ExecutableFolder());
    app.chargeCurrentDivisor = divisors.charge;
    app.loadCurrentDivisor = divisors.load;
    float volts = 0;
    if (ReadWithRetry(attempts, [&] { return controller.ReadBatteryVoltage(&volts); })) {
        r.batteryVoltage = volts;
        r.stateOfCharge = zelt::StateOfCharge(volts, app.systemVoltage);
    }
    if (ReadWithRetry(attempts, [&] { return link.GetChargeVoltage(&volts); })) {
        r.chargeVoltage = volts;
    }
    float amps = 0;
    if (ReadWithRetry(attempts, [&] { return link.GetChargeCurrent(divisors.charge, &amps); })) {
        r.chargeCurrent = amps;
    }
    if (ReadWithRetry(attempts, [&] { return link.GetLoadVoltage(&volts); })) {
        r.loadVoltage = volts;
    }
    if (ReadWithRetry(attempts, [&] { return link.GetLoadCurrent(divisors.load, &amps); })) {
        r.loadCurrent = zelt::LoadCurrentShown(amps, status.loadOn);
    }
    int count = 0;
    if (ReadWithRetry(attempts, [&] { return link.GetChargeCount(&count); })) {
        r.chargeCount = count;
    }
    return r;
}

void AddReadingsToJson(const LiveReadings& r, nlohmann::ordered_json& json) {
    json["systemVoltage"] = r.statusRead ? nlohmann::ordered_json(r.systemVoltage) : nullptr;
    json["batteryVoltage"] = JsonOrNull(r.batteryVoltage);
    json["stateOfCharge"] = JsonOrNull(r.stateOfCharge);
    json["chargeVoltage"] = JsonOrNull(r.chargeVoltage);
    json["chargeCurrent"] = JsonOrNull(r.chargeCurrent);
    json["loadVoltage"] = JsonOrNull(r.loadVoltage);
    json["loadCurrent"] = JsonOrNull(r.loadCurrent);
    json["loadOn"] = r.statusRead ? nlohmann::ordered_json(r.loadOn) : nullptr;
    json["chargeCount"] = JsonOrNull(r.chargeCount);
    json["operatingMode"] =
        r.OperatingModeWord() ? nlohmann::ordered_json(*r.OperatingModeWord()) : nullptr;
    json["lightingTime"] = JsonOrNull(r.LightingTimeHours());
}

std::string CsvHeader() {
    return "time,systemVoltage,batteryVoltage,stateOfCharge,chargeVoltage,chargeCurrent,"
           "loadVoltage,loadCurrent,loadOn,chargeCount,operatingMode,lightingTime";
}

std::string CsvRow(const std::string& time, const LiveReadings& r) {
    std::string row = time;
    row += ',' + (r.statusRead ? std::to_string(r.systemVoltage) : std::string());
    row += ',' + CsvNumber(r.batteryVoltage);
    row += ',' + CsvNumber(r.stateOfCharge);
    row += ',' + CsvNumber(r.chargeVoltage);
    row += ',' + CsvNumber(r.chargeCurrent);
    row += ',' + CsvNumber(r.loadVoltage);
    row += ',' + CsvNumber(r.loadCurrent);
    row += ',' + (r.statusRead ? std::string(r.loadOn ? "1" : "0") : std::string());
    row += ',' + CsvNumber(r.chargeCount);
    row += ',' + r.OperatingModeWord().value_or("");
    row += ',' + CsvNumber(r.LightingTimeHours());
    return row;
}

std::string MonitorLine(const std::string& time, const LiveReadings& r) {
    if (!r.statusRead) {
        return time + (r.portWentAway ? "  no answer: the port went away" : "  no answer");
    }
    std::string line = time + zelt::StrF("  %dV", r.systemVoltage);
    line += "  battery " + Shown(r.batteryVoltage, "%0.1f V");
    line += r.stateOfCharge ? zelt::StrF(" %d%%", *r.stateOfCharge) : std::string(" --%");
    line +=
        "  charge " + Shown(r.chargeVoltage, "%0.1f V") + " " + Shown(r.chargeCurrent, "%0.1f A");
    line += "  load " + Shown(r.loadVoltage, "%0.1f V") + " " + Shown(r.loadCurrent, "%0.1f A");
    line += r.loadOn ? " on" : " off";
    line += "  count " + (r.chargeCount ? std::to_string(*r.chargeCount) : std::string("--"));
    line += "  " + r.OperatingModeText();
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

#include "MqttMessages.h"

#include <cctype>
#include <ctime>
#include <nlohmann/json.hpp>

namespace zeltctl {

namespace {

using Json = nlohmann::ordered_json;

// A reading as the dashboard sees it: its key in the state object, its name, and how Home
// Assistant should class it (empty: no unit or class).
struct SensorKind {
    const char* key;
    const char* name;
    const char* unit;
    const char* deviceClass;
    const char* stateClass;
};

constexpr SensorKind kSensors[] = {
    {"batteryVoltage", "Battery voltage", "V", "voltage", "measurement"},
    {"stateOfCharge", "State of charge", "%", "battery", "measurement"},
    {"chargeVoltage", "Charge voltage", "V", "voltage", "measurement"},
    {"chargeCurrent", "Charge current", "A", "current", "measurement"},
    {"loadVoltage", "Load voltage", "V", "voltage", "measurement"},
    {"loadCurrent", "Load current", "A", "current", "measurement"},
    {"loadOn", "Load on", "", "", ""},
    {"chargeCount", "Charge count", "", "", "total_increasing"},  // a reset starts a new count
    {"operatingMode", "Operating mode", "", "", ""},
    {"controllerTime", "Controller time", "", "", ""},
};

}  // namespace

std::string MqttStateTopic(const std::string& prefix, const std::string& device) {
    return prefix + "/" + device + "/state";
}

std::string MqttAvailabilityTopic(const std::string& prefix, const std::string& device) {
    return prefix + "/" + device + "/availability";
}

std::string MqttDeviceName(const std::string& serialNumber, const std::string& fallback) {
    std::string name = serialNumber.empty() ? fallback : serialNumber;
    for (char& c : name) {
        if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '-' && c != '_') {
            c = '_';
        }
    }
    return name;
}

std::string MqttStatePayload(const LiveReadings& readings,
                             const std::optional<std::string>& controllerTime,
                             const std::string& utcTime) {
    Json all;
    AddReadingsToJson(readings, all);  // the rounding and nulls of `status --json`
    Json state;
    for (const SensorKind& sensor : kSensors) {
        if (all.contains(sensor.key)) {
            state[sensor.key] = all[sensor.key];
        }
    }
    state["controllerTime"] = controllerTime ? Json(*controllerTime) : Json(nullptr);
    state["time"] = utcTime;
    return state.dump();
}

std::vector<MqttMessage> MqttDiscoveryMessages(const std::string& prefix,
                                               const MqttDevice& device) {
    Json identity;
    identity["identifiers"] = Json::array({"zelt_" + device.name});
    identity["name"] = "ZELT controller " + device.name;
    if (!device.serialNumber.empty()) {
        identity["serial_number"] = device.serialNumber;
    }
    identity["sw_version"] = device.firmware;

    std::vector<MqttMessage> messages;
    for (const SensorKind& sensor : kSensors) {
        const std::string id = "zelt_" + device.name + "_" + sensor.key;
        Json config;
        config["name"] = sensor.name;
        config["unique_id"] = id;
        config["state_topic"] = MqttStateTopic(prefix, device.name);
        config["availability_topic"] = MqttAvailabilityTopic(prefix, device.name);
        config["value_template"] = std::string(sensor.key) == "loadOn"
                                       ? "{{ 'on' if value_json.loadOn else 'off' }}"
                                       : "{{ value_json." + std::string(sensor.key) + " }}";
        if (*sensor.unit != '\0') {
            config["unit_of_measurement"] = sensor.unit;
        }
        if (*sensor.deviceClass != '\0') {
            config["device_class"] = sensor.deviceClass;
        }
        if (*sensor.stateClass != '\0') {
            config["state_class"] = sensor.stateClass;
        }
        config["device"] = identity;
        messages.push_back({"homeassistant/sensor/" + id + "/config", config.dump()});
    }
    return messages;
}

std::string UtcTimestampNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

}  // namespace zeltctl

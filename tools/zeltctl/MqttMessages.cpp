#include "MqttMessages.h"

#include <cctype>
#include <ctime>
#include <nlohmann/json.hpp>

#include "base/FileSystem.h"

namespace zeltctl {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kManufacturer = "Quorvel";
constexpr const char* kModel = "KVRN solar lighting controller";

// An entity of the dashboard: its component, its key in the state object, its name, and how
// Home Assistant should class it (empty: no unit or class).
struct Entity {
    const char* component;
    const char* key;
    const char* name;
    const char* unit;
    const char* deviceClass;
    const char* stateClass;
    bool diagnostic;  // shown with the device's diagnostics, not its readings
};

constexpr const char* kSensor = "sensor";
constexpr const char* kBinarySensor = "binary_sensor";
constexpr const char* kConnectivityKey = "connectivity";

constexpr Entity kEntities[] = {
    {kSensor, "systemVoltage", "System voltage", "V", "voltage", "", true},
    {kSensor, "batteryVoltage", "Battery voltage", "V", "voltage", "measurement", false},
    {kSensor, "stateOfCharge", "State of charge", "%", "battery", "measurement", false},
    {kSensor, "chargeVoltage", "Charge voltage", "V", "voltage", "measurement", false},
    {kSensor, "chargeCurrent", "Charge current", "A", "current", "measurement", false},
    {kSensor, "loadVoltage", "Load voltage", "V", "voltage", "measurement", false},
    {kSensor, "loadCurrent", "Load current", "A", "current", "measurement", false},
    {kBinarySensor, "loadOn", "Load on", "", "power", "", false},
    // A reset of the count starts a new one.
    {kSensor, "chargeCount", "Charge count", "", "", "total_increasing", false},
    {kSensor, "operatingMode", "Operating mode", "", "enum", "", false},
    {kSensor, "lightingTime", "Lighting time", "h", "duration", "", false},
    {kSensor, "controllerClock", "Controller clock", "", "", "", true},
    {kBinarySensor, kConnectivityKey, "Connectivity", "", "connectivity", "", true},
};

std::string ObjectId(const std::string& device, const char* key) {
    return "zelt_" + device + "_" + key;
}

std::string ConfigTopic(const MqttDiscovery& discovery, const std::string& device,
                        const Entity& entity) {
    return discovery.prefix + "/" + entity.component + "/" + ObjectId(device, entity.key) +
           "/config";
}

Json EntityConfig(const MqttDiscovery& discovery, const MqttDevice& device, const Entity& entity,
                  const Json& identity, const Json& origin) {
    const std::string key = entity.key;
    Json config;
    config["name"] = entity.name;
    config["unique_id"] = ObjectId(device.name, entity.key);
    const std::string availability = MqttAvailabilityTopic(discovery.statePrefix, device.name);
    if (key == kConnectivityKey) {
        // The availability itself: retained, and never unavailable.
        config["state_topic"] = availability;
        config["payload_on"] = "online";
        config["payload_off"] = "offline";
    } else {
        config["state_topic"] = MqttStateTopic(discovery.statePrefix, device.name);
        config["availability_topic"] = availability;
        config["value_template"] = key == "loadOn" ? "{{ 'ON' if value_json.loadOn else 'OFF' }}"
                                                   : "{{ value_json." + key + " }}";
        config["expire_after"] = discovery.expireAfterSeconds;
    }
    if (*entity.unit != '\0') {
        config["unit_of_measurement"] = entity.unit;
    }
    if (*entity.deviceClass != '\0') {
        config["device_class"] = entity.deviceClass;
    }
    if (key == "operatingMode") {
        config["options"] = Json(std::vector<std::string>(std::begin(kOperatingModeWords),
                                                          std::end(kOperatingModeWords)));
    }
    if (*entity.stateClass != '\0') {
        config["state_class"] = entity.stateClass;
    }
    if (entity.diagnostic) {
        config["entity_category"] = "diagnostic";
    }
    if (key == "controllerClock") {
        config["enabled_by_default"] = false;  // a new state every poll: kept out of the history
    }
    config["device"] = identity;
    config["origin"] = origin;
    return config;
}

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

std::string MqttStatePayload(const zelt::LiveReadings& readings,
                             const std::optional<std::string>& controllerClock,
                             const std::string& utcTime) {
    Json state;
    AddReadingsToJson(readings, state);  // the names, rounding and nulls of `status --json`
    state["controllerClock"] = controllerClock ? Json(*controllerClock) : Json(nullptr);
    state["time"] = utcTime;
    return state.dump();
}

std::vector<MqttMessage> MqttDiscoveryMessages(const MqttDiscovery& discovery,
                                               const MqttDevice& device) {
    Json identity;
    identity["identifiers"] = Json::array({"zelt_" + device.name});
    identity["name"] = "ZELT controller " + device.name;
    identity["manufacturer"] = kManufacturer;
    identity["model"] = kModel;
    if (!device.serialNumber.empty()) {
        identity["serial_number"] = device.serialNumber;
    }
    identity["sw_version"] = device.firmware;
    Json origin;
    origin["name"] = "zeltctl";
    origin["sw_version"] = ZELT_VERSION;

    std::vector<MqttMessage> messages;
    for (const Entity& entity : kEntities) {
        messages.push_back({ConfigTopic(discovery, device.name, entity),
                            EntityConfig(discovery, device, entity, identity, origin).dump()});
    }
    return messages;
}

std::vector<MqttMessage> MqttRemovalMessages(const MqttDiscovery& discovery,
                                             const std::string& device) {
    std::vector<MqttMessage> messages;
    for (const Entity& entity : kEntities) {
        messages.push_back({ConfigTopic(discovery, device, entity), ""});
    }
    messages.push_back({MqttAvailabilityTopic(discovery.statePrefix, device), ""});
    return messages;
}

std::string UtcTimestampNow() {
    const std::time_t now = std::time(nullptr);
    const std::tm utc = zelt::UtcTimeOf(now);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

}  // namespace zeltctl

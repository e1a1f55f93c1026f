#pragma once
// What `monitor --mqtt` publishes, as topics and payloads: the readings of a poll as one JSON
// object, and the dashboard discovery records that describe each reading.

#include <optional>
#include <string>
#include <vector>

#include "LiveReadings.h"

namespace zeltctl {

struct MqttMessage {
    std::string topic;
    std::string payload;
};

// "<prefix>/<device>/state" and "<prefix>/<device>/availability".
std::string MqttStateTopic(const std::string& prefix, const std::string& device);
std::string MqttAvailabilityTopic(const std::string& prefix, const std::string& device);

// A topic level and discovery object id allow letters, digits, '-' and '_' only: anything else
// (a wildcard, a separator) becomes '_'. An empty serial number gives the fallback.
std::string MqttDeviceName(const std::string& serialNumber, const std::string& fallback);

// One poll: the readings (a failed reading is null), the controller clock "HH:MM:SS" (null when
// it was not read) and the PC time in ISO 8601 UTC.
std::string MqttStatePayload(const zelt::LiveReadings& readings,
                             const std::optional<std::string>& controllerClock,
                             const std::string& utcTime);

// What a device is to the dashboard: its name in the topics, its serial number (empty when the
// controller has none) and its firmware version.
struct MqttDevice {
    std::string name;
    std::string serialNumber;
    std::string firmware;
};

// Where the discovery records go and how long a reading stays valid.
struct MqttDiscovery {
    std::string prefix = "homeassistant";  // the dashboard's discovery prefix
    std::string statePrefix;               // the first level of the state topics
    int expireAfterSeconds = 15;           // three poll intervals
};

// One retained record per entity under "<prefix>/<component>/zelt_<device>_<key>/config":
// the readings, load-on and connectivity as binary sensors, the operating mode as an enum.
std::vector<MqttMessage> MqttDiscoveryMessages(const MqttDiscovery& discovery,
                                               const MqttDevice& device);
// The same topics with empty payloads, and the availability's: retained, they remove the
// device and its records from the broker and the dashboard.
std::vector<MqttMessage> MqttRemovalMessages(const MqttDiscovery& discovery,
                                             const std::string& device);

// The UTC time now, "2026-03-01T10:05:09Z".
std::string UtcTimestampNow();

}  // namespace zeltctl

#pragma once
// The --mqtt options of `monitor` as given.

#include <string>

namespace zeltctl {

struct MqttOptions {
    std::string broker;  // "HOST[:PORT]"; empty: nothing is published
    std::string prefix = "zelt";
    std::string user;
    std::string passwordFile;
    std::string caFile;
    bool noDiscovery = false;
    std::string discoveryPrefix = "homeassistant";
    bool removeDiscovery = false;
};

}  // namespace zeltctl

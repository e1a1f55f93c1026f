// The Windows build has no MQTT client library (Debian ships libmosquitto for Linux only):
// --mqtt is refused before the controller is touched, so no publisher is ever made here.
#include "MqttPublisher.h"

#include <exception>

#include "Ctl.h"

namespace zeltctl {

MqttSettings CheckMqttOptions(const MqttOptions&, bool english, double) {
    throw CtlError{kExitUsage,
                   english ? "zeltctl: --mqtt is not available in the Windows build of zeltctl."
                           : "zeltctl: Windows 版的 zeltctl 不提供 --mqtt。"};
}

// MqttMonitor holds a publisher only once CheckMqttOptions has passed, which it never does
// on this platform; these ends exist for the linker and are never reached.
MqttPublisher::MqttPublisher(MqttSettings) {
    std::terminate();
}
MqttPublisher::~MqttPublisher() = default;
void MqttPublisher::PublishDevice(const MqttDevice&) {}
void MqttPublisher::PublishState(const std::string&, const LiveReadings&,
                                 const std::optional<std::string>&) {}
void MqttPublisher::MarkOffline(const std::string&) {}
void MqttPublisher::Stop() {}
MqttDeviceSession::~MqttDeviceSession() = default;
MqttLibraryUse::MqttLibraryUse() = default;
MqttLibraryUse::~MqttLibraryUse() = default;

}  // namespace zeltctl

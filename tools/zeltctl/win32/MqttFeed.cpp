// The Windows build has no MQTT client library (Debian ships libmosquitto for Linux only):
// --mqtt is refused where the options are checked, before the controller is touched.
#include "Ctl.h"
#include "MqttMonitor.h"

namespace zeltctl {

std::unique_ptr<MqttFeed> StartMqttFeed(const MqttOptions&, bool english, double) {
    throw CtlError{kExitUsage,
                   english ? "zeltctl: --mqtt is not available in the Windows build of zeltctl."
                           : "zeltctl: Windows 版的 zeltctl 不提供 --mqtt。"};
}

const char* MqttBrokerHelp() {
    return "MQTT is not in the Windows build: there is no MQTT client library for Windows "
           "here (ends with status 2)";
}

}  // namespace zeltctl

#pragma once
// What `monitor` adds for --mqtt: the options, the controller's identity read once, and each
// poll handed to the publisher.

#include <CLI/CLI.hpp>
#include <optional>

#include "LinkSession.h"
#include "LiveReadings.h"
#include "MqttPublisher.h"

namespace zeltctl {

// --mqtt HOST[:PORT], --mqtt-prefix, --mqtt-user, --mqtt-password-file, --mqtt-cafile,
// --no-discovery.
void AddMqttOptions(CLI::App& monitor, MqttOptions& options);

class MqttMonitor {
  public:
    // Checks the options (status 2) before anything is sent; does nothing without --mqtt.
    MqttMonitor(const MqttOptions& options, bool english);

    // Reads the firmware version and serial number of the controller that the link addresses
    // now (status 1 when it does not answer), connects its session to the broker, and returns
    // its name in the topics. Once per controller (per RS485 ID) before its first poll.
    // The monitor has read the version already (for the voltage scale): only the serial number
    // is read here.
    std::string AddController(LinkSession& session);
    // The same for one station of an RS485 line (--ids), whose version is read here unless
    // versionRead: empty when its identity cannot be read, and that controller is then polled
    // but not published.
    std::string AddController(CtlController& controller, bool versionRead = false);
    // A poll whose status read failed marks the controller offline and publishes nothing;
    // otherwise the readings and the controller clock, read now, go to its state topic.
    void AfterPoll(zelt::CControllerLink& link, const LiveReadings& readings,
                   const std::string& controller);
    // "offline" and a clean disconnect: for the normal end of the loop.
    void Stop();

  private:
    std::optional<MqttSettings> settings_;
    std::optional<MqttPublisher> publisher_;
};

}  // namespace zeltctl

#pragma once
// What `monitor` adds for --mqtt: the options, the controller's identity read once, and each
// poll handed to the publisher.

#include <CLI/CLI.hpp>
#include <map>
#include <optional>

#include "LinkSession.h"
#include "LiveReadings.h"
#include "MqttPublisher.h"

namespace zeltctl {

// --mqtt HOST[:PORT], --mqtt-prefix, --mqtt-discovery-prefix, --mqtt-user,
// --mqtt-password-file, --mqtt-cafile, --no-discovery, --remove-discovery.
void AddMqttOptions(CLI::App& monitor, MqttOptions& options);

class MqttMonitor {
  public:
    // Checks the options (status 2) before anything is sent; does nothing without --mqtt.
    MqttMonitor(const MqttOptions& options, bool english, double intervalSeconds);

    bool Enabled() const { return settings_.has_value(); }
    // --remove-discovery: the devices' records are cleared and nothing is polled.
    bool Removing() const { return settings_ && settings_->removeDiscovery; }

    // Reads the serial number of the controller of the session (status 1 when it does not
    // answer), connects its device to the broker, and returns its name in the topics. The
    // monitor has read the version already (for the firmware it names).
    std::string AddController(LinkSession& session);
    // Connects the device of a controller whose identity was read: named by its serial
    // number, or by where when it has none. A refused or unreachable broker ends the tool
    // with status 1.
    std::string AddDevice(const std::string& serialNumber, const std::string& firmware,
                          const std::string& where);
    // A poll that read something: the readings and the controller clock, read now, go to the
    // state topic. The device goes offline when the readings turn stale (ReadingsFreshness):
    // one lost frame is no outage.
    void AfterPoll(zelt::CControllerLink& link, const zelt::LiveReadings& readings,
                   const std::string& device);
    // "offline" and a clean disconnect: for the normal end of the loop.
    void Stop();

  private:
    std::optional<MqttSettings> settings_;
    std::optional<MqttPublisher> publisher_;
    std::map<std::string, zelt::ReadingsFreshness> freshness_;
};

}  // namespace zeltctl

#pragma once
// What `monitor` adds for --mqtt: the options, the controller's identity read once, and each
// poll handed to the publisher.

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "LinkSession.h"
#include "LiveReadings.h"
#include "MqttOptions.h"

namespace zeltctl {

// --mqtt HOST[:PORT], --mqtt-prefix, --mqtt-discovery-prefix, --mqtt-user,
// --mqtt-password-file, --mqtt-cafile, --no-discovery, --remove-discovery.
void AddMqttOptions(CLI::App& monitor, MqttOptions& options);

// One monitor run's publishing: the devices, and each poll handed to the broker.
class MqttFeed {
  public:
    virtual ~MqttFeed() = default;
    virtual bool Removing() const = 0;
    virtual std::string AddDevice(const std::string& serialNumber, const std::string& firmware,
                                  const std::string& where) = 0;
    virtual void AfterPoll(zelt::CControllerLink& link, const zelt::LiveReadings& readings,
                           const std::string& device) = 0;
    virtual void Stop() = 0;
};

// The build's side of --mqtt, one file per build: the Linux build checks the options (status 2)
// and returns the feed; the Windows build, which has no MQTT client library, refuses --mqtt
// with status 2.
std::unique_ptr<MqttFeed> StartMqttFeed(const MqttOptions& options, bool english,
                                        double intervalSeconds);
// The help line of --mqtt, which says where the build cannot publish.
const char* MqttBrokerHelp();

class MqttMonitor {
  public:
    // Checks the options (status 2) before anything is sent; does nothing without --mqtt.
    MqttMonitor(const MqttOptions& options, bool english, double intervalSeconds);

    bool Enabled() const { return feed_ != nullptr; }
    // --remove-discovery: the devices' records are cleared and nothing is polled.
    bool Removing() const { return feed_ && feed_->Removing(); }

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
    std::unique_ptr<MqttFeed> feed_;  // only with --mqtt
};

}  // namespace zeltctl

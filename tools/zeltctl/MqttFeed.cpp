// The Linux build's --mqtt: each poll to the broker through the MQTT client library.
#include <map>
#include <optional>

#include "MqttMonitor.h"
#include "MqttPublisher.h"
#include "base/Trace.h"

namespace zeltctl {

namespace {

constexpr const char* kBrokerHelp =
    "also publish every poll to this MQTT broker, HOST[:PORT] (port 1883)";

class PublishingFeed : public MqttFeed {
  public:
    explicit PublishingFeed(MqttSettings settings) : settings_(std::move(settings)) {}

    bool Removing() const override { return settings_.removeDiscovery; }

    std::string AddDevice(const std::string& serialNumber, const std::string& firmware,
                          const std::string& where) override {
        const MqttDevice device{MqttDeviceName(serialNumber, where), serialNumber, firmware};
        if (!publisher_) {
            publisher_.emplace(settings_);
        }
        if (!publisher_->Has(device.name)) {  // two IDs of one serial number share a device
            publisher_->PublishDevice(device);
        }
        return device.name;
    }

    void AfterPoll(zelt::CControllerLink& link, const zelt::LiveReadings& readings,
                   const std::string& device) override {
        if (!publisher_) {
            return;
        }
        zelt::ReadingsFreshness& freshness = freshness_[device];
        freshness.PollEnded(readings.AnyRead(), zelt::TimeOfDay{});
        if (!readings.AnyRead()) {
            if (freshness.Stale()) {
                publisher_->MarkOffline(device);
            }
            return;
        }
        std::optional<std::string> controllerClock;
        zelt::TimeOfDay t;
        if (link.GetRtc(&t) != 0) {
            controllerClock = zelt::StrF("%02d:%02d:%02d", t.hour, t.minute, t.second);
        }
        publisher_->PublishState(device, readings, controllerClock);
    }

    void Stop() override {
        if (publisher_) {
            publisher_->Stop();
        }
    }

  private:
    MqttSettings settings_;
    std::optional<MqttPublisher> publisher_;  // made with the first device
    std::map<std::string, zelt::ReadingsFreshness> freshness_;
};

}  // namespace

std::unique_ptr<MqttFeed> StartMqttFeed(const MqttOptions& options, bool english,
                                        double intervalSeconds) {
    return std::make_unique<PublishingFeed>(CheckMqttOptions(options, english, intervalSeconds));
}

const char* MqttBrokerHelp() {
    return kBrokerHelp;
}

}  // namespace zeltctl

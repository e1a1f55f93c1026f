#include "MqttMonitor.h"

#include "base/Trace.h"
#include "panel/ControllerTexts.h"

namespace zeltctl {

namespace {
constexpr int kIdentityAttempts = 2;  // once at the start, as a one-shot command reads
}  // namespace

void AddMqttOptions(CLI::App& monitor, MqttOptions& options) {
    CLI::Option* broker =
        monitor.add_option("--mqtt", options.broker,
                           "also publish every poll to this MQTT broker, HOST[:PORT] (port 1883)");
    monitor.add_option("--mqtt-prefix", options.prefix, "first topic level (zelt)")->needs(broker);
    monitor
        .add_option("--mqtt-discovery-prefix", options.discoveryPrefix,
                    "first topic level of the Home Assistant discovery records (homeassistant)")
        ->needs(broker);
    CLI::Option* user =
        monitor.add_option("--mqtt-user", options.user, "broker user name")->needs(broker);
    monitor
        .add_option("--mqtt-password-file", options.passwordFile,
                    "read the broker password from the first line of this file")
        ->check(CLI::ExistingFile)
        ->needs(user);
    monitor
        .add_option("--mqtt-cafile", options.caFile,
                    "connect with TLS, trusting the certificate authorities in this PEM file")
        ->check(CLI::ExistingFile)
        ->needs(broker);
    CLI::Option* noDiscovery = monitor
                                   .add_flag("--no-discovery", options.noDiscovery,
                                             "publish no Home Assistant discovery records")
                                   ->needs(broker);
    monitor
        .add_flag("--remove-discovery", options.removeDiscovery,
                  "clear the retained records of the controllers from the broker (and so the "
                  "devices from Home Assistant) instead of polling")
        ->needs(broker)
        ->excludes(noDiscovery);
}

MqttMonitor::MqttMonitor(const MqttOptions& options, bool english, double intervalSeconds) {
    if (!options.broker.empty()) {
        settings_ = CheckMqttOptions(options, english, intervalSeconds);
    }
}

std::string MqttMonitor::AddController(LinkSession& session) {
    if (!settings_) {
        return "";
    }
    CtlController& controller = session.Controller();
    const zelt::CMainApp& app = controller.App();
    const bool serial =
        ReadWithRetry(kIdentityAttempts, [&] { return controller.ReadSerialNumber(); });
    session.Settle();
    if (!serial) {
        session.Fail(zelt::Pick(session.App(), zelt::texts::kOperationFault));
    }
    // A controller without a serial number is known by where it hangs.
    std::string where = zelt::StrF("COM%d", app.comPort);
    if (app.commMode != zelt::kCommModeRs232) {
        where += zelt::StrF("-%d", app.rs485Id);
    }
    return AddDevice(app.serialNumberText, app.firmwareVersionText, where);
}

std::string MqttMonitor::AddDevice(const std::string& serialNumber, const std::string& firmware,
                                   const std::string& where) {
    if (!settings_) {
        return "";
    }
    const MqttDevice device{MqttDeviceName(serialNumber, where), serialNumber, firmware};
    if (!publisher_) {
        publisher_.emplace(*settings_);
    }
    if (!publisher_->Has(device.name)) {  // two IDs of one serial number share a device
        publisher_->PublishDevice(device);
    }
    return device.name;
}

void MqttMonitor::AfterPoll(zelt::CControllerLink& link, const zelt::LiveReadings& readings,
                            const std::string& device) {
    if (!publisher_ || device.empty()) {
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

void MqttMonitor::Stop() {
    if (publisher_) {
        publisher_->Stop();
    }
}

}  // namespace zeltctl

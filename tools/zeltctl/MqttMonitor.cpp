#include "MqttMonitor.h"

#include "base/Trace.h"
#include "panel/ControllerTexts.h"

namespace zeltctl {

namespace {
constexpr int kIdentityAttempts = 2;  // once at the start, as a one-shot command reads
}  // namespace

void AddMqttOptions(CLI::App& monitor, MqttOptions& options) {
    CLI::Option* broker = monitor.add_option("--mqtt", options.broker, MqttBrokerHelp());
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
        feed_ = StartMqttFeed(options, english, intervalSeconds);
    }
}

std::string MqttMonitor::AddController(LinkSession& session) {
    if (!feed_) {
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
    return feed_ ? feed_->AddDevice(serialNumber, firmware, where) : "";
}

void MqttMonitor::AfterPoll(zelt::CControllerLink& link, const zelt::LiveReadings& readings,
                            const std::string& device) {
    if (feed_ && !device.empty()) {
        feed_->AfterPoll(link, readings, device);
    }
}

void MqttMonitor::Stop() {
    if (feed_) {
        feed_->Stop();
    }
}

}  // namespace zeltctl

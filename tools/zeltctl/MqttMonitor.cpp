#include "MqttMonitor.h"

#include "base/Trace.h"
#include "panel/ControllerTexts.h"

namespace zeltctl {

namespace {
constexpr int kIdentityAttempts = 2;  // once at the start, as a one-shot command reads
}

void AddMqttOptions(CLI::App& monitor, MqttOptions& options) {
    CLI::Option* broker =
        monitor.add_option("--mqtt", options.broker,
                           "also publish every poll to this MQTT broker, HOST[:PORT] (port 1883)");
    monitor.add_option("--mqtt-prefix", options.prefix, "first topic level (zelt)")->needs(broker);
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
    monitor
        .add_flag("--no-discovery", options.noDiscovery,
                  "publish no Home Assistant discovery records")
        ->needs(broker);
}

MqttMonitor::MqttMonitor(const MqttOptions& options, bool english) {
    if (!options.broker.empty()) {
        settings_ = CheckMqttOptions(options, english);
    }
}

std::string MqttMonitor::AddController(LinkSession& session) {
    if (!settings_) {
        return "";
    }
    const std::string name = AddController(session.Controller(), true);
    session.Settle();
    if (name.empty()) {
        session.Fail(zelt::Pick(session.App(), zelt::texts::kOperationFault));
    }
    return name;
}

std::string MqttMonitor::AddController(CtlController& controller, bool versionRead) {
    if (!settings_) {
        return "";
    }
    const zelt::CMainApp& app = controller.App();
    const bool version =
        versionRead || ReadWithRetry(kIdentityAttempts, [&] { return controller.ReadVersion(); });
    const bool serial =
        version && ReadWithRetry(kIdentityAttempts, [&] { return controller.ReadSerialNumber(); });
    if (!serial) {
        return "";
    }
    // A controller without a serial number is known by where it hangs.
    std::string where = zelt::StrF("COM%d", app.comPort);
    if (app.commMode != zelt::kCommModeRs232) {
        where += zelt::StrF("-%d", app.rs485Id);
    }
    const MqttDevice device{MqttDeviceName(app.serialNumberText, where), app.serialNumberText,
                            app.firmwareVersionText};
    if (!publisher_) {
        publisher_.emplace(*settings_);
    }
    publisher_->PublishDevice(device);
    return device.name;
}

void MqttMonitor::AfterPoll(zelt::CControllerLink& link, const LiveReadings& readings,
                            const std::string& controller) {
    if (!publisher_ || controller.empty()) {
        return;
    }
    if (!readings.statusRead) {
        publisher_->MarkOffline(controller);
        return;
    }
    std::optional<std::string> controllerTime;
    zelt::TimeOfDay t;
    if (link.GetRtc(&t) != 0) {
        controllerTime = zelt::StrF("%02d:%02d:%02d", t.hour, t.minute, t.second);
    }
    publisher_->PublishState(controller, readings, controllerTime);
}

void MqttMonitor::Stop() {
    if (publisher_) {
        publisher_->Stop();
    }
}

}  // namespace zeltctl

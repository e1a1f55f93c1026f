#include "MqttPublisher.h"

#include <mosquitto.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "Ctl.h"
#include "base/FileSystem.h"
#include "base/Trace.h"

namespace zeltctl {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int kDefaultPort = 1883;
constexpr int kKeepAliveSeconds = 30;
constexpr int kMaxBackoffSeconds = 30;
constexpr auto kAnswerWait = std::chrono::seconds(10);  // for the broker's CONNACK
constexpr auto kStopWait = std::chrono::seconds(2);     // for the broker to take "offline"
constexpr int kLoopMs = 100;

constexpr const char* kRefusedEnglish = "MQTT: the broker at %s refused the connection: %s";
constexpr const char* kRefusedChinese = "MQTT: %s 的代理伺服器拒絕連線: %s";
constexpr const char* kOnline = "online";
constexpr const char* kOffline = "offline";

[[noreturn]] void BadOption(const std::string& text) {
    throw CtlError{kExitUsage, "zeltctl: " + text};
}

// "host", "host:port" or "[v6 address]:port".
bool ParseBroker(const std::string& text, std::string* host, int* port) {
    std::string portText;
    if (!text.empty() && text.front() == '[') {
        const size_t close = text.find(']');
        if (close == std::string::npos) {
            return false;
        }
        *host = text.substr(1, close - 1);
        if (close + 1 < text.size()) {
            if (text[close + 1] != ':') {
                return false;
            }
            portText = text.substr(close + 2);
        }
    } else {
        const size_t colon = text.find(':');
        *host = text.substr(0, colon);
        if (colon != std::string::npos) {
            portText = text.substr(colon + 1);
            if (portText.find(':') != std::string::npos) {
                return false;  // a v6 address goes in brackets
            }
        }
    }
    *port = kDefaultPort;
    if (!portText.empty() || text.back() == ':') {
        if (portText.empty() || portText.size() > 5 ||
            portText.find_first_not_of("0123456789") != std::string::npos) {
            return false;
        }
        *port = std::stoi(portText);
    }
    return !host->empty() && *port >= 1 && *port <= 65535;
}

// After a failed TLS handshake: true when the broker's certificate passes without the check
// of its host name, which is then the one thing wrong with it.
bool TrustedButForTheHostName(const MqttSettings& settings) {
    bool answered = false;
    std::unique_ptr<mosquitto, void (*)(mosquitto*)> probe(mosquitto_new(nullptr, true, &answered),
                                                           &mosquitto_destroy);
    if (probe == nullptr ||
        mosquitto_tls_set(probe.get(), settings.caFile.c_str(), nullptr, nullptr, nullptr,
                          nullptr) != MOSQ_ERR_SUCCESS ||
        mosquitto_tls_insecure_set(probe.get(), true) != MOSQ_ERR_SUCCESS) {
        return false;
    }
    mosquitto_connect_callback_set(
        probe.get(), [](mosquitto*, void* flag, int) { *static_cast<bool*>(flag) = true; });
    int rc =
        mosquitto_connect(probe.get(), settings.host.c_str(), settings.port, kKeepAliveSeconds);
    const auto deadline = SteadyClock::now() + kAnswerWait;
    while (rc == MOSQ_ERR_SUCCESS && !answered && SteadyClock::now() < deadline) {
        rc = mosquitto_loop(probe.get(), kLoopMs, 1);
    }
    mosquitto_disconnect(probe.get());
    return answered;  // any answer, a refusal included, came through the handshake
}

}  // namespace

MqttLibraryUse::MqttLibraryUse() {
    mosquitto_lib_init();
}

MqttLibraryUse::~MqttLibraryUse() {
    mosquitto_lib_cleanup();
}

std::string MqttSettings::BrokerText() const {
    return (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" +
           std::to_string(port);
}

MqttSettings CheckMqttOptions(const MqttOptions& options, bool english, double intervalSeconds) {
    MqttSettings settings;
    if (!ParseBroker(options.broker, &settings.host, &settings.port)) {
        BadOption("--mqtt " + options.broker + ": give HOST or HOST:PORT (port 1 to 65535).");
    }
    for (const auto& [option, prefix] :
         {std::pair{"--mqtt-prefix", &options.prefix},
          std::pair{"--mqtt-discovery-prefix", &options.discoveryPrefix}}) {
        if (prefix->empty() || prefix->find_first_of("+#") != std::string::npos) {
            BadOption(std::string(option) + " \"" + *prefix +
                      "\": give a topic without the wildcards + and #.");
        }
    }
    settings.prefix = options.prefix;
    settings.records.prefix = options.discoveryPrefix;
    settings.records.statePrefix = options.prefix;
    settings.records.expireAfterSeconds =
        std::max(1, static_cast<int>(std::ceil(3 * intervalSeconds)));
    settings.removeDiscovery = options.removeDiscovery;
    settings.user = options.user;
    if (!options.passwordFile.empty()) {
        std::ifstream in(zelt::PathOf(options.passwordFile), std::ios::binary);
        std::string line;
        if (!in || !std::getline(in, line)) {
            BadOption(options.passwordFile + ": the password cannot be read from this file.");
        }
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        settings.password = line;
    }
    settings.caFile = options.caFile;
    settings.discovery = !options.noDiscovery;
    settings.english = english;
    return settings;
}

// ------------------------------------------------------------------ one device's connection

MqttDeviceSession::MqttDeviceSession(const MqttSettings& settings, const MqttDevice& device)
    : settings_(settings),
      device_(device),
      stateTopic_(MqttStateTopic(settings.prefix, device.name)),
      availabilityTopic_(MqttAvailabilityTopic(settings.prefix, device.name)),
      client_(mosquitto_new(zelt::StrF("zeltctl-%s-%d", device.name.c_str(), getpid()).c_str(),
                            true, this),
              &mosquitto_destroy) {
    if (client_ == nullptr) {
        Fail("MQTT: no client for the broker at %s: %s", "MQTT: 無法建立 %s 的用戶端: %s",
             "out of memory");
    }
    mosquitto_connect_callback_set(client_.get(), &MqttDeviceSession::OnConnect);
    mosquitto_publish_callback_set(client_.get(), &MqttDeviceSession::OnPublish);
    mosquitto_log_callback_set(client_.get(), &MqttDeviceSession::OnLog);
    mosquitto_will_set(client_.get(), availabilityTopic_.c_str(),
                       static_cast<int>(std::strlen(kOffline)), kOffline, 1, true);
    if (!settings.user.empty()) {
        mosquitto_username_pw_set(client_.get(), settings.user.c_str(),
                                  settings.password ? settings.password->c_str() : nullptr);
    }
    if (!settings.caFile.empty()) {
        const int rc = mosquitto_tls_set(client_.get(), settings.caFile.c_str(), nullptr, nullptr,
                                         nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            Fail("MQTT: the CA file for %s cannot be used: %s", "MQTT: %s 的 CA 檔案無法使用: %s",
                 settings.caFile + ": " + mosquitto_strerror(rc));
        }
    }

    // The first connection is made here, so that a wrong password or certificate ends the
    // tool before the first poll.
    const int rc =
        mosquitto_connect(client_.get(), settings.host.c_str(), settings.port, kKeepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS && !TlsFailed(rc)) {
        Fail("MQTT: cannot connect to the broker at %s: %s", "MQTT: 無法連上 %s 的代理伺服器: %s",
             mosquitto_strerror(rc));
    }
    // The TLS handshake may end in the connect or in the loop that waits for the answer.
    int loop = rc;
    const auto deadline = SteadyClock::now() + kAnswerWait;
    while (loop == MOSQ_ERR_SUCCESS && connectResult_ < 0 && SteadyClock::now() < deadline) {
        loop = mosquitto_loop(client_.get(), kLoopMs, 1);
    }
    if (connectResult_ < 0 && TlsFailed(loop) && TrustedButForTheHostName(settings)) {
        Fail(
            "MQTT: TLS with the broker at %s failed: its certificate is trusted but does not "
            "name %s",
            "MQTT: 與 %s 的代理伺服器之 TLS 連線失敗: 其憑證可信但未包含名稱 %s", settings.host);
    }
    if (connectResult_ < 0 && TlsFailed(loop)) {
        Fail("MQTT: TLS with the broker at %s failed: %s",
             "MQTT: 與 %s 的代理伺服器之 TLS 連線失敗: %s",
             lastError_.empty() ? std::string(mosquitto_strerror(loop)) : lastError_);
    }
    if (connectResult_ < 0 && loop != MOSQ_ERR_SUCCESS && settings.caFile.empty()) {
        // A TLS listener drops a plain connect without a word.
        Fail(
            "MQTT: the broker at %s closed the connection without answering%s (a TLS "
            "port needs --mqtt-cafile)",
            "MQTT: %s 的代理伺服器未回應即關閉連線%s (TLS 連接埠需要 --mqtt-cafile)", "");
    }
    if (connectResult_ < 0 && loop != MOSQ_ERR_SUCCESS) {
        Fail("MQTT: the broker at %s closed the connection: %s",
             "MQTT: %s 的代理伺服器關閉了連線: %s",
             lastError_.empty() ? std::string(mosquitto_strerror(loop)) : lastError_);
    }
    if (connectResult_ < 0) {
        Fail("MQTT: the broker at %s does not answer%s", "MQTT: %s 的代理伺服器沒有回應%s", "");
    }
    if (connectResult_ != 0) {
        Fail(kRefusedEnglish, kRefusedChinese, mosquitto_connack_string(connectResult_));
    }
    mosquitto_threaded_set(client_.get(), true);
    serving_ = true;  // publishes come from the polling thread
    service_ = std::thread([this] { Serve(); });
}

MqttDeviceSession::~MqttDeviceSession() {
    Stop();
}

void MqttDeviceSession::Report(const char* english, const char* chinese,
                               const std::string& detail) const {
    const std::string text = zelt::StrF(settings_.english ? english : chinese,
                                        settings_.BrokerText().c_str(), detail.c_str());
    std::fprintf(stderr, "%s\n", text.c_str());  // one call: whole lines between threads
}

void MqttDeviceSession::Fail(const char* english, const char* chinese,
                             const std::string& detail) const {
    throw CtlError{kExitController,
                   "zeltctl: " + zelt::StrF(settings_.english ? english : chinese,
                                            settings_.BrokerText().c_str(), detail.c_str())};
}

bool MqttDeviceSession::TlsFailed(int result) const {
    // The library says why in an error line of its log: "OpenSSL Error[0]: ...".
    return result == MOSQ_ERR_TLS ||
           (result != MOSQ_ERR_SUCCESS && lastError_.find("OpenSSL") != std::string::npos);
}

void MqttDeviceSession::OnConnect(mosquitto*, void* self, int result) {
    static_cast<MqttDeviceSession*>(self)->Connected(result);
}

void MqttDeviceSession::OnPublish(mosquitto*, void* self, int messageId) {
    static_cast<MqttDeviceSession*>(self)->lastPublished_ = messageId;
}

void MqttDeviceSession::OnLog(mosquitto*, void* self, int level, const char* text) {
    if (level == MOSQ_LOG_ERR) {
        static_cast<MqttDeviceSession*>(self)->lastError_ = text;
    }
}

void MqttDeviceSession::Connected(int result) {
    connectResult_ = result;
    if (result != 0) {
        if (serving_ && !refusalReported_) {  // the first refusal ends the tool
            Report(kRefusedEnglish, kRefusedChinese, mosquitto_connack_string(result));
            refusalReported_ = true;
        }
        return;
    }
    connected_ = true;
    backoffSeconds_ = 1;
    refusalReported_ = false;
    if (lost_) {
        Report("MQTT: connected to the broker at %s again%s", "MQTT: 已重新連上 %s 的代理伺服器%s",
               "");
        lost_ = false;
    }
    if (settings_.removeDiscovery) {
        for (const MqttMessage& message : MqttRemovalMessages(settings_.records, device_.name)) {
            Publish(message.topic, message.payload, true);
        }
        return;
    }
    // A broker that restarted has lost what was retained: say it all again.
    PublishAvailability();
    if (settings_.discovery) {
        for (const MqttMessage& message : MqttDiscoveryMessages(settings_.records, device_)) {
            Publish(message.topic, message.payload, true);
        }
    }
}

void MqttDeviceSession::Publish(const std::string& topic, const std::string& payload, bool retain) {
    int messageId = 0;
    mosquitto_publish(client_.get(), &messageId, topic.c_str(), static_cast<int>(payload.size()),
                      payload.data(), 1, retain);
    lastSent_ = messageId;
}

void MqttDeviceSession::PublishAvailability() {
    std::lock_guard lock(mutex_);
    const char* text = available_ ? kOnline : kOffline;
    mosquitto_publish(client_.get(), nullptr, availabilityTopic_.c_str(),
                      static_cast<int>(std::strlen(text)), text, 1, true);
}

void MqttDeviceSession::SetAvailable(bool available) {
    {
        std::lock_guard lock(mutex_);
        if (available_ == available || stopped_) {
            available_ = available;
            return;
        }
        available_ = available;
    }
    if (connected_) {
        PublishAvailability();
    }
}

void MqttDeviceSession::PublishState(const std::string& payload) {
    if (connected_) {
        mosquitto_publish(client_.get(), nullptr, stateTopic_.c_str(),
                          static_cast<int>(payload.size()), payload.data(), 0, false);
    }
}

// The connection's own loop: traffic while connected; after a loss, a new attempt after 1,
// 2, 4 ... up to 30 seconds, each one said once on stderr.
void MqttDeviceSession::Serve() {
    bool socketOpen = true;
    auto nextAttempt = SteadyClock::now();
    while (!stopping_) {
        if (socketOpen) {
            const int rc = mosquitto_loop(client_.get(), kLoopMs, 1);
            if (rc == MOSQ_ERR_SUCCESS) {
                continue;
            }
            socketOpen = false;
            if (connected_.exchange(false)) {
                lost_ = true;
                Report("MQTT: lost the broker at %s (%s), reconnecting",
                       "MQTT: 與 %s 的代理伺服器連線中斷 (%s), 重新連線中", mosquitto_strerror(rc));
            }
            nextAttempt = SteadyClock::now() + std::chrono::seconds(backoffSeconds_);
            backoffSeconds_ = std::min(2 * backoffSeconds_, kMaxBackoffSeconds);
            continue;
        }
        if (SteadyClock::now() < nextAttempt) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kLoopMs));
            continue;
        }
        if (mosquitto_reconnect(client_.get()) == MOSQ_ERR_SUCCESS) {
            socketOpen = true;  // connected once the broker's answer comes through the loop
        } else {
            nextAttempt = SteadyClock::now() + std::chrono::seconds(backoffSeconds_);
            backoffSeconds_ = std::min(2 * backoffSeconds_, kMaxBackoffSeconds);
        }
    }
}

void MqttDeviceSession::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopped_ || client_.get() == nullptr) {
            stopped_ = true;
            return;
        }
        stopped_ = true;
        available_ = false;
    }
    stopping_ = true;
    if (service_.joinable()) {
        service_.join();
    }
    mosquitto_threaded_set(client_.get(), false);  // this thread alone runs the loop from here
    if (connected_) {
        // Removing: the empty records are sent and nothing follows them.
        int messageId = lastSent_;
        if (!settings_.removeDiscovery) {
            mosquitto_publish(client_.get(), &messageId, availabilityTopic_.c_str(),
                              static_cast<int>(std::strlen(kOffline)), kOffline, 1, true);
        }
        const auto deadline = SteadyClock::now() + kStopWait;
        while (lastPublished_ != messageId && SteadyClock::now() < deadline &&
               mosquitto_loop(client_.get(), kLoopMs, 1) == MOSQ_ERR_SUCCESS) {
        }
    }
    mosquitto_disconnect(client_.get());  // a clean end: the broker drops the will
    connected_ = false;
}

// ------------------------------------------------------------------ the devices of a run

MqttPublisher::MqttPublisher(MqttSettings settings) : settings_(std::move(settings)) {}

MqttPublisher::~MqttPublisher() {
    Stop();
}

void MqttPublisher::PublishDevice(const MqttDevice& device) {
    sessions_[device.name] = std::make_unique<MqttDeviceSession>(settings_, device);
}

MqttDeviceSession& MqttPublisher::Session(const std::string& device) {
    return *sessions_.at(device);
}

void MqttPublisher::PublishState(const std::string& device, const zelt::LiveReadings& readings,
                                 const std::optional<std::string>& controllerClock) {
    MqttDeviceSession& session = Session(device);
    session.SetAvailable(true);
    session.PublishState(MqttStatePayload(readings, controllerClock, UtcTimestampNow()));
}

void MqttPublisher::MarkOffline(const std::string& device) {
    Session(device).SetAvailable(false);
}

void MqttPublisher::Stop() {
    for (auto& [name, session] : sessions_) {
        session->Stop();
    }
}

}  // namespace zeltctl

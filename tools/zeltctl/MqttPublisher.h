#pragma once
// `monitor --mqtt`: live readings to an MQTT broker, one connection per controller so that
// each controller's "offline" can be its own last will.

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "LiveReadings.h"
#include "MqttMessages.h"
#include "MqttOptions.h"

struct mosquitto;

namespace zeltctl {

// Where and how to connect, checked: built before the controller is touched.
struct MqttSettings {
    std::string host;
    int port = 1883;
    std::string prefix;
    std::string user;
    std::optional<std::string> password;
    std::string caFile;
    bool discovery = true;
    MqttDiscovery records;         // where the discovery records go, and their expiry
    bool removeDiscovery = false;  // clear the devices' retained records instead of polling
    bool english = true;

    std::string BrokerText() const;  // "host:port" for messages
};

// Ends with status 2 on a broker that is not HOST[:PORT], a prefix that is empty or holds a
// wildcard, or a password file that cannot be read. Readings expire after three polls of
// intervalSeconds.
MqttSettings CheckMqttOptions(const MqttOptions& options, bool english, double intervalSeconds);

// One controller's connection: its will is its "offline"; on every connect it publishes
// "online" (or "offline" while polls fail) and its discovery records, all retained; or, to
// remove the device, empty retained records in their place. A thread
// of its own services the connection and reconnects with back-off, so that polling the
// controller never waits for the broker.
class MqttDeviceSession {
  public:
    // Connects and waits for the broker's answer: a refusal (a wrong password), a TLS failure
    // (a wrong certificate) or no broker ends the tool with status 1.
    MqttDeviceSession(const MqttSettings& settings, const MqttDevice& device);
    ~MqttDeviceSession();
    MqttDeviceSession(const MqttDeviceSession&) = delete;
    MqttDeviceSession& operator=(const MqttDeviceSession&) = delete;

    void SetAvailable(bool available);
    // Readings are live values: sent only while connected, never queued for later.
    void PublishState(const std::string& payload);
    // Publishes "offline" (a clean stop sends no will) and disconnects. Idempotent.
    void Stop();

  private:
    static void OnConnect(mosquitto* client, void* self, int result);
    static void OnPublish(mosquitto* client, void* self, int messageId);
    static void OnLog(mosquitto* client, void* self, int level, const char* text);
    void Connected(int result);
    bool TlsFailed(int result) const;
    void Publish(const std::string& topic, const std::string& payload, bool retain);
    void PublishAvailability();
    void Serve();
    void Report(const char* english, const char* chinese, const std::string& detail) const;
    [[noreturn]] void Fail(const char* english, const char* chinese,
                           const std::string& detail) const;

    const MqttSettings& settings_;
    MqttDevice device_;
    std::string stateTopic_;
    std::string availabilityTopic_;
    std::unique_ptr<mosquitto, void (*)(mosquitto*)> client_;
    std::thread service_;
    bool serving_ = false;  // the connection's thread runs: a refusal is no longer fatal
    std::atomic<bool> stopping_{false};
    std::atomic<bool> connected_{false};
    std::mutex mutex_;  // the availability and its publishing
    bool available_ = true;
    bool stopped_ = false;
    // Touched by the thread that runs the connection's loop only.
    int connectResult_ = -1;  // the broker's answer to the last connect; -1 before one
    bool lost_ = false;       // a connection was lost and not yet regained
    bool refusalReported_ = false;
    int backoffSeconds_ = 1;
    std::atomic<int> lastPublished_{0};
    std::atomic<int> lastSent_{0};  // the id of the last retained record sent
    std::string lastError_;         // the library's last error line (the TLS failure's reason)
};

// The library's global state, set up for as long as a publisher lives.
struct MqttLibraryUse {
    MqttLibraryUse();
    ~MqttLibraryUse();
    MqttLibraryUse(const MqttLibraryUse&) = delete;
    MqttLibraryUse& operator=(const MqttLibraryUse&) = delete;
};

// The devices of one monitor run, by their name in the topics.
class MqttPublisher {
  public:
    explicit MqttPublisher(MqttSettings settings);
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    const MqttSettings& Settings() const { return settings_; }
    // Connects the device (see MqttDeviceSession); once per device, before its readings.
    void PublishDevice(const MqttDevice& device);
    bool Has(const std::string& device) const { return sessions_.count(device) != 0; }
    // One good poll: the device is online and its readings go to its state topic.
    void PublishState(const std::string& device, const zelt::LiveReadings& readings,
                      const std::optional<std::string>& controllerClock);
    // A poll that failed: no readings, the device offline until one succeeds.
    void MarkOffline(const std::string& device);
    // Every device "offline", every connection closed; also run by the destructor.
    void Stop();

  private:
    MqttDeviceSession& Session(const std::string& device);

    MqttLibraryUse library_;  // first in, last out
    MqttSettings settings_;
    std::map<std::string, std::unique_ptr<MqttDeviceSession>> sessions_;
};

}  // namespace zeltctl

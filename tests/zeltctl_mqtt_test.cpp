// zeltctl monitor --mqtt end to end: kvrn-sim, zeltctl and a mosquitto broker run as separate
// processes; the broker has a configuration of its own and a free port on 127.0.0.1.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <mosquitto.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>

#include <chrono>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "support/ToolRun.h"

namespace zelt::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using Json = nlohmann::ordered_json;
using namespace std::chrono_literals;

const std::string kSerial = "12240315000742";  // kvrn-sim's
const std::string kState = "zelt/" + kSerial + "/state";
const std::string kAvailability = "zelt/" + kSerial + "/availability";

// Waits up to about five seconds for done() to hold.
template <typename Done>
bool Eventually(Done done) {
    for (int i = 0; i < 100 && !done(); ++i) {
        std::this_thread::sleep_for(50ms);
    }
    return done();
}

int FreePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(s, reinterpret_cast<sockaddr*>(&address), size);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
    close(s);
    return ntohs(address.sin_port);
}

// A subscriber to every topic, subscribed once constructed; it keeps what arrives.
class Subscriber {
  public:
    explicit Subscriber(int port) : client_(mosquitto_new(nullptr, true, this)) {
        mosquitto_message_callback_set(
            client_, [](mosquitto*, void* self, const mosquitto_message* m) {
                auto* me = static_cast<Subscriber*>(self);
                std::lock_guard lock(me->mutex_);
                me->messages_.push_back(
                    {m->topic, std::string(static_cast<const char*>(m->payload), m->payloadlen),
                     m->retain});
            });
        mosquitto_subscribe_callback_set(client_, [](mosquitto*, void* self, int, int, const int*) {
            static_cast<Subscriber*>(self)->subscribed_ = true;
        });
        EXPECT_EQ(MOSQ_ERR_SUCCESS, mosquitto_connect(client_, "127.0.0.1", port, 30));
        mosquitto_subscribe(client_, nullptr, "#", 1);
        for (int i = 0; i < 50 && !subscribed_; ++i) {
            mosquitto_loop(client_, 100, 1);
        }
        mosquitto_loop_start(client_);
    }
    ~Subscriber() {
        mosquitto_disconnect(client_);
        mosquitto_loop_stop(client_, true);
        mosquitto_destroy(client_);
    }
    // The payloads under topics that begin with start (retained ones only, when asked).
    std::vector<std::string> On(const std::string& start, bool retainedOnly = false) {
        std::lock_guard lock(mutex_);
        std::vector<std::string> payloads;
        for (const Message& m : messages_) {
            if (m.topic.rfind(start, 0) == 0 && (m.retained || !retainedOnly)) {
                payloads.push_back(m.payload);
            }
        }
        return payloads;
    }

  private:
    struct Message {
        std::string topic, payload;
        bool retained;
    };
    mosquitto* client_;
    std::mutex mutex_;
    std::vector<Message> messages_;
    std::atomic<bool> subscribed_{false};
};

// A program whose standard error goes to a file; the shell execs it, so the process id it
// prints is the program's.
class Child {
  public:
    ~Child() { Stop(); }
    void Start(const std::string& command, const std::string& errFile) {
        pipe_ = popen(("echo $$; exec " + command + " >/dev/null 2>" + errFile).c_str(), "r");
        ASSERT_EQ(1, std::fscanf(pipe_, "%d", &pid_));
    }
    void Stop() {
        if (pipe_ != nullptr) {
            kill(pid_, SIGTERM);
            pclose(pipe_);
            pipe_ = nullptr;
        }
    }

  private:
    FILE* pipe_ = nullptr;
    int pid_ = -1;
};

class ZeltctlMqtt : public ToolBench {
  protected:
    ZeltctlMqtt() { mosquitto_lib_init(); }
    ~ZeltctlMqtt() override { mosquitto_lib_cleanup(); }

    // A self-signed certificate for 127.0.0.1: NAME.pem, its key NAME.key.
    void MakeCertificate(const std::string& name) {
        ASSERT_EQ(
            0, std::system(("openssl req -x509 -newkey ec -pkeyopt "
                            "ec_paramgen_curve:prime256v1 -nodes -days 2 -subj /CN=127.0.0.1 "
                            "-addext subjectAltName=IP:127.0.0.1 -keyout " +
                            File(name + ".key") + " -out " + File(name + ".pem") + " 2>/dev/null")
                               .c_str()));
    }

    // The broker on port_, anonymous; or secured: the user "zelt" with the password "secret",
    // and TLS with the certificate "broker" on tlsPort_.
    void StartBroker(bool secured = false) {
        std::string config =
            "listener " + std::to_string(port_) + " 127.0.0.1\npersistence false\nuser root\n";
        if (secured) {
            ASSERT_EQ(0, std::system(("'" MOSQUITTO_PASSWD_PATH "' -c -b " + File("passwd") +
                                      " zelt secret")
                                         .c_str()));
            MakeCertificate("broker");
            config += "allow_anonymous false\npassword_file " + File("passwd") + "\nlistener " +
                      std::to_string(tlsPort_) + " 127.0.0.1\ncertfile " + File("broker.pem") +
                      "\nkeyfile " + File("broker.key") + "\n";
        } else {
            config += "allow_anonymous true\n";
        }
        WriteText(File("broker.conf"), config);
        broker_.Start("'" MOSQUITTO_PATH "' -c " + File("broker.conf"), File("broker.err"));
        ASSERT_TRUE(Eventually([&] {
            mosquitto* client = mosquitto_new(nullptr, true, nullptr);
            const bool up = mosquitto_connect(client, "127.0.0.1", port_, 30) == MOSQ_ERR_SUCCESS;
            mosquitto_destroy(client);
            return up;
        })) << ReadText(File("broker.err"));
    }

    std::string Mqtt() const { return " --mqtt 127.0.0.1:" + std::to_string(port_); }

    int port_ = FreePort();
    int tlsPort_ = FreePort();
    Child broker_;  // stopped before the folder goes
};

TEST_F(ZeltctlMqtt, EveryPollMatchesTheControllerAndAvailabilityAndDiscoveryAreRetained) {
    StartBroker();
    StartSim();
    // At noon the simulated readings hardly move between two commands.
    ASSERT_EQ(0, Run("--port COM12 clock 12:00:00").status);
    const ToolRun status = Run("--port COM12 status --json");
    ASSERT_EQ(0, status.status) << status.err;
    const Json expected = Json::parse(status.out);

    Subscriber live(port_);
    // The payload's values do not follow the language of the messages.
    const ToolRun run = Run("--port COM12 --lang zh monitor --count 3 --interval 0.2" + Mqtt());
    EXPECT_THAT(run.err, Not(HasSubstr("MQTT")));
    // The clean stop's "offline" comes last.
    ASSERT_TRUE(Eventually([&] {
        return !live.On(kAvailability).empty() && live.On(kAvailability).back() == "offline";
    }));
    // Every poll answered is published; on a loaded machine a reading may go unanswered (null).
    const std::vector<std::string> states = live.On(kState);
    const std::regex unanswered("no answer");
    EXPECT_EQ(3 - std::distance(std::sregex_iterator(run.out.begin(), run.out.end(), unanswered),
                                std::sregex_iterator()),
              static_cast<long>(states.size()));
    for (const std::string& payload : states) {
        const Json state = Json::parse(payload);
        std::vector<std::string> keys;
        std::transform(state.items().begin(), state.items().end(), std::back_inserter(keys),
                       [](const auto& item) { return item.key(); });
        // Named as `status --json` names them, and in its order.
        std::vector<std::string> statusKeys;
        for (const auto& item : expected.items()) {
            statusKeys.push_back(item.key());
        }
        statusKeys.erase(statusKeys.begin(), statusKeys.begin() + 3);  // port, firmware, vendor
        statusKeys.push_back("time");
        EXPECT_EQ(statusKeys, keys);
        for (const auto& [key, tolerance] :
             std::map<std::string, double>{{"batteryVoltage", 0.03},
                                           {"chargeVoltage", 0.03},
                                           {"loadVoltage", 0.03},
                                           {"chargeCurrent", 0.07},
                                           {"loadCurrent", 0.07},  // a count is 0.03 A
                                           {"stateOfCharge", 0},
                                           {"chargeCount", 0}}) {
            if (!state[key].is_null()) {
                EXPECT_NEAR(expected[key].get<double>(), state[key].get<double>(), tolerance)
                    << key;
            }
        }
        for (const char* key : {"systemVoltage", "loadOn", "operatingMode", "lightingTime"}) {
            EXPECT_EQ(expected[key], state[key]) << key;
        }
        EXPECT_THAT(state["controllerClock"].get<std::string>(), ::testing::StartsWith("12:00:"));
        EXPECT_THAT(state["time"].get<std::string>(),
                    ::testing::MatchesRegex("[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}Z"));
    }
    EXPECT_EQ("online", live.On(kAvailability).front());

    // Whoever comes later finds "offline" (the clean stop) and thirteen entity records.
    Subscriber later(port_);
    const auto record = [&](const std::string& component, const std::string& key) {
        const std::vector<std::string> found =
            later.On("homeassistant/" + component + "/zelt_" + kSerial + "_" + key + "/config");
        return found.empty() ? Json() : Json::parse(found.back());
    };
    ASSERT_TRUE(Eventually([&] { return later.On("homeassistant/", true).size() == 13; }));
    EXPECT_EQ(std::vector<std::string>({"offline"}), later.On(kAvailability, true));
    const Json battery = record("sensor", "batteryVoltage");
    EXPECT_EQ("voltage", battery["device_class"]);
    EXPECT_EQ(kState, battery["state_topic"]);
    EXPECT_EQ(1, battery["expire_after"]);  // three polls of 0.2 s, whole seconds
    EXPECT_EQ(kSerial, battery["device"]["serial_number"]);
    EXPECT_EQ("3.12", battery["device"]["sw_version"]);
    EXPECT_TRUE(battery["device"].contains("manufacturer") && battery["device"].contains("model"));
    EXPECT_EQ("zeltctl", battery["origin"]["name"]);
    EXPECT_EQ("{{ 'ON' if value_json.loadOn else 'OFF' }}",
              record("binary_sensor", "loadOn")["value_template"]);
    EXPECT_EQ(Json::array({"reserved", "schedule", "manual", "auto"}),
              record("sensor", "operatingMode")["options"]);
    EXPECT_EQ("diagnostic", record("sensor", "controllerClock")["entity_category"]);
    EXPECT_EQ(kAvailability, record("binary_sensor", "connectivity")["state_topic"]);
    // Other prefixes, and no discovery records sent.
    Subscriber quiet(port_);
    Run("--port COM12 monitor --count 1 --no-discovery --mqtt-prefix site/a" + Mqtt());
    EXPECT_TRUE(Eventually([&] { return quiet.On("site/a/" + kSerial + "/state").size() == 1; }));
    EXPECT_EQ(13u, quiet.On("homeassistant/").size());  // the retained ones only
    Run("--port COM12 monitor --count 1 --mqtt-discovery-prefix dash" + Mqtt());
    EXPECT_TRUE(Eventually([&] { return quiet.On("dash/").size() == 13; }));
    // Removal: empty retained records in place of the device's, nothing left for a newcomer.
    EXPECT_EQ(0, Run("--port COM12 monitor --remove-discovery" + Mqtt()).status);
    EXPECT_TRUE(Eventually([&] { return quiet.On("homeassistant/").size() == 26; }));
    std::this_thread::sleep_for(200ms);
    Subscriber after(port_);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(after.On("homeassistant/").empty());
    EXPECT_TRUE(after.On(kAvailability).empty());
}

TEST_F(ZeltctlMqtt, BrokerAndControllerComingAndGoingAreSurvived) {
    StartBroker();
    StartSim();
    ToolRun run;
    std::thread monitor(
        [&] { run = Run("--port COM12 monitor --count 30 --interval 0.2" + Mqtt()); });
    {
        Subscriber before(port_);
        EXPECT_TRUE(Eventually([&] { return before.On(kState).size() >= 2; }));
    }
    broker_.Stop();
    std::this_thread::sleep_for(300ms);
    StartBroker();
    Subscriber after(port_);
    // Reconnected: "online" and the discovery records again, retained by the new broker.
    EXPECT_TRUE(Eventually([&] { return after.On(kState).size() >= 2; }));
    EXPECT_EQ("online", after.On(kAvailability).at(0));
    Subscriber retained(port_);
    EXPECT_TRUE(Eventually([&] { return retained.On(kAvailability, true).size() == 1; }));
    // A controller that stops answering: "offline", and no more readings.
    StopSim();
    EXPECT_TRUE(Eventually([&] {
        return !after.On(kAvailability).empty() && after.On(kAvailability).back() == "offline";
    }));
    const size_t states = after.On(kState).size();
    monitor.join();
    EXPECT_EQ(states, after.On(kState).size());
    EXPECT_EQ(1, run.status);  // polls failed
    const std::string broker = "the broker at 127.0.0.1:" + std::to_string(port_);
    EXPECT_THAT(run.err, HasSubstr("MQTT: lost " + broker));
    EXPECT_THAT(run.err, HasSubstr("MQTT: connected to " + broker + " again"));
}

TEST_F(ZeltctlMqtt, WrongPasswordOrCertificateEndWithStatusOneAndBadOptionsWithTwo) {
    StartBroker(true);
    StartSim();
    WriteText(File("right.txt"), "secret\n");
    WriteText(File("wrong.txt"), "guess\n");
    MakeCertificate("stranger");
    const std::string user = " --mqtt-user zelt --mqtt-password-file ";
    const std::string tls = " --mqtt 127.0.0.1:" + std::to_string(tlsPort_) + " --mqtt-cafile ";
    const struct {
        std::string args;
        int status;
        std::string message;
    } cases[] = {
        {Mqtt() + user + File("right.txt"), 0, ""},
        {Mqtt() + user + File("wrong.txt"), 1,
         "refused the connection: Connection Refused: not authorised."},
        {tls + File("broker.pem") + user + File("right.txt"), 0, ""},
        {tls + File("stranger.pem") + user + File("right.txt"), 1,
         "TLS with the broker at 127.0.0.1:" + std::to_string(tlsPort_) + " failed: " +
             "OpenSSL Error[0]: error:0A000086:SSL routines::certificate verify failed"},
        {" --mqtt localhost:" + std::to_string(tlsPort_) + " --mqtt-cafile " + File("broker.pem") +
             user + File("right.txt"),
         1, "its certificate is trusted but does not name localhost"},
        {" --mqtt 127.0.0.1:" + std::to_string(tlsPort_) + user + File("right.txt"), 1,
         "closed the connection without answering (a TLS port needs --mqtt-cafile)"},
        {" --mqtt 127.0.0.1:" + std::to_string(FreePort()), 1, "cannot connect to the broker"},
        // A fleet ends as a single monitor does, before its first poll.
        {" --ids 250" + Mqtt() + user + File("wrong.txt"), 1, "refused the connection"},
        {" --ids 250 --mqtt 127.0.0.1:" + std::to_string(FreePort()), 1, "cannot connect"},
        {" --mqtt 127.0.0.1:65536", 2, "--mqtt"},
        {Mqtt() + " --mqtt-password-file " + File("right.txt"), 2, "--mqtt-user"},
        {Mqtt() + " --mqtt-prefix a/#", 2, "--mqtt-prefix"},
    };
    for (const auto& c : cases) {
        const ToolRun run = Run("--port COM12 monitor --count 1" + c.args);
        if (c.status == 0) {  // connected: the poll ran (status 1 if a reading went unanswered)
            EXPECT_THAT(run.out, HasSubstr("  12V  ")) << c.args << "\n" << run.err;
            continue;
        }
        EXPECT_EQ(c.status, run.status) << c.args << "\n" << run.err;
        EXPECT_THAT(run.err, HasSubstr(c.message)) << c.args;
        EXPECT_EQ("", run.out) << c.args;
    }
}

TEST_F(ZeltctlMqtt, FleetDevicesAreNamedBySerialNumberAndOneSilentAtStartJoinsOnceItAnswers) {
    StartBroker();
    StartSim("--bus 3,5 --fault-id 5 --drop 0.5 --seed 7");  // ID 5 misses its first two replies
    Subscriber live(port_);
    const ToolRun run = Run("--port COM12 monitor --ids 3,5 --count 15 --interval 0.1" + Mqtt());
    EXPECT_THAT(run.err, HasSubstr("ID 5: no answer; published once it answers"));
    for (const std::string serial : {"12240315000003", "12240315000005"}) {
        EXPECT_EQ(1u,
                  live.On("homeassistant/sensor/zelt_" + serial + "_batteryVoltage/config").size());
        EXPECT_FALSE(live.On("zelt/" + serial + "/state").empty()) << serial;
    }
}

}  // namespace
}  // namespace zelt::testing

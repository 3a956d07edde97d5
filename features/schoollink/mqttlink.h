#pragma once

#include <functional>
#include <memory>
#include <string>

// The MQTT connection of the school link, as the link module (a library of its own, loaded
// only when the link is on) gives it: so neither the MQTT library nor TLS is loaded into
// the program while the link is off. Plain C++ types only, so the module needs nothing of
// the program's own code.
//
// The connection lives on a thread of its own: name resolution, connecting and the TLS
// handshake never block the caller. It connects again by itself after every loss, waiting
// 1, 2, 4 and then 8 seconds between tries, until stop().
class MqttLink
{
public:
    enum class State
    {
        Connecting,
        Connected,
        Refused,
        Offline
    };

    struct Options
    {
        std::string host;
        int port = 8883;
        bool tls = true;
        std::string caFile;   // empty with TLS: the system's authorities
        std::string certFile; // the room's own certificate and key; empty: none
        std::string keyFile;
        std::string user; // empty: no user name and no password
        std::string password;
        std::string clientId;
        int keepAliveSeconds = 15;
        // Retained on the broker: onlinePayload once connected, offlinePayload as the Last
        // Will and at stop().
        std::string statusTopic;
        std::string onlinePayload = "online";
        std::string offlinePayload = "offline";
    };

    // Called on the link's own thread with every change and every refusal; reason says
    // why in the broker's or the library's words (empty when connected).
    using StateReport = std::function<void(State state, const std::string &reason)>;

    virtual ~MqttLink() = default;

    virtual void start(const Options &options, StateReport report) = 0;
    // Queues a message; dropped while not connected. Any thread.
    virtual void publish(const std::string &topic, const std::string &payload, int qos,
                         bool retain) = 0;
    // Says offlinePayload on the status topic and disconnects when connected, within about
    // a second; never waits for a connect in progress longer than that.
    virtual void stop() = 0;
};

// The module's one entry point, looked up by name: "murmlet_create_mqtt_link".
extern "C" {
using CreateMqttLink = MqttLink *(*)();
}

#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The MQTT connection of the school link, as the link module (a library of its own, loaded
// only when the link is on) gives it: so neither the MQTT library nor TLS is loaded into
// the program while the link is off. Plain C++ types only, so the module needs nothing of
// the program's own code.
//
// The connection lives on a thread of its own: name resolution, connecting and the TLS
// handshake never block the caller. It connects again by itself after every loss, waiting
// 1, 2, 4 and then 8 seconds between tries, until stop(). It may also read: the topics
// given to subscribe() are subscribed to again at every connection.
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
        // Will and at stop(). Empty: no status (a reader's connection).
        std::string statusTopic;
        std::string onlinePayload = "online";
        std::string offlinePayload = "offline";
        // A message read that is longer is handed on cut to payloadLimit + 1 bytes, so
        // the reader sees it is too long without a copy of all of it. 0: no limit.
        std::size_t payloadLimit = 0;
    };

    // Called on the link's own thread with every change and every refusal; reason says
    // why in the broker's or the library's words (empty when connected).
    using StateReport = std::function<void(State state, const std::string &reason)>;
    // Called on the link's own thread with every message read.
    using MessageReport =
        std::function<void(const std::string &topic, const std::string &payload, bool retained)>;

    virtual ~MqttLink() = default;

    // Before start(): the topic filters (wildcards allowed) to read, at QoS 0. A filter
    // the broker refuses is reported as Refused; the connection stays.
    virtual void subscribe(const std::vector<std::string> &filters, MessageReport report) = 0;
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

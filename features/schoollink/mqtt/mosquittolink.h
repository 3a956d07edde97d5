#pragma once

#include "features/schoollink/mqttlink.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

struct mosquitto;

// MqttLink over libmosquitto, MQTT 5 (so the broker says why it refuses a message). One
// thread connects, runs the client's loop and sends what publish() queued from any thread.
class MosquittoLink : public MqttLink
{
public:
    MosquittoLink();
    ~MosquittoLink() override;

    void subscribe(const std::vector<std::string> &filters, MessageReport report) override;
    void start(const Options &options, StateReport report) override;
    void publish(const std::string &topic, const std::string &payload, int qos,
                 bool retain) override;
    void stop() override;

    // What the thread and the library's callbacks share; it outlives this object when a
    // connect that hangs had to be left behind at stop().
    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
};

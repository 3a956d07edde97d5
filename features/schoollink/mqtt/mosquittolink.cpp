#if defined(_WIN32)
#include <windows.h>

#include <wincrypt.h>

#include <openssl/ssl.h>
#include <openssl/x509.h>
#endif

#include "features/schoollink/mqtt/mosquittolink.h"

#include <mosquitto.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <future>
#include <vector>

using namespace std::chrono_literals;

namespace {
// From MQTT 5 itself (libmosquitto's mqtt_protocol.h, which not every build installs).
constexpr int Mqtt5 = 5;
constexpr int NormalDisconnection = 0;
constexpr int FirstFailureCode = 0x80; // reason codes from here on are refusals
} // namespace

struct MosquittoLink::Shared
{
    Options options;
    StateReport report;          // under reportMutex: stop() may silence it from another thread
    MessageReport messageReport; // the same
    std::vector<std::string> filters;
    std::mutex reportMutex;
    mosquitto *client = nullptr;
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    std::atomic<bool> connected{false};
    std::atomic<int> refusal{0}; // the last CONNACK's refusal, 0: none
    std::promise<void> finished;
    // What publish() was given, sent by the link's thread: every call into the library
    // is made on that one thread, so it needs no threading of its own.
    struct Outgoing
    {
        std::string topic;
        std::string payload;
        int qos;
        bool retain;
    };
    std::deque<Outgoing> outbox; // under mutex
    static constexpr std::size_t OutboxLimit = 1000;

    ~Shared()
    {
        if (client)
            mosquitto_destroy(client);
    }

    void say(State state, const std::string &reason = std::string())
    {
        std::lock_guard<std::mutex> lock(reportMutex);
        if (report)
            report(state, reason);
    }

    void hand(const mosquitto_message &message)
    {
        // An empty payload (a retained message taken away) comes without a buffer.
        std::size_t length =
            message.payload && message.payloadlen > 0 ? std::size_t(message.payloadlen) : 0;
        if (options.payloadLimit > 0)
            length = std::min(length, options.payloadLimit + 1);
        const std::string payload =
            length > 0 ? std::string(static_cast<const char *>(message.payload), length)
                       : std::string();
        std::lock_guard<std::mutex> lock(reportMutex);
        if (messageReport)
            messageReport(message.topic, payload, message.retain);
    }

    bool stopRequested()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return stopping;
    }

    // Waits out the back-off; false when stop() came meanwhile.
    bool pause(std::chrono::milliseconds wait)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return !wake.wait_for(lock, wait, [this] { return stopping; });
    }

    void run();
    void sendOutbox();
    void sayGoodbye();
};

namespace {
MosquittoLink::Shared *sharedOf(void *object)
{
    return static_cast<MosquittoLink::Shared *>(object);
}

void onConnect(mosquitto *client, void *object, int reason, int, const mosquitto_property *)
{
    auto *shared = sharedOf(object);
    if (reason != 0) {
        shared->refusal = reason;
        shared->say(MqttLink::State::Refused, mosquitto_reason_string(reason));
        return;
    }
    shared->refusal = 0;
    shared->connected = true;
    const MqttLink::Options &options = shared->options;
    if (!options.statusTopic.empty())
        mosquitto_publish_v5(client, nullptr, options.statusTopic.c_str(),
                             static_cast<int>(options.onlinePayload.size()),
                             options.onlinePayload.data(), 1, true, nullptr);
    if (!shared->filters.empty()) {
        std::vector<char *> filters;
        for (std::string &filter : shared->filters)
            filters.push_back(filter.data());
        mosquitto_subscribe_multiple(client, nullptr, static_cast<int>(filters.size()),
                                     filters.data(), 0, 0, nullptr);
    }
    shared->say(MqttLink::State::Connected);
}

void onSubscribe(mosquitto *, void *object, int, int count, const int *granted,
                 const mosquitto_property *)
{
    for (int i = 0; i < count; ++i) {
        if (granted[i] >= FirstFailureCode) {
            sharedOf(object)->say(MqttLink::State::Refused, mosquitto_reason_string(granted[i]));
            return;
        }
    }
}

void onMessage(mosquitto *, void *object, const mosquitto_message *message,
               const mosquitto_property *)
{
    sharedOf(object)->hand(*message);
}

void onPublish(mosquitto *, void *object, int, int reason, const mosquitto_property *)
{
    // A refused message (an access rule, a quota) keeps the connection, but says why.
    if (reason >= FirstFailureCode)
        sharedOf(object)->say(MqttLink::State::Refused, mosquitto_reason_string(reason));
}

#if defined(_WIN32)
// OpenSSL reads no certificate store of Windows: the authorities Windows trusts (its ROOT
// store) are copied into the client's TLS context, so a broker with a certificate from a
// public authority needs no CA file there either.
void trustWindowsAuthorities(mosquitto *client)
{
    SSL_CTX *context = SSL_CTX_new(TLS_client_method());
    if (!context)
        return;
    X509_STORE *store = SSL_CTX_get_cert_store(context);
    if (HCERTSTORE roots = CertOpenSystemStoreW(0, L"ROOT")) {
        PCCERT_CONTEXT certificate = nullptr;
        while ((certificate = CertEnumCertificatesInStore(roots, certificate))) {
            const unsigned char *der = certificate->pbCertEncoded;
            if (X509 *x509 = d2i_X509(nullptr, &der, long(certificate->cbCertEncoded))) {
                X509_STORE_add_cert(store, x509);
                X509_free(x509);
            }
        }
        CertCloseStore(roots, 0);
    }
    mosquitto_void_option(client, MOSQ_OPT_SSL_CTX, context); // takes a reference
    mosquitto_int_option(client, MOSQ_OPT_SSL_CTX_WITH_DEFAULTS, 1);
    SSL_CTX_free(context);
}
#endif

void onDisconnect(mosquitto *, void *object, int, const mosquitto_property *)
{
    sharedOf(object)->connected = false;
}
} // namespace

void MosquittoLink::Shared::run()
{
    auto backOff = 1000ms;
    while (!stopRequested()) {
        say(State::Connecting);
        refusal = 0;
        // Resolves the name, connects and shakes hands for TLS, all on this thread.
        int rc = mosquitto_connect_bind_v5(client, options.host.c_str(), options.port,
                                           options.keepAliveSeconds, nullptr, nullptr);
        if (rc == MOSQ_ERR_SUCCESS) {
            while (!stopRequested()) {
                sendOutbox();
                rc = mosquitto_loop(client, 100, 1);
                if (rc != MOSQ_ERR_SUCCESS)
                    break;
                if (connected)
                    backOff = 1000ms;
            }
            if (stopRequested()) {
                sayGoodbye();
                break;
            }
        }
        connected = false;
        if (refusal == 0) {
            // An error of the system without its number is a lost connection all the same.
            const int error = errno;
            std::string reason = rc == MOSQ_ERR_ERRNO && error != 0
                                     ? std::string(strerror(error))
                                     : std::string(mosquitto_strerror(
                                           rc == MOSQ_ERR_ERRNO ? MOSQ_ERR_CONN_LOST : rc));
            say(State::Offline, reason);
        }
        if (!pause(backOff))
            break;
        backOff = std::min(backOff * 2, std::chrono::milliseconds(8000));
    }
    say(State::Offline);
    finished.set_value();
}

void MosquittoLink::Shared::sendOutbox()
{
    std::deque<Outgoing> sending;
    {
        std::lock_guard<std::mutex> lock(mutex);
        sending.swap(outbox);
    }
    for (const Outgoing &message : sending)
        mosquitto_publish_v5(client, nullptr, message.topic.c_str(),
                             static_cast<int>(message.payload.size()), message.payload.data(),
                             message.qos, message.retain, nullptr);
}

// Says offline and leaves cleanly; the broker drops the Last Will then.
void MosquittoLink::Shared::sayGoodbye()
{
    if (!connected)
        return;
    if (options.statusTopic.empty()) {
        mosquitto_disconnect_v5(client, NormalDisconnection, nullptr);
        mosquitto_loop(client, 50, 1);
        return;
    }
    int mid = 0;
    mosquitto_publish_v5(client, &mid, options.statusTopic.c_str(),
                         static_cast<int>(options.offlinePayload.size()),
                         options.offlinePayload.data(), 1, true, nullptr);
    // Long enough for the broker's acknowledgement on a working network.
    for (int i = 0; i < 10 && mosquitto_want_write(client); ++i)
        mosquitto_loop(client, 50, 1);
    mosquitto_loop(client, 100, 1);
    mosquitto_disconnect_v5(client, NormalDisconnection, nullptr);
    mosquitto_loop(client, 50, 1);
}

MosquittoLink::MosquittoLink() : m_shared(std::make_shared<Shared>())
{
    mosquitto_lib_init();
}

MosquittoLink::~MosquittoLink()
{
    stop();
}

void MosquittoLink::subscribe(const std::vector<std::string> &filters, MessageReport report)
{
    m_shared->filters = filters;
    m_shared->messageReport = std::move(report);
}

void MosquittoLink::start(const Options &options, StateReport report)
{
    Shared &shared = *m_shared;
    shared.options = options;
    shared.report = std::move(report);
    shared.client =
        mosquitto_new(options.clientId.empty() ? nullptr : options.clientId.c_str(), true, &shared);
    if (!shared.client) {
        shared.say(State::Offline, mosquitto_strerror(MOSQ_ERR_NOMEM));
        return;
    }
    mosquitto *client = shared.client;
    mosquitto_int_option(client, MOSQ_OPT_PROTOCOL_VERSION, Mqtt5);
    mosquitto_connect_v5_callback_set(client, onConnect);
    mosquitto_publish_v5_callback_set(client, onPublish);
    mosquitto_disconnect_v5_callback_set(client, onDisconnect);
    mosquitto_subscribe_v5_callback_set(client, onSubscribe);
    mosquitto_message_v5_callback_set(client, onMessage);
    if (!options.user.empty())
        mosquitto_username_pw_set(client, options.user.c_str(),
                                  options.password.empty() ? nullptr : options.password.c_str());
    if (!options.statusTopic.empty())
        mosquitto_will_set_v5(client, options.statusTopic.c_str(),
                              static_cast<int>(options.offlinePayload.size()),
                              options.offlinePayload.data(), 1, true, nullptr);
    if (options.tls) {
        const char *ca = options.caFile.empty() ? nullptr : options.caFile.c_str();
        const char *cert = options.certFile.empty() ? nullptr : options.certFile.c_str();
        const char *key = options.keyFile.empty() ? nullptr : options.keyFile.c_str();
        int rc = MOSQ_ERR_SUCCESS;
        if (ca) {
            rc = mosquitto_tls_set(client, ca, nullptr, cert, key, nullptr);
        } else {
#if defined(_WIN32)
            trustWindowsAuthorities(client);
#endif
            mosquitto_int_option(client, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
            if (cert)
                rc = mosquitto_tls_set(client, nullptr, nullptr, cert, key, nullptr);
        }
        if (rc != MOSQ_ERR_SUCCESS) {
            shared.say(State::Offline, std::string("TLS: ") + mosquitto_strerror(rc));
            return;
        }
    }
    m_thread = std::thread([shared = m_shared] { shared->run(); });
}

void MosquittoLink::publish(const std::string &topic, const std::string &payload, int qos,
                            bool retain)
{
    if (!m_shared->client || !m_shared->connected)
        return;
    mosquitto_publish_v5(m_shared->client, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                         payload.data(), qos, retain, nullptr);
}

void MosquittoLink::stop()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->stopping = true;
    }
    m_shared->wake.notify_all();
    // A connect to a host that does not answer can take minutes; the thread keeps what it
    // needs and ends on its own then, without reporting any more.
    std::future<void> finished = m_shared->finished.get_future();
    if (finished.wait_for(1500ms) == std::future_status::ready) {
        m_thread.join();
    } else {
        std::lock_guard<std::mutex> lock(m_shared->reportMutex);
        m_shared->report = nullptr;
        m_shared->messageReport = nullptr;
        m_thread.detach();
    }
}

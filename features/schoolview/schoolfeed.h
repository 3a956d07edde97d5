#pragma once

#include "features/schoollink/mqttlink.h"
#include "features/schoollink/schoollink.h"
#include "features/schoollink/schoollinkconfig.h"

#include <QByteArray>
#include <QObject>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// The School window's subscription: every room's state and status under the school link's
// topic prefix, read with the school's reader account. Messages arrive on the link's
// thread and wait in an inbox until the window takes them, all at once: the window is told
// GatherMs after the first message into an empty inbox, so a thousand rooms cost it ten
// wake-ups a second, not a thousand. The inbox is bounded: past InboxLimit waiting
// messages, newer ones are dropped and counted.
class SchoolFeed : public QObject
{
    Q_OBJECT
public:
    struct Message
    {
        QByteArray topic;
        QByteArray payload;
        bool retained = false;
    };
    using LinkFactory = std::function<std::unique_ptr<MqttLink>()>;

    static constexpr std::size_t InboxLimit = 100000;
    static constexpr int GatherMs = 100;

    explicit SchoolFeed(LinkFactory createLink, QObject *parent = nullptr);
    ~SchoolFeed() override;

    // Reads PREFIX/+/state and PREFIX/+/status from config's broker as user (stopping any
    // feed before). Without a host it stays off.
    void start(const SchoolLinkConfig &config, const QString &user, const QString &password);
    void stop();

    // The messages that came since the last call, in the order they came.
    std::vector<Message> take();
    quint64 dropped() const;

    SchoolLink::State state() const { return m_state; }
    QString reason() const { return m_reason; }

signals:
    // GatherMs after the inbox stopped being empty.
    void messagesWaiting();
    void stateChanged(SchoolLink::State state, const QString &reason);

private:
    void takeReport(MqttLink::State state, const QString &reason);

    struct Inbox
    {
        std::mutex mutex;
        std::vector<Message> messages;
        quint64 dropped = 0;
    };

    LinkFactory m_createLink;
    std::shared_ptr<Inbox> m_inbox = std::make_shared<Inbox>();
    std::unique_ptr<MqttLink> m_link;
    SchoolLink::State m_state = SchoolLink::State::Off;
    QString m_reason;
    int m_generation = 0; // reports of a link that was replaced are ignored
};

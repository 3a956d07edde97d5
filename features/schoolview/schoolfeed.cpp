#include "features/schoolview/schoolfeed.h"

#include "features/schoolview/roommessage.h"

#include <QPointer>
#include <QTimer>

SchoolFeed::SchoolFeed(LinkFactory createLink, QObject *parent)
    : QObject(parent), m_createLink(std::move(createLink))
{
}

SchoolFeed::~SchoolFeed()
{
    stop();
}

void SchoolFeed::start(const SchoolLinkConfig &config, const QString &user, const QString &password)
{
    stop();
    if (config.host.isEmpty())
        return;
    m_link = m_createLink();
    if (!m_link) {
        takeReport(MqttLink::State::Offline, QStringLiteral("the link module is missing"));
        return;
    }
    MqttLink::Options options = config.connection(user, password, QStringLiteral("murmlet-view-"));
    options.payloadLimit = std::size_t(RoomMessage::MaximumPayloadBytes);

    const int generation = ++m_generation;
    QPointer<SchoolFeed> self(this);
    const std::string prefix = config.prefix.toStdString();
    m_link->subscribe(
        {prefix + "/+/state", prefix + "/+/status"},
        [self, inbox = m_inbox](const std::string &topic, const std::string &payload,
                                bool retained) {
            bool first = false;
            {
                std::lock_guard<std::mutex> lock(inbox->mutex);
                if (inbox->messages.size() >= InboxLimit) {
                    ++inbox->dropped;
                    return;
                }
                first = inbox->messages.empty();
                inbox->messages.push_back({QByteArray::fromStdString(topic),
                                           QByteArray::fromStdString(payload), retained});
            }
            if (first)
                QMetaObject::invokeMethod(
                    self.data(),
                    [self] {
                        if (self)
                            QTimer::singleShot(GatherMs, self.data(),
                                               [self] { emit self->messagesWaiting(); });
                    },
                    Qt::QueuedConnection);
        });
    m_link->start(options, SchoolLink::reportTo(this, [this, generation](MqttLink::State state,
                                                                         const QString &reason) {
                      // Reports of a link that was replaced are ignored.
                      if (m_generation == generation)
                          takeReport(state, reason);
                  }));
}

void SchoolFeed::stop()
{
    ++m_generation;
    if (m_link) {
        m_link->stop();
        m_link.reset();
    }
    if (m_state != SchoolLink::State::Off) {
        m_state = SchoolLink::State::Off;
        m_reason.clear();
        emit stateChanged(m_state, m_reason);
    }
}

std::vector<SchoolFeed::Message> SchoolFeed::take()
{
    std::vector<Message> taken;
    std::lock_guard<std::mutex> lock(m_inbox->mutex);
    taken.swap(m_inbox->messages);
    return taken;
}

quint64 SchoolFeed::dropped() const
{
    std::lock_guard<std::mutex> lock(m_inbox->mutex);
    return m_inbox->dropped;
}

void SchoolFeed::takeReport(MqttLink::State state, const QString &reason)
{
    const SchoolLink::State now = SchoolLink::fromLink(state);
    // A refusal stays said until the next connection is made or refused.
    if (now == SchoolLink::State::Connecting && m_state == SchoolLink::State::Refused)
        return;
    if (now == m_state && reason == m_reason)
        return;
    m_state = now;
    m_reason = reason;
    emit stateChanged(m_state, m_reason);
}

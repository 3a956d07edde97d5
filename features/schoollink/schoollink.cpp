#include "features/schoollink/schoollink.h"

#include "monitor/decibels.h"
#include "session/listeningsession.h"

#include <QDateTime>
#include <QPointer>
#include <cmath>

SchoolLink::SchoolLink(ListeningSession &session, LinkFactory createLink,
                       CalibrationSource calibration, QObject *parent)
    : QObject(parent), m_session(session), m_createLink(std::move(createLink)),
      m_calibration(std::move(calibration))
{
    connect(&m_session, &ListeningSession::secondCounted, this, &SchoolLink::publishSecond);
    connect(&m_session, &ListeningSession::alarmSounded, this, &SchoolLink::publishAlarm);
}

SchoolLink::~SchoolLink()
{
    stop();
}

void SchoolLink::apply(const SchoolLinkConfig &config, const QString &password)
{
    stop();
    m_config = config;
    if (!config.enabled || config.host.isEmpty())
        return;
    m_link = m_createLink();
    if (!m_link) {
        takeReport(MqttLink::State::Offline, QStringLiteral("the link module is missing"));
        return;
    }
    MqttLink::Options options =
        config.connection(config.user, password, QStringLiteral("murmlet-"));
    options.statusTopic = config.topic(QStringLiteral("status")).toStdString();
    const int generation = ++m_generation;
    m_link->start(options,
                  reportTo(this, [this, generation](MqttLink::State state, const QString &reason) {
                      if (m_generation == generation)
                          takeReport(state, reason);
                  }));
}

MqttLink::StateReport SchoolLink::reportTo(QObject *receiver, ReportTaker take)
{
    QPointer<QObject> alive(receiver);
    return [alive, take = std::move(take)](MqttLink::State state, const std::string &reason) {
        const QString why = QString::fromStdString(reason);
        QMetaObject::invokeMethod(
            alive.data(),
            [alive, take, state, why] {
                if (alive)
                    take(state, why);
            },
            Qt::QueuedConnection);
    };
}

void SchoolLink::stop()
{
    ++m_generation;
    if (m_link) {
        m_link->stop();
        m_link.reset();
    }
    if (m_state != State::Off) {
        m_state = State::Off;
        m_reason.clear();
        emit stateChanged(m_state, m_reason);
    }
}

SchoolLink::State SchoolLink::fromLink(MqttLink::State state)
{
    switch (state) {
    case MqttLink::State::Connected:
        return State::Connected;
    case MqttLink::State::Connecting:
        return State::Connecting;
    case MqttLink::State::Refused:
        return State::Refused;
    case MqttLink::State::Offline:
        break;
    }
    return State::Offline;
}

void SchoolLink::takeReport(MqttLink::State state, const QString &reason)
{
    const State now = fromLink(state);
    // A refusal stays said until the next connection is made or refused.
    if (now == State::Connecting && m_state == State::Refused)
        return;
    if (now == State::Connected && m_config.discovery && m_link) {
        for (const LinkMessages::Retained &config : LinkMessages::discovery(m_config))
            m_link->publish(config.topic.toStdString(), config.payload.toStdString(), 1, true);
    }
    if (now == m_state && reason == m_reason)
        return;
    m_state = now;
    m_reason = reason;
    emit stateChanged(m_state, m_reason);
}

void SchoolLink::publishSecond(const ListeningSession::Second &counted)
{
    if (counted.alarmSounded) // counted in the second it went off, before its message
        ++m_alarms;
    LinkMessages::RoomSecond second;
    second.time = QDateTime::currentDateTimeUtc();
    const SessionRecord &record = m_session.record();
    if (record.size() > 0) {
        const SessionRecord::Second &row = record.at(record.size() - 1);
        second.time = QDateTime::fromMSecsSinceEpoch(row.time, Qt::UTC);
        const double dbfs = std::max(Decibels::dbfsOfPeak(row.peak), LinkMessages::SilenceDbfs);
        second.peakDbfs = dbfs;
        if (const std::optional<double> offset = m_calibration ? m_calibration() : std::nullopt)
            second.levelDb = dbfs + *offset;
        second.noisy = row.noisy;
    }
    second.noisySeconds = m_session.noiseSeconds();
    second.alarms = m_alarms;
    second.threshold = m_session.threshold();
    second.tolerance = m_session.tolerance();
    if (m_session.isPaused())
        second.pausedUntil = QDateTime::fromMSecsSinceEpoch(m_session.pauseEnd(), Qt::UTC);
    second.listening = m_session.isListening();
    second.soundComingIn = m_session.isListening() && m_session.isSignalLive();
    m_lastState = LinkMessages::state(m_config.room, second);
    if (m_link) // dropped while not connected: a reading is only worth its second
        m_link->publish(m_config.topic(QStringLiteral("state")).toStdString(),
                        m_lastState.toStdString(), 0, false);
}

void SchoolLink::publishAlarm(SoundChoice sound)
{
    if (!m_link)
        return;
    LinkMessages::Alarm alarm;
    alarm.time = QDateTime::currentDateTimeUtc();
    alarm.sound = SoundChoices::storedName(sound);
    alarm.noisySeconds = m_session.tolerance();
    const SessionRecord &record = m_session.record();
    if (record.size() > 0) {
        alarm.peakDbfs = Decibels::dbfsOfPeak(record.at(record.size() - 1).peak);
    }
    m_link->publish(m_config.topic(QStringLiteral("alarm")).toStdString(),
                    LinkMessages::alarm(m_config.room, alarm).toStdString(), 1, false);
}

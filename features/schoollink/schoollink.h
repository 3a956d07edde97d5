#pragma once

#include "features/schoollink/linkmessages.h"
#include "features/schoollink/mqttlink.h"
#include "features/schoollink/schoollinkconfig.h"
#include "monitor/soundchoice.h"
#include "session/listeningsession.h"

#include <QObject>
#include <functional>
#include <memory>
#include <optional>

// The room on the school's broker: every second of the session as a state message, every
// alarm as an alarm message, and the room's status (online, or offline as its Last Will).
// It follows the session and never touches it, so listening and alarms go on exactly the
// same whatever the network does.
class SchoolLink : public QObject
{
    Q_OBJECT
public:
    enum class State
    {
        Off,
        Connecting,
        Connected,
        Refused,
        Offline
    };

    using LinkFactory = std::function<std::unique_ptr<MqttLink>()>;
    // The calibration in force for the level_db field; none: not calibrated.
    using CalibrationSource = std::function<std::optional<double>()>;

    SchoolLink(ListeningSession &session, LinkFactory createLink, CalibrationSource calibration,
               QObject *parent = nullptr);
    ~SchoolLink() override;

    // Connects with these settings (stopping any link before), or stays off when the link
    // is disabled or has no host.
    void apply(const SchoolLinkConfig &config, const QString &password);
    // Says offline on the broker and disconnects.
    void stop();

    static State fromLink(MqttLink::State state);
    using ReportTaker = std::function<void(MqttLink::State state, const QString &reason)>;
    // A report for MqttLink::start() that hands each report, made on the link's thread, to
    // take on receiver's thread; never once receiver is gone.
    static MqttLink::StateReport reportTo(QObject *receiver, ReportTaker take);

    const SchoolLinkConfig &config() const { return m_config; }
    State state() const { return m_state; }
    // Why, in the broker's or the library's words, while refused or offline.
    QString reason() const { return m_reason; }
    // What the last second sent; for tests and the status tooltip.
    QByteArray lastState() const { return m_lastState; }

signals:
    void stateChanged(SchoolLink::State state, const QString &reason);

private:
    void publishSecond(const ListeningSession::Second &counted);
    void publishAlarm(SoundChoice sound);
    void takeReport(MqttLink::State state, const QString &reason);

    ListeningSession &m_session;
    LinkFactory m_createLink;
    CalibrationSource m_calibration;
    SchoolLinkConfig m_config;
    std::unique_ptr<MqttLink> m_link;
    State m_state = State::Off;
    QString m_reason;
    QByteArray m_lastState;
    int m_alarms = 0;
    int m_generation = 0; // reports of a link that was replaced are ignored
};

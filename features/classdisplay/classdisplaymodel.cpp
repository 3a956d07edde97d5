#include "features/classdisplay/classdisplaymodel.h"

#include "monitor/noisedetector.h"
#include "session/listeningsession.h"

#include <tuple>

bool ClassDisplayModel::Look::operator==(const Look &other) const
{
    const auto fields = [](const Look &look) {
        return std::tie(look.state, look.levelPercent, look.thresholdPercent, look.noiseSeconds,
                        look.tolerance, look.paused, look.pauseEnd, look.flashLit);
    };
    return fields(*this) == fields(other);
}

ClassDisplayModel::ClassDisplayModel(const ListeningSession &session, QObject *parent)
    : QObject(parent), m_session(session)
{
    connect(&session, &ListeningSession::readingTaken, this,
            [this](const NoiseDetector::Reading &reading) { onReading(reading.noisy); });
    connect(&session, &ListeningSession::secondCounted, this,
            [this](const ListeningSession::Second &second) { onSecond(second.alarmSounded); });
    connect(&session, &ListeningSession::signalChanged, this, &ClassDisplayModel::refresh);
    connect(&session, &ListeningSession::pauseChanged, this, &ClassDisplayModel::refresh);
    connect(&session, &ListeningSession::listeningStarted, this, &ClassDisplayModel::refresh);
    connect(&session, &ListeningSession::flashChanged, this, [this](bool lit) {
        m_flashLit = lit;
        refresh();
    });
    refresh();
}

void ClassDisplayModel::onReading(bool noisy)
{
    m_readingNoisy = noisy;
    refresh();
}

void ClassDisplayModel::onSecond(bool alarmSounded)
{
    if (alarmSounded)
        m_alarmSecondsLeft = AlarmHoldSeconds;
    else if (m_alarmSecondsLeft > 0)
        --m_alarmSecondsLeft;
    refresh();
}

void ClassDisplayModel::refresh()
{
    Look look;
    if (!m_session.isListening())
        look.state = State::Idle;
    else if (!m_session.isSignalLive())
        look.state = State::SignalLost;
    else if (m_alarmSecondsLeft > 0)
        look.state = State::Alarm;
    else if (m_readingNoisy || m_session.noiseSeconds() > 0)
        look.state = State::Noisy;
    else
        look.state = State::Quiet;
    look.levelPercent = NoiseDetector::meterPercent(m_session.lastReading().meterValue);
    look.thresholdPercent =
        NoiseDetector::meterPercent(m_session.threshold() * NoiseDetector::ThresholdStep);
    look.noiseSeconds = m_session.noiseSeconds();
    look.tolerance = qMax(NoiseDetector::MinimumTolerance, m_session.tolerance());
    // A pause that ran out sends no signal; the next reading finds it ended.
    look.paused = m_session.isPaused();
    look.pauseEnd = look.paused ? m_session.pauseEnd() : 0;
    look.flashLit = m_flashLit;
    if (look != m_look) {
        m_look = look;
        emit changed();
    }
}

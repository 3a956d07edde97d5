#include "session/listeningsession.h"

#include "base/settingstable.h"
#include "monitor/microphonecapture.h"
#include "monitor/soundplayer.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <utility>

namespace {
QTimer *tickEvery(int ms, const char *name, QObject *parent)
{
    auto *timer = new QTimer(parent);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setInterval(ms);
    return timer;
}
} // namespace

ListeningSession::ListeningSession(MicrophoneCapture &capture, SoundPlayer &player, QObject *parent)
    : QObject(parent), m_capture(capture), m_player(player), m_now(&MonotonicClock::nowMs),
      m_wallNow(&QDateTime::currentMSecsSinceEpoch),
      m_threshold(SettingsTable::NoiseThreshold.fallback),
      m_tolerance(SettingsTable::Tolerance.fallback),
      m_meterTimer(tickEvery(MeterTickMs, "Timer1", this)),
      m_countTimer(tickEvery(CountTickMs, "Timer2", this)),
      m_inputsTimer(tickEvery(InputsTickMs, "TimerInputs", this))
{
    // The meter keeps its pace under load; the count may drift by a few milliseconds.
    m_meterTimer->setTimerType(Qt::PreciseTimer);
    connect(m_meterTimer, &QTimer::timeout, this, &ListeningSession::onMeterTick);
    connect(m_countTimer, &QTimer::timeout, this, &ListeningSession::onCountTick);
    connect(m_inputsTimer, &QTimer::timeout, this, &ListeningSession::onInputsTick);
    m_inputsTimer->start();
}

ListeningSession::~ListeningSession() = default;

void ListeningSession::setThreshold(int position)
{
    m_threshold = position;
}

void ListeningSession::setTolerance(int seconds)
{
    m_tolerance = seconds;
}

void ListeningSession::setSound(SoundChoice choice)
{
    m_sound = choice;
}

void ListeningSession::setCustomSoundFile(const QString &path)
{
    m_customSoundFile = path;
}

void ListeningSession::setMicrophone(const QString &id)
{
    m_microphone = id;
    m_capture.setPreferredInput(id);
}

void ListeningSession::setAlarmMode(AlarmMode mode)
{
    m_alarmMode = mode;
}

void ListeningSession::setAlarmVolume(int percent)
{
    m_alarmVolume =
        qBound(SettingsTable::AlarmVolume.minimum, percent, SettingsTable::AlarmVolume.maximum);
    m_player.setVolume(m_alarmVolume / 100.0);
}

void ListeningSession::start()
{
    m_capture.openMicrophone(); // a failure shows as a greyed meter, not as a message
    m_signal.start(m_now());
    m_listening = true;
    m_meterTimer->start();
    m_countTimer->start();
    emit listeningStarted();
}

void ListeningSession::stop()
{
    m_capture.closeMicrophone();
}

void ListeningSession::onMeterTick()
{
    const qint64 now = m_now();
    if (m_capture.readMicrophoneBuffer())
        m_signal.noteCapture(now);
    // Without sound coming in, the room counts as silent rather than as loud as it last was.
    const bool live = m_signal.isLive(now);
    // Only a sound that plays is guarded against: the visual alarm is never heard, so
    // with Flash the room is counted throughout.
    const bool ownSound = m_echoGuard.isOwnSound(m_player.isPlaying(), now);
    m_reading = m_detector.measure(live ? m_capture.rawLevel() : 0, m_threshold, ownSound);
    m_record.noteReading(m_reading.level);
    if (live != m_live) {
        m_live = live;
        emit signalChanged(live);
    }
    emit readingTaken(m_reading);
    showFlash(now);
}

void ListeningSession::showFlash(qint64 now)
{
    const bool lit = m_flash.isLit(now);
    if (lit != m_flashLit) {
        m_flashLit = lit;
        emit flashChanged(lit);
    }
}

void ListeningSession::onCountTick()
{
    followLessonTimes(false);
    const NoiseDetector::Second counted = m_detector.tick(m_tolerance);
    // A paused alarm still counts and resets; it only stays silent.
    const bool paused = isPaused();
    const bool sounds = counted.alarm && !paused;
    m_record.closeSecond(m_wallNow(), m_detector.noiseDetected(), sounds);
    emit secondCounted({m_detector.noiseSeconds(), m_detector.noiseDetected(), counted.alarm,
                        sounds, counted.statusText});
    if (sounds) {
        playAlarm();
        emit alarmSounded(m_sound);
    }
}

// Plays the chosen sound, or starts the visual alarm for as long as that sound would
// have played, or both. Flash plays nothing at all, so the echo guard, which follows the
// player, leaves the room heard.
void ListeningSession::playAlarm()
{
    const bool plays = AlarmModes::plays(m_alarmMode);
    const bool flashes = AlarmModes::flashes(m_alarmMode);
    double soundSeconds = 0; // None, or a custom file that is gone: nothing to play
    if (m_sound == SoundChoice::Custom) {
        if (!m_customSoundFile.isEmpty() && QFileInfo(m_customSoundFile).isFile()) {
            if (plays)
                m_player.playFile(m_customSoundFile);
            if (flashes)
                soundSeconds = SoundPlayer::fileSound(m_customSoundFile).seconds();
        }
    } else if (const QString resource = SoundChoices::resourceName(m_sound); !resource.isEmpty()) {
        if (plays)
            m_player.playResource(resource);
        if (flashes)
            soundSeconds = SoundPlayer::resourceSound(resource).seconds();
    }
    if (flashes) {
        const qint64 now = m_now();
        m_flash.start(now, qint64(std::ceil(soundSeconds * 1000)));
        showFlash(now); // lit at once, not at the next meter tick
    }
}

void ListeningSession::onInputsTick()
{
    if (m_capture.maintain() || !m_inputsAnnounced) {
        m_inputsAnnounced = true;
        emit inputsChanged(m_capture.inputs());
    }
}

QList<InputDevice> ListeningSession::inputs() const
{
    return m_capture.inputs();
}

bool ListeningSession::isPaused() const
{
    return m_pause.isPaused(m_now(), m_wallNow()) || (m_quietTime && !m_quietTimeResumed);
}

qint64 ListeningSession::pauseEnd() const
{
    if (!m_quietTime || m_quietTimeResumed)
        return m_pause.wallEnd();
    if (m_pause.isPaused(m_now(), m_wallNow()))
        return std::max(m_pause.wallEnd(), m_lessonBoundary);
    return m_lessonBoundary;
}

void ListeningSession::setLessonTimes(const LessonTimes &times)
{
    m_lessonTimes = times;
    followLessonTimes(true);
}

void ListeningSession::setTimeZone(const QTimeZone &zone)
{
    m_zone = zone.isValid() ? zone : QTimeZone::systemTimeZone();
    followLessonTimes(true);
}

void ListeningSession::followLessonTimes(bool force)
{
    const qint64 wallNow = m_wallNow();
    if (!force && wallNow >= m_lessonsReadAt && wallNow < m_lessonBoundary)
        return;
    const bool wasPaused = isPaused();
    const qint64 wasEnd = pauseEnd();
    const bool wasQuiet = m_quietTime;
    const qint64 wasBoundary = m_lessonBoundary;
    m_lessonsReadAt = wallNow;
    if (m_lessonTimes.isInEffect()) {
        const LessonTimes::State state = m_lessonTimes.stateAt(wallNow, m_zone);
        m_quietTime = !state.lesson;
        m_lessonBoundary = state.until;
    } else {
        m_quietTime = false;
        m_lessonBoundary = LessonTimes::NoChange;
    }
    // A resume holds until the quiet time it was given in ends.
    if (m_quietTime != wasQuiet || m_lessonBoundary != wasBoundary)
        m_quietTimeResumed = false;
    if (m_quietTime != wasQuiet || isPaused() != wasPaused || (isPaused() && pauseEnd() != wasEnd))
        emit pauseChanged(isPaused());
}

void ListeningSession::pauseFor(int minutes)
{
    m_pause.pauseFor(minutes, m_now(), m_wallNow());
    emit pauseChanged(true);
}

void ListeningSession::resume()
{
    m_pause.resume();
    m_quietTimeResumed = m_quietTime;
    emit pauseChanged(false);
}

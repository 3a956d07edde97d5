#pragma once

#include "base/monotonicclock.h"
#include "base/settingstable.h"
#include "monitor/alarmechoguard.h"
#include "monitor/capturedevice.h"
#include "monitor/noisedetector.h"
#include "monitor/signalwatch.h"
#include "monitor/soundchoice.h"
#include "session/alarmflash.h"
#include "session/alarmmode.h"
#include "session/alarmpause.h"
#include "session/lessontimes.h"
#include "session/sessionrecord.h"

#include <QObject>

class MicrophoneCapture;
class QTimer;
class SoundPlayer;

// One listening session: capture -> signal watch and echo guard -> detector -> count
// -> alarm (its sound, the visual alarm or both), with the pause and the per-second
// record. It reads no widgets and no settings: the threshold, tolerance, sound, alarm mode
// and volume and the microphone come in as values, and what happens goes out as signals,
// so the main window and every other view present the same session and none of them
// reads another's controls.
//
// Its ticks: the meter tick every 50 ms takes the newest capture and measures it, and
// flashes the visual alarm while that runs; the count tick every second counts the last
// reading before it and sounds the alarm at the tolerance; the inputs tick every second
// keeps the list of microphones current. The first two run from start() to stop(), the
// third from construction.
class ListeningSession : public QObject
{
    Q_OBJECT
public:
    static constexpr int MeterTickMs = 50;
    static constexpr int CountTickMs = 1000;
    static constexpr int InputsTickMs = 1000;

    // What one count tick came to.
    struct Second
    {
        int noiseSeconds;  // the count now; back at 0 after a quiet second or an alarm
        bool noisy;        // the last reading before the tick was noise
        bool alarmDue;     // the count reached the tolerance
        bool alarmSounded; // ... and the alarm was not paused
        QString countText; // "Noise Detected! (n)", or empty after a quiet second
    };

    ListeningSession(MicrophoneCapture &capture, SoundPlayer &player, QObject *parent = nullptr);
    ~ListeningSession() override;

    // Threshold position 0 ... 10: readings above position x 10000000 are noise. Takes
    // effect at the next meter tick.
    void setThreshold(int position);
    // Seconds of noise before the alarm, as typed: below 1 counts as 1.
    void setTolerance(int seconds);
    void setSound(SoundChoice choice);
    // The user's WAV file, played for SoundChoice::Custom when it exists at the alarm.
    void setCustomSoundFile(const QString &path);
    // The input to record; empty: the sound system's default.
    void setMicrophone(const QString &id);
    // How the next alarms warn: their sound, the visual alarm, or both (see flashChanged).
    void setAlarmMode(AlarmMode mode);
    // The warning sound's volume in percent (held within 10 ... 100), for the next sounds.
    void setAlarmVolume(int percent);
    // Monotonic milliseconds for the guards and the pause, and wall-clock milliseconds
    // since the epoch for the record and the pause's end; both replaceable for tests.
    void setClock(MillisecondClock monotonic) { m_now = std::move(monotonic); }
    void setWallClock(MillisecondClock wall) { m_wallNow = std::move(wall); }

    // Opens the microphone (a failure shows as no signal, never as an error) and starts
    // the meter and count ticks. Listening then runs until stop().
    void start();
    // Releases the microphone.
    void stop();
    bool isListening() const { return m_listening; }

    // Silences the alarm for some minutes (a second pause replaces the first) or at
    // once no more; the count goes on meanwhile. Resume outside lessons lets the alarm
    // listen until the next lesson starts; the quiet time after it pauses it again.
    void pauseFor(int minutes);
    void resume();
    // Paused by hand, or outside the lesson times.
    bool isPaused() const;
    // When the pause ends, in milliseconds since the epoch; meaningful while paused. With
    // both a pause by hand and quiet time, the later end of the two.
    qint64 pauseEnd() const;

    // Outside these lessons the alarm is paused as by pauseFor(). The wall clock is read in
    // the time zone (the system's unless set) at once and then at every count tick, so a
    // computer waking after a lesson's end is paused at its first tick.
    void setLessonTimes(const LessonTimes &times);
    void setTimeZone(const QTimeZone &zone);
    const LessonTimes &lessonTimes() const { return m_lessonTimes; }

    int threshold() const { return m_threshold; }
    int tolerance() const { return m_tolerance; }
    SoundChoice sound() const { return m_sound; }
    QString microphone() const { return m_microphone; }
    AlarmMode alarmMode() const { return m_alarmMode; }
    int alarmVolume() const { return m_alarmVolume; }
    // Whether the visual alarm is lit now (as the last flashChanged said).
    bool isFlashLit() const { return m_flashLit; }
    const NoiseDetector::Reading &lastReading() const { return m_reading; }
    int noiseSeconds() const { return m_detector.noiseSeconds(); }
    bool isSignalLive() const { return m_live; }
    const SessionRecord &record() const { return m_record; }
    QList<InputDevice> inputs() const;

public slots:
    void onMeterTick();
    void onCountTick();
    void onInputsTick();

signals:
    // Every meter tick's reading: the level, noise or not, and the meter's value.
    void readingTaken(const NoiseDetector::Reading &reading);
    // Sound stopped coming in from the microphone (false) or came back (true).
    void signalChanged(bool live);
    // Every count tick, before the alarm (if any) plays.
    void secondCounted(const ListeningSession::Second &second);
    // The alarm went off (not while paused), after its sound was started.
    void alarmSounded(SoundChoice sound);
    // The list of inputs changed (also once at the first inputs tick).
    void inputsChanged(const QList<InputDevice> &inputs);
    void pauseChanged(bool paused);
    // The visual alarm (Flash or Both) turned lit or dark. An alarm lights it at once and
    // the meter ticks flash it for as long as the sound that would have played (at least
    // AlarmFlash::MinimumMs), never more than three times a second; it ends dark.
    void flashChanged(bool lit);
    void listeningStarted();

private:
    void playAlarm();
    void showFlash(qint64 now);
    // Reads the lesson state afresh when a boundary has passed, the clock went back or
    // force is set, and tells of the change.
    void followLessonTimes(bool force);

    MicrophoneCapture &m_capture;
    SoundPlayer &m_player;
    MillisecondClock m_now;
    MillisecondClock m_wallNow;
    NoiseDetector m_detector;
    SignalWatch m_signal;
    AlarmEchoGuard m_echoGuard;
    AlarmPause m_pause;
    LessonTimes m_lessonTimes;
    QTimeZone m_zone = QTimeZone::systemTimeZone();
    bool m_quietTime = false;        // lesson times in effect, and no lesson on
    bool m_quietTimeResumed = false; // ... and the user resumed the alarm until its end
    qint64 m_lessonsReadAt = 0;      // wall clock of the last reading of the lesson state
    qint64 m_lessonBoundary = LessonTimes::NoChange; // the next change of the lesson state
    SessionRecord m_record;
    NoiseDetector::Reading m_reading{0, false, 0};
    bool m_live = true;
    bool m_listening = false;
    bool m_inputsAnnounced = false;

    int m_threshold;
    int m_tolerance;
    SoundChoice m_sound = SoundChoice::None;
    QString m_customSoundFile;
    QString m_microphone;
    AlarmMode m_alarmMode = AlarmMode::Sound;
    int m_alarmVolume = SettingsTable::AlarmVolume.fallback;
    AlarmFlash m_flash;
    bool m_flashLit = false;

    QTimer *m_meterTimer;
    QTimer *m_countTimer;
    QTimer *m_inputsTimer;
};

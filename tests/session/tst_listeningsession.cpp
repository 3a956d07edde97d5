// The listening session on its own, with no window: a fake microphone and player and
// clocks the test moves. Every reading and every second goes through the session's
// signals, as the views see them.
#include "features/pause/pausenote.h"
#include "monitor/microphonecapture.h"
#include "session/listeningsession.h"
#include "support/fakes.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

Q_DECLARE_METATYPE(SoundChoice)
Q_DECLARE_METATYPE(AlarmMode)

namespace {
struct Session
{
    Session()
    {
        auto steady = std::make_unique<SteadyDevice>();
        device = steady.get();
        capture = std::make_unique<MicrophoneCapture>(std::move(steady));
        session = std::make_unique<ListeningSession>(*capture, player);
        session->setClock([this] { return now; });
        session->setWallClock([this] { return wallNow; });
        QObject::connect(session.get(), &ListeningSession::readingTaken,
                         [this](const NoiseDetector::Reading &reading) { readings << reading; });
        QObject::connect(session.get(), &ListeningSession::secondCounted,
                         [this](const ListeningSession::Second &second) { seconds << second; });
        QObject::connect(session.get(), &ListeningSession::signalChanged,
                         [this](bool live) { signal << live; });
        QObject::connect(session.get(), &ListeningSession::alarmSounded,
                         [this](SoundChoice) { ++alarms; });
        QObject::connect(session.get(), &ListeningSession::inputsChanged,
                         [this](const QList<InputDevice> &inputs) { inputLists << inputs; });
        QObject::connect(session.get(), &ListeningSession::flashChanged, [this](bool lit) {
            flashes << Flash{now, lit};
        });
    }
    // One second: twenty readings at `peak`, then the count tick. The count text.
    QString second(qint16 peak)
    {
        device->peak = peak;
        for (int tick = 0; tick < 20; ++tick) {
            now += 50;
            session->onMeterTick();
        }
        wallNow += 1000;
        session->onCountTick();
        return seconds.last().countText;
    }

    qint64 now = 0;
    qint64 wallNow = 1772700000000; // 2026-03-05
    SteadyDevice *device = nullptr;
    std::unique_ptr<MicrophoneCapture> capture;
    RecordingPlayer player;
    std::unique_ptr<ListeningSession> session;
    QList<NoiseDetector::Reading> readings;
    QList<ListeningSession::Second> seconds;
    QList<bool> signal;
    QList<QList<InputDevice>> inputLists;
    struct Flash
    {
        qint64 atMs; // the test's monotonic clock when flashChanged came
        bool lit;
    };
    QList<Flash> flashes;
    int alarms = 0;
};

// A mono 16-bit WAV file of a quiet tone, `seconds` long, at 8000 Hz.
bool writeSound(const QString &path, double seconds)
{
    WavSound sound;
    sound.sampleRate = 8000;
    const auto frames = qsizetype(seconds * sound.sampleRate);
    sound.data.resize(frames * 2);
    for (qsizetype i = 0; i < frames; ++i)
        qToLittleEndian(qint16(i % 16 < 8 ? 1000 : -1000), sound.data.data() + 2 * i);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(sound.toWavFile()) > 0;
}

// The times at which the visual alarm lit up.
QList<qint64> litOnsets(const QList<Session::Flash> &flashes)
{
    QList<qint64> onsets;
    for (const Session::Flash &flash : flashes) {
        if (flash.lit)
            onsets << flash.atMs;
    }
    return onsets;
}

// Wall-clock milliseconds of a time in March 2026 on the system's clock, the one the
// status text is shown in; 2026-03-05 is a Thursday.
qint64 march(int day, int hour, int minute, int second = 0)
{
    return QDateTime(QDate(2026, 3, day), QTime(hour, minute, second)).toMSecsSinceEpoch();
}

LessonTimes schoolDay(bool enabled = true)
{
    return LessonTimes(enabled, {*LessonRange::fromText("Mon,Tue,Wed,Thu,Fri 08:00-12:30"),
                                 *LessonRange::fromText("Mon,Tue,Wed,Thu,Fri 13:15-15:00")});
}
} // namespace

class TestListeningSession : public QObject
{
    Q_OBJECT
private slots:
    void ticksRunOnlyWhileListening();
    void countsAndSounds_data();
    void countsAndSounds();
    void lastReadingBeforeTheTickDecides();
    void thresholdTakesEffectAtTheNextReading();
    void lostSignalIsSilenceAndSaidOnce();
    void ownAlarmIsNeverNoise();
    void pauseCountsSilently();
    void lessonTimesPauseOutsideLessons();
    void wakingAcrossALessonBoundary_data();
    void wakingAcrossALessonBoundary();
    void inputsAreAnnouncedWhenTheyChange();
    void alarmModeNames();
    void alarmModes_data();
    void alarmModes();
    void flashModeHearsTheRoom();
    void flashLastsAsLongAsTheSound_data();
    void flashLastsAsLongAsTheSound();
    void flashRateStaysAtMostThreeASecond_data();
    void flashRateStaysAtMostThreeASecond();
    void alarmVolumeGoesToThePlayer();
};

void TestListeningSession::ticksRunOnlyWhileListening()
{
    Session s;
    auto *meter = s.session->findChild<QTimer *>("Timer1");
    auto *count = s.session->findChild<QTimer *>("Timer2");
    QVERIFY(meter && count);
    QCOMPARE(meter->interval(), 50);
    QCOMPARE(meter->timerType(), Qt::PreciseTimer);
    QCOMPARE(count->interval(), 1000);
    QVERIFY(!meter->isActive() && !count->isActive() && !s.session->isListening());
    QVERIFY(s.session->findChild<QTimer *>("TimerInputs")->isActive());
    QSignalSpy started(s.session.get(), &ListeningSession::listeningStarted);
    s.session->start();
    QVERIFY(meter->isActive() && count->isActive() && s.session->isListening());
    QCOMPARE(started.size(), 1);
    QCOMPARE(s.device->opens, 1);
    s.session->stop();
    QCOMPARE(s.device->closes, 1);
}

void TestListeningSession::countsAndSounds_data()
{
    QTest::addColumn<int>("tolerance");
    QTest::addColumn<SoundChoice>("sound");
    QTest::addColumn<QString>("customFile"); // "exists", "missing" or empty
    QTest::addColumn<QList<int>>("peaks");   // one a second
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("played");
    const QList<int> fiveLoud{20000, 20000, 20000, 20000, 20000};
    const QStringList oneToFive{"Noise Detected! (1)", "Noise Detected! (2)", "Noise Detected! (3)",
                                "Noise Detected! (4)", "Noise Detected! (5)"};
    QTest::newRow("default tolerance: the fifth second sounds")
        << 5 << SoundChoice::Beep << "" << fiveLoud << oneToFive << QStringList{"Resource_1"};
    QTest::newRow("the count starts over after the alarm")
        << 2 << SoundChoice::Male << "" << fiveLoud
        << oneToFive.mid(0, 2) + oneToFive.mid(0, 2) + oneToFive.mid(0, 1)
        << QStringList{"Resource_2", "Resource_2"};
    QTest::newRow("a quiet second resets the count")
        << 3 << SoundChoice::Female << "" << QList<int>{20000, 20000, 0, 20000, 20000, 20000}
        << QStringList{"Noise Detected! (1)", "Noise Detected! (2)", "",
                       "Noise Detected! (1)", "Noise Detected! (2)", "Noise Detected! (3)"}
        << QStringList{"Resource_3"};
    QTest::newRow("None counts to the tolerance and stays silent")
        << 1 << SoundChoice::None << "" << QList<int>{20000, 20000}
        << QStringList{"Noise Detected! (1)", "Noise Detected! (1)"} << QStringList{};
    QTest::newRow("a half-typed 0 counts as 1, never alarms in a quiet room")
        << 0 << SoundChoice::Beep << "" << QList<int>{0, 0, 20000}
        << QStringList{"", "", "Noise Detected! (1)"} << QStringList{"Resource_1"};
    QTest::newRow("a custom file that exists plays")
        << 1 << SoundChoice::Custom << "exists" << QList<int>{20000}
        << QStringList{"Noise Detected! (1)"} << QStringList{"file:"};
    QTest::newRow("a custom file that is gone plays nothing")
        << 1 << SoundChoice::Custom << "missing" << QList<int>{20000}
        << QStringList{"Noise Detected! (1)"} << QStringList{};
}

void TestListeningSession::countsAndSounds()
{
    QFETCH(int, tolerance);
    QFETCH(SoundChoice, sound);
    QFETCH(QString, customFile);
    QFETCH(QList<int>, peaks);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, played);
    QTemporaryDir dir;
    const QString custom = dir.filePath("own sound.wav");
    if (customFile == "exists") {
        QFile file(custom);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    Session s;
    s.session->setTolerance(tolerance);
    s.session->setSound(sound);
    s.session->setCustomSoundFile(customFile.isEmpty() ? QString() : custom);
    s.session->start();
    QStringList seen;
    for (const int peak : peaks)
        seen << s.second(qint16(peak));
    QCOMPARE(seen, texts);
    for (QString &name : played) {
        if (name == "file:")
            name += custom;
    }
    QCOMPARE(s.player.played, played);
    // Every due alarm is told, also one that has nothing to play.
    const auto due = std::count_if(s.seconds.begin(), s.seconds.end(),
                                   [](const ListeningSession::Second &second) {
                                       return second.alarmDue && second.alarmSounded;
                                   });
    QCOMPARE(s.alarms, int(due));
}

// Only the reading just before the count tick counts: one quiet reading clears a noisy
// second, one noisy reading makes a quiet second count.
void TestListeningSession::lastReadingBeforeTheTickDecides()
{
    Session s;
    s.session->start();
    s.device->peak = 20000;
    for (int tick = 0; tick < 19; ++tick)
        s.session->onMeterTick();
    s.device->peak = 0;
    s.session->onMeterTick();
    s.session->onCountTick();
    QCOMPARE(s.seconds.last().noisy, false);
    QCOMPARE(s.seconds.last().countText, QString());
    for (int tick = 0; tick < 19; ++tick)
        s.session->onMeterTick();
    s.device->peak = 20000;
    s.session->onMeterTick();
    s.session->onCountTick();
    QCOMPARE(s.seconds.last().countText, QString("Noise Detected! (1)"));
    QCOMPARE(s.session->noiseSeconds(), 1);
}

void TestListeningSession::thresholdTakesEffectAtTheNextReading()
{
    Session s;
    s.session->start();
    s.device->peak = 1000; // level 65536000: above position 6, not above 7
    s.session->setThreshold(7);
    s.session->onMeterTick();
    QCOMPARE(s.readings.last().noisy, false);
    s.session->setThreshold(6);
    QCOMPARE(s.readings.size(), 1);
    s.session->onMeterTick();
    QCOMPARE(s.readings.last().noisy, true);
    QCOMPARE(s.readings.last().level, 65536000LL);
    QCOMPARE(s.readings.last().meterValue, 65536000LL);
}

void TestListeningSession::lostSignalIsSilenceAndSaidOnce()
{
    Session s;
    s.session->setTolerance(1);
    s.session->setSound(SoundChoice::Beep);
    s.session->start();
    s.device->peak = 20000;
    s.session->onMeterTick();
    s.device->delivering = false;
    s.now = SignalWatch::StaleAfterMs - 1;
    s.session->onMeterTick();
    QVERIFY(s.readings.last().noisy); // the last capture is still recent
    QCOMPARE(s.signal, QList<bool>());
    for (int second = 0; second < 3; ++second)
        QCOMPARE(s.second(20000), QString());
    QCOMPARE(s.signal, QList<bool>{false});
    QVERIFY(!s.session->isSignalLive());
    QCOMPARE(s.readings.last().level, 0LL);
    QCOMPARE(s.player.played, QStringList());
    s.device->delivering = true;
    s.session->onMeterTick();
    QCOMPARE(s.signal, QList<bool>({false, true}));
    QVERIFY(s.readings.last().noisy);
}

// While the warning plays, and for a tail after it, the microphone hears the alarm: shown
// on the meter, never counted.
void TestListeningSession::ownAlarmIsNeverNoise()
{
    Session s;
    s.session->start();
    s.device->peak = 20000;
    s.player.playing = true;
    s.session->onMeterTick();
    QCOMPARE(s.readings.last().noisy, false);
    QCOMPARE(s.readings.last().meterValue, NoiseDetector::MeterMaximum);
    s.player.playing = false;
    s.now += AlarmEchoGuard::TailMs - 1;
    s.session->onMeterTick();
    QCOMPARE(s.readings.last().noisy, false);
    s.now += 1;
    s.session->onMeterTick();
    QCOMPARE(s.readings.last().noisy, true);
}

// A paused alarm counts and resets as ever and plays nothing; the record keeps no alarm.
// The pause ends by itself on either clock.
void TestListeningSession::pauseCountsSilently()
{
    Session s;
    s.session->setTolerance(2);
    s.session->setSound(SoundChoice::Beep);
    s.session->start();
    QSignalSpy pauses(s.session.get(), &ListeningSession::pauseChanged);
    s.session->pauseFor(10);
    QCOMPARE(s.session->pauseEnd(), s.wallNow + 10 * 60 * 1000);
    s.second(20000);
    s.second(20000);
    QVERIFY(s.seconds.last().alarmDue);
    QVERIFY(!s.seconds.last().alarmSounded);
    QCOMPARE(s.player.played, QStringList());
    QCOMPARE(s.session->record().summary().alarms, 0);
    QCOMPARE(s.session->record().summary().noisySeconds, 2);

    s.wallNow += 10 * 60 * 1000; // the computer slept: only the wall clock moved
    QVERIFY(!s.session->isPaused());
    s.second(20000);
    s.second(20000);
    QCOMPARE(s.player.played, QStringList{"Resource_1"});
    QCOMPARE(s.session->record().summary().alarms, 1);

    s.session->pauseFor(30);
    s.session->resume();
    QVERIFY(!s.session->isPaused());
    QCOMPARE(pauses.size(), 3);
}

// Outside lessons the alarm is paused as by hand: the count goes on, nothing plays, the
// status bar says until the next lesson, and each boundary is signalled.
void TestListeningSession::lessonTimesPauseOutsideLessons()
{
    Session s;
    s.session->setTolerance(2);
    s.session->setSound(SoundChoice::Beep);
    s.session->start();
    s.wallNow = march(5, 12, 29, 57);
    QSignalSpy pauses(s.session.get(), &ListeningSession::pauseChanged);
    s.session->setLessonTimes(schoolDay());
    QVERIFY(!s.session->isPaused());
    QCOMPARE(pauses.size(), 0);
    s.second(20000);
    s.second(20000); // 12:29:59
    QCOMPARE(s.player.played, QStringList{"Resource_1"});

    s.second(20000); // 12:30:00, the lesson's end
    QCOMPARE(pauses.size(), 1);
    QCOMPARE(pauses.last().first().toBool(), true);
    QVERIFY(s.session->isPaused());
    QCOMPARE(s.session->pauseEnd(), march(5, 13, 15));
    s.second(20000);
    QVERIFY(s.seconds.last().alarmDue);
    QVERIFY(!s.seconds.last().alarmSounded);
    QCOMPARE(s.player.played.size(), 1);
    QCOMPARE(s.session->record().summary().alarms, 1);
    QCOMPARE(s.session->record().summary().noisySeconds, 4);
    const auto same = [](const QString &text) { return text; };
    QCOMPARE(PauseNote::statusText(s.seconds.last().countText, *s.session, same),
             QStringLiteral("Noise Detected! (2) \u2013 Alarm paused until ") +
                 QLocale::system().toString(QTime(13, 15), QLocale::ShortFormat));

    // Resume lets the alarm listen through the quiet time, up to the next lesson...
    s.session->resume();
    QVERIFY(!s.session->isPaused());
    s.second(20000);
    s.second(20000);
    QCOMPARE(s.player.played.size(), 2);
    s.wallNow = march(5, 13, 14, 59);
    s.second(0);
    QVERIFY(!s.session->isPaused());
    // ... and the quiet time after that lesson pauses it again.
    s.wallNow = march(5, 14, 59, 59);
    const qsizetype before = pauses.size();
    s.second(0);
    QCOMPARE(pauses.size(), before + 1);
    QVERIFY(s.session->isPaused());
    QCOMPARE(s.session->pauseEnd(), march(6, 8, 0));

    // A pause by hand as well: the later end of the two.
    s.session->pauseFor(60);
    QCOMPARE(s.session->pauseEnd(), march(6, 8, 0));
    s.wallNow = march(6, 7, 30);
    s.session->pauseFor(60);
    QCOMPARE(s.session->pauseEnd(), march(6, 8, 30));
    s.wallNow = march(6, 8, 0) - 1000;
    s.second(0); // the lesson starts; the pause by hand goes on
    QVERIFY(s.session->isPaused());
    QCOMPARE(s.session->pauseEnd(), march(6, 8, 30));

    // Switched off, the alarm listens always.
    s.wallNow = march(6, 16, 0);
    s.session->resume();
    s.session->setLessonTimes(schoolDay(false));
    QVERIFY(!s.session->isPaused());
    s.second(20000);
    s.second(20000);
    QCOMPARE(s.player.played.size(), 3);
}

// A computer asleep across a boundary is right at its first count tick after waking.
void TestListeningSession::wakingAcrossALessonBoundary_data()
{
    QTest::addColumn<qint64>("asleep");
    QTest::addColumn<qint64>("awake");
    QTest::addColumn<bool>("paused");
    QTest::addColumn<qint64>("pauseEnd");
    QTest::newRow("in a lesson, awake after it")
        << march(5, 12, 0) << march(5, 12, 45) << true << march(5, 13, 15);
    QTest::newRow("in a lesson, awake after the day's last")
        << march(5, 10, 0) << march(5, 16, 0) << true << march(6, 8, 0);
    QTest::newRow("before the lessons, awake in one")
        << march(5, 7, 0) << march(5, 9, 0) << false << qint64(0);
    QTest::newRow("between lessons, awake after the next")
        << march(5, 12, 40) << march(5, 15, 30) << true << march(6, 8, 0);
    QTest::newRow("the clock set back into a lesson")
        << march(5, 12, 45) << march(5, 12, 0) << false << qint64(0);
}

void TestListeningSession::wakingAcrossALessonBoundary()
{
    QFETCH(qint64, asleep);
    QFETCH(qint64, awake);
    QFETCH(bool, paused);
    QFETCH(qint64, pauseEnd);
    Session s;
    s.session->setTolerance(1);
    s.session->setSound(SoundChoice::Beep);
    s.session->start();
    s.wallNow = asleep;
    s.session->setLessonTimes(schoolDay());
    QSignalSpy pauses(s.session.get(), &ListeningSession::pauseChanged);
    s.wallNow = awake - 1000;
    s.second(20000);
    QCOMPARE(pauses.size(), 1);
    QCOMPARE(s.session->isPaused(), paused);
    QCOMPARE(s.seconds.last().alarmSounded, !paused);
    if (paused)
        QCOMPARE(s.session->pauseEnd(), pauseEnd);
}

void TestListeningSession::inputsAreAnnouncedWhenTheyChange()
{
    Session s;
    s.session->onInputsTick();
    QCOMPARE(s.inputLists.size(), 1); // the first tick tells what there is
    s.session->onInputsTick();
    QCOMPARE(s.inputLists.size(), 1);
    s.device->devices = {{"usb", "USB Microphone"}};
    s.device->devicesChanged = true;
    s.session->onInputsTick();
    QCOMPARE(s.inputLists.size(), 2);
    QCOMPARE(s.inputLists.last().value(0).id, QString("usb"));
    s.session->setMicrophone("usb");
    QCOMPARE(s.device->preferred, QString("usb"));
    QCOMPARE(s.session->microphone(), QString("usb"));
}

void TestListeningSession::alarmModeNames()
{
    for (const AlarmMode mode : {AlarmMode::Sound, AlarmMode::Flash, AlarmMode::Both})
        QCOMPARE(AlarmModes::fromStoredName(AlarmModes::storedName(mode)), mode);
    QCOMPARE(AlarmModes::storedName(AlarmMode::Flash), QString("Flash"));
    QCOMPARE(AlarmModes::storedName(AlarmMode::Both), QString("Both"));
    for (const char *unknown : {"", "flash", "BOTH", "Light", " Flash"})
        QCOMPARE(AlarmModes::fromStoredName(unknown), AlarmMode::Sound);
    Session s;
    QCOMPARE(s.session->alarmMode(), AlarmMode::Sound); // as the program always did
    QVERIFY(!s.session->isFlashLit());
    // Another window connects to exactly this signal, declared right after pauseChanged.
    const QMetaObject &meta = ListeningSession::staticMetaObject;
    const int flash = meta.indexOfSignal("flashChanged(bool)");
    QVERIFY(flash >= 0);
    QCOMPARE(flash, meta.indexOfSignal("pauseChanged(bool)") + 1);
}

void TestListeningSession::alarmModes_data()
{
    QTest::addColumn<AlarmMode>("mode");
    QTest::addColumn<SoundChoice>("sound");
    QTest::addColumn<QString>("customFile"); // "exists", "missing" or empty
    QTest::addColumn<QStringList>("played");
    QTest::addColumn<qint64>("flashMs"); // how long the visual alarm runs; 0: none
    QTest::newRow("Sound plays as today, no flash")
        << AlarmMode::Sound << SoundChoice::Beep << "" << QStringList{"Resource_1"} << 0LL;
    QTest::newRow("Flash plays nothing and flashes at least 2 s")
        << AlarmMode::Flash << SoundChoice::Beep << "" << QStringList{} << 2000LL;
    QTest::newRow("Both plays and flashes")
        << AlarmMode::Both << SoundChoice::Female << "" << QStringList{"Resource_3"} << 2000LL;
    QTest::newRow("Flash for a custom sound of 3.3 s: 3.5 s, whole flashes")
        << AlarmMode::Flash << SoundChoice::Custom << "exists" << QStringList{} << 3500LL;
    QTest::newRow("Both for a custom sound")
        << AlarmMode::Both << SoundChoice::Custom << "exists" << QStringList{"file:"} << 3500LL;
    QTest::newRow("Flash with the sound None still flashes")
        << AlarmMode::Flash << SoundChoice::None << "" << QStringList{} << 2000LL;
    QTest::newRow("Flash for a custom file that is gone")
        << AlarmMode::Flash << SoundChoice::Custom << "missing" << QStringList{} << 2000LL;
    QTest::newRow("Sound with None stays dark and silent")
        << AlarmMode::Sound << SoundChoice::None << "" << QStringList{} << 0LL;
}

// Tolerance 1, one loud second then quiet: the alarm at the first count tick plays what
// the mode says, and the visual alarm lights at once and ends dark after its length.
void TestListeningSession::alarmModes()
{
    QFETCH(AlarmMode, mode);
    QFETCH(SoundChoice, sound);
    QFETCH(QString, customFile);
    QFETCH(QStringList, played);
    QFETCH(qint64, flashMs);
    QTemporaryDir dir;
    const QString custom = dir.filePath("own sound.wav");
    if (customFile == "exists")
        QVERIFY(writeSound(custom, 3.3));
    Session s;
    s.session->setTolerance(1);
    s.session->setSound(sound);
    s.session->setCustomSoundFile(customFile.isEmpty() ? QString() : custom);
    s.session->setAlarmMode(mode);
    QCOMPARE(s.session->alarmMode(), mode);
    s.session->start();
    QCOMPARE(s.second(20000), QString("Noise Detected! (1)"));
    const qint64 alarmAt = s.now;
    QCOMPARE(s.alarms, 1);
    for (QString &name : played) {
        if (name == "file:")
            name += custom;
    }
    QCOMPARE(s.player.played, played);
    QCOMPARE(s.session->record().summary().alarms, 1);
    if (flashMs == 0) {
        for (int second = 0; second < 5; ++second)
            s.second(0);
        QCOMPARE(s.flashes.size(), 0);
        QVERIFY(!s.session->isFlashLit());
        return;
    }
    // Lit at the count tick itself, not one meter tick later.
    QVERIFY(s.session->isFlashLit());
    QCOMPARE(s.flashes.size(), 1);
    QCOMPARE(s.flashes.first().atMs, alarmAt);
    while (s.now < alarmAt + flashMs + 3000)
        s.second(0);
    QVERIFY(!s.session->isFlashLit());
    QVERIFY(!s.flashes.last().lit);
    // Lit, dark, lit, ...: a quarter second each, every half second, for the whole length.
    QList<qint64> expected;
    for (qint64 onset = 0; onset < flashMs; onset += AlarmFlash::PeriodMs)
        expected << alarmAt + onset;
    QCOMPARE(litOnsets(s.flashes), expected);
    for (int i = 0; i < s.flashes.size(); ++i) {
        QCOMPARE(s.flashes[i].lit, i % 2 == 0);
        if (!s.flashes[i].lit)
            QCOMPARE(s.flashes[i].atMs - s.flashes[i - 1].atMs, AlarmFlash::LitMs);
    }
}

// The echo guard follows the player: with Sound the alarm that plays hides the room for
// its length; with Flash nothing plays and a room that stays loud is counted throughout,
// alarm after alarm.
void TestListeningSession::flashModeHearsTheRoom()
{
    for (const AlarmMode mode : {AlarmMode::Sound, AlarmMode::Flash}) {
        Session s;
        s.player.startsPlaying = true; // a sound, once started, plays on meanwhile
        s.session->setTolerance(1);
        s.session->setSound(SoundChoice::Female);
        s.session->setAlarmMode(mode);
        s.session->start();
        QStringList texts;
        for (int second = 0; second < 4; ++second)
            texts << s.second(20000);
        if (mode == AlarmMode::Sound) {
            QCOMPARE(texts, QStringList({"Noise Detected! (1)", "", "", ""}));
            QVERIFY(!s.readings.last().noisy);
            QCOMPARE(s.alarms, 1);
        } else {
            QCOMPARE(texts, QStringList(4, "Noise Detected! (1)"));
            QVERIFY(s.readings.last().noisy);
            QCOMPARE(s.player.played, QStringList());
            QVERIFY(!s.player.isPlaying());
            QCOMPARE(s.alarms, 4);
            // Every reading since the first alarm was the room's, and noise.
            for (const NoiseDetector::Reading &reading : s.readings)
                QVERIFY(reading.noisy);
        }
    }
}

void TestListeningSession::flashLastsAsLongAsTheSound_data()
{
    QTest::addColumn<SoundChoice>("sound");
    QTest::addColumn<double>("customSeconds"); // < 0: a file that is no sound
    QTest::addColumn<qint64>("flashMs");
    QTest::newRow("beep, 0.33 s: the 2 s minimum") << SoundChoice::Beep << 0.0 << 2000LL;
    QTest::newRow("female shush, 1.03 s") << SoundChoice::Female << 0.0 << 2000LL;
    QTest::newRow("no sound file: the default sound's length, 2 s")
        << SoundChoice::Custom << -1.0 << 2000LL;
    QTest::newRow("exactly 2 s") << SoundChoice::Custom << 2.0 << 2000LL;
    QTest::newRow("2.2 s, up to whole flashes") << SoundChoice::Custom << 2.2 << 2500LL;
    QTest::newRow("7.6 s") << SoundChoice::Custom << 7.6 << 8000LL;
    QTest::newRow("30 s plays 10 s, flashes 10 s") << SoundChoice::Custom << 30.0 << 10000LL;
}

// One alarm, then a quiet room: the visual alarm runs as long as the sound would have
// played (at least 2 s, in whole flashes), from the alarm on.
void TestListeningSession::flashLastsAsLongAsTheSound()
{
    QFETCH(SoundChoice, sound);
    QFETCH(double, customSeconds);
    QFETCH(qint64, flashMs);
    QTemporaryDir dir;
    const QString custom = dir.filePath("sound.wav");
    if (customSeconds > 0) {
        QVERIFY(writeSound(custom, customSeconds));
    } else if (customSeconds < 0) {
        QFile file(custom);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not a sound") > 0);
    }
    Session s;
    s.session->setTolerance(1);
    s.session->setSound(sound);
    s.session->setCustomSoundFile(custom);
    s.session->setAlarmMode(AlarmMode::Flash);
    s.session->start();
    s.second(20000);
    const qint64 alarmAt = s.now;
    while (s.now < alarmAt + 12000)
        s.second(0);
    QCOMPARE(s.alarms, 1);
    QCOMPARE(s.player.played, QStringList());
    const QList<qint64> onsets = litOnsets(s.flashes);
    QCOMPARE(onsets.size(), int(flashMs / AlarmFlash::PeriodMs));
    QCOMPARE(onsets.first(), alarmAt);
    // The last flash is whole: lit for its quarter second, then dark for good.
    QCOMPARE(s.flashes.last().atMs, alarmAt + flashMs - AlarmFlash::PeriodMs + AlarmFlash::LitMs);
    QVERIFY(!s.flashes.last().lit);
}

void TestListeningSession::flashRateStaysAtMostThreeASecond_data()
{
    QTest::addColumn<SoundChoice>("sound");
    QTest::addColumn<double>("customSeconds");
    QTest::addColumn<int>("tolerance");
    QTest::addColumn<int>("tickJitterMs"); // meter ticks come 50 ms +- this apart
    const struct
    {
        const char *name;
        SoundChoice sound;
        double seconds;
    } sounds[] = {
        {"None", SoundChoice::None, 0.0},        {"beep 0.33 s", SoundChoice::Beep, 0.0},
        {"male 0.67 s", SoundChoice::Male, 0.0}, {"female 1.03 s", SoundChoice::Female, 0.0},
        {"0.05 s", SoundChoice::Custom, 0.05},   {"1.99 s", SoundChoice::Custom, 1.99},
        {"2.01 s", SoundChoice::Custom, 2.01},   {"2.3 s", SoundChoice::Custom, 2.3},
        {"3.75 s", SoundChoice::Custom, 3.75},   {"6.1 s", SoundChoice::Custom, 6.1},
        {"10 s", SoundChoice::Custom, 10.0},     {"14 s, 10 played", SoundChoice::Custom, 14.0},
    };
    for (const auto &sound : sounds) {
        for (const int tolerance : {1, 2, 3}) {
            for (const int jitter : {0, 45}) {
                QTest::addRow("%s, tolerance %d, ticks %s", sound.name, tolerance,
                              jitter ? "uneven" : "even")
                    << sound.sound << sound.seconds << tolerance << jitter;
            }
        }
    }
}

// A room loud for 4 s and quiet for 1.5 s, again and again for 40 s: alarms come while
// earlier ones still flash, just after they ended, and after a pause. Whatever the
// sound's length, no second holds more than three lit onsets (WCAG 2.3.1), and every
// onset is lit before the next comes.
void TestListeningSession::flashRateStaysAtMostThreeASecond()
{
    QFETCH(SoundChoice, sound);
    QFETCH(double, customSeconds);
    QFETCH(int, tolerance);
    QFETCH(int, tickJitterMs);
    QTemporaryDir dir;
    const QString custom = dir.filePath("sound.wav");
    if (customSeconds > 0)
        QVERIFY(writeSound(custom, customSeconds));
    Session s;
    s.session->setTolerance(tolerance);
    s.session->setSound(sound);
    s.session->setCustomSoundFile(custom);
    s.session->setAlarmMode(AlarmMode::Both);
    s.session->start();
    QRandomGenerator random(quint32(tolerance * 100 + tickJitterMs));
    qint64 nextCount = 1000;
    while (s.now < 40000) {
        s.now += 50 + (tickJitterMs ? random.bounded(-tickJitterMs, tickJitterMs + 1) : 0);
        s.device->peak = s.now % 5500 < 4000 ? 20000 : 0;
        s.session->onMeterTick();
        if (s.now >= nextCount) {
            nextCount += 1000;
            s.wallNow += 1000;
            s.session->onCountTick();
        }
    }
    QVERIFY2(s.alarms >= 7, qPrintable(QString::number(s.alarms)));
    const QList<qint64> onsets = litOnsets(s.flashes);
    QVERIFY(onsets.size() >= 4 * 7);
    for (int i = 0; i + 3 < onsets.size(); ++i) {
        QVERIFY2(onsets[i + 3] - onsets[i] > 1000,
                 qPrintable(QString("four lit onsets within a second: %1, %2, %3, %4 ms")
                                .arg(onsets[i])
                                .arg(onsets[i + 1])
                                .arg(onsets[i + 2])
                                .arg(onsets[i + 3])));
    }
    for (int i = 0; i < s.flashes.size(); ++i)
        QCOMPARE(s.flashes[i].lit, i % 2 == 0);
}

void TestListeningSession::alarmVolumeGoesToThePlayer()
{
    Session s;
    QCOMPARE(s.session->alarmVolume(), 100);
    s.session->setAlarmVolume(30);
    QCOMPARE(s.session->alarmVolume(), 30);
    s.session->setAlarmVolume(0); // held within 10 ... 100
    QCOMPARE(s.session->alarmVolume(), 10);
    s.session->setAlarmVolume(250);
    QCOMPARE(s.session->alarmVolume(), 100);
    QCOMPARE(s.player.volumes, QList<double>({0.3, 0.1, 1.0}));
}

QTEST_GUILESS_MAIN(TestListeningSession)
#include "tst_listeningsession.moc"

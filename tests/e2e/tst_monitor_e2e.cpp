// The monitoring window against a real sound server: a virtual microphone fed with
// noise, a virtual speaker recorded to hear the alarm. Run by with-pulse.sh.
#include "app/mainwindow.h"
#include "app/noisemeter.h"
#include "base/settingstable.h"
#include "e2e/pulsetools.h"
#include "features/levels/calibratedialog.h"
#include "features/levels/calibration.h"
#include "features/levels/leveltooltips.h"
#include "localisation/languagecatalogue.h"
#include "monitor/decibels.h"
#include "monitor/microphonecapture.h"
#include "monitor/pulsecapturedevice.h"
#include "monitor/pulsesoundplayer.h"
#include "session/listeningsession.h"
#include "support/fakes.h"
#include "support/sourcedir.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace PulseTools;

namespace {
const QColor Red(255, 0, 0);

// The real player, counting the alarms it was asked to play.
class CountingPlayer : public PulseSoundPlayer
{
public:
    void playResource(const QString &name) override
    {
        ++alarms;
        PulseSoundPlayer::playResource(name);
    }
    void playFile(const QString &path) override
    {
        ++alarms;
        PulseSoundPlayer::playFile(path);
    }
    int alarms = 0;
};

// Writes settings.ini into the program folder before the window reads it.
QTemporaryDir withSettings(const QStringList &lines)
{
    QTemporaryDir folder;
    QFile file(folder.filePath("settings.ini"));
    if (!lines.isEmpty() && file.open(QIODevice::WriteOnly))
        file.write(("[Settings]\r\n" + lines.join("\r\n") + "\r\n").toUtf8());
    return folder;
}

// The real window over the real capture and playback layers.
struct Monitor
{
    explicit Monitor(const QStringList &settings = {})
        : folder(withSettings(settings)), capture(std::make_unique<PulseCaptureDevice>()),
          session(capture, player),
          form(session, desktop, language,
               AppPaths{QCoreApplication::applicationFilePath(), folder.path()},
               [this](const AppIdentity &) {
                   return offlineUpdates(folder.filePath("updates.ini"));
               })
    {
        QObject::connect(session.findChild<QTimer *>("Timer2"), &QTimer::timeout,
                         [this] { statuses << form.statusText(); });
    }
    NoiseMeter *meter() const { return form.findChild<NoiseMeter *>("Gauge1"); }
    void start() { form.startListening(); }

    QTemporaryDir folder; // the program folder: settings.ini goes here
    MicrophoneCapture capture;
    CountingPlayer player;
    ListeningSession session;
    RecordingDesktop desktop;
    LanguageCatalogue language{folder.path(), 1033};
    MainWindow form;
    QStringList statuses; // the status text after each 1 s tick
};

QStringList noiseCounts(int from, int to)
{
    QStringList texts;
    for (int i = from; i <= to; ++i)
        texts << QStringLiteral("Noise Detected! (%1)").arg(i);
    return texts;
}
} // namespace

// Starts, kills or stops the private sound server (tests/e2e/pulse-server.sh).
int soundServer(const QString &command)
{
    return QProcess::execute("bash", {SourceDir::path() + "/tests/e2e/pulse-server.sh", command});
}

// The level the window last read, in dBFS.
double heardDbfs(const ListeningSession &session)
{
    return Decibels::dbfsOfLevel(session.record().latestLevel());
}

class TestMonitorEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void silenceStaysGreen();
    void noiseCountsAndPlaysTheAlarm_data();
    void noiseCountsAndPlaysTheAlarm();
    void hearsTheDefaultSourceOnly();
    void alarmDoesNotSetItselfOff();
    void comesBackAfterTheSoundServerRestarts();
    void startsListeningWhenTheSoundServerComesLate();
    void longCustomSoundPlaysItsFirstTenSeconds();
    void hearsTheChosenMicrophone();
    void survivesTheDeviceGoingAway();
    void worksWithoutASoundServer();
    void calibratedLevelOfAKnownTone();
    void alarmVolumeScalesWhatTheSpeakerPlays();
    void flashAlarmKeepsTheSpeakerSilent();

private:
    QTemporaryDir m_dir;
    QString m_noise;
};

void TestMonitorEndToEnd::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("PULSE_SERVER"), "run me through with-pulse.sh");
    const QStringList info = pactl({"info"}).value_or("").split('\n');
    qInfo("%s", qPrintable(info.filter("Server Name").value(0)));
    QCOMPARE(pactl({"get-default-source"}).value_or(""), QString("vmic"));
    m_noise = m_dir.filePath("noise.wav");
    QVERIFY(writeNoiseWav(m_noise, 30, 20000));
}

void TestMonitorEndToEnd::silenceStaysGreen()
{
    Monitor m;
    Recorder speaker("spk.monitor");
    m.start();
    QTest::qWait(2500);
    QCOMPARE(m.meter()->barColor(), QColor(0, 255, 0));
    QCOMPARE(m.meter()->percent(), 0);
    QCOMPARE(m.statuses, QStringList({"", ""}));
    QCOMPARE(longestLoudRun(speaker.stop()), 0.0);
}

void TestMonitorEndToEnd::noiseCountsAndPlaysTheAlarm_data()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<int>("tolerance");
    QTest::addColumn<double>("soundSeconds");
    QTest::newRow("beep, default tolerance") << "RadioButton2" << 5 << 0.328;
    QTest::newRow("male shush") << "RadioButton3" << 2 << 0.667;
    QTest::newRow("female shush") << "RadioButton4" << 2 << 1.033;
    QTest::newRow("none stays silent") << "RadioButton1" << 2 << 0.0;
}

void TestMonitorEndToEnd::noiseCountsAndPlaysTheAlarm()
{
    QFETCH(QString, radio);
    QFETCH(int, tolerance);
    QFETCH(double, soundSeconds);

    Monitor m;
    m.form.findChild<QRadioButton *>(radio)->click();
    m.form.findChild<QSpinBox *>("SpinEdit1")->setValue(tolerance);
    m.start();
    QTest::qWait(300);
    Recorder speaker("spk.monitor");
    auto feed = play(m_noise, "micfeed");
    QTRY_COMPARE_WITH_TIMEOUT(m.meter()->barColor(), Red, 3000);
    QCOMPARE(m.meter()->percent(), 100); // 20000 x 65536 lies far above the meter's range
    m.statuses.clear();
    // Count until the alarm has sounded, and let the sound play out.
    QTRY_VERIFY_WITH_TIMEOUT(m.statuses.size() > tolerance + 1, (tolerance + 3) * 1000);
    QTest::qWait(int(soundSeconds * 1000) + 500);
    const QByteArray heard = speaker.stop();
    feed->kill();
    feed->waitForFinished();

    // Successive seconds count 1 ... tolerance, then start over at 1; a second that ends
    // while the alarm itself is still heard counts as quiet.
    const QRegularExpression expected(
        QRegularExpression::escape(noiseCounts(1, tolerance).join(',')) + ",{1,2}" +
        QRegularExpression::escape(noiseCounts(1, 1).join(',')));
    QVERIFY2(m.statuses.join(',').contains(expected), qPrintable(m.statuses.join(',')));

    const double loud = longestLoudRun(heard);
    qInfo("heard %.2f s of sound in %.2f s recorded; the sound lasts %.3f s", loud,
          secondsOf(heard), soundSeconds);
    if (soundSeconds == 0) {
        QCOMPARE(loud, 0.0);
    } else {
        QVERIFY2(loud >= soundSeconds - 0.12 && loud <= soundSeconds + 0.05,
                 qPrintable(QString::number(loud)));
    }
}

void TestMonitorEndToEnd::hearsTheDefaultSourceOnly()
{
    // A second virtual microphone, made the server's default.
    const auto sink = pactl(
        {"load-module", "module-null-sink", "sink_name=micfeed2", "rate=44100", "channels=1"});
    const auto source = pactl({"load-module", "module-remap-source", "source_name=vmic2",
                               "master=micfeed2.monitor", "channels=1"});
    QVERIFY(sink && source);
    const auto unload = qScopeGuard([&] {
        pactl({"set-default-source", "vmic"});
        pactl({"unload-module", *source});
        pactl({"unload-module", *sink});
    });
    Recorder keepAwake("micfeed2.monitor"); // keeps the idle null sink at low latency

    struct Case
    {
        const char *defaultSource;
        const char *fedSink;
        bool hears;
    };
    for (const Case &c : {Case{"vmic2", "micfeed2", true}, Case{"vmic2", "micfeed", false},
                          Case{"vmic", "micfeed", true}}) {
        QVERIFY(pactl({"set-default-source", c.defaultSource}));
        Monitor m;
        m.start();
        auto feed = play(m_noise, c.fedSink);
        const QString what = QString("default %1, noise into %2").arg(c.defaultSource, c.fedSink);
        if (c.hears) {
            QTRY_VERIFY2_WITH_TIMEOUT(m.meter()->barColor() == Red, qPrintable(what), 5000);
        } else {
            QTest::qWait(2500);
            QVERIFY2(m.meter()->barColor() != Red, qPrintable(what));
        }
        feed->kill();
        feed->waitForFinished();
    }
}

// The speaker heard by the microphone, as on a laptop: one burst of noise gives one alarm,
// and the alarm itself never sets off the next one.
void TestMonitorEndToEnd::alarmDoesNotSetItselfOff()
{
    const auto loopback = pactl({"load-module", "module-loopback", "source=spk.monitor",
                                 "sink=micfeed", "latency_msec=200"});
    QVERIFY(loopback);
    const auto unload = qScopeGuard([&] { pactl({"unload-module", *loopback}); });
    const QString burst = m_dir.filePath("burst.wav");
    QVERIFY(writeNoiseWav(burst, 1.0, 20000));

    Monitor m({"Tolerance=1", "Sound=Female"});
    // How long the alarm is still heard after the player says it is done: the tail the
    // guard must cover (printed, not asserted).
    QElapsedTimer clock;
    clock.start();
    qint64 lastPlaying = -1, lastLoud = -1;
    QObject::connect(m.session.findChild<QTimer *>("Timer1"), &QTimer::timeout, [&] {
        if (m.player.isPlaying())
            lastPlaying = clock.elapsed();
        else if (lastPlaying >= 0 && m.meter()->percent() > NoiseDetector::DefaultThreshold * 10)
            lastLoud = clock.elapsed();
    });
    m.start();
    QTest::qWait(500);
    auto feed = play(burst, "micfeed");
    QTRY_COMPARE_WITH_TIMEOUT(m.player.alarms, 1, 3000);
    QTest::qWait(10000);
    qInfo("alarms after one burst and ten seconds: %d; the alarm was heard %lld ms after it "
          "ended",
          m.player.alarms, lastLoud < 0 ? 0 : lastLoud - lastPlaying);
    QCOMPARE(m.player.alarms, 1);
}

// The sound server dies while the room is loud and comes back later: the held reading
// never keeps the meter red or the alarm going, and listening resumes by itself.
void TestMonitorEndToEnd::comesBackAfterTheSoundServerRestarts()
{
    Monitor m({"Tolerance=1", "Sound=Beep"});
    m.start();
    auto feed = play(m_noise, "micfeed");
    QTRY_COMPARE_WITH_TIMEOUT(m.meter()->barColor(), Red, 3000);

    QElapsedTimer since;
    since.start();
    QCOMPARE(soundServer("kill"), 0);
    QTRY_VERIFY_WITH_TIMEOUT(m.meter()->barColor() != Red, 1000);
    qInfo("meter no longer red %lld ms after the server died", since.elapsed());
    QVERIFY(m.meter()->isSignalLost());
    feed->kill();
    feed->waitForFinished();
    const int alarms = m.player.alarms;
    QTest::qWait(10000);
    QCOMPARE(m.player.alarms, alarms);
    QCOMPARE(m.meter()->barColor(), QColor(0, 255, 0));

    since.restart();
    QCOMPARE(soundServer("start"), 0);
    qInfo("the server took %lld ms to start", since.elapsed());
    feed = play(m_noise, "micfeed");
    QTRY_COMPARE_WITH_TIMEOUT(m.meter()->barColor(), Red, 3000);
    qInfo("red again %lld ms after the server came back", since.elapsed());
    QVERIFY(!m.meter()->isSignalLost());
    feed->kill();
    feed->waitForFinished();
}

// Listening was asked for before the desktop's sound server was up (Auto Start at login):
// it starts by itself once the server appears, and the room's noise sets off the alarm,
// which the speaker plays.
void TestMonitorEndToEnd::startsListeningWhenTheSoundServerComesLate()
{
    QCOMPARE(soundServer("kill"), 0);
    auto restart = qScopeGuard([] { soundServer("start"); });
    Monitor m({"Tolerance=2", "Sound=Beep"});
    m.start();
    QTest::qWait(2000);
    QCOMPARE(m.meter()->percent(), 0);

    QElapsedTimer since;
    since.start();
    restart.dismiss();
    QCOMPARE(soundServer("start"), 0);
    const qint64 startedMs = since.elapsed();
    Recorder speaker("spk.monitor");
    auto feed = play(m_noise, "micfeed");
    QTRY_COMPARE_WITH_TIMEOUT(m.meter()->barColor(), Red, 5000);
    const qint64 listeningMs = since.elapsed() - startedMs;
    qInfo("the server took %lld ms to start; the meter was red %lld ms after", startedMs,
          listeningMs);
    QVERIFY2(listeningMs < 3000, qPrintable(QString::number(listeningMs)));
    QTRY_VERIFY_WITH_TIMEOUT(m.player.alarms > 0, 5000);
    QTest::qWait(1000); // the beep reaches the speaker
    feed->kill();
    feed->waitForFinished();
    const double played = loudSeconds(speaker.stop());
    qInfo("the speaker played %.2f s of the beep", played);
    QVERIFY(played > 0.2);
}

// A user's sound of 30 s plays its first 10 s only, and the room is heard again right
// after: the self-gate hides at most about 10.3 s.
void TestMonitorEndToEnd::longCustomSoundPlaysItsFirstTenSeconds()
{
    const QString sound = m_dir.filePath("long.wav");
    QVERIFY(writeToneWav(sound, 30, 12000));
    Monitor m({"Tolerance=1", "Sound=Custom", "CustomSound=" + sound});
    m.start();
    Recorder speaker("spk.monitor");
    auto feed = play(m_noise, "micfeed");
    QTRY_VERIFY_WITH_TIMEOUT(m.player.alarms == 1, 5000);
    QElapsedTimer since;
    since.start();
    // The room stays loud: the next alarm comes once the gate lets the room in again.
    QTRY_VERIFY_WITH_TIMEOUT(m.player.alarms == 2, 15000);
    const qint64 gateMs = since.elapsed();
    feed->kill();
    feed->waitForFinished();
    QTest::qWait(500);
    const QByteArray samples = speaker.stop();
    const double played = loudSeconds(samples);
    qInfo("the room unheard for %lld ms; the speaker played %.2f s of the 30 s sound", gateMs,
          played);
    QVERIFY2(gateMs < 10300 + 1500, qPrintable(QString::number(gateMs))); // + tolerance + tick
    QVERIFY2(played > 9.5 && played < 12.5, qPrintable(QString::number(played)));
}

// Settings -> Microphone: the chosen input is heard and the default is not; while the
// chosen one is gone the default is heard, and when it returns it is heard again.
void TestMonitorEndToEnd::hearsTheChosenMicrophone()
{
    const auto sink = pactl(
        {"load-module", "module-null-sink", "sink_name=micfeed2", "rate=44100", "channels=1"});
    QVERIFY(sink);
    const QStringList remap{"load-module",       "module-remap-source",
                            "source_name=vmic2", "master=micfeed2.monitor",
                            "channels=1",        "source_properties=device.description=SecondMic"};
    auto source = pactl(remap);
    QVERIFY(source);
    const auto unload = qScopeGuard([&] {
        if (source)
            pactl({"unload-module", *source});
        pactl({"unload-module", *sink});
    });
    Recorder keepAwake("micfeed2.monitor"); // keeps the idle null sink at low latency

    Monitor m({"Microphone=vmic2"});
    m.start();
    auto *menu = m.form.findChild<QMenu *>("Microphone1");
    QVERIFY(menu);
    const auto captions = [menu] {
        QStringList texts;
        for (QAction *action : menu->actions())
            texts << (action->isChecked() ? "*" : "") + action->text();
        return texts;
    };
    // Every input by its description, the monitors of outputs left out.
    QTRY_VERIFY2_WITH_TIMEOUT(captions() ==
                                  QStringList({"Default", "", "VirtualMic", "*SecondMic"}),
                              qPrintable(captions().join('|')), 3000);

    const auto hears = [&](const char *fedSink, bool expected, const char *what) {
        auto feed = play(m_noise, fedSink);
        if (expected) {
            QTRY_VERIFY2_WITH_TIMEOUT(m.meter()->barColor() == Red, what, 4000);
        } else {
            QTest::qWait(2500);
            QVERIFY2(m.meter()->barColor() != Red, what);
        }
        feed->kill();
        feed->waitForFinished();
        QTRY_VERIFY_WITH_TIMEOUT(m.meter()->barColor() != Red, 3000);
    };
    hears("micfeed", false, "the default is not the chosen microphone");
    hears("micfeed2", true, "the chosen microphone");

    QVERIFY(pactl({"unload-module", *source}));
    source.reset();
    QTRY_COMPARE_WITH_TIMEOUT(
        captions(), QStringList({"Default", "", "VirtualMic", "*vmic2 (not connected)"}), 3000);
    hears("micfeed", true, "the default while the chosen microphone is gone");

    source = pactl(remap);
    QVERIFY(source);
    QTRY_COMPARE_WITH_TIMEOUT(captions(), QStringList({"Default", "", "VirtualMic", "*SecondMic"}),
                              3000);
    hears("micfeed2", true, "the chosen microphone once it is back");
    hears("micfeed", false, "the default once the chosen microphone is back");
}

void TestMonitorEndToEnd::survivesTheDeviceGoingAway()
{
    Monitor m;
    m.start();
    auto feed = play(m_noise, "micfeed");
    QTRY_COMPARE_WITH_TIMEOUT(m.meter()->barColor(), Red, 3000);
    // The microphone disappears while recording.
    pactl({"unload-module", "module-remap-source"});
    QTest::qWait(1000);
    feed->kill();
    feed->waitForFinished();
    m.session.onCountTick(); // ticks go on without a device
    QElapsedTimer closing;
    closing.start();
    m.form.close();
    qInfo("window closed %lld ms after its device disappeared", closing.elapsed());
    QVERIFY(pactl({"load-module", "module-remap-source", "source_name=vmic",
                   "master=micfeed.monitor", "channels=1"}));
    QVERIFY(pactl({"set-default-source", "vmic"}));
}

void TestMonitorEndToEnd::worksWithoutASoundServer()
{
    const QByteArray server = qgetenv("PULSE_SERVER");
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("PULSE_SERVER", "unix:" + m_dir.filePath("no-server-here").toUtf8());
    qputenv("XDG_RUNTIME_DIR", m_dir.path().toUtf8());
    const auto restore = qScopeGuard([&] {
        qputenv("PULSE_SERVER", server);
        qputenv("XDG_RUNTIME_DIR", runtime);
    });

    Monitor m;
    m.form.findChild<QRadioButton *>("RadioButton2")->click();
    m.form.findChild<QSpinBox *>("SpinEdit1")->setValue(1);
    m.start();
    QTest::qWait(1500);
    QCOMPARE(m.meter()->percent(), 0);
    QCOMPARE(m.meter()->barColor(), QColor(0, 255, 0));
    m.player.playResource("Resource_1"); // no server: returns at once, plays nothing
    m.form.close();
}

// Tones of known amplitude on the virtual microphone: -12.04 dBFS while the user types
// 70 dB into Calibrate..., then -6.02 dBFS, which must read 76.0 dB (calibrated).
void TestMonitorEndToEnd::calibratedLevelOfAKnownTone()
{
    QLocale::setDefault(QLocale::c());
    const QString quiet = m_dir.filePath("tone8192.wav");
    const QString loud = m_dir.filePath("tone16384.wav");
    QVERIFY(writeToneWav(quiet, 20, 8192) && writeToneWav(loud, 20, 16384));
    Monitor m({"Sound=None"});
    m.start();
    auto feed = play(quiet, "micfeed");
    QTRY_VERIFY_WITH_TIMEOUT(std::fabs(heardDbfs(m.session) + 12.04) < 0.05, 3000);
    qInfo("tone of amplitude 8192 (-12.04 dBFS) heard at %.3f dBFS", heardDbfs(m.session));

    QTimer::singleShot(0, [] {
        auto *dialog = qobject_cast<CalibrateDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        dialog->findChild<QDoubleSpinBox *>("MeterReading")->setValue(70.0);
        dialog->findChild<QPushButton *>("ButtonOK")->click();
    });
    m.form.findChild<QAction *>("Calibrate1")->trigger();
    const auto calibration =
        Calibration::fromStored(m.form.settings().read(SettingsTable::CalibrationOffset));
    QVERIFY(calibration);
    const double offset = *calibration;
    QVERIFY2(std::fabs(offset - 82.04) < 0.05, qPrintable(QString::number(offset)));

    feed->kill();
    feed->waitForFinished();
    feed = play(loud, "micfeed");
    QTRY_VERIFY_WITH_TIMEOUT(std::fabs(heardDbfs(m.session) + 6.02) < 0.05, 3000);
    const QString shown = m.form.findChild<LevelTooltips *>()->meterText();
    qInfo("tone of amplitude 16384 (-6.02 dBFS) shows as: %s", qPrintable(shown));
    QCOMPARE(shown, QString::fromUtf8("\u22126.0 dBFS \u00B7 76.0 dB (calibrated)"));
    feed->kill();
    feed->waitForFinished();
}

// Settings > Alarm Volume through the real player and sound server: the same beep at
// 100 % and at 30 % reaches the speaker at 0.3 times the peak; at 100 % again it is as
// loud as at first (a volume the server kept for the stream would make it quieter).
void TestMonitorEndToEnd::alarmVolumeScalesWhatTheSpeakerPlays()
{
    Monitor m({"Tolerance=1", "Sound=Beep"});
    m.start();
    QTest::qWait(300);
    QList<int> peaks;
    for (const int percent : {100, 30, 100}) {
        m.form.findChild<QAction *>(QString("AlarmVolume%1").arg(percent))->trigger();
        const int alarms = m.player.alarms;
        Recorder speaker("spk.monitor");
        auto feed = play(m_noise, "micfeed");
        QTRY_VERIFY_WITH_TIMEOUT(m.player.alarms > alarms, 5000);
        feed->kill();
        feed->waitForFinished();
        QTest::qWait(1000); // the beep (0.33 s) plays out
        peaks << peakOf(speaker.stop());
        // A quiet room before the next: the count starts over.
        QTRY_VERIFY_WITH_TIMEOUT(m.meter()->barColor() != Red, 3000);
        QTest::qWait(1500);
    }
    const double ratio = double(peaks[1]) / peaks[0];
    qInfo("the beep's peak on the speaker: %d at 100 %%, %d at 30 %% (ratio %.3f), %d at 100 %% "
          "again",
          peaks[0], peaks[1], ratio, peaks[2]);
    QVERIFY2(peaks[0] > 5000, qPrintable(QString::number(peaks[0])));
    QVERIFY2(std::fabs(ratio - 0.3) <= 0.05, qPrintable(QString::number(ratio)));
    QVERIFY2(std::abs(peaks[2] - peaks[0]) <= peaks[0] / 20, qPrintable(QString::number(peaks[2])));
}

// Settings > Alarm > Flash: the room stays loud, the meter flashes alarm after alarm, and
// the speaker plays nothing at all.
void TestMonitorEndToEnd::flashAlarmKeepsTheSpeakerSilent()
{
    Monitor m({"Tolerance=1", "Sound=Beep", "AlarmMode=Flash"});
    QList<qint64> onsets;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&m.session, &ListeningSession::flashChanged, [&](bool lit) {
        if (lit)
            onsets << clock.elapsed();
    });
    int alarms = 0;
    QObject::connect(&m.session, &ListeningSession::alarmSounded, [&] { ++alarms; });
    m.start();
    QTest::qWait(300);
    Recorder speaker("spk.monitor");
    auto feed = play(m_noise, "micfeed");
    const qint64 fed = clock.elapsed();
    QTRY_VERIFY_WITH_TIMEOUT(m.meter()->isFlashLit(), 4000);
    const qint64 litAfter = clock.elapsed() - fed;
    QTest::qWait(4000); // the room stays loud: more alarms, the meter flashes on
    feed->kill();
    feed->waitForFinished();
    QTest::qWait(3500); // the last alarm's visual alarm ends
    const QByteArray heard = speaker.stop();
    qInfo("the meter flashed %lld ms after the noise began; %d alarms, %lld flashes; the "
          "speaker's peak in %.1f s: %d",
          litAfter, alarms, qint64(onsets.size()), secondsOf(heard), peakOf(heard));
    QCOMPARE(m.player.alarms, 0);
    QVERIFY2(alarms >= 3, qPrintable(QString::number(alarms))); // the room was heard throughout
    QVERIFY(!m.meter()->isFlashLit());
    QVERIFY(secondsOf(heard) > 6);
    QCOMPARE(peakOf(heard), 0);
    for (qsizetype i = 0; i + 3 < onsets.size(); ++i)
        QVERIFY2(onsets[i + 3] - onsets[i] > 1000, qPrintable(QString::number(onsets[i])));
}

QTEST_MAIN(TestMonitorEndToEnd)
#include "tst_monitor_e2e.moc"

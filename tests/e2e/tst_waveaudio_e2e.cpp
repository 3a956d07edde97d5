// The Windows program's monitoring against the real waveform-audio calls: under Wine they
// reach the private sound server of with-pulse.sh, so noise played into the virtual
// microphone's feed must turn the meter red and the alarm must come out of the virtual
// speaker, recorded through its monitor.
#include "app/mainwindow.h"
#include "app/noisemeter.h"
#include "base/settingstable.h"
#include "e2e/soundfixtures.h"
#include "e2e/wavedevices.h"
#include "features/levels/calibration.h"
#include "features/levels/leveltooltips.h"
#include "localisation/languagecatalogue.h"
#include "monitor/decibels.h"
#include "monitor/microphonecapture.h"
#include "monitor/soundplayer.h"
#include "session/listeningsession.h"
#include "support/fakes.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace SoundFixtures;

namespace {
const QColor Red(255, 0, 0);
const QString MicrophoneFeed = QStringLiteral("MicFeed");
const QString SpeakerMonitor = QStringLiteral("Monitor of Speaker");
// Two inputs whose names agree in their first 31 characters, all the waveform-audio
// device list keeps of a name.
const QString RoomA = QStringLiteral("Microphone (USB Audio Device) Room A");
const QString RoomB = QStringLiteral("Microphone (USB Audio Device) Room B");
const QStringList VirtualMicModule{
    "load-module",      "module-remap-source",
    "source_name=vmic", "master=micfeed.monitor",
    "channels=1",       "source_properties=device.description=VirtualMic"};

// Brings the virtual microphone back as with-pulse.sh made it, as the default input.
bool loadVirtualMic()
{
    const std::optional<QString> index = WaveDevices::pactl(VirtualMicModule);
    WaveDevices::pactl({"set-default-source", "vmic"});
    return index && !index->isEmpty();
}

// The platform's player, counting the alarms it was asked to play.
class CountingPlayer : public SoundPlayer
{
public:
    void playResource(const QString &name) override
    {
        ++alarms;
        m_player->playResource(name);
    }
    void playFile(const QString &path) override
    {
        ++alarms;
        m_player->playFile(path);
    }
    bool isPlaying() const override { return m_player->isPlaying(); }
    int alarms = 0;

private:
    std::unique_ptr<SoundPlayer> m_player = SoundPlayer::createDefault();
};

// A program folder holding settings.ini with the given lines, when there are any.
QTemporaryDir withSettings(const QStringList &lines)
{
    QTemporaryDir folder;
    QFile file(folder.filePath("settings.ini"));
    if (!lines.isEmpty() && file.open(QIODevice::WriteOnly))
        file.write(("[Settings]\r\n" + lines.join("\r\n") + "\r\n").toUtf8());
    return folder;
}

// The window as the program builds it, over the platform's capture and player.
struct Monitor
{
    explicit Monitor(const QStringList &settings = {})
        : folder(withSettings(settings)), capture(CaptureDevice::createDefault()),
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

    QTemporaryDir folder; // the program folder: settings.ini goes here
    MicrophoneCapture capture;
    CountingPlayer player;
    ListeningSession session;
    RecordingDesktop desktop;
    LanguageCatalogue language{folder.path(), 1033};
    MainWindow form;
    QStringList statuses; // the status text after each 1 s tick
};
// Settings > Microphone's items, the checked one marked with "*".
QStringList microphoneMenu(const Monitor &m)
{
    QStringList captions;
    if (auto *menu = m.form.findChild<QMenu *>("Microphone1")) {
        for (QAction *action : menu->actions())
            captions << (action->isChecked() ? "*" : "") + action->text();
    }
    return captions;
}
} // namespace

class TestWaveAudioEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void silenceStaysGreen();
    void noisePlaysTheAlarm_data();
    void noisePlaysTheAlarm();
    void capturesAKnownToneExactly();
    void hearsTheChosenMicrophone();
    void tellsApartNamesCutTo31Characters();
    void recoversWhenTheMicrophoneReturns();
    void retriesAFailedOpenUntilTheMicrophoneAppears();
    void alarmDoesNotSetItselfOff();
    void cleanupTestCase();

private:
    // Whether noise played into `output` turns the meter red (checked for 2.5 s when not).
    static void hears(const Monitor &m, const QString &noise, const QString &output, bool expected,
                      const char *what);
    QTemporaryDir m_dir;
    QString m_noise;
    QStringList m_roomModules;
};

void TestWaveAudioEndToEnd::initTestCase()
{
    // Wine reads the device list once, at a process's first waveform-audio call: the
    // rooms' inputs exist before it. Each room has a feed of its own to play into.
    for (const auto &[feed, room] : {std::pair{"feeda", RoomA}, std::pair{"feedb", RoomB}}) {
        const QString sink =
            WaveDevices::pactl({"load-module", "module-null-sink", QString("sink_name=") + feed,
                                "rate=44100", "channels=1",
                                QString("sink_properties=device.description=") + feed})
                .value_or(QString());
        const QString source =
            WaveDevices::pactl({"load-module", "module-remap-source",
                                QString("source_name=") + feed + "_room",
                                QString("master=") + feed + ".monitor", "channels=1",
                                "source_properties='device.description=\"" + room + "\"'"})
                .value_or(QString());
        QVERIFY2(!sink.isEmpty() && !source.isEmpty(), "pactl under Wine");
        m_roomModules << source << sink;
    }
    QVERIFY2(WaveDevices::outputNamed(MicrophoneFeed) >= 0, "run me through with-pulse.sh");
    QVERIFY(WaveDevices::inputNamed(SpeakerMonitor) >= 0);
    m_noise = m_dir.filePath("noise.wav");
    QVERIFY(writeNoiseWav(m_noise, 30, 20000));
}

void TestWaveAudioEndToEnd::silenceStaysGreen()
{
    Monitor m;
    WaveDevices::Recorder speaker(SpeakerMonitor);
    QVERIFY(speaker.isOpen());
    m.form.startListening();
    QTest::qWait(2500);
    QCOMPARE(m.meter()->barColor(), QColor(0, 255, 0));
    QCOMPARE(m.meter()->percent(), 0);
    QCOMPARE(m.statuses, QStringList({"", ""}));
    QCOMPARE(m.player.alarms, 0);
    QCOMPARE(longestLoudRun(speaker.stop()), 0.0);
}

void TestWaveAudioEndToEnd::noisePlaysTheAlarm_data()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<double>("soundSeconds");
    QTest::newRow("beep") << "RadioButton2" << 0.328;
    QTest::newRow("male shush") << "RadioButton3" << 0.667;
    QTest::newRow("female shush") << "RadioButton4" << 1.033;
    QTest::newRow("custom WAV file") << "RadioButton5" << 0.8;
}

void TestWaveAudioEndToEnd::noisePlaysTheAlarm()
{
    QFETCH(QString, radio);
    QFETCH(double, soundSeconds);

    Monitor m;
    if (radio == QLatin1String("RadioButton5")) {
        const QString tone = m.folder.filePath("tone.wav");
        QVERIFY(writeToneWav(tone, soundSeconds, 12000));
        m.form.findChild<QLineEdit *>("Edit1")->setText(tone);
    }
    m.form.findChild<QRadioButton *>(radio)->click();
    m.form.findChild<QSpinBox *>("SpinEdit1")->setValue(2);
    m.form.startListening();
    QTest::qWait(300);
    WaveDevices::Recorder speaker(SpeakerMonitor);
    WaveDevices::Player feed(m_noise, MicrophoneFeed);
    QVERIFY(feed.isOpen());
    QTRY_COMPARE_WITH_TIMEOUT(m.meter()->barColor(), Red, 3000);
    QCOMPARE(m.meter()->percent(), 100);
    QTRY_COMPARE_WITH_TIMEOUT(m.player.alarms, 1, 5000);
    QTest::qWait(int(soundSeconds * 1000) + 700);
    feed.stop();
    const QByteArray heard = speaker.stop();

    QVERIFY2(m.statuses.contains("Noise Detected! (2)"), qPrintable(m.statuses.join(',')));
    const double loud = loudSeconds(heard);
    qInfo("heard %.2f s of sound (longest run %.2f s) in %.2f s recorded; the sound lasts %.3f s",
          loud, longestLoudRun(heard), secondsOf(heard), soundSeconds);
    QVERIFY2(loud >= soundSeconds - 0.15 && loud <= soundSeconds + 0.1,
             qPrintable(QString::number(loud)));
}

// The speaker heard by the microphone, as on a laptop: one burst of noise gives one alarm,
// and the alarm, played through PlaySoundW and heard through waveIn, never sets off the next.
void TestWaveAudioEndToEnd::alarmDoesNotSetItselfOff()
{
    const std::optional<QString> loopback =
        WaveDevices::pactl({"load-module", "module-loopback", "source=spk.monitor", "sink=micfeed",
                            "latency_msec=200"});
    QVERIFY(loopback && !loopback->isEmpty());
    const auto unload = qScopeGuard([&] { WaveDevices::pactl({"unload-module", *loopback}); });
    const QString burst = m_dir.filePath("burst.wav");
    QVERIFY(writeNoiseWav(burst, 1.0, 20000));

    Monitor m({"Tolerance=1", "Sound=Female"});
    m.form.startListening();
    QTest::qWait(500);
    WaveDevices::Player feed(burst, MicrophoneFeed);
    QVERIFY(feed.isOpen());
    QTRY_COMPARE_WITH_TIMEOUT(m.player.alarms, 1, 4000);
    QTest::qWait(10000);
    qInfo("alarms after one burst and ten seconds: %d", m.player.alarms);
    QCOMPARE(m.player.alarms, 1);
}

void TestWaveAudioEndToEnd::capturesAKnownToneExactly()
{
    const QString tone = m_dir.filePath("tone8192.wav");
    QVERIFY(writeToneWav(tone, 10, 8192));
    Monitor m;
    m.form.startListening();
    WaveDevices::Player feed(tone, MicrophoneFeed);
    QVERIFY(feed.isOpen());
    const auto heard = [&m] { return Decibels::dbfsOfLevel(m.session.record().latestLevel()); };
    QTRY_VERIFY2_WITH_TIMEOUT(qAbs(heard() - (-12.04)) < 0.05, qPrintable(QString::number(heard())),
                              5000);
    qInfo("a tone of amplitude 8192 read %.3f dBFS", heard());
}

// Settings > Microphone lists the waveform-audio inputs by name; the chosen one is heard
// and the default is not. Wine lists the speaker's monitor as an input like any other.
void TestWaveAudioEndToEnd::hearsTheChosenMicrophone()
{
    Monitor m({"Microphone=" + SpeakerMonitor});
    m.form.startListening();
    const QStringList captions = microphoneMenu(m);
    QVERIFY2(captions.startsWith("Default") && captions.contains("VirtualMic") &&
                 captions.contains("*" + SpeakerMonitor),
             qPrintable(captions.join('|')));

    hears(m, m_noise, MicrophoneFeed, false, "the default microphone is not the chosen one");
    hears(m, m_noise, "Speaker", true, "the chosen microphone");
}

void TestWaveAudioEndToEnd::hears(const Monitor &m, const QString &noise, const QString &output,
                                  bool expected, const char *what)
{
    WaveDevices::Player feed(noise, output);
    QVERIFY(feed.isOpen());
    if (expected) {
        QTRY_VERIFY2_WITH_TIMEOUT(m.meter()->barColor() == Red, what, 4000);
    } else {
        QTest::qWait(2500);
        QVERIFY2(m.meter()->barColor() != Red, what);
    }
    feed.stop();
    QTRY_VERIFY_WITH_TIMEOUT(m.meter()->barColor() != Red, 3000);
}

// The device list cuts both rooms' names to "Microphone (USB Audio Device) R": the
// chosen one is known by its whole name, listed whole, and only it is heard.
void TestWaveAudioEndToEnd::tellsApartNamesCutTo31Characters()
{
    Monitor m({"Microphone=" + RoomB});
    m.form.startListening();
    const QStringList captions = microphoneMenu(m);
    QVERIFY2(captions.contains(RoomA) && captions.contains("*" + RoomB),
             qPrintable(captions.join('|')));
    hears(m, m_noise, "feeda", false, "the other room with the same short name");
    hears(m, m_noise, "feedb", true, "the chosen room");
}

// The chosen microphone is removed while it records: the meter turns grey, and when it
// is back the same window hears it again.
void TestWaveAudioEndToEnd::recoversWhenTheMicrophoneReturns()
{
    Monitor m({"Microphone=VirtualMic"});
    m.form.startListening();
    WaveDevices::Player feed(m_noise, MicrophoneFeed);
    QVERIFY(feed.isOpen());
    QTRY_COMPARE_WITH_TIMEOUT(m.meter()->barColor(), Red, 3000);

    const std::optional<QString> module = WaveDevices::moduleOfSource("vmic");
    QVERIFY(module && !module->isEmpty());
    WaveDevices::pactl({"unload-module", *module});
    QElapsedTimer gone;
    gone.start();
    QTRY_VERIFY_WITH_TIMEOUT(m.meter()->isSignalLost(), 3000);
    qInfo("the meter greyed %lld ms after the microphone was removed", gone.elapsed());
    QTest::qWait(2000);
    QVERIFY(m.meter()->isSignalLost());

    QVERIFY(loadVirtualMic());
    QElapsedTimer back;
    back.start();
    QTRY_VERIFY_WITH_TIMEOUT(!m.meter()->isSignalLost() && m.meter()->barColor() == Red, 6000);
    qInfo("red again %lld ms after the microphone came back", back.elapsed());
}

// Started before its microphone exists (a login that is quicker than the sound device),
// the window opens it once it appears.
void TestWaveAudioEndToEnd::retriesAFailedOpenUntilTheMicrophoneAppears()
{
    const std::optional<QString> module = WaveDevices::moduleOfSource("vmic");
    QVERIFY(module && !module->isEmpty());
    WaveDevices::pactl({"unload-module", *module});
    auto restore = qScopeGuard([] { loadVirtualMic(); });

    Monitor m({"Microphone=VirtualMic"});
    m.form.startListening();
    QTest::qWait(2500);
    QVERIFY(m.meter()->isSignalLost());

    restore.dismiss();
    QVERIFY(loadVirtualMic());
    QElapsedTimer back;
    back.start();
    WaveDevices::Player feed(m_noise, MicrophoneFeed);
    QVERIFY(feed.isOpen());
    QTRY_VERIFY_WITH_TIMEOUT(!m.meter()->isSignalLost() && m.meter()->barColor() == Red, 6000);
    qInfo("heard %lld ms after the microphone appeared", back.elapsed());
}

void TestWaveAudioEndToEnd::cleanupTestCase()
{
    for (const QString &module : std::as_const(m_roomModules))
        WaveDevices::pactl({"unload-module", module});
    if (!WaveDevices::moduleOfSource("vmic"))
        loadVirtualMic();
}

QTEST_MAIN(TestWaveAudioEndToEnd)
#include "tst_waveaudio_e2e.moc"

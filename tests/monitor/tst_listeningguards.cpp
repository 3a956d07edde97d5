#include "monitor/alarmechoguard.h"
#include "monitor/noisedetector.h"
#include "monitor/signalwatch.h"

#include <QTest>

// Each step is "time:event" with the event c (a capture arrived), p (the alarm plays),
// - (nothing); the expected column says what the reading at that time is.
namespace {
struct Step
{
    qint64 ms;
    char event;
};

QList<Step> steps(const QString &script)
{
    QList<Step> parsed;
    for (const QString &item : script.split(' ', Qt::SkipEmptyParts))
        parsed.append(
            {item.section(':', 0, 0).toLongLong(), item.section(':', 1).at(0).toLatin1()});
    return parsed;
}
} // namespace

class TestListeningGuards : public QObject
{
    Q_OBJECT
private slots:
    void signalWatch_data();
    void signalWatch();
    void echoGuard_data();
    void echoGuard();
    void ownSoundIsShownButNeverNoise();
};

void TestListeningGuards::signalWatch_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("live"); // one letter per step: y or n

    QTest::newRow("captures every 50 ms stay live") << "0:c 50:c 100:c 550:-"
                                                    << "yyyy";
    QTest::newRow("no capture yet counts from the start") << "0:- 499:- 500:-"
                                                          << "yyn";
    QTest::newRow("half a second without captures is lost") << "0:c 100:c 599:- 600:-"
                                                            << "yyyn";
    QTest::newRow("sound coming in again is live at once") << "0:c 900:- 950:c 1000:-"
                                                           << "ynyy";
}

void TestListeningGuards::signalWatch()
{
    QFETCH(QString, script);
    QFETCH(QString, live);
    SignalWatch watch;
    watch.start(0);
    QString seen;
    for (const Step &step : steps(script)) {
        if (step.event == 'c')
            watch.noteCapture(step.ms);
        seen += watch.isLive(step.ms) ? 'y' : 'n';
    }
    QCOMPARE(seen, live);
}

void TestListeningGuards::echoGuard_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("own"); // y: the reading is our own sound

    QTest::newRow("nothing played, nothing is ours") << "0:- 1000:-"
                                                     << "nn";
    QTest::newRow("while playing") << "0:p 50:p 1000:p"
                                   << "yyy";
    QTest::newRow("the tail after the last sample") << "0:p 1000:p 1050:- 1299:- 1300:- 2000:-"
                                                    << "yyyynn";
    QTest::newRow("a new alarm starts a new tail") << "0:p 400:- 5000:p 5299:- 5300:-"
                                                   << "ynyyn";
}

void TestListeningGuards::echoGuard()
{
    QFETCH(QString, script);
    QFETCH(QString, own);
    AlarmEchoGuard guard;
    QString seen;
    for (const Step &step : steps(script))
        seen += guard.isOwnSound(step.event == 'p', step.ms) ? 'y' : 'n';
    QCOMPARE(seen, own);
}

void TestListeningGuards::ownSoundIsShownButNeverNoise()
{
    NoiseDetector detector;
    const NoiseDetector::Reading reading = detector.measure(2147483648LL, 0, true);
    QVERIFY(!reading.noisy);
    QVERIFY(!detector.noiseDetected());
    QCOMPARE(reading.meterValue, NoiseDetector::MeterMaximum);
    QCOMPARE(detector.tick(1).alarm, false);
}

QTEST_APPLESS_MAIN(TestListeningGuards)
#include "tst_listeningguards.moc"

#include "monitor/noisedetector.h"

#include <QTest>

class TestNoiseDetector : public QObject
{
    Q_OBJECT
private slots:
    void measure_data();
    void measure();
    void seconds_data();
    void seconds();
    void toleranceFromText_data();
    void toleranceFromText();
};

void TestNoiseDetector::measure_data()
{
    QTest::addColumn<qint64>("raw");
    QTest::addColumn<int>("threshold");
    QTest::addColumn<bool>("noisy");
    QTest::addColumn<qint64>("meter");
    QTest::addColumn<int>("percent");

    QTest::newRow("threshold 0, silence is quiet") << 0LL << 0 << false << 0LL << 0;
    QTest::newRow("threshold 0, any sound is noise") << 65536LL << 0 << true << 65536LL << 0;
    QTest::newRow("threshold 10, exactly full bar stays green")
        << 100000000LL << 10 << false << 100000000LL << 100;
    QTest::newRow("threshold 10, just above") << 100000001LL << 10 << true << 100000000LL << 100;
    QTest::newRow("default threshold, equality is quiet")
        << 50000000LL << 5 << false << 50000000LL << 50;
    QTest::newRow("default threshold, just above") << 50000001LL << 5 << true << 50000001LL << 50;
    QTest::newRow("below one percent shows an empty bar") << 999999LL << 0 << true << 999999LL << 0;
    QTest::newRow("negative raw value takes its magnitude")
        << -655344LL << 0 << true << 655344LL << 0;
    QTest::newRow("most negative raw value is noise at every threshold")
        << -2147483648LL << 10 << true << 100000000LL << 100;
    QTest::newRow("full-scale -32768 sample level")
        << 2147483648LL << 10 << true << 100000000LL << 100;
    QTest::newRow("fraction of a percent is dropped") << 1999999LL << 5 << false << 1999999LL << 1;
}

void TestNoiseDetector::measure()
{
    QFETCH(qint64, raw);
    QFETCH(int, threshold);
    QFETCH(bool, noisy);
    QFETCH(qint64, meter);
    QFETCH(int, percent);

    NoiseDetector detector;
    const NoiseDetector::Reading reading = detector.measure(raw, threshold);
    QCOMPARE(reading.noisy, noisy);
    QCOMPARE(detector.noiseDetected(), noisy);
    QCOMPARE(reading.meterValue, meter);
    QCOMPARE(NoiseDetector::meterPercent(reading.meterValue), percent);
}

// Each second is a run of 50 ms readings ('N' noisy, 'Q' quiet) followed by the 1 s tick;
// only the last reading before a tick counts.
void TestNoiseDetector::seconds_data()
{
    QTest::addColumn<QString>("readings");
    QTest::addColumn<int>("tolerance");
    QTest::addColumn<QStringList>("status");
    QTest::addColumn<QString>("alarms"); // one character per second: 'A' alarm, '.' none

    const QStringList oneToFive{"1", "2", "3", "4", "5", "1", "2"};
    QTest::newRow("default tolerance, unbroken noise")
        << "N|N|N|N|N|N|N" << 5 << oneToFive << "....A..";
    QTest::newRow("silence never counts") << "Q|Q|Q" << 5 << QStringList{"", "", ""} << "...";
    QTest::newRow("a quiet second starts the count over")
        << "N|N|Q|N|N" << 3 << QStringList{"1", "2", "", "1", "2"} << ".....";
    QTest::newRow("one quiet reading just before the tick resets")
        << "NNNNNNNNNNNNNNNNNNNQ|N" << 5 << QStringList{"", "1"} << "..";
    QTest::newRow("one noisy reading just before the tick counts the second")
        << "QQQQQQQQQQQQQQQQQQQN" << 5 << QStringList{"1"} << ".";
    QTest::newRow("tolerance 1 alarms every noisy second")
        << "N|N|N" << 1 << QStringList{"1", "1", "1"} << "AAA";
    QTest::newRow("regression: tolerance 0 typed in a quiet room stays silent")
        << "Q|Q|Q" << 0 << QStringList{"", "", ""} << "...";
    QTest::newRow("regression: negative tolerance acts as 1")
        << "Q|N|N" << -3 << QStringList{"", "1", "1"} << ".AA";
    QTest::newRow("largest tolerance")
        << "N|N|N" << 999999999 << QStringList{"1", "2", "3"} << "...";
}

void TestNoiseDetector::seconds()
{
    QFETCH(QString, readings);
    QFETCH(int, tolerance);
    QFETCH(QStringList, status);
    QFETCH(QString, alarms);

    NoiseDetector detector;
    const QStringList perSecond = readings.split(QLatin1Char('|'));
    QCOMPARE(perSecond.size(), status.size());
    for (int s = 0; s < perSecond.size(); ++s) {
        for (QChar r : perSecond[s])
            detector.measure(r == QLatin1Char('N') ? 90000000 : 1000,
                             NoiseDetector::DefaultThreshold);
        const NoiseDetector::Second second = detector.tick(tolerance);
        const QString expected =
            status[s].isEmpty() ? QString() : NoiseDetector::noiseText(status[s].toInt());
        QCOMPARE(second.statusText, expected);
        QCOMPARE(second.alarm, alarms[s] == QLatin1Char('A'));
    }
}

void TestNoiseDetector::toleranceFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("tolerance");
    QTest::newRow("default") << "5" << 5;
    QTest::newRow("empty field reads as 1") << "" << 1;
    QTest::newRow("not a number") << "abc" << 1;
    QTest::newRow("zero being typed is read as typed") << "0" << 0;
    QTest::newRow("negative being typed") << "-7" << -7;
    QTest::newRow("maximum") << "999999999" << 999999999;
    QTest::newRow("beyond 32 bits") << "99999999999" << 1;
}

void TestNoiseDetector::toleranceFromText()
{
    QFETCH(QString, text);
    QFETCH(int, tolerance);
    QCOMPARE(NoiseDetector::toleranceFromText(text), tolerance);
}

QTEST_APPLESS_MAIN(TestNoiseDetector)
#include "tst_noisedetector.moc"

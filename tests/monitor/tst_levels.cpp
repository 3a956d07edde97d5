// Levels in dBFS, their text, the calibration offset and the pause of the alarm.
#include "features/levels/calibration.h"
#include "monitor/decibels.h"
#include "session/alarmpause.h"

#include <QTest>
#include <cmath>
#include <optional>

using OptionalDb = std::optional<double>;
Q_DECLARE_METATYPE(OptionalDb)

class TestLevels : public QObject
{
    Q_OBJECT
private slots:
    void dbfs_data();
    void dbfs();
    void thresholdPositions_data();
    void thresholdPositions();
    void text_data();
    void text();
    void calibrationOffset_data();
    void calibrationOffset();
    void storedOffset_data();
    void storedOffset();
    void pauseEndsOnEitherClock_data();
    void pauseEndsOnEitherClock();
};

void TestLevels::dbfs_data()
{
    QTest::addColumn<qint64>("level");
    QTest::addColumn<double>("dbfs");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("silence") << 0LL << -inf;
    QTest::newRow("one step of 16 bits") << 65536LL << -90.309;
    QTest::newRow("half scale") << 16384LL * 65536 << -6.0206;
    QTest::newRow("full scale, the most negative sample") << 2147483648LL << 0.0;
    QTest::newRow("a level between two samples") << 32768LL << -96.330;
}

void TestLevels::dbfs()
{
    QFETCH(qint64, level);
    QFETCH(double, dbfs);
    const double got = Decibels::dbfsOfLevel(level);
    if (std::isinf(dbfs))
        QVERIFY(std::isinf(got) && got < 0);
    else
        QVERIFY2(std::fabs(got - dbfs) < 0.001, qPrintable(QString::number(got)));
}

// What each threshold position means: level position x 10000000, as dBFS.
void TestLevels::thresholdPositions_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    QTest::newRow("0: any sound") << 0 << QString::fromUtf8("−∞ dBFS");
    QTest::newRow("1") << 1 << QString::fromUtf8("−46.6 dBFS");
    QTest::newRow("5, the default") << 5 << QString::fromUtf8("−32.7 dBFS");
    QTest::newRow("10: only near-full bars") << 10 << QString::fromUtf8("−26.6 dBFS");
}

void TestLevels::thresholdPositions()
{
    QFETCH(int, position);
    QFETCH(QString, text);
    QCOMPARE(Decibels::dbfsText(Decibels::thresholdDbfs(position), QLocale::c()), text);
}

void TestLevels::text_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::newRow("true minus sign") << -12.34 << "C" << QString::fromUtf8("−12.3");
    QTest::newRow("rounds to the nearest tenth") << -12.36 << "C" << QString::fromUtf8("−12.4");
    QTest::newRow("no minus on a zero that rounds") << -0.04 << "C"
                                                    << "0.0";
    QTest::newRow("positive (calibrated)") << 62.0 << "C"
                                           << "62.0";
    QTest::newRow("German decimal comma") << -6.02 << "de_DE" << QString::fromUtf8("−6,0");
    QTest::newRow("no group separator") << 1234.5 << "en_US"
                                        << "1234.5";
}

void TestLevels::text()
{
    QFETCH(double, value);
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QCOMPARE(Decibels::numberText(value, QLocale(locale)), text);
}

void TestLevels::calibrationOffset_data()
{
    QTest::addColumn<double>("meterDb");
    QTest::addColumn<double>("dbfs");
    QTest::addColumn<OptionalDb>("offset");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("meter 62 dB at -30 dBFS") << 62.0 << -30.0 << OptionalDb(92.0);
    QTest::newRow("full scale") << 110.0 << 0.0 << OptionalDb(110.0);
    QTest::newRow("silence gives no reference") << 62.0 << -inf << OptionalDb();
    QTest::newRow("a negative meter figure") << -1.0 << -30.0 << OptionalDb();
    QTest::newRow("above the meter's range") << 150.5 << -30.0 << OptionalDb();
    QTest::newRow("range ends count") << 150.0 << -30.0 << OptionalDb(180.0);
}

void TestLevels::calibrationOffset()
{
    QFETCH(double, meterDb);
    QFETCH(double, dbfs);
    QFETCH(OptionalDb, offset);
    QCOMPARE(Calibration::offsetFor(meterDb, dbfs), offset);
}

void TestLevels::storedOffset_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<OptionalDb>("offset");
    QTest::newRow("absent") << QString() << OptionalDb();
    QTest::newRow("written by us") << Calibration::toStored(92.125) << OptionalDb(92.13);
    QTest::newRow("blanks around") << " 90.5 " << OptionalDb(90.5);
    QTest::newRow("a decimal comma is not ours") << "90,5" << OptionalDb();
    QTest::newRow("not a number") << "loud" << OptionalDb();
    QTest::newRow("infinity") << "inf" << OptionalDb();
}

void TestLevels::storedOffset()
{
    QFETCH(QString, text);
    QFETCH(OptionalDb, offset);
    const OptionalDb got = Calibration::fromStored(text);
    QCOMPARE(got.has_value(), offset.has_value());
    if (offset)
        QVERIFY(std::fabs(*got - *offset) < 1e-9);
}

// A 10-minute pause started at monotonic 1000 and wall 5000000.
void TestLevels::pauseEndsOnEitherClock_data()
{
    QTest::addColumn<qint64>("now");
    QTest::addColumn<qint64>("wallNow");
    QTest::addColumn<bool>("paused");
    const qint64 tenMinutes = 600000;
    QTest::newRow("at once") << 1000LL << 5000000LL << true;
    QTest::newRow("a millisecond before the end") << 1000 + tenMinutes - 1 << 5000000LL << true;
    QTest::newRow("at the end") << 1000 + tenMinutes << 5000000 + tenMinutes << false;
    QTest::newRow("asleep: the wall clock passed the end")
        << 2000LL << 5000000 + tenMinutes << false;
    QTest::newRow("the wall clock set back") << 1000 + tenMinutes << 0LL << false;
}

void TestLevels::pauseEndsOnEitherClock()
{
    QFETCH(qint64, now);
    QFETCH(qint64, wallNow);
    QFETCH(bool, paused);
    AlarmPause pause;
    QVERIFY(!pause.isPaused(1000, 5000000));
    pause.pauseFor(10, 1000, 5000000);
    QCOMPARE(pause.wallEnd(), 5600000LL);
    QCOMPARE(pause.isPaused(now, wallNow), paused);
    pause.resume();
    QVERIFY(!pause.isPaused(1000, 5000000));
}

QTEST_APPLESS_MAIN(TestLevels)
#include "tst_levels.moc"

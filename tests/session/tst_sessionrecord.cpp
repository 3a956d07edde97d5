// The per-second session record, its roll-off past a day and its CSV.
#include "features/sessionreport/sessioncsv.h"
#include "session/sessionrecord.h"

#include <QTest>

namespace {
// One row per entry: {peak of the second, noisy, alarm}, seconds from 1000 s.
struct Row
{
    int peak;
    bool noisy;
    bool alarm;
};

SessionRecord recordOf(const QList<Row> &rows, int capacity = SessionRecord::DayOfSeconds)
{
    SessionRecord record(capacity);
    qint64 time = 1000000;
    for (const Row &row : rows) {
        record.noteReading(qint64(row.peak / 2) * 65536); // a quieter reading first
        record.noteReading(qint64(row.peak) * 65536);
        record.noteReading(0);
        time += 1000;
        record.closeSecond(time, row.noisy, row.alarm);
    }
    return record;
}
} // namespace

Q_DECLARE_METATYPE(QList<Row>)

class TestSessionRecord : public QObject
{
    Q_OBJECT
private slots:
    void summary_data();
    void summary();
    void oldestRowsRollOff();
    void aDayIsBounded();
    void csvField_data();
    void csvField();
    void csvTime_data();
    void csvTime();
    void csv();
};

void TestSessionRecord::summary_data()
{
    QTest::addColumn<QList<Row>>("rows");
    QTest::addColumn<int>("noisy");
    QTest::addColumn<int>("alarms");
    QTest::addColumn<int>("loudest");
    QTest::newRow("empty") << QList<Row>{} << 0 << 0 << -1;
    QTest::newRow("silence") << QList<Row>{{0, false, false}, {0, false, false}} << 0 << 0 << 0;
    QTest::newRow("the first of equal peaks is the loudest")
        << QList<Row>{{100, false, false}, {900, true, false}, {900, true, true}} << 2 << 1 << 1;
    QTest::newRow("full scale counts")
        << QList<Row>{{32767, true, false}, {32768, true, true}} << 2 << 1 << 1;
}

void TestSessionRecord::summary()
{
    QFETCH(QList<Row>, rows);
    QFETCH(int, noisy);
    QFETCH(int, alarms);
    QFETCH(int, loudest);
    const SessionRecord record = recordOf(rows);
    QCOMPARE(record.size(), rows.size());
    const SessionRecord::Summary summary = record.summary();
    QCOMPARE(summary.noisySeconds, noisy);
    QCOMPARE(summary.alarms, alarms);
    QCOMPARE(summary.loudest, loudest);
    // Each row keeps the second's highest peak, not its last reading.
    for (int i = 0; i < rows.size(); ++i)
        QCOMPARE(int(record.at(i).peak), rows[i].peak);
}

void TestSessionRecord::oldestRowsRollOff()
{
    const SessionRecord record = recordOf(
        {{1, false, false}, {2, true, false}, {3, true, true}, {4, false, false}, {5, true, false}},
        3);
    QCOMPARE(record.size(), 3);
    QCOMPARE(int(record.at(0).peak), 3);
    QCOMPARE(int(record.at(2).peak), 5);
    QCOMPARE(record.at(0).time, 1003000LL);
    QCOMPARE(record.at(2).time, 1005000LL);
    const SessionRecord::Summary summary = record.summary();
    QCOMPARE(summary.noisySeconds, 2);
    QCOMPARE(summary.alarms, 1);
    QCOMPARE(summary.loudest, 2);
}

void TestSessionRecord::aDayIsBounded()
{
    SessionRecord record;
    for (int second = 0; second < SessionRecord::DayOfSeconds + 100; ++second) {
        record.noteReading(qint64(second % 32768) * 65536);
        record.closeSecond(qint64(second) * 1000, false, false);
    }
    QCOMPARE(record.size(), SessionRecord::DayOfSeconds);
    QCOMPARE(record.at(0).time, 100000LL);
    QVERIFY(record.memoryBytes() <= std::size_t(SessionRecord::DayOfSeconds) * 16);
    qInfo("a day of seconds takes %zu bytes (%zu per row)", record.memoryBytes(),
          sizeof(SessionRecord::Second));
}

void TestSessionRecord::csvField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");
    QTest::newRow("plain") << "-32.6"
                           << "-32.6";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("comma") << "a,b"
                           << "\"a,b\"";
    QTest::newRow("quotes are doubled") << "say \"hi\""
                                        << "\"say \"\"hi\"\"\"";
    QTest::newRow("line break") << "a\r\nb"
                                << "\"a\r\nb\"";
    QTest::newRow("a lone LF") << "a\nb"
                               << "\"a\nb\"";
    QTest::newRow("blanks stay unquoted") << " a b "
                                          << " a b ";
}

void TestSessionRecord::csvField()
{
    QFETCH(QString, text);
    QFETCH(QString, field);
    QCOMPARE(SessionCsv::field(text), field);
}

void TestSessionRecord::csvTime_data()
{
    QTest::addColumn<qint64>("time");
    QTest::addColumn<QTimeZone>("zone");
    QTest::addColumn<QString>("text");
    // 2026-03-05 13:03:07.250 UTC
    const qint64 time = 1772715787250LL;
    QTest::newRow("UTC") << time << QTimeZone::utc() << "2026-03-05T13:03:07Z";
    QTest::newRow("one hour east") << time << QTimeZone(3600) << "2026-03-05T14:03:07+01:00";
    QTest::newRow("west, across midnight")
        << time << QTimeZone(-14 * 3600) << "2026-03-04T23:03:07-14:00";
    QTest::newRow("a named zone in summer")
        << 1783256587000LL << QTimeZone("Europe/Berlin") << "2026-07-05T15:03:07+02:00";
}

void TestSessionRecord::csvTime()
{
    QFETCH(qint64, time);
    QFETCH(QTimeZone, zone);
    QFETCH(QString, text);
    QCOMPARE(SessionCsv::timeText(time, zone), text);
}

void TestSessionRecord::csv()
{
    SessionRecord record = recordOf({{0, false, false}, {16384, true, false}, {32768, true, true}});
    const QByteArray csv = SessionCsv::write(record, QTimeZone::utc());
    QCOMPARE(csv, QByteArray("time,peak_dbfs,noisy,alarm\r\n"
                             "1970-01-01T00:16:41Z,-inf,0,0\r\n"
                             "1970-01-01T00:16:42Z,-6.0,1,0\r\n"
                             "1970-01-01T00:16:43Z,0.0,1,1\r\n"));
}

QTEST_APPLESS_MAIN(TestSessionRecord)
#include "tst_sessionrecord.moc"

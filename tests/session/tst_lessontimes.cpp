// The week's lesson times on their own: the text form of a range, what is wrong with a
// list of ranges, and whether a lesson is on at an instant and until when, in the zones
// and on the days that clocks change.
#include "session/lessontimes.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QTest>

namespace {
// "Mon,Tue 08:00-12:30" as it stands, wrong or not: "-" for no weekday, any times.
LessonRange rangeOf(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral("^(\\S+) (\\d\\d):(\\d\\d)-(\\d\\d):(\\d\\d)$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        qFatal("bad fixture %s", qPrintable(text));
    LessonRange range;
    if (match.captured(1) != QLatin1String("-"))
        range.days =
            LessonRange::fromText(match.captured(1) + QStringLiteral(" 00:00-00:01"))->days;
    range.start = match.captured(2).toInt() * 60 + match.captured(3).toInt();
    range.end = match.captured(4).toInt() * 60 + match.captured(5).toInt();
    return range;
}

QList<LessonRange> rangesOf(const QStringList &texts)
{
    QList<LessonRange> ranges;
    for (const QString &text : texts)
        ranges << rangeOf(text);
    return ranges;
}

qint64 instant(const QString &iso)
{
    const QDateTime at = QDateTime::fromString(iso, Qt::ISODateWithMs);
    if (!at.isValid())
        qFatal("bad instant %s", qPrintable(iso));
    return at.toMSecsSinceEpoch();
}

const QStringList SchoolDay{"Mon,Tue,Wed,Thu,Fri 08:00-12:30", "Mon,Tue,Wed,Thu,Fri 13:15-15:00"};
} // namespace

class TestLessonTimes : public QObject
{
    Q_OBJECT
private slots:
    void textForm_data();
    void textForm();
    void problems_data();
    void problems();
    void state_data();
    void state();
    void offOrEmptyIsNotInEffect();
};

void TestLessonTimes::textForm_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("written"); // empty: not a range
    QTest::newRow("school week") << "Mon,Tue,Wed,Thu,Fri 08:00-12:30"
                                 << "Mon,Tue,Wed,Thu,Fri 08:00-12:30";
    QTest::newRow("days in any order and case, spaces") << "  fri,MON   8:05-9:00 "
                                                        << "Mon,Fri 08:05-09:00";
    QTest::newRow("until midnight as 24:00") << "Sun 22:00-24:00"
                                             << "Sun 22:00-24:00";
    QTest::newRow("until midnight as 00:00") << "Sun 22:00-00:00"
                                             << "Sun 22:00-24:00";
    QTest::newRow("end before start") << "Mon 09:00-08:00"
                                      << "";
    QTest::newRow("end at start") << "Mon 09:00-09:00"
                                  << "";
    QTest::newRow("start at 24:00") << "Mon 24:00-24:00"
                                    << "";
    QTest::newRow("no such day") << "Mon,Fry 08:00-09:00"
                                 << "";
    QTest::newRow("no day") << "08:00-09:00"
                            << "";
    QTest::newRow("no such minute") << "Mon 08:60-09:00"
                                    << "";
    QTest::newRow("25 o'clock") << "Mon 08:00-25:00"
                                << "";
    QTest::newRow("one time") << "Mon 08:00"
                              << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestLessonTimes::textForm()
{
    QFETCH(QString, text);
    QFETCH(QString, written);
    const std::optional<LessonRange> range = LessonRange::fromText(text);
    QCOMPARE(range ? range->toText() : QString(), written);
}

void TestLessonTimes::problems_data()
{
    QTest::addColumn<QStringList>("ranges");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("a school day") << SchoolDay << QStringList();
    QTest::newRow("touching ends do not overlap")
        << QStringList{"Mon 08:00-09:00", "Mon 09:00-10:00"} << QStringList();
    QTest::newRow("the same time on other days")
        << QStringList{"Mon,Tue 08:00-09:00", "Wed,Sun 08:00-09:00"} << QStringList();
    QTest::newRow("overlap named by its first shared day")
        << QStringList{"Mon,Tue,Wed 08:00-12:30", "Wed,Thu 12:00-13:00"}
        << QStringList{"Ranges 1 and 2 overlap on Wednesday."};
    QTest::newRow("one inside another")
        << QStringList{"Fri 08:00-15:00", "Sat 08:00-09:00", "Fri 10:00-11:00"}
        << QStringList{"Ranges 1 and 3 overlap on Friday."};
    QTest::newRow("every pair said once")
        << QStringList{"Mon 08:00-10:00", "Mon 09:00-11:00", "Mon 09:30-09:45"}
        << QStringList{"Ranges 1 and 2 overlap on Monday.", "Ranges 1 and 3 overlap on Monday.",
                       "Ranges 2 and 3 overlap on Monday."};
    QTest::newRow("until midnight against the evening")
        << QStringList{"Sun 22:00-24:00", "Sun 23:00-23:30"}
        << QStringList{"Ranges 1 and 2 overlap on Sunday."};
    QTest::newRow("end before start, and no overlap claimed for it")
        << QStringList{"Mon 08:00-12:00", "Mon 10:00-09:00"}
        << QStringList{"Range 2 must end after it starts."};
    QTest::newRow("end at start") << QStringList{"Tue 09:00-09:00"}
                                  << QStringList{"Range 1 must end after it starts."};
    QTest::newRow("no weekday") << QStringList{"Mon 08:00-09:00", "- 08:00-09:00"}
                                << QStringList{"Range 2 has no weekday."};
}

void TestLessonTimes::problems()
{
    QFETCH(QStringList, ranges);
    QFETCH(QStringList, messages);
    QStringList said;
    for (const LessonTimes::Problem &problem : LessonTimes::problemsOf(rangesOf(ranges)))
        said << LessonTimes::describe(
            problem, [](const QString &text) { return text; }, QLocale::c());
    QCOMPARE(said, messages);
}

// at and until are instants with their offset; the zone is the clock the ranges are
// read on. 2026-03-05 is a Thursday; in Berlin clocks go forward on 2026-03-29 at 02:00
// and back on 2026-10-25 at 03:00.
void TestLessonTimes::state_data()
{
    QTest::addColumn<QStringList>("ranges");
    QTest::addColumn<QString>("zone");
    QTest::addColumn<QString>("at");
    QTest::addColumn<bool>("lesson");
    QTest::addColumn<QString>("until"); // empty: never changes

    const QString berlin = QStringLiteral("Europe/Berlin");
    QTest::newRow("on at the start exactly") << SchoolDay << berlin << "2026-03-05T08:00:00+01:00"
                                             << true << "2026-03-05T12:30:00+01:00";
    QTest::newRow("off a millisecond before it")
        << SchoolDay << berlin << "2026-03-05T07:59:59.999+01:00" << false
        << "2026-03-05T08:00:00+01:00";
    QTest::newRow("on a millisecond before the end")
        << SchoolDay << berlin << "2026-03-05T12:29:59.999+01:00" << true
        << "2026-03-05T12:30:00+01:00";
    QTest::newRow("off at the end exactly, until the next lesson")
        << SchoolDay << berlin << "2026-03-05T12:30:00+01:00" << false
        << "2026-03-05T13:15:00+01:00";
    QTest::newRow("Friday afternoon to Monday morning")
        << SchoolDay << berlin << "2026-03-06T15:00:00+01:00" << false
        << "2026-03-09T08:00:00+01:00";
    QTest::newRow("Sunday to Monday") << SchoolDay << berlin << "2026-03-08T10:00:00+01:00" << false
                                      << "2026-03-09T08:00:00+01:00";
    QTest::newRow("one lesson a week: next week's")
        << QStringList{"Thu 08:00-09:00"} << berlin << "2026-03-05T09:00:00+01:00" << false
        << "2026-03-12T08:00:00+01:00";
    QTest::newRow("ending at midnight")
        << QStringList{"Thu 20:00-24:00"} << berlin << "2026-03-05T23:59:00+01:00" << true
        << "2026-03-06T00:00:00+01:00";
    QTest::newRow("on through midnight into the next day's range")
        << QStringList{"Thu 20:00-24:00", "Fri 00:00-02:00"} << berlin
        << "2026-03-05T21:00:00+01:00" << true << "2026-03-06T02:00:00+01:00";
    QTest::newRow("the whole week: never changes")
        << QStringList{"Mon,Tue,Wed,Thu,Fri,Sat,Sun 00:00-24:00"} << berlin
        << "2026-03-05T12:00:00+01:00" << true << "";
    QTest::newRow("the zone's own clock")
        << SchoolDay << "Asia/Tokyo"
        << "2026-03-05T08:00:00+09:00" << true << "2026-03-05T12:30:00+09:00";
    QTest::newRow("the zone's own clock, off")
        << SchoolDay << "America/New_York"
        << "2026-03-05T08:00:00+01:00" << false << "2026-03-05T08:00:00-05:00";

    // Forward: 02:00 CET becomes 03:00 CEST.
    const QStringList sunday1to4{"Sun 01:00-04:00"};
    QTest::newRow("forward: 01:00-04:00 lasts two hours")
        << sunday1to4 << berlin << "2026-03-29T01:00:00+01:00" << true
        << "2026-03-29T04:00:00+02:00";
    QTest::newRow("forward: a start in the skipped hour is at 03:00")
        << QStringList{"Sun 02:30-05:00"} << berlin << "2026-03-29T01:30:00+01:00" << false
        << "2026-03-29T03:00:00+02:00";
    QTest::newRow("forward: an end in the skipped hour is at 03:00")
        << QStringList{"Sun 01:00-02:30"} << berlin << "2026-03-29T01:30:00+01:00" << true
        << "2026-03-29T03:00:00+02:00";
    QTest::newRow("forward: a range inside the skipped hour does not happen")
        << QStringList{"Sun 02:15-02:45"} << berlin << "2026-03-29T01:00:00+01:00" << false
        << "2026-04-05T02:15:00+02:00";
    // Back: 03:00 CEST becomes 02:00 CET, and 02:00-03:00 is shown twice.
    QTest::newRow("back: 01:00-04:00 lasts four hours")
        << sunday1to4 << berlin << "2026-10-25T01:00:00+02:00" << true
        << "2026-10-25T04:00:00+01:00";
    QTest::newRow("back: through the repeated hour without a break")
        << sunday1to4 << berlin << "2026-10-25T02:59:00+02:00" << true
        << "2026-10-25T04:00:00+01:00";
    QTest::newRow("back: an end in the repeated hour comes first in summer time")
        << QStringList{"Sun 01:00-02:30"} << berlin << "2026-10-25T02:00:00+02:00" << true
        << "2026-10-25T02:30:00+02:00";
    QTest::newRow("back: ... and the range is on again as the clock shows 02:00 again")
        << QStringList{"Sun 01:00-02:30"} << berlin << "2026-10-25T02:30:00+02:00" << false
        << "2026-10-25T02:00:00+01:00";
    QTest::newRow("back: ... until 02:30 the second time")
        << QStringList{"Sun 01:00-02:30"} << berlin << "2026-10-25T02:00:00+01:00" << true
        << "2026-10-25T02:30:00+01:00";
    QTest::newRow("back: a range inside the repeated hour starts a second time")
        << QStringList{"Sun 02:15-02:45"} << berlin << "2026-10-25T02:45:00+02:00" << false
        << "2026-10-25T02:15:00+01:00";
}

void TestLessonTimes::state()
{
    QFETCH(QStringList, ranges);
    QFETCH(QString, zone);
    QFETCH(QString, at);
    QFETCH(bool, lesson);
    QFETCH(QString, until);
    const QTimeZone timeZone(zone.toLatin1());
    QVERIFY(timeZone.isValid());
    const LessonTimes times(true, rangesOf(ranges));
    const LessonTimes::State state = times.stateAt(instant(at), timeZone);
    QCOMPARE(state.lesson, lesson);
    QCOMPARE(times.isLessonAt(instant(at), timeZone), lesson);
    const qint64 expected = until.isEmpty() ? LessonTimes::NoChange : instant(until);
    if (state.until != expected) {
        QFAIL(qPrintable(QStringLiteral("until %1, expected %2")
                             .arg(QDateTime::fromMSecsSinceEpoch(state.until, timeZone)
                                      .toString(Qt::ISODateWithMs),
                                  until)));
    }
}

void TestLessonTimes::offOrEmptyIsNotInEffect()
{
    QVERIFY(!LessonTimes().isInEffect());
    QVERIFY(!LessonTimes(false, rangesOf(SchoolDay)).isInEffect());
    QVERIFY(!LessonTimes(true, {}).isInEffect());
    QVERIFY(!LessonTimes(true, rangesOf({"- 08:00-09:00", "Mon 10:00-09:00"})).isInEffect());
    QVERIFY(LessonTimes(true, rangesOf(SchoolDay)).isInEffect());
}

QTEST_GUILESS_MAIN(TestLessonTimes)
#include "tst_lessontimes.moc"

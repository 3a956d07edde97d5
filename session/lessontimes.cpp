#include "session/lessontimes.h"

#include <QDateTime>
#include <QLocale>
#include <algorithm>
#include <utility>

namespace {
constexpr qint64 MsPerMinute = 60 * 1000;
constexpr qint64 MsPerDay = 24 * 60 * MsPerMinute;

bool usable(const LessonRange &range)
{
    return range.days != 0 && range.end > range.start;
}

// The instants at which the zone's clock shows minuteOfDay on date: none when the clock
// skips that time, two when it shows it twice. minuteOfDay 1440 is the next midnight.
QList<qint64> instantsShowing(QDate date, int minuteOfDay, const QTimeZone &zone)
{
    const qint64 wall =
        QDateTime(date, QTime(0, 0), Qt::UTC).toMSecsSinceEpoch() + minuteOfDay * MsPerMinute;
    // The offsets in force a day around that time; clocks change at most once in that span.
    QList<int> offsets;
    for (const qint64 near : {wall - MsPerDay, wall, wall + MsPerDay}) {
        const int offset = zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(near, Qt::UTC));
        if (!offsets.contains(offset))
            offsets << offset;
    }
    QList<qint64> instants;
    for (const int offset : std::as_const(offsets)) {
        const qint64 instant = wall - offset * qint64(1000);
        if (zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(instant, Qt::UTC)) == offset)
            instants << instant;
    }
    return instants;
}
} // namespace

LessonTimes::LessonTimes(bool enabled, QList<LessonRange> ranges)
    : m_enabled(enabled), m_ranges(std::move(ranges))
{
}

bool LessonTimes::isInEffect() const
{
    return m_enabled && std::any_of(m_ranges.cbegin(), m_ranges.cend(), usable);
}

QList<LessonTimes::Problem> LessonTimes::problemsOf(const QList<LessonRange> &ranges)
{
    QList<Problem> problems;
    for (int i = 0; i < ranges.size(); ++i) {
        if (ranges[i].days == 0)
            problems.append({Problem::Kind::NoWeekday, i + 1});
        if (ranges[i].end <= ranges[i].start)
            problems.append({Problem::Kind::EndNotAfterStart, i + 1});
    }
    for (int i = 0; i < ranges.size(); ++i) {
        for (int j = i + 1; j < ranges.size(); ++j) {
            const LessonRange &a = ranges[i];
            const LessonRange &b = ranges[j];
            const quint8 shared = a.days & b.days;
            if (!shared || !usable(a) || !usable(b) || a.end <= b.start || b.end <= a.start)
                continue;
            int day = Qt::Monday;
            while (!(shared & (1u << (day - 1))))
                ++day;
            problems.append({Problem::Kind::Overlap, i + 1, j + 1, day});
        }
    }
    return problems;
}

QString LessonTimes::describe(const Problem &problem, const Translator &translate,
                              const QLocale &locale)
{
    switch (problem.kind) {
    case Problem::Kind::NoWeekday:
        return translate(QStringLiteral("Range %1 has no weekday.")).arg(problem.range);
    case Problem::Kind::EndNotAfterStart:
        return translate(QStringLiteral("Range %1 must end after it starts.")).arg(problem.range);
    case Problem::Kind::Overlap:
        return translate(QStringLiteral("Ranges %1 and %2 overlap on %3."))
            .arg(problem.range)
            .arg(problem.otherRange)
            .arg(locale.dayName(problem.day, QLocale::LongFormat));
    }
    return QString();
}

bool LessonTimes::isLessonAt(qint64 wallMs, const QTimeZone &zone) const
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(wallMs, zone);
    const int day = local.date().dayOfWeek();
    const int minute = local.time().msecsSinceStartOfDay() / int(MsPerMinute);
    return std::any_of(m_ranges.cbegin(), m_ranges.cend(),
                       [&](const LessonRange &range) { return range.holds(day, minute); });
}

// The state changes only where the clock shows a range's start or end, or where the
// clock itself jumps; the first such instant after wallMs with the other state is the
// answer. Nine days ahead hold the next change of any weekly schedule that has one.
LessonTimes::State LessonTimes::stateAt(qint64 wallMs, const QTimeZone &zone) const
{
    const bool lesson = isLessonAt(wallMs, zone);
    const QDate today = QDateTime::fromMSecsSinceEpoch(wallMs, zone).date();
    QList<qint64> candidates;
    for (int offset = -1; offset <= 8; ++offset) {
        const QDate date = today.addDays(offset);
        for (const LessonRange &range : m_ranges) {
            if (!usable(range) || !range.hasDay(date.dayOfWeek()))
                continue;
            candidates << instantsShowing(date, range.start, zone)
                       << instantsShowing(date, range.end, zone);
        }
    }
    const QDateTime from = QDateTime::fromMSecsSinceEpoch(wallMs - MsPerDay, Qt::UTC);
    for (const QTimeZone::OffsetData &jump : zone.transitions(from, from.addDays(10)))
        candidates << jump.atUtc.toMSecsSinceEpoch();
    std::sort(candidates.begin(), candidates.end());
    for (const qint64 candidate : std::as_const(candidates)) {
        if (candidate > wallMs && isLessonAt(candidate, zone) != lesson)
            return {lesson, candidate};
    }
    return {lesson, NoChange};
}

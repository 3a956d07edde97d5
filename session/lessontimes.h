#pragma once

#include "session/lessonrange.h"

#include <QList>
#include <QTimeZone>
#include <functional>
#include <limits>

class QLocale;

// The week's lesson times: ranges of wall-clock time on weekdays, and a switch. Off (the
// default), or on without a usable range, it has no effect and the alarm listens always.
//
// Time is the wall clock of a time zone: a lesson is on exactly while the clock in that
// zone shows a time inside one of the ranges on that weekday. So on the day clocks go
// forward, a range 01:00-04:00 lasts two hours, and a lesson starting at 02:30, a time
// the clock skips, starts at 03:00 (a range wholly inside the skipped hour does not
// happen that day); on the day they go back, a range 01:00-04:00 lasts four hours, a
// range inside the repeated hour happens twice, and one ending inside it (01:00-02:30)
// stops at the first 02:30 and is on again from the second 02:00 to the second 02:30.
class LessonTimes
{
public:
    using Translator = std::function<QString(const QString &)>;
    // Milliseconds since the epoch of a change that never comes.
    static constexpr qint64 NoChange = std::numeric_limits<qint64>::max();

    // What is wrong with a list of ranges; ranges are counted from 1 as the user sees them.
    struct Problem
    {
        enum class Kind
        {
            NoWeekday,
            EndNotAfterStart,
            Overlap
        };
        Kind kind;
        int range;
        int otherRange = 0; // Overlap: the later range of the two
        int day = 0;        // Overlap: the first weekday they share, as Qt::DayOfWeek
    };

    struct State
    {
        bool lesson;  // a lesson is on
        qint64 until; // when that changes, milliseconds since the epoch: the end of the
                      // lesson, or the start of the next; NoChange when it never does
    };

    LessonTimes() = default;
    LessonTimes(bool enabled, QList<LessonRange> ranges);

    bool isEnabled() const { return m_enabled; }
    const QList<LessonRange> &ranges() const { return m_ranges; }
    // On, with at least one range that has a weekday and ends after it starts.
    bool isInEffect() const;

    // Every range without a weekday or with an end not after its start, and every two
    // ranges that share a weekday and overlap in time (touching ends do not overlap).
    static QList<Problem> problemsOf(const QList<LessonRange> &ranges);
    // "Range 2 must end after it starts.", "Ranges 1 and 3 overlap on Monday."
    static QString describe(const Problem &problem, const Translator &translate,
                            const QLocale &locale);

    // Whether a lesson is on at wallMs (milliseconds since the epoch), and until when.
    // Regardless of the switch: the caller asks isInEffect() first.
    bool isLessonAt(qint64 wallMs, const QTimeZone &zone) const;
    State stateAt(qint64 wallMs, const QTimeZone &zone) const;

    bool operator==(const LessonTimes &other) const
    {
        return m_enabled == other.m_enabled && m_ranges == other.m_ranges;
    }

private:
    bool m_enabled = false;
    QList<LessonRange> m_ranges;
};

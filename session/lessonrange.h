#pragma once

#include <QString>
#include <QTime>
#include <optional>

// One weekly time range of lessons: some weekdays, from a start to an end time of the
// day, in wall-clock minutes. The end is after the start on the same day; an end of
// 24:00 is midnight at the day's end (a time edit's 00:00 as an end means that too).
// Its text form, as settings.ini keeps it: "Mon,Tue,Wed,Thu,Fri 08:00-12:30".
struct LessonRange
{
    static constexpr int MinutesPerDay = 24 * 60;

    // Bit (day - 1) for each Qt::DayOfWeek: Monday is bit 0, Sunday bit 6.
    quint8 days = 0;
    int start = 0; // minutes after midnight, 0 ... 1439
    int end = 0;   // minutes after midnight, 1 ... 1440

    bool hasDay(int dayOfWeek) const { return days & (1u << (dayOfWeek - 1)); }
    void setDay(int dayOfWeek, bool on);
    // The range holds minuteOfDay on that day: start <= minute < end.
    bool holds(int dayOfWeek, int minuteOfDay) const
    {
        return hasDay(dayOfWeek) && start <= minuteOfDay && minuteOfDay < end;
    }

    QTime startTime() const { return QTime(start / 60, start % 60); }
    // 24:00 shows as 00:00.
    QTime endTime() const { return QTime((end / 60) % 24, end % 60); }
    static int startOf(QTime time) { return time.hour() * 60 + time.minute(); }
    // 00:00 as an end is midnight at the day's end.
    static int endOf(QTime time) { return startOf(time) == 0 ? MinutesPerDay : startOf(time); }

    QString toText() const;
    // The text form back; nothing for a text that is not one (unknown or no weekday, a
    // time that is none, an end not after the start).
    static std::optional<LessonRange> fromText(const QString &text);

    bool operator==(const LessonRange &other) const
    {
        return days == other.days && start == other.start && end == other.end;
    }
};

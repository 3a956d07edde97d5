#include "session/lessonrange.h"

#include <QRegularExpression>
#include <QStringList>

namespace {
// The stored names, never translated: the file reads the same in every language.
const char *const DayNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

QString clockText(int minutes)
{
    return QStringLiteral("%1:%2")
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

// "HH:MM" to minutes after midnight, up to 24:00; -1 when it is no time.
int minutesOf(const QString &text)
{
    static const QRegularExpression clock(QStringLiteral("^(\\d{1,2}):(\\d{2})$"));
    const QRegularExpressionMatch match = clock.match(text);
    if (!match.hasMatch())
        return -1;
    const int hours = match.captured(1).toInt();
    const int minutes = match.captured(2).toInt();
    if (minutes > 59 || hours > 24 || (hours == 24 && minutes != 0))
        return -1;
    return hours * 60 + minutes;
}
} // namespace

void LessonRange::setDay(int dayOfWeek, bool on)
{
    const quint8 bit = quint8(1u << (dayOfWeek - 1));
    days = on ? quint8(days | bit) : quint8(days & ~bit);
}

QString LessonRange::toText() const
{
    QStringList names;
    for (int day = Qt::Monday; day <= Qt::Sunday; ++day) {
        if (hasDay(day))
            names << QLatin1String(DayNames[day - 1]);
    }
    return names.join(QLatin1Char(',')) + QLatin1Char(' ') + clockText(start) + QLatin1Char('-') +
           clockText(end);
}

std::optional<LessonRange> LessonRange::fromText(const QString &text)
{
    const QStringList parts = text.simplified().split(QLatin1Char(' '));
    if (parts.size() != 2)
        return std::nullopt;
    LessonRange range;
    for (const QString &name : parts[0].split(QLatin1Char(','))) {
        int day = Qt::Monday;
        while (day <= Qt::Sunday &&
               name.compare(QLatin1String(DayNames[day - 1]), Qt::CaseInsensitive) != 0)
            ++day;
        if (day > Qt::Sunday)
            return std::nullopt;
        range.setDay(day, true);
    }
    const QStringList times = parts[1].split(QLatin1Char('-'));
    if (times.size() != 2)
        return std::nullopt;
    range.start = minutesOf(times[0]);
    range.end = minutesOf(times[1]);
    if (range.end == 0)
        range.end = MinutesPerDay;
    if (range.start < 0 || range.start >= MinutesPerDay || range.end <= range.start)
        return std::nullopt;
    return range;
}

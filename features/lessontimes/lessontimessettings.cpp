#include "features/lessontimes/lessontimessettings.h"

#include "base/settings.h"

LessonTimes LessonTimesSettings::load(const Settings &settings, QStringList *unreadable)
{
    QList<LessonRange> ranges;
    for (const QString &text : settings.read(SettingsTable::LessonTimesRanges)) {
        if (const std::optional<LessonRange> range = LessonRange::fromText(text))
            ranges << *range;
        else if (unreadable)
            *unreadable << text;
    }
    return LessonTimes(settings.read(SettingsTable::LessonTimesEnabled), ranges);
}

void LessonTimesSettings::store(Settings &settings, const LessonTimes &times)
{
    settings.write(SettingsTable::LessonTimesEnabled, times.isEnabled());
    QStringList lines;
    for (const LessonRange &range : times.ranges())
        lines << range.toText();
    settings.write(SettingsTable::LessonTimesRanges, lines);
}

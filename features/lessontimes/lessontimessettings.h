#pragma once

#include "session/lessontimes.h"

#include <QStringList>

class Settings;

// The lesson times in settings.ini: section [LessonTimes], "Enabled=ON" and one key a
// range ("Range1=Mon,Tue,Wed,Thu,Fri 08:00-12:30").
class LessonTimesSettings
{
public:
    // What the settings hold. A stored range that cannot be read is left out, and its
    // text is added to unreadable; the rest still count.
    static LessonTimes load(const Settings &settings, QStringList *unreadable = nullptr);
    static void store(Settings &settings, const LessonTimes &times);
};

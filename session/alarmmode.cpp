#include "session/alarmmode.h"

#include <array>

namespace {
struct Entry
{
    AlarmMode mode;
    const char *stored;
};
constexpr std::array<Entry, 3> Table{{
    {AlarmMode::Sound, "Sound"},
    {AlarmMode::Flash, "Flash"},
    {AlarmMode::Both, "Both"},
}};
} // namespace

QString AlarmModes::storedName(AlarmMode mode)
{
    for (const Entry &e : Table) {
        if (e.mode == mode)
            return QString::fromLatin1(e.stored);
    }
    return QString::fromLatin1(Table[0].stored);
}

AlarmMode AlarmModes::fromStoredName(const QString &name)
{
    for (const Entry &e : Table) {
        if (name == QLatin1String(e.stored))
            return e.mode;
    }
    return AlarmMode::Sound;
}

bool AlarmModes::plays(AlarmMode mode)
{
    return mode != AlarmMode::Flash;
}

bool AlarmModes::flashes(AlarmMode mode)
{
    return mode != AlarmMode::Sound;
}

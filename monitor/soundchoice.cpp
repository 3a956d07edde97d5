#include "monitor/soundchoice.h"

#include "monitor/builtinsounds.h"

#include <array>

namespace {
struct Entry
{
    SoundChoice choice;
    const char *stored;
    const char *resource;
};
constexpr std::array<Entry, 5> Table{{
    {SoundChoice::None, "None", ""},
    {SoundChoice::Beep, "Beep", BuiltinSounds::Beep},
    {SoundChoice::Male, "Male", BuiltinSounds::MaleShush},
    {SoundChoice::Female, "Female", BuiltinSounds::FemaleShush},
    {SoundChoice::Custom, "Custom", ""},
}};

const Entry &entryOf(SoundChoice choice)
{
    for (const Entry &e : Table) {
        if (e.choice == choice)
            return e;
    }
    return Table[0];
}
} // namespace

QString SoundChoices::storedName(SoundChoice choice)
{
    return QString::fromLatin1(entryOf(choice).stored);
}

SoundChoice SoundChoices::fromStoredName(const QString &name)
{
    for (const Entry &e : Table) {
        if (name == QLatin1String(e.stored))
            return e.choice;
    }
    return SoundChoice::None;
}

QString SoundChoices::resourceName(SoundChoice choice)
{
    return QString::fromLatin1(entryOf(choice).resource);
}

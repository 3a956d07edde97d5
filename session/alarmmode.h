#pragma once

#include <QString>

// How the alarm warns the room: with its sound (as it always did), with the visual alarm
// alone (a test, where nothing may be heard), or with both.
enum class AlarmMode
{
    Sound,
    Flash,
    Both
};

namespace AlarmModes {
// "Sound", "Flash", "Both": the names settings.ini keeps.
QString storedName(AlarmMode mode);
// Exactly one of the stored names (case matters); anything else is Sound, so a file
// without the key, or with a mistyped one, keeps the sound.
AlarmMode fromStoredName(const QString &name);
// Whether the mode plays the warning sound, and whether it flashes.
bool plays(AlarmMode mode);
bool flashes(AlarmMode mode);
} // namespace AlarmModes

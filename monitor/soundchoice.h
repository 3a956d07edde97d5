#pragma once

#include <QString>

// The five warning-sound choices, their stored names and the built-in sound each plays.
enum class SoundChoice
{
    None,
    Beep,
    Male,
    Female,
    Custom
};

namespace SoundChoices {
// "None", "Beep", "Male", "Female", "Custom".
QString storedName(SoundChoice choice);
// Exactly one of the stored names (case matters); anything else is None.
SoundChoice fromStoredName(const QString &name);
// "Resource_1" ... "Resource_3" for the three built-in sounds, empty otherwise.
QString resourceName(SoundChoice choice);
} // namespace SoundChoices

#pragma once

#include <QByteArray>
#include <QString>

// The three warning sounds carried in the program's resources, by the names the
// program looks them up by.
namespace BuiltinSounds {
inline constexpr const char *Beep = "Resource_1";
inline constexpr const char *MaleShush = "Resource_2";
inline constexpr const char *FemaleShush = "Resource_3";

// The resource path of a built-in sound named "Resource_1" ... "Resource_3" (letter
// case ignored), or an empty string for any other name.
QString pathOf(const QString &name);
// The WAVE file of that sound; empty when there is no such sound.
QByteArray load(const QString &name);
} // namespace BuiltinSounds

#pragma once

#include <QByteArray>
#include <QString>

// The three warning sounds carried in the program's resources.
namespace BuiltinSounds {
// The resource path of a built-in sound named "Resource_1" ... "Resource_3" (letter
// case ignored), or an empty string for any other name.
QString pathOf(const QString &name);
// The WAVE file of that sound; empty when there is no such sound.
QByteArray load(const QString &name);
} // namespace BuiltinSounds

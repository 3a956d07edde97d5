#pragma once

#include <QString>

// The text without the characters up to U+0020 (blanks and control characters) at
// either end. QString::trimmed() keeps control characters such as U+0001 and drops
// Unicode spaces, which is not what the program's file formats and replies want.
QString trimControlCharacters(const QString &text);

#pragma once

#include <QByteArray>
#include <QString>

// The script that starts the program anew after a language change: it waits a second so
// that the ending copy can go, then starts the program file. It lies in the settings
// folder and is written afresh for every restart.
namespace RestartScript {

// "start.bat" on Windows, "start.sh" elsewhere.
QString fileName();

// The batch file: CR LF after every line, UTF-8 without a byte-order mark, read so from
// its second line on, which switches cmd to code page 65001. The wait ("timeout 1")
// exists from Windows major version 6 on. A % in the path is doubled, so that it stays
// a literal %.
QByteArray batchText(const QString &programFile, int windowsMajorVersion);

// The shell script: LF line ends, the path in the file system's encoding. The program's
// path is one single-quoted word (a ' inside written '\''), so no character in it can end
// the word or expand.
QByteArray shellText(const QString &programFile);

// This system's script for the program file. On Windows a path with letters beyond
// ASCII is written as its short (8.3) form where the volume keeps one that is plain
// ASCII, which every cmd reads alike; otherwise it is written whole, in UTF-8.
QByteArray text(const QString &programFile);

// The script's path in settingsFolder (a separator is added when it lacks one).
QString path(const QString &settingsFolder);

// Writes this system's script into settingsFolder, replacing an earlier one, and returns
// its path. Throws std::runtime_error when the file cannot be written.
QString write(const QString &settingsFolder, const QString &programFile);

} // namespace RestartScript

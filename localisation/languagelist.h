#pragma once

#include <QString>
#include <QStringList>

// What the language dialog shows, without the window: the list entries made from the
// language files, the one selected at opening, the flag per entry and the credits.
namespace LanguageList {

// The entry always present, and the language in effect when no file is loaded.
QString english();

// A file name up to the first ".lang.txt" (letter case counts); empty without one.
QString entryFor(const QString &fileName);

// "English" and one entry per file, sorted ignoring letter case. Equal entries keep the
// order of adding, so the built-in "English" comes before one from a file.
QStringList entries(const QStringList &languageFiles);

// The first entry equal to languageName, else the built-in "English".
qsizetype selectedIndex(const QStringList &entries, const QString &languageName);

// The picture's name for an entry: "flag" for English, a country code for the languages
// with a flag of their own, "xx" for any other text. Exact comparison.
QString flagName(const QString &entry);

// The text after the first '}' of the first line that starts with "{key}", even when
// empty; the key itself when no line does.
QString translateFromList(const QString &key, const QStringList &lines);

// The credits of an entry: "Tambrix" for English, else the "INFO:Translated By" text of
// its file in languagesFolder. A missing, unreadable or non-UTF-8 file gives "".
QString creditText(const QString &languagesFolder, const QString &entry);

// One line per comma-separated piece, trimmed of characters up to U+0020; none for "".
QStringList creditLines(const QString &creditText);

} // namespace LanguageList

#pragma once

#include <QString>
#include <QStringList>
#include <stdexcept>

// The interface language: the language files in the "Languages" folder beside the
// program, the one chosen by the user's display language, and the lookup that every
// dialog text passes through. Loaded once at start-up, then only read.
class LanguageCatalogue
{
public:
    // Raised when the chosen language file cannot be read or is not valid UTF-8. The
    // catalogue then stays in English.
    class LoadError : public std::runtime_error
    {
    public:
        using std::runtime_error::runtime_error;
    };

    // programFolder: where the "Languages" folder lies. userLanguage: the user's display
    // language as a Windows language identifier (LANGID).
    LanguageCatalogue(const QString &programFolder, quint16 userLanguage);

    // Lists the language files and, for an empty name, picks one through
    // LanguageCodes.csv by the user's language; a non-empty name loads that file. Starts
    // afresh on every call. Throws LoadError when the chosen file cannot be loaded; the
    // file then counts as chosen (languageFile, languageName) but translates nothing.
    void loadLanguage(const QString &name);
    // Replaces the user's display language for the next loadLanguage().
    void setUserLanguage(quint16 userLanguage) { m_userLanguage = userLanguage; }
    // Appends the names of the "*lang.txt" files in the folder, in directory order.
    void listLanguageFiles(const QString &folder);
    // The loaded file's text for an English text, or the English text itself.
    QString translate(const QString &text) const;

    QString languagesFolder() const { return m_languagesFolder; }
    QStringList languageFiles() const { return m_languageFiles; }
    QString languageName() const { return m_languageName; }
    QString languageFile() const { return m_languageFile; }

    // The lines of LanguageCodes.csv: a byte-order mark chooses UTF-8 or UTF-16; without
    // one, Latin-1 (standing in for the ANSI code page). Lines end in CR LF, LF or CR.
    static QStringList tableLines(const QByteArray &bytes);
    // The lines of a language file: UTF-8, one byte-order mark skipped. Throws LoadError
    // when the file cannot be read or is not valid UTF-8.
    static QStringList readLanguageFile(const QString &path);
    // The same for the file's bytes already in memory.
    static QStringList languageFileLines(const QByteArray &bytes);
    // Lines ending in CR LF, LF or CR; the end of the last line starts no new line.
    static QStringList splitLines(const QString &text);
    // The file's name chosen for the user's language in LanguageCodes.csv, or empty.
    static QString fileForLanguage(const QStringList &tableLines, quint16 userLanguage);
    // The text for an English text in the given lines of a language file: the rest of
    // the first line that starts with "{text}" after that line's first "}", or the
    // English text when no line does or nothing follows.
    static QString translateWith(const QStringList &languageLines, const QString &text);

private:
    QString m_programFolder;
    quint16 m_userLanguage;
    QString m_languagesFolder;
    QStringList m_languageFiles;
    QString m_languageName;
    QString m_languageFile;
    QStringList m_languageLines;
};

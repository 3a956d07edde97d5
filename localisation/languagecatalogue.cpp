#include "localisation/languagecatalogue.h"

#include "base/controlcharacters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {
const QString Suffix = QStringLiteral(".lang.txt");

// Decodes the bytes after a byte-order mark. Only the one mark is skipped: a second one
// belongs to the text.
QString decodeAfterMark(QStringDecoder::Encoding encoding, const QByteArray &bytes)
{
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless |
                                         QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

// Lower case in the letters A to Z only, as the file-name comparison wants.
QString asciiLower(QString text)
{
    for (QChar &c : text) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return text;
}
} // namespace

QStringList LanguageCatalogue::splitLines(const QString &text)
{
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = normalised.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the line end of the last line starts no new line
    return lines;
}

LanguageCatalogue::LanguageCatalogue(const QString &programFolder, quint16 userLanguage)
    : m_programFolder(programFolder), m_userLanguage(userLanguage)
{
}

QStringList LanguageCatalogue::tableLines(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return splitLines(decodeAfterMark(QStringDecoder::Utf8, bytes.mid(3)));
    if (bytes.startsWith("\xFF\xFE"))
        return splitLines(decodeAfterMark(QStringDecoder::Utf16LE, bytes.mid(2)));
    if (bytes.startsWith("\xFE\xFF"))
        return splitLines(decodeAfterMark(QStringDecoder::Utf16BE, bytes.mid(2)));
    return splitLines(QString::fromLatin1(bytes)); // stands in for the ANSI code page
}

QString LanguageCatalogue::fileForLanguage(const QStringList &tableLines, quint16 userLanguage)
{
    const QString code = QString::number(userLanguage);
    for (const QString &line : tableLines) {
        const qsizetype comma = line.indexOf(QLatin1Char(','));
        if (comma < 0)
            continue;
        if (trimControlCharacters(line.left(comma)) == code)
            return trimControlCharacters(line.mid(comma + 1));
    }
    return {};
}

void LanguageCatalogue::listLanguageFiles(const QString &folder)
{
    QDir dir(folder);
    dir.setFilter(QDir::Files | QDir::Hidden | QDir::System);
    dir.setSorting(QDir::Unsorted);
    dir.setNameFilters({QStringLiteral("*lang.txt")}); // letter case ignored
    m_languageFiles += dir.entryList();
}

void LanguageCatalogue::loadLanguage(const QString &name)
{
    m_languagesFolder = QDir(m_programFolder).filePath(QStringLiteral("Languages"));
    m_languageFiles.clear();
    m_languageName.clear();
    m_languageFile.clear();
    m_languageLines.clear();
    if (!QFileInfo(m_languagesFolder).isDir())
        return;
    listLanguageFiles(m_languagesFolder);

    QString chosen = trimControlCharacters(name);
    if (chosen.isEmpty()) {
        QFile table(QDir(m_languagesFolder).filePath(QStringLiteral("LanguageCodes.csv")));
        if (table.exists()) {
            QStringList lines;
            if (table.open(QIODevice::ReadOnly))
                lines = tableLines(table.readAll());
            const QString wanted = asciiLower(fileForLanguage(lines, m_userLanguage));
            for (const QString &file : std::as_const(m_languageFiles)) {
                if (!wanted.isEmpty() && asciiLower(file) == wanted) {
                    chosen = file;
                    break;
                }
            }
        }
    }
    if (chosen.isEmpty())
        return;
    const QString path = QDir(m_languagesFolder).filePath(chosen);
    if (!QFileInfo(path).isFile())
        return;

    // Name and path first: a file that fails to load still counts as chosen, with no lines,
    // so every lookup stays English.
    const qsizetype suffix = chosen.indexOf(Suffix);
    m_languageName = suffix < 0 ? QString() : chosen.left(suffix);
    m_languageFile = path;

    m_languageLines = readLanguageFile(path);
}

QStringList LanguageCatalogue::readLanguageFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw LoadError(file.errorString().toStdString());
    return languageFileLines(file.readAll());
}

QStringList LanguageCatalogue::languageFileLines(const QByteArray &fileBytes)
{
    QByteArray bytes = fileBytes;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        throw LoadError(
            "No mapping for the Unicode character exists in the target multi-byte code page");
    return splitLines(text);
}

QString LanguageCatalogue::translate(const QString &text) const
{
    if (m_languageFile.isEmpty())
        return text;
    return translateWith(m_languageLines, text);
}

QString LanguageCatalogue::translateWith(const QStringList &languageLines, const QString &text)
{
    const QString prefix = QLatin1Char('{') + text + QLatin1Char('}');
    for (const QString &line : languageLines) {
        if (!line.startsWith(prefix))
            continue;
        const QString rest = line.mid(line.indexOf(QLatin1Char('}')) + 1);
        return rest.isEmpty() ? text : rest;
    }
    return text;
}

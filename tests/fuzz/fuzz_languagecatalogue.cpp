// libFuzzer target: any bytes as LanguageCodes.csv and a language file. The input is the
// user's language (two bytes), the table, a separator line and the language file. The
// table's lines never hold a line end and the file it picks is trimmed; a language file
// either fails to load or gives lines without line ends, and every lookup in them gives
// the English text or the rest of the first entry line after that line's first "}".

#include "localisation/languagecatalogue.h"

#include <cstdint>
#include <cstdlib>

namespace {
const QByteArray Separator = QByteArrayLiteral("\n@@language file@@\n");

bool holdsLineEnd(const QStringList &lines)
{
    for (const QString &line : lines) {
        if (line.contains(QLatin1Char('\r')) || line.contains(QLatin1Char('\n')))
            return true;
    }
    return false;
}

bool isControl(QChar c)
{
    return c.unicode() <= 0x20;
}

// What a lookup must give, written out from the rule rather than from the code.
QString expectedTranslation(const QStringList &lines, const QString &text)
{
    const QString prefix = QLatin1Char('{') + text + QLatin1Char('}');
    for (const QString &line : lines) {
        if (line.size() < prefix.size() || QStringView(line).left(prefix.size()) != prefix)
            continue;
        qsizetype brace = 0;
        while (line[brace] != QLatin1Char('}'))
            ++brace;
        const QString rest = line.sliced(brace + 1);
        return rest.isEmpty() ? text : rest;
    }
    return text;
}

void checkLookups(const QStringList &lines, const QString &extra)
{
    QStringList texts{extra, QString(), QStringLiteral("OK")};
    for (const QString &line : lines) {
        // The English text of an entry line, up to its first "}", and up to its last.
        if (!line.startsWith(QLatin1Char('{')))
            continue;
        const qsizetype first = line.indexOf(QLatin1Char('}'));
        const qsizetype last = line.lastIndexOf(QLatin1Char('}'));
        if (first > 0)
            texts << line.mid(1, first - 1) << line.mid(1, last - 1);
        if (texts.size() > 64)
            break;
    }
    for (const QString &text : texts) {
        if (LanguageCatalogue::translateWith(lines, text) != expectedTranslation(lines, text))
            std::abort(); // a finding
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const auto language = static_cast<quint16>(data[0] | data[1] << 8);
    const QByteArray rest(reinterpret_cast<const char *>(data + 2),
                          static_cast<qsizetype>(size - 2));
    const qsizetype split = rest.indexOf(Separator);
    const QByteArray table = split < 0 ? rest : rest.left(split);
    const QByteArray file = split < 0 ? rest : rest.mid(split + Separator.size());

    const QStringList tableLines = LanguageCatalogue::tableLines(table);
    if (holdsLineEnd(tableLines))
        std::abort();
    const QString chosen = LanguageCatalogue::fileForLanguage(tableLines, language);
    if (!chosen.isEmpty() && (isControl(chosen.front()) || isControl(chosen.back())))
        std::abort();

    QStringList lines;
    try {
        lines = LanguageCatalogue::languageFileLines(file);
    } catch (const LanguageCatalogue::LoadError &) {
        return 0; // not UTF-8: the catalogue stays English
    }
    if (holdsLineEnd(lines))
        std::abort();
    checkLookups(lines, QString::fromUtf8(table.left(32)));
    return 0;
}

#include "localisation/languagelist.h"

#include "base/controlcharacters.h"
#include "localisation/languagecatalogue.h"

#include <QDir>
#include <algorithm>
#include <array>
#include <utility>

namespace {
const QString Suffix = QStringLiteral(".lang.txt");

} // namespace

namespace LanguageList {

QString english()
{
    return QStringLiteral("English");
}

QString entryFor(const QString &fileName)
{
    const qsizetype suffix = fileName.indexOf(Suffix);
    return suffix < 0 ? QString() : fileName.left(suffix);
}

QStringList entries(const QStringList &languageFiles)
{
    QStringList list{english()};
    for (const QString &file : languageFiles)
        list << entryFor(file);
    std::stable_sort(list.begin(), list.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return list;
}

qsizetype selectedIndex(const QStringList &entries, const QString &languageName)
{
    const qsizetype named = entries.indexOf(languageName);
    return named >= 0 ? named : entries.indexOf(english());
}

QString flagName(const QString &entry)
{
    static const std::array<std::pair<const char *, const char *>, 30> Flags{{
        {"English", "flag"},
        {"German", "de"},
        {"French", "fr"},
        {"Turkish", "tr"},
        {"Albanian", "al"},
        {"Arabic", "sa"},
        {"Bulgarian", "bg"},
        {"ChineseSimplified", "cn"},
        {"ChineseTraditional", "tw"},
        {"Czech", "cz"},
        {"Dutch", "nl"},
        {"Finnish", "fi"},
        {"Greek", "gr"},
        {"Hebrew", "il"},
        {"Hungarian", "hu"},
        {"Italian", "it"},
        {"Japanese", "jp"},
        {"Korean", "kr"},
        {"Persian", "ir"},
        {"Polish", "pl"},
        {"PortugueseBrazil", "br"},
        {"PortuguesePortugal", "pt"},
        {"Romanian", "ro"},
        {"Russian", "ru"},
        {"Slovenian", "si"},
        {"Spanish", "es"},
        {"Swedish", "se"},
        {"Ukrainian", "ua"},
        {"Vietnamese", "vi"},
        {"Slovak", "sk"},
    }};
    for (const auto &[name, flag] : Flags) {
        if (entry == QLatin1String(name))
            return QString::fromLatin1(flag);
    }
    return QStringLiteral("xx");
}

QString translateFromList(const QString &key, const QStringList &lines)
{
    const QString prefix = QLatin1Char('{') + key + QLatin1Char('}');
    for (const QString &line : lines) {
        if (line.startsWith(prefix))
            return line.mid(line.indexOf(QLatin1Char('}')) + 1);
    }
    return key;
}

QString creditText(const QString &languagesFolder, const QString &entry)
{
    if (entry == english())
        return QStringLiteral("Tambrix");
    try {
        return translateFromList(
            QStringLiteral("INFO:Translated By"),
            LanguageCatalogue::readLanguageFile(QDir(languagesFolder).filePath(entry + Suffix)));
    } catch (const LanguageCatalogue::LoadError &) {
        return {}; // unreadable or not UTF-8: no credits
    }
}

QStringList creditLines(const QString &creditText)
{
    if (creditText.isEmpty())
        return {};
    QStringList lines = creditText.split(QLatin1Char(','));
    for (QString &line : lines)
        line = trimControlCharacters(line);
    return lines;
}

} // namespace LanguageList

#include "localisation/userlanguage.h"

#include <QLocale>
#include <QStringList>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {
struct Entry
{
    const char *tag; // language, or language-REGION
    quint16 id;
};

// Language alone first: its main country's identifier. Then the regional variants.
constexpr Entry Table[] = {
    {"en", 1033},    {"en-US", 1033},  {"en-GB", 2057},  {"en-AU", 3081},  {"en-CA", 4105},
    {"en-NZ", 5129}, {"en-IE", 6153},  {"en-ZA", 7177},  {"en-IN", 16393}, {"de", 1031},
    {"de-DE", 1031}, {"de-CH", 2055},  {"de-AT", 3079},  {"de-LU", 4103},  {"de-LI", 5127},
    {"fr", 1036},    {"fr-FR", 1036},  {"fr-BE", 2060},  {"fr-CA", 3084},  {"fr-CH", 4108},
    {"fr-LU", 5132}, {"tr", 1055},     {"sq", 1052},     {"ar", 1025},     {"ar-SA", 1025},
    {"ar-EG", 3073}, {"ar-AE", 14337}, {"bg", 1026},     {"zh", 2052},     {"zh-CN", 2052},
    {"zh-SG", 4100}, {"zh-TW", 1028},  {"zh-HK", 3076},  {"zh-MO", 5124},  {"cs", 1029},
    {"nl", 1043},    {"nl-NL", 1043},  {"nl-BE", 2067},  {"fi", 1035},     {"el", 1032},
    {"he", 1037},    {"iw", 1037},     {"hu", 1038},     {"it", 1040},     {"it-IT", 1040},
    {"it-CH", 2064}, {"ja", 1041},     {"ko", 1042},     {"fa", 1065},     {"pl", 1045},
    {"pt", 2070},    {"pt-PT", 2070},  {"pt-BR", 1046},  {"ro", 1048},     {"ru", 1049},
    {"sl", 1060},    {"es", 3082},     {"es-ES", 3082},  {"es-MX", 2058},  {"es-AR", 11274},
    {"es-CO", 9226}, {"es-CL", 13322}, {"es-US", 21514}, {"sv", 1053},     {"sv-SE", 1053},
    {"sv-FI", 2077}, {"uk", 1058},     {"vi", 1066},     {"sk", 1051},     {"da", 1030},
    {"nb", 1044},    {"no", 1044},     {"nn", 2068},     {"ca", 1027},     {"hr", 1050},
    {"et", 1061},    {"lv", 1062},     {"lt", 1063},     {"id", 1057},     {"th", 1054},
};

quint16 lookup(const QString &key)
{
    for (const Entry &e : Table) {
        if (key == QLatin1String(e.tag))
            return e.id;
    }
    return 0;
}
} // namespace

quint16 UserLanguage::langIdForTag(const QString &tag)
{
    QStringList parts =
        QString(tag).replace(QLatin1Char('_'), QLatin1Char('-')).split(QLatin1Char('-'));
    const QString language = parts.takeFirst().toLower();
    QString region, script;
    for (const QString &part : parts) {
        if (part.size() == 4 && script.isEmpty())
            script = part.toLower();
        else if ((part.size() == 2 || part.size() == 3) && region.isEmpty())
            region = part.toUpper();
    }
    if (language == QLatin1String("zh") && region.isEmpty() && script == QLatin1String("hant"))
        region = QStringLiteral("TW"); // traditional characters without a region
    if (!region.isEmpty()) {
        if (const quint16 id = lookup(language + QLatin1Char('-') + region))
            return id;
    }
    if (const quint16 id = lookup(language))
        return id;
    return 1033;
}

quint16 UserLanguage::current()
{
#ifdef Q_OS_WIN
    return GetUserDefaultUILanguage();
#else
    const QStringList languages = QLocale::system().uiLanguages();
    return langIdForTag(languages.isEmpty() ? QString() : languages.constFirst());
#endif
}

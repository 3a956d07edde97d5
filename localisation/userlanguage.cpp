#include "localisation/userlanguage.h"

#include "base/settingsstore.h"

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

// For each language: the language alone gives its main country's identifier, then the
// regional variants that Windows knows by their own identifier.
// clang-format off
constexpr Entry Table[] = {
    {"en", 1033}, {"en-US", 1033}, {"en-GB", 2057}, {"en-AU", 3081}, {"en-CA", 4105},
    {"en-NZ", 5129}, {"en-IE", 6153}, {"en-ZA", 7177}, {"en-JM", 8201}, {"en-BZ", 10249},
    {"en-TT", 11273}, {"en-ZW", 12297}, {"en-PH", 13321}, {"en-IN", 16393}, {"en-MY", 17417},
    {"en-SG", 18441},
    {"de", 1031}, {"de-DE", 1031}, {"de-CH", 2055}, {"de-AT", 3079}, {"de-LU", 4103},
    {"de-LI", 5127},
    {"fr", 1036}, {"fr-FR", 1036}, {"fr-BE", 2060}, {"fr-CA", 3084}, {"fr-CH", 4108},
    {"fr-LU", 5132}, {"fr-MC", 6156}, {"fr-029", 7180}, {"fr-RE", 8204}, {"fr-CD", 9228},
    {"fr-SN", 10252}, {"fr-CM", 11276}, {"fr-CI", 12300}, {"fr-ML", 13324}, {"fr-MA", 14348},
    {"fr-HT", 15372},
    {"es", 3082}, {"es-ES", 3082}, {"es-MX", 2058}, {"es-GT", 4106}, {"es-CR", 5130},
    {"es-PA", 6154}, {"es-DO", 7178}, {"es-VE", 8202}, {"es-CO", 9226}, {"es-PE", 10250},
    {"es-AR", 11274}, {"es-EC", 12298}, {"es-CL", 13322}, {"es-UY", 14346}, {"es-PY", 15370},
    {"es-BO", 16394}, {"es-SV", 17418}, {"es-HN", 18442}, {"es-NI", 19466}, {"es-PR", 20490},
    {"es-US", 21514}, {"es-419", 22538}, {"es-CU", 23562},
    {"it", 1040}, {"it-IT", 1040}, {"it-CH", 2064},
    {"nl", 1043}, {"nl-NL", 1043}, {"nl-BE", 2067},
    {"pl", 1045},
    {"pt", 2070}, {"pt-PT", 2070}, {"pt-BR", 1046},
    {"tr", 1055},
    {"sq", 1052},
    {"ar", 1025}, {"ar-SA", 1025}, {"ar-IQ", 2049}, {"ar-EG", 3073}, {"ar-LY", 4097},
    {"ar-DZ", 5121}, {"ar-MA", 6145}, {"ar-TN", 7169}, {"ar-OM", 8193}, {"ar-YE", 9217},
    {"ar-SY", 10241}, {"ar-JO", 11265}, {"ar-LB", 12289}, {"ar-KW", 13313}, {"ar-AE", 14337},
    {"ar-BH", 15361}, {"ar-QA", 16385},
    {"bg", 1026},
    {"zh", 2052}, {"zh-CN", 2052}, {"zh-SG", 4100}, {"zh-TW", 1028}, {"zh-HK", 3076},
    {"zh-MO", 5124},
    {"cs", 1029},
    {"fi", 1035},
    {"el", 1032},
    {"he", 1037}, {"iw", 1037},
    {"hu", 1038},
    {"ja", 1041},
    {"ko", 1042},
    {"fa", 1065},
    {"ro", 1048}, {"ro-MD", 2072},
    {"ru", 1049}, {"ru-MD", 2073},
    {"sl", 1060},
    {"sv", 1053}, {"sv-SE", 1053}, {"sv-FI", 2077},
    {"uk", 1058},
    {"vi", 1066},
    {"sk", 1051},
    {"da", 1030},
    {"nb", 1044}, {"no", 1044}, {"nn", 2068},
    {"ca", 1027},
    {"hr", 1050},
    {"et", 1061},
    {"lv", 1062},
    {"lt", 1063},
    {"id", 1057},
    {"th", 1054},
};
// clang-format on

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
    // A POSIX locale name ("de_DE.UTF-8", "de_DE@euro") ends its tag at the dot or "@".
    QString bare = tag;
    for (qsizetype i = 0; i < bare.size(); ++i) {
        if (bare[i] == QLatin1Char('.') || bare[i] == QLatin1Char('@')) {
            bare.truncate(i);
            break;
        }
    }
    QStringList parts = bare.replace(QLatin1Char('_'), QLatin1Char('-')).split(QLatin1Char('-'));
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

quint16 UserLanguage::fromPolicy(const QString &value)
{
    int number = 0;
    if (SettingsStore::parseInteger(value.trimmed(), &number) && number > 0 && number <= 0xFFFF)
        return static_cast<quint16>(number);
    return langIdForTag(value.trimmed());
}

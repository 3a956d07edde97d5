#include "localisation/languagecatalogue.h"
#include "localisation/userlanguage.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {
const QByteArray Bom("\xEF\xBB\xBF");
const QString InvalidUtf8Message(
    "No mapping for the Unicode character exists in the target multi-byte code page");

using Files = QList<QPair<QString, QByteArray>>;

// A program folder with a Languages folder holding the given files (name → bytes).
struct Program
{
    explicit Program(const Files &files, bool withFolder = true)
    {
        if (withFolder)
            QDir(dir.path()).mkdir("Languages");
        for (const auto &[name, bytes] : files) {
            QFile file(dir.filePath("Languages/" + name));
            if (file.open(QIODevice::WriteOnly))
                file.write(bytes);
        }
    }
    QTemporaryDir dir;
};

QByteArray encoded(QStringConverter::Encoding encoding, const QString &text)
{
    QStringEncoder encoder(encoding);
    return encoder.encode(text);
}

const QByteArray German = Bom + "German file\r\n{OK}Gut\r\n{Yes}Ja\r\n";
} // namespace

class TestLanguageCatalogue : public QObject
{
    Q_OBJECT
private slots:
    void choice_data();
    void choice();
    void lookup_data();
    void lookup();
    void invalidUtf8StaysEnglish_data();
    void invalidUtf8StaysEnglish();
    void unreadableFileThrows();
    void namedFileSkipsTheTable();
    void loadingAgainStartsAfresh();
    void listing();
    void langIdForTag_data();
    void langIdForTag();
    void shippedLanguagesAreComplete();
};

// Which file the user's language (1031) picks, from the table and the files present.
void TestLanguageCatalogue::choice_data()
{
    QTest::addColumn<Files>("files");
    QTest::addColumn<bool>("withFolder");
    QTest::addColumn<QString>("languageName"); // empty: English
    QTest::addColumn<QString>("yes");          // translate("Yes")

    const QByteArray table = "Code,File\r\n1031,German.lang.txt\r\n";
    QTest::newRow("no Languages folder") << Files{} << false << ""
                                         << "Yes";
    QTest::newRow("folder without table") << Files{{"German.lang.txt", German}} << true << ""
                                          << "Yes";
    QTest::newRow("table picks the file")
        << Files{{"LanguageCodes.csv", table}, {"German.lang.txt", German}} << true << "German"
        << "Ja";
    QTest::newRow("CR-only table line ends")
        << Files{{"LanguageCodes.csv", "Code,File\r1031,German.lang.txt\r"},
                 {"German.lang.txt", German}}
        << true << "German"
        << "Ja";
    QTest::newRow("file named in another letter case")
        << Files{{"LanguageCodes.csv", "1031,GERMAN.LANG.TXT"}, {"German.lang.txt", German}} << true
        << "German"
        << "Ja";
    QTest::newRow("blanks and tabs around the fields")
        << Files{{"LanguageCodes.csv", "  1031 ,\t German.lang.txt  \r\n"},
                 {"German.lang.txt", German}}
        << true << "German"
        << "Ja";
    QTest::newRow("first line with the code counts, even when its file is missing")
        << Files{{"LanguageCodes.csv", "1031,Missing.lang.txt\n1031,German.lang.txt"},
                 {"German.lang.txt", German}}
        << true << ""
        << "Yes";
    QTest::newRow("code with a leading zero never matches")
        << Files{{"LanguageCodes.csv", "01031,German.lang.txt"}, {"German.lang.txt", German}}
        << true << ""
        << "Yes";
    QTest::newRow("code with a sign never matches")
        << Files{{"LanguageCodes.csv", "+1031,German.lang.txt"}, {"German.lang.txt", German}}
        << true << ""
        << "Yes";
    QTest::newRow("second field keeps its commas")
        << Files{{"LanguageCodes.csv", "1031,German, Swiss.lang.txt"},
                 {"German, Swiss.lang.txt", German}}
        << true << "German, Swiss"
        << "Ja";
    QTest::newRow("no line for the user's code")
        << Files{{"LanguageCodes.csv", "1036,French.lang.txt"}, {"German.lang.txt", German}} << true
        << ""
        << "Yes";
    const QString accented = QString::fromUtf8("Code,File\r\n1031,Deutsch\xC3\xA4.lang.txt\r\n");
    QTest::newRow("UTF-8 table") << Files{{"LanguageCodes.csv", Bom + accented.toUtf8()},
                                          {"Deutsch\xC3\xA4.lang.txt", German}}
                                 << true << "Deutsch\u00e4"
                                 << "Ja";
    QTest::newRow("UTF-16 LE table")
        << Files{{"LanguageCodes.csv",
                  QByteArray("\xFF\xFE") + encoded(QStringConverter::Utf16LE, accented)},
                 {"Deutsch\xC3\xA4.lang.txt", German}}
        << true << "Deutsch\u00e4"
        << "Ja";
    QTest::newRow("UTF-16 BE table")
        << Files{{"LanguageCodes.csv",
                  QByteArray("\xFE\xFF") + encoded(QStringConverter::Utf16BE, accented)},
                 {"Deutsch\xC3\xA4.lang.txt", German}}
        << true << "Deutsch\u00e4"
        << "Ja";
    QTest::newRow("table without byte-order mark is Latin-1")
        << Files{{"LanguageCodes.csv", "1031,Deutsch\xE4.lang.txt"},
                 {"Deutsch\xC3\xA4.lang.txt", German}}
        << true << "Deutsch\u00e4"
        << "Ja";
    QTest::newRow("name ending in lang.txt without a dot")
        << Files{{"LanguageCodes.csv", "1031,Germanlang.txt"}, {"Germanlang.txt", German}} << true
        << ""
        << "Ja";
}

void TestLanguageCatalogue::choice()
{
    QFETCH(Files, files);
    QFETCH(bool, withFolder);
    QFETCH(QString, languageName);
    QFETCH(QString, yes);
    Program program(files, withFolder);
    LanguageCatalogue catalogue(program.dir.path(), 1031);
    QCOMPARE(catalogue.translate("Yes"), QString("Yes")); // English before loading
    catalogue.loadLanguage(QString());
    QCOMPARE(catalogue.languageName(), languageName);
    QCOMPARE(catalogue.translate("Yes"), yes);
    QCOMPARE(catalogue.languagesFolder(), program.dir.filePath("Languages"));
    QCOMPARE(catalogue.languageFile().isEmpty(), yes == "Yes");

    // Whatever is chosen, every language file present is listed.
    QStringList present;
    for (const auto &file : std::as_const(files)) {
        if (withFolder && file.first.endsWith("lang.txt", Qt::CaseInsensitive))
            present << file.first;
    }
    QStringList listed = catalogue.languageFiles();
    listed.sort();
    present.sort();
    QCOMPARE(listed, present);
}

void TestLanguageCatalogue::lookup_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("translated");
    QTest::newRow("plain") << QByteArray("{Copy}Kopieren") << "Copy"
                           << "Kopieren";
    QTest::newRow("nothing after the brace stays English") << QByteArray("{OK}\r\n") << "OK"
                                                           << "OK";
    QTest::newRow("earlier of two entries wins") << QByteArray("{OK}Eins\n{OK}Zwei") << "OK"
                                                 << "Eins";
    QTest::newRow("keys are case-sensitive") << QByteArray("{ok}Gut") << "OK"
                                             << "OK";
    QTest::newRow("blank before the brace never matches") << QByteArray(" {OK}Gut") << "OK"
                                                          << "OK";
    QTest::newRow("blanks after the brace belong to the text") << QByteArray("{OK}  Gut ") << "OK"
                                                               << "  Gut ";
    QTest::newRow("placeholder kept") << QByteArray("{About %s}Über %s") << "About %s"
                                      << "Über %s";
    QTest::newRow("CR-only line ends") << QByteArray("{Yes}Ja\r{No}Nein\r") << "No"
                                       << "Nein";
    QTest::newRow("LF-only line ends") << QByteArray("{Yes}Ja\n{No}Nein\n") << "No"
                                       << "Nein";
    QTest::newRow("not in the file") << QByteArray("{Yes}Ja") << "Send"
                                     << "Send";
    QTest::newRow("key is a prefix of a longer key")
        << QByteArray("{License...}Lizenz...") << "License"
        << "License";
    QTest::newRow("text with a closing brace cannot be translated") << QByteArray("{a}b}c") << "a}b"
                                                                    << "b}c";
    QTest::newRow("a second byte-order mark belongs to the first line") << Bom + "{OK}Gut"
                                                                        << "OK"
                                                                        << "OK";
}

void TestLanguageCatalogue::lookup()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, text);
    QFETCH(QString, translated);
    Program program(
        {{"LanguageCodes.csv", "1031,German.lang.txt"}, {"German.lang.txt", Bom + file}});
    LanguageCatalogue catalogue(program.dir.path(), 1031);
    catalogue.loadLanguage(QString());
    QCOMPARE(catalogue.translate(text), translated);
}

void TestLanguageCatalogue::invalidUtf8StaysEnglish_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("Latin-1 letter") << QByteArray("{Yes}J\xE4\r\n{No}Nein");
    QTest::newRow("sequence cut off at the end") << QByteArray("{No}Nein\r\n{Yes}J\xC3");
    QTest::newRow("overlong encoding") << QByteArray("{No}Nein\r\n{Yes}\xC0\xAF");
    QTest::newRow("encoded surrogate") << QByteArray("{No}Nein\r\n{Yes}\xED\xA0\x80");
}

void TestLanguageCatalogue::invalidUtf8StaysEnglish()
{
    QFETCH(QByteArray, file);
    Program program({{"LanguageCodes.csv", "1031,German.lang.txt"}, {"German.lang.txt", file}});
    LanguageCatalogue catalogue(program.dir.path(), 1031);
    try {
        catalogue.loadLanguage(QString());
        QFAIL("loading did not fail");
    } catch (const LanguageCatalogue::LoadError &error) {
        QCOMPARE(QString(error.what()), InvalidUtf8Message);
    }
    QCOMPARE(catalogue.languageFile(), program.dir.filePath("Languages/German.lang.txt"));
    QCOMPARE(catalogue.languageName(), QString("German"));
    QCOMPARE(catalogue.translate("No"), QString("No"));
}

void TestLanguageCatalogue::unreadableFileThrows()
{
    Program program({{"LanguageCodes.csv", "1031,German.lang.txt"}, {"German.lang.txt", German}});
    QFile file(program.dir.filePath("Languages/German.lang.txt"));
    QVERIFY(file.setPermissions(QFileDevice::WriteOwner));
    if (file.open(QIODevice::ReadOnly))
        QSKIP("permissions do not keep this user from reading");
    LanguageCatalogue catalogue(program.dir.path(), 1031);
    QVERIFY_THROWS_EXCEPTION(LanguageCatalogue::LoadError, catalogue.loadLanguage(QString()));
    QCOMPARE(catalogue.languageFile(), file.fileName());
    QCOMPARE(catalogue.translate("Yes"), QString("Yes"));
}

void TestLanguageCatalogue::namedFileSkipsTheTable()
{
    Program program({{"LanguageCodes.csv", "1031,German.lang.txt"},
                     {"German.lang.txt", German},
                     {"French.lang.txt", "{Yes}Oui"}});
    LanguageCatalogue catalogue(program.dir.path(), 1031);
    catalogue.loadLanguage(" French.lang.txt ");
    QCOMPARE(catalogue.languageName(), QString("French"));
    QCOMPARE(catalogue.translate("Yes"), QString("Oui"));
}

void TestLanguageCatalogue::loadingAgainStartsAfresh()
{
    Program program({{"LanguageCodes.csv", "1031,German.lang.txt"}, {"German.lang.txt", German}});
    LanguageCatalogue catalogue(program.dir.path(), 1031);
    catalogue.loadLanguage(QString());
    QCOMPARE(catalogue.translate("Yes"), QString("Ja"));
    QVERIFY(QFile::remove(program.dir.filePath("Languages/German.lang.txt")));
    catalogue.loadLanguage(QString());
    QCOMPARE(catalogue.languageFiles(), QStringList());
    QCOMPARE(catalogue.languageName(), QString());
    QCOMPARE(catalogue.languageFile(), QString());
    QCOMPARE(catalogue.translate("Yes"), QString("Yes"));
}

void TestLanguageCatalogue::listing()
{
    Program program({{"German.lang.txt", German},
                     {".Hidden.lang.txt", German},
                     {"Shout.LANG.TXT", German},
                     {"Germanlang.txt", German},
                     {"German.lang.txt.bak", German},
                     {"notes.txt", "x"},
                     {"LanguageCodes.csv", ""}});
    QDir(program.dir.filePath("Languages")).mkdir("Folder.lang.txt");
    LanguageCatalogue catalogue(program.dir.path(), 1033);
    catalogue.loadLanguage(QString());
    QStringList listed = catalogue.languageFiles();
    listed.sort();
    QCOMPARE(listed, QStringList({".Hidden.lang.txt", "German.lang.txt", "Germanlang.txt",
                                  "Shout.LANG.TXT"}));
    QCOMPARE(catalogue.languageName(), QString());
}

void TestLanguageCatalogue::langIdForTag_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<int>("langId");
    QTest::newRow("German, Germany") << "de-DE" << 1031;
    QTest::newRow("German alone") << "de" << 1031;
    QTest::newRow("German, Austria") << "de-AT" << 3079;
    QTest::newRow("German, Switzerland") << "de-CH" << 2055;
    QTest::newRow("German, unknown region") << "de-BE" << 1031;
    QTest::newRow("German with script") << "de-Latn-AT" << 3079;
    QTest::newRow("POSIX locale name") << "de_DE.UTF-8" << 1031;
    QTest::newRow("POSIX locale name with modifier") << "de_AT@euro" << 3079;
    QTest::newRow("underscore form") << "pt_BR" << 1046;
    QTest::newRow("Portuguese, Brazil") << "pt-BR" << 1046;
    QTest::newRow("Portuguese, Portugal") << "pt-PT" << 2070;
    QTest::newRow("Portuguese alone is Portugal") << "pt" << 2070;
    QTest::newRow("English, US") << "en-US" << 1033;
    QTest::newRow("English, UK") << "en-GB" << 2057;
    QTest::newRow("French, France") << "fr-FR" << 1036;
    QTest::newRow("French, Canada") << "fr-CA" << 3084;
    QTest::newRow("Spanish, Spain (modern sort)") << "es-ES" << 3082;
    QTest::newRow("Spanish alone") << "es" << 3082;
    QTest::newRow("Spanish, Mexico") << "es-MX" << 2058;
    QTest::newRow("Spanish, Latin America") << "es-419" << 22538;
    QTest::newRow("Italian") << "it-IT" << 1040;
    QTest::newRow("Dutch") << "nl-NL" << 1043;
    QTest::newRow("Dutch, Belgium") << "nl-BE" << 2067;
    QTest::newRow("Polish") << "pl-PL" << 1045;
    QTest::newRow("Turkish") << "tr-TR" << 1055;
    QTest::newRow("Russian") << "ru-RU" << 1049;
    QTest::newRow("Japanese") << "ja-JP" << 1041;
    QTest::newRow("Chinese, China") << "zh-CN" << 2052;
    QTest::newRow("Chinese, Taiwan") << "zh-TW" << 1028;
    QTest::newRow("Chinese, simplified script and region") << "zh-Hans-CN" << 2052;
    QTest::newRow("Chinese, traditional script only") << "zh-Hant" << 1028;
    QTest::newRow("Chinese alone is simplified") << "zh" << 2052;
    QTest::newRow("Albanian") << "sq-AL" << 1052;
    QTest::newRow("Arabic") << "ar-SA" << 1025;
    QTest::newRow("Bulgarian") << "bg-BG" << 1026;
    QTest::newRow("Czech") << "cs-CZ" << 1029;
    QTest::newRow("Finnish") << "fi-FI" << 1035;
    QTest::newRow("Greek") << "el-GR" << 1032;
    QTest::newRow("Hebrew") << "he-IL" << 1037;
    QTest::newRow("Hebrew, old code") << "iw-IL" << 1037;
    QTest::newRow("Hungarian") << "hu-HU" << 1038;
    QTest::newRow("Korean") << "ko-KR" << 1042;
    QTest::newRow("Persian") << "fa-IR" << 1065;
    QTest::newRow("Romanian") << "ro-RO" << 1048;
    QTest::newRow("Slovenian") << "sl-SI" << 1060;
    QTest::newRow("Swedish") << "sv-SE" << 1053;
    QTest::newRow("Ukrainian") << "uk-UA" << 1058;
    QTest::newRow("Vietnamese") << "vi-VN" << 1066;
    QTest::newRow("Slovak") << "sk-SK" << 1051;
    QTest::newRow("upper-case language") << "FR-fr" << 1036;
    QTest::newRow("unknown") << "xx-YY" << 1033;
    QTest::newRow("C locale") << "C" << 1033;
    QTest::newRow("empty") << "" << 1033;
}

void TestLanguageCatalogue::langIdForTag()
{
    QFETCH(QString, tag);
    QFETCH(int, langId);
    QCOMPARE(int(UserLanguage::langIdForTag(tag)), langId);
}

// The shipped files: every file the table names is there, and every language file is
// well formed, names a language the language dialog has a flag for, credits its
// translators and translates every dialog text, keeping its placeholders.
void TestLanguageCatalogue::shippedLanguagesAreComplete()
{
    const QStringList texts{"Language",
                            "User Interface Language:",
                            "Translated by:",
                            "OK",
                            "Contribute to Translation",
                            "Copy",
                            "Select All",
                            "Yes",
                            "No",
                            "Confirmation",
                            "Restart Application?",
                            "UPDATE AVAILABLE",
                            "Click to download",
                            "feedback",
                            "We would really appreciate your feedback.",
                            "What did you like or dislike?",
                            "Include my e-mail:",
                            "Send",
                            "I like it!",
                            "I dislike it!",
                            "Failure",
                            "Invalid e-mail address!",
                            "Success",
                            "Your feedback is received.",
                            "Thank you!",
                            "Something went wrong. Your feedback could not be delivered.",
                            "Please try again later.",
                            "About %s",
                            "Info",
                            "Acknowledgements...",
                            "How to uninstall...",
                            "License...",
                            "License",
                            "File not found!",
                            "Microphone",
                            "Default",
                            "(not connected)",
                            "No sound is coming in from the microphone.",
                            "The settings cannot be saved.",
                            "The settings file cannot be read.",
                            "The default settings are used and changes are not saved.",
                            "%1 Minutes",
                            "Alarm",
                            "Alarm paused until %1",
                            "Alarms:",
                            "CSV File (*.csv)",
                            "Calibrate",
                            "Calibrate...",
                            "Cancel",
                            "Forget Calibration",
                            "Level now:",
                            "Loudest moment:",
                            "Noise Threshold",
                            "Noisy seconds:",
                            "Pause Alarm",
                            "Resume",
                            "Save as CSV...",
                            "Session Report",
                            "Session Report...",
                            "Sound level meter:",
                            "Start with the Desktop",
                            "The file could not be saved.",
                            "The start entry could not be written.",
                            "Type what a sound level meter shows right now:",
                            "dB (calibrated)",
                            "Sound",
                            "Flash",
                            "Both",
                            "Alarm Volume",
                            "%1%",
                            "Lesson Times...",
                            "Lesson Times",
                            "Listen only during lessons",
                            "Outside these times the alarm is paused; the count goes on.",
                            "These stored ranges could not be read and are left out:",
                            "Add Range",
                            "Remove",
                            "Range %1:",
                            "00:00 as the end is midnight.",
                            "Range %1 has no weekday.",
                            "Range %1 must end after it starts.",
                            "Ranges %1 and %2 overlap on %3.",
                            "INFO:Translated By"};
    // The languages the language dialog draws a flag for.
    const QStringList flagged =
        QString("German French Turkish Albanian Arabic Bulgarian ChineseSimplified "
                "ChineseTraditional Czech Dutch Finnish Greek Hebrew Hungarian Italian "
                "Japanese Korean Persian Polish PortugueseBrazil PortuguesePortugal Romanian "
                "Russian Slovenian Spanish Swedish Ukrainian Vietnamese Slovak")
            .split(' ');
    const QDir shipped(MURMLET_LANGUAGES_DIR);

    QFile table(shipped.filePath("LanguageCodes.csv"));
    QVERIFY(table.open(QIODevice::ReadOnly));
    const QByteArray tableBytes = table.readAll();
    QVERIFY(tableBytes.startsWith(Bom));
    const QStringList tableLines = LanguageCatalogue::tableLines(tableBytes);
    QVERIFY(!tableLines.isEmpty());
    for (const QString &line : tableLines.mid(1)) { // below the heading
        const QString file = line.section(',', 1).trimmed();
        QVERIFY2(QFile::exists(shipped.filePath(file)), qPrintable(line));
        QVERIFY2(line.section(',', 0, 0).trimmed().toUShort() > 0, qPrintable(line));
    }

    const QStringList files = shipped.entryList({"*lang.txt"}, QDir::Files);
    QVERIFY(files.size() >= 8);
    for (const QString &name : files) {
        const QString language = name.section(".lang.txt", 0, 0);
        QVERIFY2(flagged.contains(language), qPrintable(name));
        QVERIFY2(tableBytes.contains("," + name.toUtf8() + "\r\n"), qPrintable(name));

        QFile file(shipped.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY2(bytes.startsWith(Bom), qPrintable(name));
        QVERIFY2(bytes.count("\n") == bytes.count("\r\n") && bytes.count("\r") == bytes.count("\n"),
                 qPrintable(name + ": line ends other than CR LF"));
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QStringList lines = QString(decoder.decode(bytes.mid(3))).split("\r\n");
        QVERIFY2(!decoder.hasError(), qPrintable(name));
        QVERIFY2(!lines.constFirst().startsWith('{'), qPrintable(name + ": no comment line"));

        LanguageCatalogue catalogue(QFileInfo(MURMLET_LANGUAGES_DIR).path(), 1033);
        catalogue.loadLanguage(name);
        QCOMPARE(catalogue.languageName(), language);
        for (const QString &text : texts) {
            const QString key = "{" + text + "}";
            const auto entry = std::find_if(lines.begin(), lines.end(), [&](const QString &line) {
                return line.startsWith(key);
            });
            QVERIFY2(entry != lines.end() && entry->size() > key.size(),
                     qPrintable(name + ": " + text));
            const QString translated = catalogue.translate(text);
            QCOMPARE(translated, entry->mid(key.size()));
            QCOMPARE(translated.trimmed(), translated);
            QCOMPARE(translated.count("%s"), text.count("%s"));
            QCOMPARE(translated.count("%1"), text.count("%1"));
        }
    }
}

QTEST_GUILESS_MAIN(TestLanguageCatalogue)
#include "tst_languagecatalogue.moc"

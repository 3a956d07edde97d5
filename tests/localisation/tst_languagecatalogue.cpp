#include "localisation/languagecatalogue.h"
#include "localisation/userlanguage.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QByteArray Bom("\xEF\xBB\xBF");

// A program folder with a Languages folder holding the given files (name → bytes).
struct Program
{
    explicit Program(const QList<QPair<QString, QByteArray>> &files, bool withFolder = true)
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

using Files = QList<QPair<QString, QByteArray>>;

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
    void invalidUtf8StaysEnglish();
    void namedFileSkipsTheTable();
    void listing();
    void langIdForTag_data();
    void langIdForTag();
    void shippedLanguagesAreComplete();
};

// Which file the user's language picks, from the table and the files present.
void TestLanguageCatalogue::choice_data()
{
    QTest::addColumn<Files>("files");
    QTest::addColumn<bool>("withFolder");
    QTest::addColumn<QString>("languageName"); // empty: English
    QTest::addColumn<QString>("yes");          // Translate("Yes")

    const QByteArray table = "Code,File\r\n1031,German.lang.txt\r\n";
    QTest::newRow("no Languages folder") << Files{} << false << ""
                                         << "Yes";
    QTest::newRow("folder without table") << Files{{"German.lang.txt", German}} << true << ""
                                          << "Yes";
    QTest::newRow("table picks the file")
        << Files{{"LanguageCodes.csv", table}, {"German.lang.txt", German}} << true << "German"
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
    QTest::newRow("second field keeps its commas")
        << Files{{"LanguageCodes.csv", "1031,German, Swiss.lang.txt"},
                 {"German, Swiss.lang.txt", German}}
        << true << "German, Swiss"
        << "Ja";
    QTest::newRow("no line for the user's code")
        << Files{{"LanguageCodes.csv", "1036,French.lang.txt"}, {"German.lang.txt", German}} << true
        << ""
        << "Yes";
    const QString utf16Table = QString::fromUtf8("1031,Deutsch\xC3\xA4.lang.txt\r\n");
    QTest::newRow("UTF-16 table") << Files{{"LanguageCodes.csv",
                                            QByteArray("\xFF\xFE") +
                                                QByteArray(reinterpret_cast<const char *>(
                                                               utf16Table.utf16()),
                                                           utf16Table.size() * 2)},
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
    QCOMPARE(catalogue.Translate("Yes"), QString("Yes")); // English before loading
    catalogue.LoadLanguage(QString());
    QCOMPARE(catalogue.LanguageName(), languageName);
    QCOMPARE(catalogue.Translate("Yes"), yes);
    QCOMPARE(catalogue.LanguagesFolder(), program.dir.filePath("Languages"));
    if (!withFolder)
        QVERIFY(catalogue.LanguageFiles().isEmpty());
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
    QTest::newRow("not in the file") << QByteArray("{Yes}Ja") << "Send"
                                     << "Send";
    QTest::newRow("text with a closing brace cannot be translated") << QByteArray("{a}b}c") << "a}b"
                                                                    << "b}c";
}

void TestLanguageCatalogue::lookup()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, text);
    QFETCH(QString, translated);
    Program program(
        {{"LanguageCodes.csv", "1031,German.lang.txt"}, {"German.lang.txt", Bom + file}});
    LanguageCatalogue catalogue(program.dir.path(), 1031);
    catalogue.LoadLanguage(QString());
    QCOMPARE(catalogue.Translate(text), translated);
}

void TestLanguageCatalogue::invalidUtf8StaysEnglish()
{
    Program program({{"LanguageCodes.csv", "1031,German.lang.txt"},
                     {"German.lang.txt", "{Yes}J\xE4\r\n{No}Nein"}});
    LanguageCatalogue catalogue(program.dir.path(), 1031);
    QVERIFY_THROWS_EXCEPTION(LanguageCatalogue::LoadError, catalogue.LoadLanguage(QString()));
    try {
        catalogue.LoadLanguage(QString());
    } catch (const LanguageCatalogue::LoadError &error) {
        QCOMPARE(
            QString(error.what()),
            QString(
                "No mapping for the Unicode character exists in the target multi-byte code page"));
    }
    QCOMPARE(catalogue.LanguageFile(), program.dir.filePath("Languages/German.lang.txt"));
    QCOMPARE(catalogue.Translate("No"), QString("No"));
}

void TestLanguageCatalogue::namedFileSkipsTheTable()
{
    Program program({{"LanguageCodes.csv", "1031,German.lang.txt"},
                     {"German.lang.txt", German},
                     {"French.lang.txt", "{Yes}Oui"}});
    LanguageCatalogue catalogue(program.dir.path(), 1031);
    catalogue.LoadLanguage(" French.lang.txt ");
    QCOMPARE(catalogue.LanguageName(), QString("French"));
    QCOMPARE(catalogue.Translate("Yes"), QString("Oui"));
}

void TestLanguageCatalogue::listing()
{
    Program program({{"German.lang.txt", German},
                     {".Hidden.lang.txt", German},
                     {"Shout.LANG.TXT", German},
                     {"Germanlang.txt", German},
                     {"notes.txt", "x"},
                     {"LanguageCodes.csv", ""}});
    QDir(program.dir.filePath("Languages")).mkdir("Folder.lang.txt");
    LanguageCatalogue catalogue(program.dir.path(), 1033);
    catalogue.LoadLanguage(QString());
    QStringList listed = catalogue.LanguageFiles();
    listed.sort();
    QCOMPARE(listed, QStringList({".Hidden.lang.txt", "German.lang.txt", "Germanlang.txt",
                                  "Shout.LANG.TXT"}));
    QCOMPARE(catalogue.LanguageName(), QString());
}

void TestLanguageCatalogue::langIdForTag_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<int>("langId");
    QTest::newRow("German, Germany") << "de-DE" << 1031;
    QTest::newRow("German alone") << "de" << 1031;
    QTest::newRow("German, Austria") << "de-AT" << 3079;
    QTest::newRow("German, unknown region") << "de-BE" << 1031;
    QTest::newRow("underscore form") << "pt_BR" << 1046;
    QTest::newRow("Portuguese alone is Portugal") << "pt" << 2070;
    QTest::newRow("English, UK") << "en-GB" << 2057;
    QTest::newRow("Spanish, Spain") << "es-ES" << 3082;
    QTest::newRow("Spanish, Mexico") << "es-MX" << 2058;
    QTest::newRow("Chinese, simplified script and region") << "zh-Hans-CN" << 2052;
    QTest::newRow("Chinese, traditional script only") << "zh-Hant" << 1028;
    QTest::newRow("Turkish") << "tr-TR" << 1055;
    QTest::newRow("Hebrew, old code") << "iw-IL" << 1037;
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

// Every shipped language file translates every dialog text and keeps its placeholders;
// every file the table names is there.
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
                            "INFO:Translated By"};
    const QDir shipped(MURMLET_LANGUAGES_DIR);
    QFile table(shipped.filePath("LanguageCodes.csv"));
    QVERIFY(table.open(QIODevice::ReadOnly));
    QStringList named;
    for (const QString &line : LanguageCatalogue::tableLines(table.readAll()).mid(1))
        named << line.section(',', 1).trimmed();
    named.removeDuplicates();
    QVERIFY(named.size() >= 8);

    for (const QString &file : named) {
        QVERIFY2(QFile::exists(shipped.filePath(file)), qPrintable(file));
        LanguageCatalogue catalogue(QFileInfo(MURMLET_LANGUAGES_DIR).path(), 1033);
        catalogue.LoadLanguage(file); // throws on invalid UTF-8
        for (const QString &text : texts) {
            const QString translated = catalogue.Translate(text);
            QVERIFY2(translated != text || text == "OK" || text == "No" || text == "Info" ||
                         text == "feedback" || text == "Confirmation",
                     qPrintable(file + ": " + text));
            QCOMPARE(translated.count("%s"), text.count("%s"));
        }
    }
}

QTEST_GUILESS_MAIN(TestLanguageCatalogue)
#include "tst_languagecatalogue.moc"

#include "localisation/languagelist.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestLanguageList : public QObject
{
    Q_OBJECT
private slots:
    void entryFor_data();
    void entryFor();
    void entriesSortedIgnoringCase();
    void selectedIndex_data();
    void selectedIndex();
    void flagName_data();
    void flagName();
    void translateFromList_data();
    void translateFromList();
    void creditLines_data();
    void creditLines();
    void creditText_data();
    void creditText();
};

void TestLanguageList::entryFor_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("entry");
    QTest::newRow("ordinary") << "German.lang.txt"
                              << "German";
    QTest::newRow("cut at the first suffix") << "A.lang.txt.lang.txt"
                                             << "A";
    QTest::newRow("suffix in other letter case") << "German.LANG.TXT"
                                                 << "";
    QTest::newRow("no dot before lang") << "Germanlang.txt"
                                        << "";
}

void TestLanguageList::entryFor()
{
    QFETCH(QString, file);
    QFETCH(QString, entry);
    QCOMPARE(LanguageList::entryFor(file), entry);
}

void TestLanguageList::entriesSortedIgnoringCase()
{
    const QStringList entries = LanguageList::entries(
        {"turkish.lang.txt", "German.lang.txt", "English.lang.txt", "ARABIC.lang.txt"});
    QCOMPARE(entries, QStringList({"ARABIC", "English", "English", "German", "turkish"}));
    // The built-in entry stays ahead of the one from a file.
    QCOMPARE(LanguageList::selectedIndex(entries, ""), 1);
}

void TestLanguageList::selectedIndex_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    const QStringList list{"Dutch", "English", "German"};
    QTest::newRow("English in effect") << list << "" << 1;
    QTest::newRow("loaded language") << list << "German" << 2;
    QTest::newRow("exact letter case only") << list << "german" << 1;
    QTest::newRow("name without an entry") << list << "Klingon" << 1;
}

void TestLanguageList::selectedIndex()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, name);
    QFETCH(int, index);
    QCOMPARE(LanguageList::selectedIndex(entries, name), index);
}

void TestLanguageList::flagName_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("flag");
    QTest::newRow("English") << "English"
                             << "flag";
    QTest::newRow("first country") << "German"
                                   << "de";
    QTest::newRow("last country") << "Slovak"
                                  << "sk";
    QTest::newRow("code differs from name") << "Persian"
                                            << "ir";
    QTest::newRow("Brazil") << "PortugueseBrazil"
                            << "br";
    QTest::newRow("letter case counts") << "german"
                                        << "xx";
    QTest::newRow("unknown") << "Klingon"
                             << "xx";
    QTest::newRow("empty") << ""
                           << "xx";
    QTest::newRow("us is never chosen") << "American"
                                        << "xx";
}

void TestLanguageList::flagName()
{
    QFETCH(QString, entry);
    QFETCH(QString, flag);
    QCOMPARE(LanguageList::flagName(entry), flag);
}

void TestLanguageList::translateFromList_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("result");
    const QString key = "INFO:Translated By";
    QTest::newRow("no lines") << QStringList() << key;
    QTest::newRow("found") << QStringList{"header", "{INFO:Translated By}Ann, Bo"} << "Ann, Bo";
    QTest::newRow("first match wins")
        << QStringList{"{INFO:Translated By}A", "{INFO:Translated By}B"} << "A";
    QTest::newRow("empty text stays empty") << QStringList{"{INFO:Translated By}"} << "";
    QTest::newRow("key letter case counts") << QStringList{"{info:translated by}X"} << key;
    QTest::newRow("rest keeps later braces") << QStringList{"{INFO:Translated By}a}b"} << "a}b";
    QTest::newRow("missing") << QStringList{"{Language}Sprache"} << key;
}

void TestLanguageList::translateFromList()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, result);
    QCOMPARE(LanguageList::translateFromList("INFO:Translated By", lines), result);
}

void TestLanguageList::creditLines_data()
{
    QTest::addColumn<QString>("credits");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("nothing") << "" << QStringList();
    QTest::newRow("one name") << "Tambrix" << QStringList{"Tambrix"};
    QTest::newRow("trimmed pieces") << " Ann ,\tBo  , Cy\r" << QStringList{"Ann", "Bo", "Cy"};
    QTest::newRow("two commas give an empty line") << "Ann,,Bo" << QStringList{"Ann", "", "Bo"};
    QTest::newRow("blank only") << " " << QStringList{""};
    QTest::newRow("trailing comma") << "Ann," << QStringList{"Ann", ""};
}

void TestLanguageList::creditLines()
{
    QFETCH(QString, credits);
    QFETCH(QStringList, lines);
    QCOMPARE(LanguageList::creditLines(credits), lines);
}

void TestLanguageList::creditText_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("credits");
    QTest::newRow("English needs no file") << "English"
                                           << "Tambrix";
    QTest::newRow("with mark and CR LF") << "German"
                                         << "Anna, Jörg";
    QTest::newRow("without the entry") << "Dutch"
                                       << "INFO:Translated By";
    QTest::newRow("missing file") << "Klingon"
                                  << "";
    QTest::newRow("not UTF-8") << "Greek"
                               << "";
}

void TestLanguageList::creditText()
{
    QFETCH(QString, entry);
    QFETCH(QString, credits);
    QTemporaryDir folder;
    const auto put = [&](const QString &name, const QByteArray &bytes) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    put("German.lang.txt",
        "\xEF\xBB\xBF{Language}Sprache\r\n{INFO:Translated By}Anna, J\xC3\xB6rg\r\n");
    put("Dutch.lang.txt", "{Language}Taal\n");
    put("Greek.lang.txt", "{INFO:Translated By}\xC3\x28\n");
    QCOMPARE(LanguageList::creditText(folder.path(), entry), credits);
}

QTEST_GUILESS_MAIN(TestLanguageList)
#include "tst_languagelist.moc"

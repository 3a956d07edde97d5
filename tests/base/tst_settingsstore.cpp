#include "base/inidocument.h"
#include "base/settingsfolder.h"
#include "base/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
const QByteArray Bom("\xEF\xBB\xBF");
} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void parse_data();
    void parse();
    void writeFormat();
    void integers_data();
    void integers();
    void open_data();
    void open();
    void unreadableFileStaysWhenItCannotBeMovedAside_data();
    void unreadableFileStaysWhenItCannotBeMovedAside();
    void storeWithoutFileReportsEveryWrite();
    void sectionOfItsOwn();
    void anotherReaderAgrees();
    void folder_data();
    void folder();
    void killedWriterNeverLeavesABrokenFile();
};

void TestSettingsStore::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestSettingsStore::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value"); // "<absent>" when the name is not found
    const QString absent = "<absent>";
    QTest::newRow("plain") << "[Settings]\r\nSound=Beep\r\n"
                           << "Sound"
                           << "Beep";
    QTest::newRow("blanks around = and the line") << "  [Settings]  \r\n  Sound  =  Beep  "
                                                  << "Sound"
                                                  << "Beep";
    QTest::newRow("name case ignored") << "[settings]\nSOUND=Beep"
                                       << "sound"
                                       << "Beep";
    QTest::newRow("value case kept") << "[Settings]\nSound=bEEP"
                                     << "Sound"
                                     << "bEEP";
    QTest::newRow("split at the first =") << "[Settings]\nCustomSound=a=b.wav"
                                          << "CustomSound"
                                          << "a=b.wav";
    QTest::newRow("comment line") << "[Settings]\n;Sound=Beep"
                                  << "Sound" << absent;
    QTest::newRow("value before any section") << "Sound=Beep\n[Settings]"
                                              << "Sound" << absent;
    QTest::newRow("other section") << "[Other]\nSound=Beep"
                                   << "Sound" << absent;
    QTest::newRow("line without =") << "[Settings]\nSound"
                                    << "Sound" << absent;
    QTest::newRow("empty value") << "[Settings]\nCustomSound="
                                 << "CustomSound"
                                 << "";
    QTest::newRow("first of two equal names") << "[Settings]\nSound=Male\nsound=Female"
                                              << "Sound"
                                              << "Male";
    QTest::newRow("CR-only line ends") << "[Settings]\rSound=Beep\rTolerance=3"
                                       << "Tolerance"
                                       << "3";
    QTest::newRow("section repeated later")
        << "[Settings]\nA=1\n[Other]\nB=2\n[SETTINGS]\nSound=Beep"
        << "Sound"
        << "Beep";
    QTest::newRow("empty text") << ""
                                << "Sound" << absent;
}

void TestSettingsStore::parse()
{
    QFETCH(QString, text);
    QFETCH(QString, name);
    QFETCH(QString, value);
    const IniDocument document = IniDocument::parse(text);
    QCOMPARE(document.contains("Settings", name) ? document.value("Settings", name) : "<absent>",
             value);
}

void TestSettingsStore::writeFormat()
{
    IniDocument document =
        IniDocument::parse("; note\r\n[Other]\r\nKeep = me\r\n[Settings]\r\nTolerance=5\r\n");
    document.setValue("Settings", "NoiseThreshold", "7");
    document.setValue("settings", "TOLERANCE", "9"); // keeps the name and place it had
    QCOMPARE(document.serialize(), Bom + "[Other]\r\nKeep=me\r\n\r\n"
                                         "[Settings]\r\nTolerance=9\r\nNoiseThreshold=7\r\n\r\n");
}

void TestSettingsStore::integers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value"); // -12345 stands for "the fallback"
    QTest::newRow("decimal") << "7" << 7;
    QTest::newRow("negative") << "-3" << -3;
    QTest::newRow("hexadecimal") << "0x1F" << 31;
    QTest::newRow("hexadecimal, capital X") << "0X0a" << 10;
    QTest::newRow("hexadecimal wraps to 32 bits") << "0xFFFFFFFF" << -1;
    QTest::newRow("hexadecimal beyond 32 bits") << "0x100000000" << -12345;
    QTest::newRow("0x alone") << "0x" << -12345;
    QTest::newRow("letters") << "abc" << -12345;
    QTest::newRow("beyond 32 bits") << "2147483648" << -12345;
    QTest::newRow("empty") << "" << -12345;
    QTest::newRow("fraction") << "1.5" << -12345;
}

void TestSettingsStore::integers()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QTemporaryDir dir;
    QVERIFY(
        writeAll(dir.filePath("settings.ini"), Bom + "[Settings]\r\nTolerance=" + text.toUtf8()));
    QCOMPARE(SettingsStore::open(dir.filePath("settings.ini"))->readInteger("Tolerance", -12345),
             value);
}

void TestSettingsStore::open_data()
{
    QTest::addColumn<QByteArray>("bytes"); // "<none>": no file at all
    QTest::addColumn<QString>("sound");    // what readString("Sound") gives
    QTest::addColumn<bool>("backedUp");
    QTest::newRow("missing file") << QByteArray("<none>") << "" << false;
    QTest::newRow("empty file") << QByteArray() << "" << false;
    QTest::newRow("without byte-order mark")
        << QByteArray("[Settings]\nSound=Male") << "Male" << false;
    QTest::newRow("partial last line")
        << QByteArray("\xEF\xBB\xBF[Settings]\r\nSound=Fem") << "Fem" << false;
    QTest::newRow("UTF-8 path") << QByteArray("[Settings]\nSound=\xC3\xA9") << "é" << false;
    QTest::newRow("Latin-1 from another editor is not UTF-8")
        << QByteArray("[Settings]\r\nCustomSound=C:\\M\xFCsic\\a.wav\r\nSound=Beep") << "" << true;
    QTest::newRow("binary garbage") << QByteArray("\xFF\xFE\x00\x01\x80") << "" << true;
}

void TestSettingsStore::open()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, sound);
    QFETCH(bool, backedUp);
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.ini");
    QVERIFY(writeAll(path + ".bak", "an older backup"));
    if (bytes != "<none>")
        QVERIFY(writeAll(path, bytes));

    const auto store = SettingsStore::open(path);
    QCOMPARE(store->readString("Sound"), sound);
    if (backedUp) {
        QVERIFY(!QFile::exists(path));
        QCOMPARE(readAll(path + ".bak"), bytes); // the user's file is kept, not deleted
        store->writeString("Sound", "Male");
        QCOMPARE(readAll(path), Bom + "[Settings]\r\nSound=Male\r\n\r\n");
    } else {
        QCOMPARE(readAll(path + ".bak"), QByteArray("an older backup"));
        QCOMPARE(QFile::exists(path), bytes != "<none>"); // reading alone writes nothing
    }
}

// What stops the move aside: a folder named like the backup, or settings.ini marked
// immutable (chattr +i; the rename fails even as root, while the older backup beside
// it could still be deleted).
void TestSettingsStore::unreadableFileStaysWhenItCannotBeMovedAside_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::newRow("a folder where the backup goes") << "folder";
    QTest::newRow("immutable file beside an older backup") << "immutable";
}

void TestSettingsStore::unreadableFileStaysWhenItCannotBeMovedAside()
{
    QFETCH(QString, obstacle);
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.ini");
    const QByteArray latin1 = "[Settings]\r\nCustomSound=C:\\M\xFCsic\\a.wav\r\n";
    QVERIFY(writeAll(path, latin1));
    bool immutable = false;
    const auto removable = qScopeGuard([&] {
        if (immutable)
            QProcess::execute("chattr", {"-i", path});
    });
    if (obstacle == "folder") {
        QVERIFY(QDir(dir.path()).mkdir("settings.ini.bak"));
    } else {
        QVERIFY(writeAll(path + ".bak", "an older backup"));
        immutable = QProcess::execute("chattr", {"+i", path}) == 0;
        if (!immutable)
            QSKIP("chattr +i is not available here (needs root on a file system with it)");
    }

    const auto store = SettingsStore::open(path);
    QVERIFY(!store->savesChanges());
    QCOMPARE(store->readString("CustomSound"), QString());
    store->writeString("Sound", "Male"); // kept in memory only
    QCOMPARE(store->readString("Sound"), QString("Male"));
    QCOMPARE(readAll(path), latin1);
    if (obstacle == "immutable")
        QCOMPARE(readAll(path + ".bak"), QByteArray("an older backup"));
}

void TestSettingsStore::storeWithoutFileReportsEveryWrite()
{
    SettingsStore store;
    for (int write = 0; write < 2; ++write)
        QVERIFY_THROWS_EXCEPTION(SettingsStore::NotOpenError, store.writeString("Sound", "Beep"));
    QCOMPARE(store.readString("Sound"), QString("Beep"));
}

// A key that names its own section is read and written there; the bytes of [Settings]
// stay as they were, and a shorter list of lines leaves none of the longer one behind.
void TestSettingsStore::sectionOfItsOwn()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.ini");
    const QByteArray settings = "[Settings]\r\nNoiseThreshold=07\r\nTolerance=0x10\r\n"
                                "Sound=Beep\r\nMinimizeToSystemTray=ON\r\n\r\n";
    QVERIFY(writeAll(path, Bom + settings +
                               "[LessonTimes]\r\nRange10=ten\r\nRange2=two\r\nRangeX=no\r\n"
                               "Range0=no\r\nrange1=one\r\n"));
    {
        const auto store = SettingsStore::open(path);
        QCOMPARE(store->read(SettingsTable::LessonTimesRanges), (QStringList{"one", "two", "ten"}));
        QVERIFY(!store->read(SettingsTable::LessonTimesEnabled));
        store->write(SettingsTable::LessonTimesEnabled, true);
        store->write(SettingsTable::LessonTimesRanges,
                     QStringList{"Mon,Tue 08:00-12:30", "Fri 13:15-15:00"});
        QVERIFY(store->read(SettingsTable::LessonTimesEnabled));
        QVERIFY(store->read(SettingsTable::MinimizeToSystemTray));
    }
    QCOMPARE(readAll(path), Bom + settings +
                                "[LessonTimes]\r\nRangeX=no\r\nRange0=no\r\nEnabled=ON\r\n"
                                "Range1=Mon,Tue 08:00-12:30\r\nRange2=Fri 13:15-15:00\r\n\r\n");

    // Into a file without the section, which comes after [Settings].
    QVERIFY(writeAll(path, Bom + settings));
    {
        const auto store = SettingsStore::open(path);
        QCOMPARE(store->read(SettingsTable::LessonTimesRanges), QStringList());
        store->write(SettingsTable::LessonTimesRanges, QStringList{"Sun 22:00-24:00"});
        store->write(SettingsTable::Sound, QString("Male"));
    }
    const auto reopened = SettingsStore::open(path);
    QCOMPARE(reopened->read(SettingsTable::LessonTimesRanges), QStringList{"Sun 22:00-24:00"});
    QCOMPARE(readAll(path), Bom + QByteArray(settings).replace("Beep", "Male") +
                                "[LessonTimes]\r\nRange1=Sun 22:00-24:00\r\n\r\n");
}

// Python's configparser reads back every key and value that we wrote.
void TestSettingsStore::anotherReaderAgrees()
{
    const QString python = QStandardPaths::findExecutable("python3");
    if (python.isEmpty())
        QSKIP("python3 is not installed");
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.ini");
    const QList<QPair<QString, QString>> written{
        {"NoiseThreshold", "7"},
        {"Tolerance", "999999999"},
        {"Sound", "Custom"},
        {"CustomSound", "/home/zoë/My Sounds/shh = quiet; #1 100%.wav"},
        {"MinimizeToSystemTray", "ON"},
        {"AutoStartMicrophone", "OFF"},
        {"Empty", ""},
        {"Ünïcödé", "日本語"},
    };
    {
        const auto store = SettingsStore::open(path);
        for (const auto &[name, value] : written)
            store->writeString(name, value);
    }
    QProcess reader;
    reader.start(python, {"-c",
                          "import configparser, json, sys\n"
                          "p = configparser.RawConfigParser()\n"
                          "p.optionxform = str\n"
                          "p.read(sys.argv[1], encoding='utf-8-sig')\n"
                          "print(json.dumps(dict(p['Settings'])))\n",
                          path});
    QVERIFY(reader.waitForFinished(30000));
    QCOMPARE(reader.exitCode(), 0);
    const QJsonObject read = QJsonDocument::fromJson(reader.readAllStandardOutput()).object();
    QCOMPARE(read.size(), written.size());
    for (const auto &[name, value] : written)
        QCOMPARE(read.value(name).toString(), value);
}

void TestSettingsStore::folder_data()
{
    QTest::addColumn<QString>("situation");
    QTest::newRow("writable program folder") << "writable";
    QTest::newRow("chk.tmp already there") << "chk.tmp";
    QTest::newRow("read-only file system") << "read-only";
    QTest::newRow("program folder gone") << "missing";
}

void TestSettingsStore::folder()
{
    QFETCH(QString, situation);
    QTemporaryDir dir;
    QString program = dir.path();
    if (situation == "chk.tmp")
        QVERIFY(writeAll(dir.filePath("chk.tmp"), "someone else's"));
    else if (situation == "read-only")
        program = "/proc"; // even root cannot create files there
    else if (situation == "missing")
        program = dir.filePath("gone");

#ifdef Q_OS_WIN
    // Windows keeps settings that follow the user in the roaming application data.
    const QString config = QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA"));
#else
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
#endif
    QDir(config + "/TAMBRIX").removeRecursively();
    const QString chosen = SettingsFolder::choose(program, "TAMBRIX", "Murmlet");
    if (situation == "writable") {
        QCOMPARE(chosen, QDir::toNativeSeparators(dir.path() + "/"));
        QVERIFY(!QFile::exists(dir.filePath("chk.tmp"))); // the probe leaves nothing behind
    } else {
        QCOMPARE(chosen, QDir::toNativeSeparators(config + "/TAMBRIX/Murmlet/"));
        QVERIFY(QFileInfo(chosen).isDir());
    }
    if (situation == "chk.tmp")
        QCOMPARE(readAll(dir.filePath("chk.tmp")), QByteArray("someone else's"));
}

// A writer killed at random moments leaves settings.ini whole: either the old or the new
// complete file, never a truncated or mixed one.
void TestSettingsStore::killedWriterNeverLeavesABrokenFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.ini");
    QVERIFY(writeAll(path, Bom + "[Settings]\r\nSound=Beep\r\nTolerance=0\r\n\r\n"));
    int previous = 0;
    for (int round = 0; round < 60; ++round) {
        QProcess writer;
        writer.start(QCoreApplication::applicationDirPath() + "/settings_writer",
                     {path, QString::number(previous + 1)});
        QVERIFY(writer.waitForReadyRead(10000)); // its first write is complete
        QTest::qSleep(QRandomGenerator::global()->bounded(1, 20));
        writer.kill(); // SIGKILL, or TerminateProcess on Windows: no clean-up runs
        QVERIFY(writer.waitForFinished(10000));

        const QByteArray bytes = readAll(path);
        QVERIFY2(bytes.startsWith(Bom + "[Settings]\r\nSound=Beep\r\nTolerance=") &&
                     bytes.endsWith("\r\n\r\n"),
                 bytes.constData());
        const auto store = SettingsStore::open(path);
        QCOMPARE(store->readString("Sound"), QString("Beep"));
        const int value = store->readInteger("Tolerance", -1);
        QVERIFY2(value > previous, qPrintable(QString("%1 after %2").arg(value).arg(previous)));
        previous = value;
    }
    qInfo("last value written: %d", previous);
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"

// The autostart entry's Exec quoting and which program it starts.
#include "features/startwithdesktop/desktopautostart.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

class TestDesktopAutostart : public QObject
{
    Q_OBJECT
private slots:
    void execArgument_data();
    void execArgument();
    void programToStart();
    void unwritableFolderIsReported();
    void runKeyStartsTheQuotedProgram();
};

void TestDesktopAutostart::execArgument_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("exec"); // as written in the file
    QTest::newRow("plain path") << "/usr/bin/murmlet"
                                << "/usr/bin/murmlet";
    QTest::newRow("blank: quoted") << "/home/a b/murmlet"
                                   << "\"/home/a b/murmlet\"";
    QTest::newRow("percent is doubled, unquoted") << "/opt/100%/murmlet"
                                                  << "/opt/100%%/murmlet";
    QTest::newRow("dollar: quoted and escaped") << "/home/$x/murmlet"
                                                << "\"/home/\\\\$x/murmlet\"";
    QTest::newRow("double quote") << "/a\"b/murmlet"
                                  << "\"/a\\\\\"b/murmlet\"";
    QTest::newRow("backslash takes four") << "/a\\b/murmlet"
                                          << "\"/a\\\\\\\\b/murmlet\"";
    QTest::newRow("single quote: quoted only") << "/it's/murmlet"
                                               << "\"/it's/murmlet\"";
    QTest::newRow("non-ASCII stays as it is")
        << QString::fromUtf8("/home/jürgen/murmlet") << QString::fromUtf8("/home/jürgen/murmlet");
}

void TestDesktopAutostart::execArgument()
{
    QFETCH(QString, program);
    QFETCH(QString, exec);
    QCOMPARE(DesktopAutostart::execArgument(program), exec);
}

// The installed launcher when it leads to the running program, the running program
// itself otherwise.
void TestDesktopAutostart::programToStart()
{
#ifdef Q_OS_WIN
    QSKIP("Windows has no launcher link: the Run key names the program itself");
#endif
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("lib/murmlet");
    QDir(dir.path()).mkpath("bin");
    const QString installed = dir.filePath("lib/murmlet/murmlet");
    const QString launcher = dir.filePath("bin/murmlet");
    const QString build = dir.filePath("build-murmlet");
    for (const QString &file : {installed, build}) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QVERIFY(QFile::link("../lib/murmlet/murmlet", launcher));

    QCOMPARE(DesktopAutostart::programToStart(installed, launcher), launcher);
    QCOMPARE(DesktopAutostart::programToStart(build, launcher), build);
    QCOMPARE(DesktopAutostart::programToStart(build, dir.filePath("bin/none")), build);
    QCOMPARE(DesktopAutostart::programToStart(installed, QString()), installed);
}

void TestDesktopAutostart::unwritableFolderIsReported()
{
#ifdef Q_OS_WIN
    QSKIP("Windows keeps the entry in the registry, not in a folder");
#endif
    QTemporaryDir dir;
    QFile blocker(dir.filePath("autostart"));
    QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
    DesktopAutostart entry(dir.filePath("autostart/murmlet.desktop"), "/usr/bin/murmlet");
    QVERIFY_THROWS_EXCEPTION(DesktopAutostart::WriteError, entry.enable());
    QVERIFY(!entry.isEnabled());
}

// On Windows the entry is the value "Murmlet" of the current user's Run key: the program
// in double quotes, so a path with blanks starts that program and no other.
void TestDesktopAutostart::runKeyStartsTheQuotedProgram()
{
#ifndef Q_OS_WIN
    QSKIP("The Run key is Windows'");
#else
    const QString runKey = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    DesktopAutostart entry(QString(), "C:/Program Files/100% Murmlet/murmlet.exe");
    QVERIFY(!entry.isEnabled());
    entry.enable();
    QVERIFY(entry.isEnabled());
    QCOMPARE(QSettings(runKey, QSettings::NativeFormat).value("Murmlet").toString(),
             QString("\"C:\\Program Files\\100% Murmlet\\murmlet.exe\""));
    entry.disable();
    QVERIFY(!entry.isEnabled());
    QVERIFY(!QSettings(runKey, QSettings::NativeFormat).contains("Murmlet"));
#endif
}

QTEST_APPLESS_MAIN(TestDesktopAutostart)
#include "tst_desktopautostart.moc"

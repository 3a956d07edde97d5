#include "localisation/restartscript.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <stdexcept>

class TestRestartScript : public QObject
{
    Q_OBJECT
private slots:
    void batchText_data();
    void batchText();
    void shellText();
    void writeReplacesEarlierScript_data();
    void writeReplacesEarlierScript();
    void writeFailureThrows();
    void hostilePathStartsExactlyThatProgram_data();
    void hostilePathStartsExactlyThatProgram();
};

void TestRestartScript::batchText_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("major");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray head = "@ECHO OFF\r\n"
                            "CHCP 65001 >NUL\r\n"
                            "ECHO This file was created automatically to restart the program.\r\n"
                            "ECHO It is safe to delete this file.\r\n";
    const QByteArray program = "\"C:\\Program Files\\Murmlet\\murmlet.exe\"\r\n";
    const QString path = "C:/Program Files/Murmlet/murmlet.exe";
    QTest::newRow("Windows 10 waits a second") << path << 10 << head + "timeout 1\r\n" + program;
    QTest::newRow("Vista, the first to wait") << path << 6 << head + "timeout 1\r\n" + program;
    QTest::newRow("XP has no timeout") << path << 5 << head + program;
    QTest::newRow("percent stays literal")
        << "C:/100%/%PATH%/m.exe" << 10 << head + "timeout 1\r\n\"C:\\100%%\\%%PATH%%\\m.exe\"\r\n";
    QTest::newRow("UTF-8, whatever the code pages")
        << QString::fromUtf8("C:/Lärm Ørsted 教室/murmlet.exe") << 10
        << head + "timeout 1\r\n\"C:\\L\xC3\xA4rm \xC3\x98rsted "
                  "\xE6\x95\x99\xE5\xAE\xA4\\murmlet.exe\"\r\n";
}

void TestRestartScript::batchText()
{
    QFETCH(QString, program);
    QFETCH(int, major);
    QFETCH(QByteArray, expected);
    QCOMPARE(RestartScript::batchText(program, major), expected);
}

void TestRestartScript::shellText()
{
    QCOMPARE(RestartScript::shellText("/opt/murmlet/bin/murmlet"),
             QByteArray("#!/bin/sh\n"
                        "echo This file was created automatically to restart the program.\n"
                        "echo It is safe to delete this file.\n"
                        "sleep 1\n"
                        "'/opt/murmlet/bin/murmlet'\n"));
}

void TestRestartScript::writeReplacesEarlierScript_data()
{
    QTest::addColumn<QString>("separator");
    QTest::newRow("folder with a trailing separator") << "/";
    QTest::newRow("folder without one") << "";
}

void TestRestartScript::writeReplacesEarlierScript()
{
    QFETCH(QString, separator);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString expectedPath = folder.filePath(RestartScript::fileName());
    {
        QFile earlier(expectedPath);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write(QByteArray(4000, 'x'));
    }
    const QString written = RestartScript::write(folder.path() + separator, "/usr/bin/murmlet");
    QCOMPARE(QFileInfo(written).absoluteFilePath(), QFileInfo(expectedPath).absoluteFilePath());
    QFile file(expectedPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), RestartScript::text("/usr/bin/murmlet"));
}

void TestRestartScript::writeFailureThrows()
{
    QTemporaryDir folder;
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             RestartScript::write(folder.filePath("missing/"), "/usr/bin/murmlet"));
}

void TestRestartScript::hostilePathStartsExactlyThatProgram_data()
{
    QTest::addColumn<QString>("folderName");
    QTest::newRow("quote and blank") << "it's here";
    QTest::newRow("command substitution") << "$(touch INJECTED) a`touch INJECTED`b";
    QTest::newRow("quote that ends the word") << "x'; touch INJECTED; echo '";
    QTest::newRow("all at once") << "O'Brien $HOME `touch INJECTED` \"q\" \\ ;|&";
}

// The script is run by the shell: the program at the awkward path must start, with
// exactly that path, and nothing else may run.
void TestRestartScript::hostilePathStartsExactlyThatProgram()
{
#ifdef Q_OS_WIN
    QSKIP("The shell script is the Linux road");
#else
    QFETCH(QString, folderName);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QVERIFY(QDir(root.path()).mkpath("settings"));
    QVERIFY(QDir(root.path()).mkpath("work/" + folderName));
    const QString program = root.filePath("work/" + folderName + "/murm let");
    const QString marker = root.filePath("marker");
    {
        QFile helper(program);
        QVERIFY(helper.open(QIODevice::WriteOnly));
        helper.write("#!/bin/sh\nprintf '%s' \"$0\" > '" + QFile::encodeName(marker) + "'\n");
    }
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    const QString script = RestartScript::write(root.filePath("settings"), program);
    QCOMPARE(QProcess::execute("/bin/sh", {"-n", script}), 0);

    QProcess run;
    run.setWorkingDirectory(root.filePath("work"));
    run.start("/bin/sh", {script});
    QVERIFY(run.waitForFinished(10000));
    QCOMPARE(run.exitCode(), 0);
    QFile written(marker);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(QFile::decodeName(written.readAll()), program);
    const QStringList everything =
        QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    QCOMPARE(everything, QStringList({"marker", "settings", "work"}));
    QCOMPARE(QDir(root.filePath("work")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{folderName});
#endif
}

QTEST_GUILESS_MAIN(TestRestartScript)
#include "tst_restartscript.moc"

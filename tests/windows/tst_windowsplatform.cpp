// What only the Windows build has, through the real Win32 calls (run under Wine by
// scripts/test-windows.sh): the program file's version record, the roaming settings
// folder, the restart batch file, the named mutex, the machine GUID and the update
// store in the registry.
#include "base/runningmarker.h"
#include "base/settingsfolder.h"
#include "base/settingspolicy.h"
#include "base/versionrecord.h"
#include "localisation/restartscript.h"
#include "update/systeminfo.h"
#include "update/updatestore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// <windows.h> first: the other Windows headers rely on its types.
#include <windows.h>
#include <shlobj.h>

namespace {
QString roamingAppData()
{
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
    return QDir::toNativeSeparators(QString::fromWCharArray(path));
}

bool mutexExists(const wchar_t *name)
{
    const HANDLE handle = OpenMutexW(SYNCHRONIZE, FALSE, name);
    if (!handle)
        return false;
    CloseHandle(handle);
    return true;
}
} // namespace

class TestWindowsPlatform : public QObject
{
    Q_OBJECT
private slots:
    void versionRecordOfTheProgram();
    void settingsFallBackToRoamingAppData();
    void restartBatchStartsTheProgramFromItsFolder_data();
    void restartBatchStartsTheProgramFromItsFolder();
    void runningMarkerIsANamedMutex();
    void machineGuidFromTheRegistry();
    void updateStoreLivesInTheRegistry();
    void policyFromValuesThatRegWrites();
};

void TestWindowsPlatform::versionRecordOfTheProgram()
{
    // Every executable of the Windows build lies in the build folder's top.
    const QString program = QCoreApplication::applicationDirPath() + "/murmlet.exe";
    VersionStrings record;
    readVersionRecord(program, record);
    QCOMPARE(record.CompanyName, QString("TAMBRIX"));
    QCOMPARE(record.ProductName, QString("Murmlet"));
    QCOMPARE(record.ProductVersion, QString("1.1.0.0"));
    QCOMPARE(record.OriginalFileName, QString("murmlet.exe"));
    QCOMPARE(fileVersionMS(program), quint32(0x00010001));

    VersionStrings none;
    QVERIFY_THROWS_EXCEPTION(SystemError,
                             readVersionRecord(QStringLiteral("C:/no/such.exe"), none));
}

// A program folder nobody may write to sends the settings to the user's roaming
// application data, where Windows keeps settings that follow the user.
void TestWindowsPlatform::settingsFallBackToRoamingAppData()
{
    const QString readOnly = qEnvironmentVariable("MURMLET_READONLY_FOLDER");
    if (readOnly.isEmpty())
        QSKIP("scripts/test-windows.sh names a folder nobody can write to");
    QVERIFY(!SettingsFolder::isFolderWritable(readOnly));
    const QString chosen = SettingsFolder::choose(readOnly, "TAMBRIX", "MurmletTest");
    QCOMPARE(chosen, roamingAppData() + "\\TAMBRIX\\MurmletTest\\");
    QVERIFY(QDir(chosen).exists());

    QTemporaryDir writable;
    QCOMPARE(SettingsFolder::choose(writable.path(), "TAMBRIX", "MurmletTest"),
             QDir::toNativeSeparators(writable.path() + "/"));
}

// The restart script is a batch file: cmd expands %...% even inside quotes, and reads the
// file in a code page of its own. The program in each of these folders must be started.
void TestWindowsPlatform::restartBatchStartsTheProgramFromItsFolder_data()
{
    QTest::addColumn<QString>("folderName");
    QTest::newRow("percent signs, blanks and &") << "100% quiet & %PATH% room";
    QTest::newRow("letters of no single code page") << QString::fromUtf8("Lärm Ørsted 教室");
}

void TestWindowsPlatform::restartBatchStartsTheProgramFromItsFolder()
{
    QFETCH(QString, folderName);
    QTemporaryDir root;
    const QString folder = root.filePath(folderName);
    QVERIFY(QDir().mkpath(folder));
    const QString marker = root.filePath("started.txt");
    const QString program = folder + "/murm let.bat";
    {
        QFile file(program);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("@ECHO started> \"" + QDir::toNativeSeparators(marker).toLocal8Bit() + "\"\r\n");
    }
    const QString script = RestartScript::write(root.path(), program);
    QVERIFY(QFile::exists(script));

    QProcess cmd;
    cmd.start("cmd.exe", {"/c", QDir::toNativeSeparators(script)});
    QVERIFY(cmd.waitForFinished(20000));
    QVERIFY2(QFile::exists(marker), cmd.readAllStandardOutput().constData());
}

// Installers and a second start find a running Murmlet by its named mutex.
void TestWindowsPlatform::runningMarkerIsANamedMutex()
{
    QVERIFY(!mutexExists(L"TAMBRIX_MurmletTest"));
    {
        const RunningMarker running(QStringLiteral("TAMBRIX_MurmletTest"));
        QVERIFY(mutexExists(L"TAMBRIX_MurmletTest"));
    }
    QVERIFY(!mutexExists(L"TAMBRIX_MurmletTest"));
}

// A 32-bit process reading HKLM\SOFTWARE sees the 32-bit view, which lacks MachineGuid;
// the ID is read from the 64-bit view. The script hands in what "reg query /reg:64" read.
void TestWindowsPlatform::machineGuidFromTheRegistry()
{
    const std::optional<QString> id = SystemInfo::machineId();
    QVERIFY(id.has_value());
    QVERIFY2(QRegularExpression("^[0-9a-fA-F]{8}(-[0-9a-fA-F]{4}){3}-[0-9a-fA-F]{12}$")
                 .match(*id)
                 .hasMatch(),
             qPrintable(*id));
    const QString expected = qEnvironmentVariable("MURMLET_EXPECTED_MACHINE_GUID");
    if (!expected.isEmpty())
        QCOMPARE(*id, expected);
}

// The update check's date and count live under HKEY_CURRENT_USER; the script reads them
// back with "reg query" after this test.
void TestWindowsPlatform::updateStoreLivesInTheRegistry()
{
    {
        const auto store = UpdateStore::openNative("TAMBRIX", "MurmletRegistryTest");
        QVERIFY(store->isUsable());
        store->writeString("LastCheck", "10/12/2026");
    }
    const auto again = UpdateStore::openNative("TAMBRIX", "MurmletRegistryTest");
    QCOMPARE(again->readString("LastCheck"), QString("10/12/2026"));
}

// The policy keys as Windows' own "reg" (and so Group Policy) writes them: a REG_DWORD
// number, REG_SZ texts, in the machine's 64-bit view.
void TestWindowsPlatform::policyFromValuesThatRegWrites()
{
    const QString base = QStringLiteral("HKLM\\SOFTWARE\\Policies\\TAMBRIX\\MurmletPolicyTest");
    auto reg = [](const QStringList &arguments) {
        QProcess process;
        process.start(QStringLiteral("reg"), arguments);
        return process.waitForFinished(30000) && process.exitCode() == 0;
    };
    reg({"delete", base, "/f", "/reg:64"});
    QVERIFY(reg({"add", base + "\\Locked\\Settings", "/v", "NoiseThreshold", "/t", "REG_DWORD",
                 "/d", "8", "/f", "/reg:64"}));
    QVERIFY(reg({"add", base + "\\Preset\\SchoolLink", "/v", "Host", "/t", "REG_SZ", "/d",
                 "mqtt.school.example", "/f", "/reg:64"}));
    QVERIFY(reg({"add", base + "\\Preset\\Settings", "/v", "Sound", "/t", "REG_SZ", "/d", "Beep",
                 "/f", "/reg:64"}));
    const SettingsPolicy policy = SettingsPolicy::loadFromRegistry(
        QStringLiteral("SOFTWARE\\Policies\\TAMBRIX\\MurmletPolicyTest"));
    reg({"delete", base, "/f", "/reg:64"});
    QCOMPARE(policy.locked("Settings", "NoiseThreshold"), QString("8"));
    QCOMPARE(policy.preset("SchoolLink", "Host"), QString("mqtt.school.example"));
    QCOMPARE(policy.preset("Settings", "Sound"), QString("Beep"));
    QVERIFY(!policy.locked("Settings", "Sound"));
    QVERIFY(policy.problems().isEmpty());
}

QTEST_GUILESS_MAIN(TestWindowsPlatform)
#include "tst_windowsplatform.moc"

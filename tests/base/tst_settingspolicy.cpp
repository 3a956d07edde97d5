#include "base/settingspolicy.h"
#include "base/settingsstore.h"
#include "support/sourcedir.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace {
bool writeAll(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
IniDocument ini(const char *text)
{
    return IniDocument::parse(QString::fromUtf8(text));
}
} // namespace

class TestSettingsPolicy : public QObject
{
    Q_OBJECT
private slots:
    void effectiveValue_data();
    void effectiveValue();
    void lockedKeyIsNeverWritten();
    void unusableValuesAreListed();
    void firstFolderWins();
    void groupPolicyTemplateMatchesTheKeys();
};

// Which value the program reads: locked, then the user's, then the preset, then the
// table's default.
void TestSettingsPolicy::effectiveValue_data()
{
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("preset");
    QTest::addColumn<QByteArray>("locked");
    QTest::addColumn<int>("threshold");
    QTest::addColumn<QString>("sound");
    QTest::addColumn<bool>("autoStart");
    QTest::addColumn<QString>("host");

    const QByteArray none;
    QTest::newRow("nothing anywhere: the defaults")
        << none << none << none << 5 << "" << false << "";
    QTest::newRow("a preset where the user has nothing")
        << none
        << QByteArray("[Settings]\nNoiseThreshold=7\nSound=Beep\nAutoStartMicrophone=ON\n"
                      "[SchoolLink]\nHost=mqtt.school.example\n")
        << none << 7 << "Beep" << true << "mqtt.school.example";
    QTest::newRow("the user's own values beat a preset")
        << QByteArray("[Settings]\nNoiseThreshold=3\nSound=Male\nAutoStartMicrophone=OFF\n"
                      "[SchoolLink]\nHost=own\n")
        << QByteArray("[Settings]\nNoiseThreshold=7\nSound=Beep\nAutoStartMicrophone=ON\n"
                      "[SchoolLink]\nHost=preset\n")
        << none << 3 << "Male" << false << "own";
    QTest::newRow("a user's number that is no number: the preset stands in")
        << QByteArray("[Settings]\nNoiseThreshold=abc\n")
        << QByteArray("[Settings]\nNoiseThreshold=8\n") << none << 8 << "" << false << "";
    QTest::newRow("an empty text of the user's own is a choice")
        << QByteArray("[Settings]\nSound=\n") << QByteArray("[Settings]\nSound=Beep\n") << none << 5
        << "" << false << "";
    QTest::newRow("locked beats the user and the preset")
        << QByteArray("[Settings]\nNoiseThreshold=3\nSound=Male\nAutoStartMicrophone=OFF\n"
                      "[SchoolLink]\nHost=own\n")
        << QByteArray("[Settings]\nNoiseThreshold=7\n")
        << QByteArray("[settings]\nnoisethreshold=0x9\nSound=Female\nAutoStartMicrophone=ON\n"
                      "[SchoolLink]\nHost=locked\n")
        << 9 << "Female" << true << "locked";
    QTest::newRow("a locked value that cannot be used locks nothing")
        << QByteArray("[Settings]\nNoiseThreshold=3\nAutoStartMicrophone=ON\n") << none
        << QByteArray("[Settings]\nNoiseThreshold=high\nAutoStartMicrophone=on\n") << 3 << ""
        << true << "";
}

void TestSettingsPolicy::effectiveValue()
{
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, preset);
    QFETCH(QByteArray, locked);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("settings.ini"));
    if (!user.isNull())
        QVERIFY(writeAll(file, user));
    auto store = SettingsStore::open(file);
    store->setPolicy(SettingsPolicy(ini(preset.constData()), ini(locked.constData())));
    QTEST(store->read(SettingsTable::NoiseThreshold), "threshold");
    QTEST(store->read(SettingsTable::Sound), "sound");
    QTEST(store->read(SettingsTable::AutoStartMicrophone), "autoStart");
    QTEST(store->read(SettingsTable::SchoolLinkHost), "host");
}

void TestSettingsPolicy::lockedKeyIsNeverWritten()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("settings.ini"));
    QVERIFY(writeAll(file, "[Settings]\r\nNoiseThreshold=3\r\n"));
    auto store = SettingsStore::open(file);
    store->setPolicy(SettingsPolicy(
        ini(""),
        ini("[Settings]\nNoiseThreshold=8\nMinimizeToSystemTray=OFF\n[SchoolLink]\nPort=1883\n")));
    QVERIFY(store->isLocked(SettingsTable::NoiseThreshold));
    QVERIFY(!store->isLocked(SettingsTable::Tolerance));
    store->write(SettingsTable::NoiseThreshold, 2);
    store->write(SettingsTable::MinimizeToSystemTray, true);
    store->write(SettingsTable::SchoolLinkPort, 8883);
    // The user's own file keeps what the user had; the locked values stay in force.
    QCOMPARE(readAll(file), QByteArray("[Settings]\r\nNoiseThreshold=3\r\n"));
    QCOMPARE(store->read(SettingsTable::NoiseThreshold), 8);
    QCOMPARE(store->read(SettingsTable::SchoolLinkPort), 1883);
    store->write(SettingsTable::Tolerance, 4);
    QCOMPARE(readAll(file),
             QByteArray("\xEF\xBB\xBF[Settings]\r\nNoiseThreshold=3\r\nTolerance=4\r\n\r\n"));
}

void TestSettingsPolicy::unusableValuesAreListed()
{
    const SettingsPolicy policy(ini("[Settings]\nMicrophone=hw:1\nTolerance=ten\n"),
                                ini("[Settings]\nMinimizeToSystemTray=yes\n[Other]\nHost=x\n"));
    QCOMPARE(
        policy.problems(),
        QStringList({QStringLiteral("preset: [Settings] Microphone: not a key a policy sets"),
                     QStringLiteral("preset: [Settings] Tolerance: not a whole number"),
                     QStringLiteral("locked: [Settings] MinimizeToSystemTray: neither ON nor OFF"),
                     QStringLiteral("locked: [Other] Host: not a key a policy sets")}));
    QVERIFY(!policy.preset(QStringLiteral("Settings"), QStringLiteral("Microphone")));
    QVERIFY(policy.isEmpty());
}

// $XDG_CONFIG_DIRS lists folders by rank: the first that sets a key has the say.
void TestSettingsPolicy::firstFolderWins()
{
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("first"));
    const QString second = dir.filePath(QStringLiteral("second"));
    QVERIFY(writeAll(first + QStringLiteral("/TAMBRIX/Murmlet/locked.ini"),
                     "\xEF\xBB\xBF[Settings]\r\nNoiseThreshold=6\r\n"));
    QVERIFY(writeAll(second + QStringLiteral("/TAMBRIX/Murmlet/locked.ini"),
                     "[Settings]\nNoiseThreshold=2\nTolerance=9\n"));
    QVERIFY(writeAll(second + QStringLiteral("/TAMBRIX/Murmlet/preset.ini"),
                     "[Settings]\nSound=Beep\n"));
    const SettingsPolicy policy =
        SettingsPolicy::loadFromFolders({first, dir.filePath(QStringLiteral("missing")), second},
                                        QStringLiteral("TAMBRIX"), QStringLiteral("Murmlet"));
    QCOMPARE(policy.locked(QStringLiteral("Settings"), QStringLiteral("NoiseThreshold")),
             QStringLiteral("6"));
    QCOMPARE(policy.locked(QStringLiteral("Settings"), QStringLiteral("Tolerance")),
             QStringLiteral("9"));
    QCOMPARE(policy.preset(QStringLiteral("Settings"), QStringLiteral("Sound")),
             QStringLiteral("Beep"));
    QVERIFY(!policy.locked(QStringLiteral("Settings"), QStringLiteral("Sound")));
}

// The Group Policy template writes exactly the values the program reads, each as a preset
// and as a locked value, so the two cannot drift apart.
void TestSettingsPolicy::groupPolicyTemplateMatchesTheKeys()
{
    const QString folder = SourceDir::path() + QStringLiteral("/packaging/windows/policy");
    QFile admx(folder + QStringLiteral("/murmlet.admx"));
    QVERIFY2(admx.open(QIODevice::ReadOnly), qPrintable(admx.fileName()));
    QXmlStreamReader xml(&admx);
    QSet<QString> written;
    QSet<QString> strings;
    QString policyKey;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        if (xml.name() == QLatin1String("policy"))
            policyKey = attributes.value(QLatin1String("key")).toString();
        if (attributes.hasAttribute(QLatin1String("valueName")))
            written << policyKey + QLatin1Char('|') +
                           attributes.value(QLatin1String("valueName")).toString();
        for (const QXmlStreamAttribute &attribute : attributes) {
            const QString value = attribute.value().toString();
            if (value.startsWith(QLatin1String("$(string.")))
                strings << value.mid(9).chopped(1);
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));

    QSet<QString> read;
    for (const SettingsPolicy::Key &key : SettingsPolicy::keys()) {
        for (const char *tree : {"Preset", "Locked"})
            read << QStringLiteral("Software\\Policies\\TAMBRIX\\Murmlet\\%1\\%2|%3")
                        .arg(QLatin1String(tree), key.section, key.name);
    }
    QCOMPARE(written - read, QSet<QString>());
    QCOMPARE(read - written, QSet<QString>());

    // Every text the template names is in the English language file, and is well-formed.
    QFile adml(folder + QStringLiteral("/en-US/murmlet.adml"));
    QVERIFY(adml.open(QIODevice::ReadOnly));
    QXmlStreamReader language(&adml);
    QSet<QString> defined;
    while (!language.atEnd()) {
        if (language.readNext() == QXmlStreamReader::StartElement &&
            language.name() == QLatin1String("string"))
            defined << language.attributes().value(QLatin1String("id")).toString();
    }
    QVERIFY2(!language.hasError(), qPrintable(language.errorString()));
    QCOMPARE(strings - defined, QSet<QString>());
}

QTEST_GUILESS_MAIN(TestSettingsPolicy)
#include "tst_settingspolicy.moc"

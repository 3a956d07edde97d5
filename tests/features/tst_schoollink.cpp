// The school link's own logic: which room names may stand in a topic, the messages as
// their readers get them, the [SchoolLink] section, and what the link sends for the
// session's seconds and alarms (over a recording link; tests/school/ runs the real broker).
#include "base/settings.h"
#include "features/schoollink/linkmessages.h"
#include "features/schoollink/roomname.h"
#include "features/schoollink/schoollink.h"
#include "features/schoollink/schoollinkconfig.h"
#include "monitor/microphonecapture.h"
#include "session/listeningsession.h"
#include "support/fakes.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
// Keeps what it is asked to publish, and reports what the test tells it to.
class RecordingLink : public MqttLink
{
public:
    struct Message
    {
        std::string topic;
        std::string payload;
        int qos;
        bool retain;
    };
    std::vector<Message> *messages;
    Options *options;
    StateReport *report;

    RecordingLink(std::vector<Message> *m, Options *o, StateReport *r)
        : messages(m), options(o), report(r)
    {
    }
    void subscribe(const std::vector<std::string> &, MessageReport) override {}
    void start(const Options &given, StateReport reporting) override
    {
        *options = given;
        *report = std::move(reporting);
    }
    void publish(const std::string &topic, const std::string &payload, int qos,
                 bool retain) override
    {
        messages->push_back({topic, payload, qos, retain});
    }
    void stop() override {}
};

QJsonObject parsed(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    return error.error == QJsonParseError::NoError ? document.object() : QJsonObject();
}
} // namespace

class TestSchoolLink : public QObject
{
    Q_OBJECT
private slots:
    void roomNames_data();
    void roomNames();
    void stateMessage();
    void discoveryNamesTheRoom();
    void settingsSection();
    void publishesSecondsAlarmsAndStatus();
};

void TestSchoolLink::roomNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("problem");
    const QString none;
    const QString controls = "A room's name cannot contain control characters.";
    const QString wildcards = "A room's name cannot contain +, # or /.";
    QTest::newRow("plain") << "Room 101" << none;
    QTest::newRow("accents and CJK") << QString("Lärm Ørsted 教室") << none;
    QTest::newRow("empty") << ""
                           << "Please enter the room's name.";
    QTest::newRow("blanks only") << "   "
                                 << "Please enter the room's name.";
    QTest::newRow("plus") << "Room+1" << wildcards;
    QTest::newRow("hash") << "#1" << wildcards;
    QTest::newRow("slash would add a level") << "Block A/101" << wildcards;
    QTest::newRow("tab") << "Room\t1" << controls;
    QTest::newRow("NUL") << QString("Room") + QChar(0) << controls;
    QTest::newRow("C1 control") << QString("Room") + QChar(0x85) << controls;
    QTest::newRow("right-to-left mark") << QString("Room") + QChar(0x200F) << controls;
    QTest::newRow("lone surrogate") << QString("Room") + QChar(0xD800) << controls;
    QTest::newRow("64 bytes") << QString(64, 'a') << none;
    QTest::newRow("65 bytes") << QString(65, 'a')
                              << "A room's name can be at most 64 bytes long in UTF-8.";
    // 22 x 3 bytes: fewer than 64 characters, more than 64 bytes.
    QTest::newRow("66 bytes of CJK")
        << QString(22, QChar(0x6559)) << "A room's name can be at most 64 bytes long in UTF-8.";
}

void TestSchoolLink::roomNames()
{
    QFETCH(QString, name);
    QFETCH(QString, problem);
    QCOMPARE(RoomName::problem(name), problem);
}

void TestSchoolLink::stateMessage()
{
    LinkMessages::RoomSecond second;
    second.time = QDateTime(QDate(2026, 12, 11), QTime(8, 20, 1), Qt::OffsetFromUTC, 3600);
    second.peakDbfs = -23.456;
    second.noisy = true;
    second.noisySeconds = 3;
    second.alarms = 2;
    second.threshold = 5;
    second.tolerance = 4;
    second.listening = true;
    second.soundComingIn = true;
    QJsonObject state = parsed(LinkMessages::state("Lärm 1", second));
    QCOMPARE(state.value("room").toString(), QString("Lärm 1"));
    QCOMPARE(state.value("time").toString(), QString("2026-12-11T07:20:01Z"));
    QCOMPARE(state.value("peak_dbfs").toDouble(), -23.5);
    QVERIFY(!state.contains("level_db")); // not calibrated
    QCOMPARE(state.value("noisy").toBool(), true);
    QCOMPARE(state.value("noisy_seconds").toInt(), 3);
    QCOMPARE(state.value("alarms").toInt(), 2);
    QCOMPARE(state.value("tolerance").toInt(), 4);
    QCOMPARE(state.value("paused").toBool(), false);
    QVERIFY(state.value("paused_until").isNull());

    second.peakDbfs = -std::numeric_limits<double>::infinity(); // digital silence
    second.levelDb = 62.04;
    second.pausedUntil = QDateTime(QDate(2026, 12, 11), QTime(9, 0), Qt::UTC);
    state = parsed(LinkMessages::state("R", second));
    QCOMPARE(state.value("peak_dbfs").toDouble(), -96.3); // a number still, for the gauges
    QCOMPARE(state.value("level_db").toDouble(), 62.0);
    QCOMPARE(state.value("paused").toBool(), true);
    QCOMPARE(state.value("paused_until").toString(), QString("2026-12-11T09:00:00Z"));
}

void TestSchoolLink::discoveryNamesTheRoom()
{
    SchoolLinkConfig config;
    config.room = "Raum 1.01";
    const QList<LinkMessages::Retained> configs = LinkMessages::discovery(config);
    QVERIFY(configs.size() >= 4);
    for (const LinkMessages::Retained &retained : configs) {
        QVERIFY2(retained.topic.startsWith("homeassistant/") &&
                     retained.topic.contains("/murmlet_Raum_1_01/") &&
                     retained.topic.endsWith("/config"),
                 qPrintable(retained.topic));
        const QJsonObject object = parsed(retained.payload);
        QCOMPARE(object.value("state_topic").toString(), QString("murmlet/Raum 1.01/state"));
        QCOMPARE(object.value("availability_topic").toString(),
                 QString("murmlet/Raum 1.01/status"));
    }
}

// Written and read back; a stored room name that would change the topics is replaced by
// the computer's name, and an impossible port by the default.
void TestSchoolLink::settingsSection()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.ini");
    Settings settings([](const SettingsStore::WriteError &) { QFAIL("cannot write"); });
    settings.open(path);
    QCOMPARE(SchoolLinkConfig::load(settings).room, RoomName::computerName());
    SchoolLinkConfig config;
    config.enabled = true;
    config.host = "broker.school.example";
    config.port = 1883;
    config.tls = false;
    config.caFile = "/etc/ssl/school-ca.pem";
    config.user = "Room-101";
    config.room = "Room 101";
    config.prefix = "school/murmlet";
    config.discovery = true;
    SchoolLinkConfig::store(settings, config);
    QByteArray written;
    {
        QFile file(path); // closed again: Windows replaces no file that is open
        QVERIFY(file.open(QIODevice::ReadOnly));
        written = file.readAll();
    }
    QVERIFY(written.contains(
        "[SchoolLink]\r\nEnabled=ON\r\nHost=broker.school.example\r\nPort=1883\r\nTls=OFF\r\n"));
    QVERIFY(!written.toLower().contains("password"));
    Settings reread([](const SettingsStore::WriteError &) {});
    reread.open(path);
    QCOMPARE(SchoolLinkConfig::load(reread), config);

    settings.write(SettingsTable::SchoolLinkRoom, QString("a/#"));
    settings.write(SettingsTable::SchoolLinkPort, 70000);
    const SchoolLinkConfig repaired = SchoolLinkConfig::load(settings);
    QCOMPARE(repaired.room, RoomName::computerName());
    QCOMPARE(repaired.port, 8883);
}

void TestSchoolLink::publishesSecondsAlarmsAndStatus()
{
    auto steady = std::make_unique<SteadyDevice>();
    steady->peak = 20000;
    MicrophoneCapture capture(std::move(steady));
    RecordingPlayer player;
    ListeningSession session(capture, player);
    std::vector<RecordingLink::Message> messages;
    MqttLink::Options options;
    MqttLink::StateReport report;
    SchoolLink link(
        session, [&] { return std::make_unique<RecordingLink>(&messages, &options, &report); },
        [] { return std::optional<double>(90.0); });
    QSignalSpy states(&link, &SchoolLink::stateChanged);

    SchoolLinkConfig config;
    config.enabled = true;
    config.host = "127.0.0.1";
    config.user = "Room-101";
    config.room = "Room-101";
    config.discovery = true;
    link.apply(config, "secret");
    QCOMPARE(options.statusTopic, std::string("murmlet/Room-101/status"));
    QCOMPARE(options.password, std::string("secret"));
    QVERIFY(options.tls);
    report(MqttLink::State::Connected, "");
    QTRY_COMPARE(link.state(), SchoolLink::State::Connected);
    QVERIFY(!messages.empty() && messages.front().retain); // the discovery configs
    messages.clear();

    session.setTolerance(1);
    session.setSound(SoundChoice::Beep);
    session.setThreshold(0);
    session.start();
    session.onMeterTick();
    session.onCountTick(); // a noisy second at tolerance 1: the alarm
    QCOMPARE(messages.size(), size_t(2));
    QCOMPARE(messages[0].topic, std::string("murmlet/Room-101/state"));
    QCOMPARE(messages[0].qos, 0);
    const QJsonObject state = parsed(QByteArray::fromStdString(messages[0].payload));
    QCOMPARE(state.value("listening").toBool(), true);
    QVERIFY(state.contains("level_db"));        // calibrated
    QCOMPARE(state.value("alarms").toInt(), 1); // the second's own alarm
    QCOMPARE(messages[1].topic, std::string("murmlet/Room-101/alarm"));
    QCOMPARE(messages[1].qos, 1);
    QCOMPARE(parsed(QByteArray::fromStdString(messages[1].payload)).value("sound").toString(),
             QString("Beep"));

    report(MqttLink::State::Refused, "Not authorized");
    QTRY_COMPARE(link.state(), SchoolLink::State::Refused);
    QCOMPARE(link.reason(), QString("Not authorized"));
    report(MqttLink::State::Connecting, ""); // the refusal stays said while it tries again
    QTest::qWait(10);
    QCOMPARE(link.state(), SchoolLink::State::Refused);
    link.stop();
    QCOMPARE(link.state(), SchoolLink::State::Off);
    report(MqttLink::State::Connected, ""); // a stopped link's late report
    QTest::qWait(10);
    QCOMPARE(link.state(), SchoolLink::State::Off);
}

QTEST_MAIN(TestSchoolLink)
#include "tst_schoollink.moc"

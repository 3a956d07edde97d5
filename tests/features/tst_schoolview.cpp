// The School window's model: what it makes of every message the broker hands it, hostile
// ones first, and what it keeps per room (ten minutes of noisy seconds, the day's alarms,
// online or offline since when), sorted, filtered, bounded and coalesced.
#include "features/schoollink/linkmessages.h"
#include "features/schoolview/noisyring.h"
#include "features/schoolview/roommessage.h"
#include "features/schoolview/schoolrooms.h"
#include "monitor/decibels.h"

#include <QDateTime>
#include <QTest>

using Fault = RoomMessage::Fault;
Q_DECLARE_METATYPE(RoomMessage::Fault)

namespace {
// 07:59:00 local time on a school day; days are local here, as in the window.
const qint64 Morning = QDateTime(QDate(2026, 3, 2), QTime(7, 59)).toMSecsSinceEpoch();

// A state as the rooms' own program writes it.
QByteArray state(double peak, bool noisy = false, int alarms = 0, int threshold = 5)
{
    LinkMessages::RoomSecond second;
    second.time = QDateTime::fromMSecsSinceEpoch(Morning, Qt::UTC);
    second.peakDbfs = peak;
    second.noisy = noisy;
    second.alarms = alarms;
    second.threshold = threshold;
    second.listening = true;
    second.soundComingIn = true;
    return LinkMessages::state(QStringLiteral("ignored: the topic names the room"), second);
}

QByteArray topic(const QByteArray &room, const char *leaf = "state")
{
    return "murmlet/" + room + '/' + leaf;
}

// A valid state grown with blanks to exactly this many bytes.
QByteArray stateOfSize(qsizetype bytes)
{
    QByteArray json = state(-30.0);
    json.insert(1, QByteArray(bytes - json.size(), ' '));
    return json;
}
} // namespace

class TestSchoolView : public QObject
{
    Q_OBJECT
private slots:
    void hostileMessages_data();
    void hostileMessages();
    void roomNamesShownSafely_data();
    void roomNamesShownSafely();
    void noisyTenMinutes_data();
    void noisyTenMinutes();
    void alarmsOfTheDay_data();
    void alarmsOfTheDay();
    void onlineAndOffline();
    void floodOfOneRoomIsOneChange();
    void roomsBeyondTheBoundAreCounted();
    void sortAndFilter();
    void meterScale_data();
    void meterScale();
};

void TestSchoolView::hostileMessages_data()
{
    QTest::addColumn<QByteArray>("topic");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<Fault>("fault");

    const QByteArray room = topic("Room-101");
    const QByteArray status = topic("Room-101", "status");
    QTest::newRow("as the rooms write it") << room << state(-23.4) << Fault::None;
    QTest::newRow("4096 bytes") << room << stateOfSize(4096) << Fault::None;
    QTest::newRow("4097 bytes") << room << stateOfSize(4097) << Fault::TooLarge;
    QTest::newRow("a megabyte of garbage")
        << room << QByteArray(1 << 20, '\xff') << Fault::TooLarge;
    QTest::newRow("not JSON") << room << QByteArray("Shhh!") << Fault::NotJson;
    QTest::newRow("empty") << room << QByteArray() << Fault::NotJson;
    QTest::newRow("cut short") << room << state(-23.4).chopped(1) << Fault::NotJson;
    QTest::newRow("an array") << room << QByteArray("[-23.4]") << Fault::NotJson;
    QTest::newRow("a bare number") << room << QByteArray("-23.4") << Fault::NotJson;
    QTest::newRow("nested 2000 deep")
        << room << QByteArray(2000, '[') + QByteArray(2000, ']') << Fault::NotJson;
    QTest::newRow("NUL inside") << room << QByteArray("{\"peak_dbfs\":-3\0,\"noisy\":true}", 30)
                                << Fault::NotJson;
    QTest::newRow("no peak") << room << QByteArray(R"({"noisy":true,"threshold":5,"alarms":0})")
                             << Fault::WrongType;
    QTest::newRow("peak as text")
        << room << QByteArray(R"({"peak_dbfs":"-3","noisy":true,"threshold":5,"alarms":0})")
        << Fault::WrongType;
    QTest::newRow("peak null") << room
                               << QByteArray(
                                      R"({"peak_dbfs":null,"noisy":true,"threshold":5,"alarms":0})")
                               << Fault::WrongType;
    QTest::newRow("noisy as 1") << room
                                << QByteArray(
                                       R"({"peak_dbfs":-3,"noisy":1,"threshold":5,"alarms":0})")
                                << Fault::WrongType;
    QTest::newRow("threshold a fraction")
        << room << QByteArray(R"({"peak_dbfs":-3,"noisy":true,"threshold":2.5,"alarms":0})")
        << Fault::WrongType;
    QTest::newRow("listening as text")
        << room
        << QByteArray(R"({"peak_dbfs":-3,"noisy":true,)"
                      R"("threshold":5,"alarms":0,"listening":"yes"})")
        << Fault::WrongType;
    QTest::newRow("time a number")
        << room << QByteArray(R"({"peak_dbfs":-3,"noisy":true,"threshold":5,"alarms":0,"time":5})")
        << Fault::WrongType;
    QTest::newRow("time no date")
        << room
        << QByteArray(R"({"peak_dbfs":-3,"noisy":true,"threshold":5,"alarms":0,"time":"soon"})")
        << Fault::AbsurdValue;
    QTest::newRow("peak -200 dBFS")
        << room << QByteArray(R"({"peak_dbfs":-200,"noisy":true,"threshold":5,"alarms":0})")
        << Fault::None;
    QTest::newRow("peak +20 dBFS") << room << state(20.0) << Fault::None;
    QTest::newRow("peak -200.1 dBFS")
        << room << QByteArray(R"({"peak_dbfs":-200.1,"noisy":true,"threshold":5,"alarms":0})")
        << Fault::AbsurdValue;
    QTest::newRow("peak +20.1 dBFS") << room << state(20.1) << Fault::AbsurdValue;
    QTest::newRow("peak 1e308")
        << room << QByteArray(R"({"peak_dbfs":1e308,"noisy":true,"threshold":5,"alarms":0})")
        << Fault::AbsurdValue;
    // Beyond a double's range: the JSON parser refuses the number.
    QTest::newRow("peak 1e999")
        << room << QByteArray(R"({"peak_dbfs":1e999,"noisy":true,"threshold":5,"alarms":0})")
        << Fault::NotJson;
    QTest::newRow("threshold 11") << room << state(-3.0, true, 0, 11) << Fault::AbsurdValue;
    QTest::newRow("threshold -1") << room << state(-3.0, true, 0, -1) << Fault::AbsurdValue;
    QTest::newRow("alarms -1") << room << state(-3.0, true, -1) << Fault::AbsurdValue;
    QTest::newRow("alarms 1e300")
        << room << QByteArray(R"({"peak_dbfs":-3,"noisy":true,"threshold":5,"alarms":1e300})")
        << Fault::AbsurdValue;
    QTest::newRow("online") << status << QByteArray("online") << Fault::None;
    QTest::newRow("offline") << status << QByteArray("offline") << Fault::None;
    QTest::newRow("status in capitals") << status << QByteArray("ONLINE") << Fault::BadStatus;
    QTest::newRow("status with a newline") << status << QByteArray("online\n") << Fault::BadStatus;
    QTest::newRow("status of 5000 bytes") << status << QByteArray(5000, 'o') << Fault::TooLarge;
    QTest::newRow("another prefix")
        << QByteArray("school/Room-101/state") << state(-3.0) << Fault::UnknownTopic;
    QTest::newRow("prefix only") << QByteArray("murmlet/") << state(-3.0) << Fault::UnknownTopic;
    QTest::newRow("alarm leaf") << topic("Room-101", "alarm") << state(-3.0) << Fault::UnknownTopic;
    QTest::newRow("a level too many")
        << QByteArray("murmlet/A/B/state") << state(-3.0) << Fault::UnknownTopic;
    QTest::newRow("empty room name")
        << QByteArray("murmlet//state") << state(-3.0) << Fault::BadRoomName;
    QTest::newRow("room name of 65 bytes")
        << topic(QByteArray(65, 'a')) << state(-3.0) << Fault::BadRoomName;
    QTest::newRow("room name of 64 bytes")
        << topic(QByteArray(64, 'a')) << state(-3.0) << Fault::None;
}

// A message that fails is counted by its fault and leaves no room behind.
void TestSchoolView::hostileMessages()
{
    QFETCH(QByteArray, topic);
    QFETCH(QByteArray, payload);
    QFETCH(Fault, fault);
    SchoolRooms rooms("murmlet");
    rooms.receive(topic, payload, false, Morning);
    if (fault == Fault::None) {
        QCOMPARE(rooms.faultsInAll(), qint64(0));
        QCOMPARE(rooms.size(), 1);
        return;
    }
    QCOMPARE(rooms.faults(fault), qint64(1));
    QCOMPARE(rooms.faultsInAll(), qint64(1));
    QCOMPARE(rooms.size(), 0);
    QVERIFY(rooms.takeChanges(Morning).isEmpty());
}

void TestSchoolView::roomNamesShownSafely_data()
{
    QTest::addColumn<QByteArray>("room");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("escaped");
    QTest::newRow("plain") << QByteArray("Room 101") << "Room 101" << false;
    QTest::newRow("accents and CJK") << QString("Lärm 教室").toUtf8() << "Lärm 教室" << false;
    QTest::newRow("Arabic letters") << QString("غرفة 5").toUtf8() << "غرفة 5" << false;
    QTest::newRow("right-to-left override")
        << QString("Room%1cod.exe").arg(QChar(0x202E)).toUtf8() << "Room\\u{202E}cod.exe" << true;
    QTest::newRow("right-to-left mark")
        << QString("A%1").arg(QChar(0x200F)).toUtf8() << "A\\u{200F}" << true;
    QTest::newRow("isolate") << QString("A%1B").arg(QChar(0x2067)).toUtf8() << "A\\u{2067}B"
                             << true;
    QTest::newRow("NUL") << QByteArray("A\0B", 3) << "A\\u{0000}B" << true;
    QTest::newRow("escape sequence") << QByteArray("A\x1b[2J") << "A\\u{001B}[2J" << true;
    QTest::newRow("newline") << QByteArray("A\nB") << "A\\u{000A}B" << true;
    QTest::newRow("DEL") << QByteArray("A\x7f") << "A\\u{007F}" << true;
    QTest::newRow("C1 control") << QByteArray("A\xc2\x85") << "A\\u{0085}" << true;
    QTest::newRow("line separator") << QByteArray("A\xe2\x80\xa8") << "A\\u{2028}" << true;
    QTest::newRow("non-character") << QByteArray("A\xef\xbf\xbf") << "A\\u{FFFF}" << true;
    QTest::newRow("byte 0xFF") << QByteArray("A\xff") << "A\\x{FF}" << true;
    QTest::newRow("overlong slash") << QByteArray("A\xc0\xaf") << "A\\x{C0}\\x{AF}" << true;
    QTest::newRow("encoded surrogate")
        << QByteArray("A\xed\xa0\x80") << "A\\x{ED}\\x{A0}\\x{80}" << true;
    QTest::newRow("cut short") << QByteArray("A\xe6\x95") << "A\\x{E6}\\x{95}" << true;
    QTest::newRow("above U+10FFFF")
        << QByteArray("\xf4\x90\x80\x80") << "\\x{F4}\\x{90}\\x{80}\\x{80}" << true;
    QTest::newRow("emoji") << QByteArray("\xf0\x9f\x94\x8a")
                           << QString::fromUtf8("\xf0\x9f\x94\x8a") << false;
}

void TestSchoolView::roomNamesShownSafely()
{
    QFETCH(QByteArray, room);
    QFETCH(QString, shown);
    QFETCH(bool, escaped);
    SchoolRooms rooms("murmlet");
    rooms.receive(topic(room), state(-30.0), false, Morning);
    QCOMPARE(rooms.size(), 1);
    QCOMPARE(rooms.room(0).name, shown);
    QCOMPARE(rooms.room(0).key, room);
    QCOMPARE(rooms.escapedNames(), escaped ? 1 : 0);
}

void TestSchoolView::noisyTenMinutes_data()
{
    QTest::addColumn<QList<int>>("noisySeconds"); // seconds after Morning, each one noisy
    QTest::addColumn<int>("quietSecond");         // then one quiet message at this second
    QTest::addColumn<int>("askedAt");
    QTest::addColumn<int>("count");
    QTest::newRow("three seconds") << QList<int>{0, 1, 2} << 3 << 3 << 3;
    QTest::newRow("one second heard twice") << QList<int>{5, 5} << 6 << 6 << 1;
    QTest::newRow("599 seconds ago stays") << QList<int>{0} << 1 << 599 << 1;
    QTest::newRow("600 seconds ago is gone") << QList<int>{0} << 1 << 600 << 0;
    QTest::newRow("only the last ten minutes") << QList<int>{0, 100, 200, 700} << 701 << 701 << 2;
    QTest::newRow("a long silence clears") << QList<int>{0, 1, 2} << 3 << 5000 << 0;
    QTest::newRow("a quiet message in a noisy second keeps it") << QList<int>{10} << 10 << 10 << 1;
}

// Through the model: the window's count, also after the room falls silent.
void TestSchoolView::noisyTenMinutes()
{
    QFETCH(QList<int>, noisySeconds);
    QFETCH(int, quietSecond);
    QFETCH(int, askedAt);
    QFETCH(int, count);
    SchoolRooms rooms("murmlet");
    for (const int second : noisySeconds)
        rooms.receive(topic("A"), state(-3.0, true), false, Morning + second * 1000 + 400);
    rooms.receive(topic("A"), state(-60.0, false), false, Morning + quietSecond * 1000 + 400);
    rooms.takeChanges(Morning + askedAt * 1000 + 999);
    QCOMPARE(rooms.room(0).noisy10Minutes.count(), count);
}

void TestSchoolView::alarmsOfTheDay_data()
{
    // The room's own counts in its states, one a minute from 23:57, and the window's
    // repaint so many minutes after 23:57.
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<int>("repaintAfter");
    QTest::addColumn<int>("today");
    QTest::newRow("counting up") << QList<int>{0, 1, 1} << 2 << 1;
    QTest::newRow("first count is the day's") << QList<int>{4, 5} << 2 << 5;
    QTest::newRow("the room's program started again") << QList<int>{5, 0, 1} << 2 << 6;
    QTest::newRow("a message after midnight starts the day") << QList<int>{2, 3, 3, 4, 6} << 4 << 3;
    QTest::newRow("a repaint after midnight starts the day") << QList<int>{2, 3} << 3 << 0;
    QTest::newRow("the largest count") << QList<int>{1, 2147483647} << 2 << 2147483647;
}

void TestSchoolView::alarmsOfTheDay()
{
    QFETCH(QList<int>, counts);
    QFETCH(int, repaintAfter);
    QFETCH(int, today);
    const qint64 start = QDateTime(QDate(2026, 3, 2), QTime(23, 57)).toMSecsSinceEpoch();
    SchoolRooms rooms("murmlet");
    for (int minute = 0; minute < counts.size(); ++minute)
        rooms.receive(topic("A"), state(-30.0, false, counts[minute]), false,
                      start + minute * 60000);
    rooms.takeChanges(start + repaintAfter * 60000);
    QCOMPARE(rooms.room(0).alarmsToday, today);
}

void TestSchoolView::onlineAndOffline()
{
    SchoolRooms rooms("murmlet");
    // Retained from before: offline, since when unknown.
    rooms.receive(topic("A", "status"), "offline", true, Morning);
    QCOMPARE(rooms.room(0).online, false);
    QVERIFY(!rooms.room(0).offlineSinceMs);
    rooms.receive(topic("A", "status"), "online", false, Morning + 1000);
    QVERIFY(rooms.room(0).online);
    // The Last Will: offline since now, and a repeated one keeps the first time.
    rooms.receive(topic("A", "status"), "offline", false, Morning + 2000);
    rooms.receive(topic("A", "status"), "offline", false, Morning + 9000);
    QVERIFY(!rooms.room(0).online);
    QCOMPARE(rooms.room(0).offlineSinceMs.value_or(0), Morning + 2000);
    // A retained status taken away tells nothing.
    rooms.receive(topic("A", "status"), "", false, Morning + 10000);
    QCOMPARE(rooms.room(0).offlineSinceMs.value_or(0), Morning + 2000);
    QCOMPARE(rooms.faultsInAll(), qint64(0));
    // A room that speaks is online.
    rooms.receive(topic("A"), state(-30.0), false, Morning + 11000);
    QVERIFY(rooms.room(0).online);
    QVERIFY(!rooms.room(0).offlineSinceMs);
}

// Between two repaints a room changes once, however many messages came, and every
// message still counts.
void TestSchoolView::floodOfOneRoomIsOneChange()
{
    SchoolRooms rooms("murmlet");
    rooms.receive(topic("B"), state(-50.0), false, Morning);
    for (int i = 1; i <= 1000; ++i) {
        // Ten messages a second for 100 seconds; the room noisy every other second.
        const qint64 at = Morning + i * 100;
        rooms.receive(topic("A"), state(-40.0 + i * 0.01, (at / 1000) % 2 == 0, i / 10), false, at);
    }
    QCOMPARE(rooms.takeChanges(Morning + 100000), (QList<int>{0, 1}));
    const SchoolRooms::Room &a = rooms.room(1);
    QCOMPARE(a.name, QString("A"));
    QCOMPARE(a.peakDbfs, -30.0);
    QCOMPARE(a.alarmsToday, 100);
    // Seconds 0 to 100 heard, the even ones noisy.
    QCOMPARE(a.noisy10Minutes.count(), 51);
    QCOMPARE(rooms.messages(), qint64(1001));
    QVERIFY(rooms.takeChanges(Morning + 100500).isEmpty());
}

void TestSchoolView::roomsBeyondTheBoundAreCounted()
{
    SchoolRooms rooms("murmlet");
    for (int i = 0; i < SchoolRooms::MaximumRooms + 3; ++i)
        rooms.receive(topic("R" + QByteArray::number(i)), state(-30.0), false, Morning);
    // Rooms already shown go on; the ones left out are counted once each.
    rooms.receive(topic("R0"), state(-20.0), false, Morning + 1000);
    rooms.receive(topic("R" + QByteArray::number(SchoolRooms::MaximumRooms)), state(-20.0), false,
                  Morning + 1000);
    QCOMPARE(rooms.size(), SchoolRooms::MaximumRooms);
    QCOMPARE(rooms.leftOut(), 3);
    QCOMPARE(rooms.room(0).peakDbfs, -20.0);
    QCOMPARE(rooms.faultsInAll(), qint64(0));
}

void TestSchoolView::sortAndFilter()
{
    SchoolRooms rooms("murmlet");
    const auto names = [&rooms](const QList<int> &order) {
        QStringList shown;
        for (const int index : order)
            shown << rooms.room(index).name;
        return shown;
    };
    rooms.receive(topic("Room 10"), state(-20.0), false, Morning);
    rooms.receive(topic("room 9"), state(-10.0), false, Morning);
    rooms.receive(topic("Aula"), state(-40.0), false, Morning);
    rooms.receive(topic("Lab"), state(-5.0), false, Morning);
    rooms.receive(topic("Lab", "status"), "offline", false, Morning);
    rooms.receive(topic("Gym", "status"), "online", false, Morning);
    QCOMPARE(names(rooms.shown(SchoolRooms::Order::Name, QString())),
             (QStringList{"Aula", "Gym", "Lab", "room 9", "Room 10"}));
    // The loudest first; offline rooms and rooms not heard yet after them, by name.
    QCOMPARE(names(rooms.shown(SchoolRooms::Order::Loudness, QString())),
             (QStringList{"room 9", "Room 10", "Aula", "Gym", "Lab"}));
    QCOMPARE(names(rooms.shown(SchoolRooms::Order::Name, "ROOM")),
             (QStringList{"room 9", "Room 10"}));
    QCOMPARE(names(rooms.shown(SchoolRooms::Order::Loudness, "a")), (QStringList{"Aula", "Lab"}));
    QVERIFY(rooms.shown(SchoolRooms::Order::Name, "Hall").isEmpty());
}

void TestSchoolView::meterScale_data()
{
    QTest::addColumn<double>("dbfs");
    QTest::addColumn<int>("percent");
    QTest::newRow("silence") << LinkMessages::SilenceDbfs << 0;
    QTest::newRow("lowest") << RoomMessage::LowestDbfs << 0;
    QTest::newRow("threshold 5") << Decibels::thresholdDbfs(5) + 0.001 << 50;
    QTest::newRow("threshold 1") << Decibels::thresholdDbfs(1) + 0.001 << 10;
    QTest::newRow("full scale") << 0.0 << 100;
    QTest::newRow("highest") << RoomMessage::HighestDbfs << 100;
}

// A room's bar stands where the room's own meter would, its threshold mark too.
void TestSchoolView::meterScale()
{
    QFETCH(double, dbfs);
    QFETCH(int, percent);
    QCOMPARE(SchoolRooms::meterPercent(dbfs), percent);
    QCOMPARE(SchoolRooms::thresholdPercent(5), 50);
}

QTEST_GUILESS_MAIN(TestSchoolView)
#include "tst_schoolview.moc"

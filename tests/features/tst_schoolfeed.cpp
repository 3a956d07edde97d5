// The School window's subscription without a broker: what it asks the link for, the inbox
// that a flood fills from another thread (bounded, in order, one wake-up a batch), and the
// link's states as the window says them.
#include "features/schoolview/roommessage.h"
#include "features/schoolview/schoolfeed.h"

#include <QSignalSpy>
#include <QTest>
#include <thread>

namespace {
// Keeps what the feed asks of it; the test plays the link's thread.
class ScriptedLink : public MqttLink
{
public:
    struct Seen
    {
        std::vector<std::string> filters;
        MessageReport messages;
        Options options;
        StateReport report;
        bool stopped = false;
    };
    explicit ScriptedLink(Seen *seen) : m_seen(seen) {}
    void subscribe(const std::vector<std::string> &filters, MessageReport report) override
    {
        m_seen->filters = filters;
        m_seen->messages = std::move(report);
    }
    void start(const Options &options, StateReport report) override
    {
        m_seen->options = options;
        m_seen->report = std::move(report);
    }
    void publish(const std::string &, const std::string &, int, bool) override {}
    void stop() override { m_seen->stopped = true; }

private:
    Seen *m_seen;
};

SchoolLinkConfig link()
{
    SchoolLinkConfig config;
    config.host = QStringLiteral("broker.school.example");
    config.port = 8883;
    config.prefix = QStringLiteral("school/west");
    config.user = QStringLiteral("Room-101");
    config.readerUser = QStringLiteral("reader");
    return config;
}
} // namespace

class TestSchoolFeed : public QObject
{
    Q_OBJECT
private slots:
    void readsEveryRoomAsTheReaderWithoutAStatusOfItsOwn();
    void floodIsBoundedKeptInOrderAndWakesOncePerBatch();
    void statesAsTheWindowSaysThem();
    void withoutABrokerStaysOff();
};

void TestSchoolFeed::readsEveryRoomAsTheReaderWithoutAStatusOfItsOwn()
{
    ScriptedLink::Seen seen;
    SchoolFeed feed([&seen] { return std::make_unique<ScriptedLink>(&seen); });
    const SchoolLinkConfig config = link();
    feed.start(config, config.readerUser, QStringLiteral("secret"));
    QCOMPARE(seen.filters,
             (std::vector<std::string>{"school/west/+/state", "school/west/+/status"}));
    QCOMPARE(seen.options.user, std::string("reader"));
    QCOMPARE(seen.options.password, std::string("secret"));
    // A reader never speaks for a room: no status of its own, and so no Last Will.
    QVERIFY(seen.options.statusTopic.empty());
    QCOMPARE(seen.options.payloadLimit, std::size_t(RoomMessage::MaximumPayloadBytes));
    feed.stop();
    QVERIFY(seen.stopped);
}

void TestSchoolFeed::floodIsBoundedKeptInOrderAndWakesOncePerBatch()
{
    ScriptedLink::Seen seen;
    SchoolFeed feed([&seen] { return std::make_unique<ScriptedLink>(&seen); });
    feed.start(link(), QStringLiteral("reader"), QString());
    QSignalSpy waiting(&feed, &SchoolFeed::messagesWaiting);
    const std::size_t sent = SchoolFeed::InboxLimit + 5000;
    std::thread linkThread([&] {
        for (std::size_t i = 0; i < sent; ++i)
            seen.messages("school/west/Room-" + std::to_string(i) + "/state", "{}", i == 0);
    });
    linkThread.join();
    QTRY_COMPARE(waiting.size(), 1);
    QTest::qWait(2 * SchoolFeed::GatherMs);
    QCOMPARE(waiting.size(), 1);
    const std::vector<SchoolFeed::Message> taken = feed.take();
    QCOMPARE(taken.size(), SchoolFeed::InboxLimit);
    QCOMPARE(feed.dropped(), quint64(5000));
    QCOMPARE(taken.front().topic, QByteArray("school/west/Room-0/state"));
    QVERIFY(taken.front().retained);
    QCOMPARE(taken.back().topic, "school/west/Room-" +
                                     QByteArray::number(qulonglong(SchoolFeed::InboxLimit - 1)) +
                                     "/state");
    // Emptied, the inbox wakes the window again with the next message.
    seen.messages("school/west/Aula/status", "online", false);
    QTRY_COMPARE(waiting.size(), 2);
    QCOMPARE(feed.take().size(), std::size_t(1));
}

void TestSchoolFeed::statesAsTheWindowSaysThem()
{
    ScriptedLink::Seen seen;
    SchoolFeed feed([&seen] { return std::make_unique<ScriptedLink>(&seen); });
    feed.start(link(), QStringLiteral("reader"), QStringLiteral("wrong"));
    QSignalSpy changes(&feed, &SchoolFeed::stateChanged);
    seen.report(MqttLink::State::Connecting, "");
    seen.report(MqttLink::State::Refused, "Not authorized");
    // A refusal stays said while the link tries again.
    seen.report(MqttLink::State::Connecting, "");
    QTRY_COMPARE(changes.size(), 2);
    QTest::qWait(50);
    QCOMPARE(changes.size(), 2);
    QCOMPARE(feed.state(), SchoolLink::State::Refused);
    QCOMPARE(feed.reason(), QString("Not authorized"));
    seen.report(MqttLink::State::Connected, "");
    QTRY_COMPARE(feed.state(), SchoolLink::State::Connected);
    feed.stop();
    QCOMPARE(feed.state(), SchoolLink::State::Off);
    // A late report of the stopped link changes nothing.
    seen.report(MqttLink::State::Offline, "The connection was lost.");
    QTest::qWait(50);
    QCOMPARE(feed.state(), SchoolLink::State::Off);
}

void TestSchoolFeed::withoutABrokerStaysOff()
{
    int made = 0;
    SchoolFeed feed([&made] {
        ++made;
        return nullptr;
    });
    SchoolLinkConfig config = link();
    config.host.clear();
    feed.start(config, QStringLiteral("reader"), QString());
    QCOMPARE(made, 0);
    QCOMPARE(feed.state(), SchoolLink::State::Off);
    // Without the link module the window says so.
    config.host = QStringLiteral("broker.school.example");
    feed.start(config, QStringLiteral("reader"), QString());
    QCOMPARE(feed.state(), SchoolLink::State::Offline);
    QCOMPARE(feed.reason(), QString("the link module is missing"));
}

QTEST_GUILESS_MAIN(TestSchoolFeed)
#include "tst_schoolfeed.moc"

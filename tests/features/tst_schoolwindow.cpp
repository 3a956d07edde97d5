// View > School, fed through its model as the broker's messages would feed it: rooms
// appear as tiles, sort and filter, go offline, hostile messages are counted, a flood
// repaints the tiles at most four times a second, and the window keeps its place.
#include "base/settings.h"
#include "features/schoollink/linkmessages.h"
#include "features/schoolview/schooltiles.h"
#include "features/schoolview/schoolviewaction.h"
#include "features/schoolview/schoolwindow.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString same(const QString &text)
{
    return text;
}

QByteArray state(double peak, bool noisy = false, int alarms = 0)
{
    LinkMessages::RoomSecond second;
    second.time = QDateTime::currentDateTimeUtc();
    second.peakDbfs = peak;
    second.noisy = noisy;
    second.alarms = alarms;
    second.threshold = 5;
    second.listening = true;
    second.soundComingIn = true;
    return LinkMessages::state(QStringLiteral("room"), second);
}

QByteArray topic(const QString &room, const char *leaf = "state")
{
    return "murmlet/" + room.toUtf8() + '/' + leaf;
}
} // namespace

class TestSchoolWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void roomsSortFilterAndGoOffline();
    void hostileMessagesAreCountedAndShownSafely();
    void floodRepaintsAtMostFourTimesASecond();
    void keepsPlaceSizeAndOrder();
    void viewMenuEntryUsesTheLinksPrefix();

private:
    QStringList shownNames(const SchoolWindow &window) const
    {
        QStringList names;
        for (const int index : window.tiles()->order())
            names << window.tiles()->tileTexts(index).at(0);
        return names;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Settings> m_settings;
};

void TestSchoolWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_settings = std::make_unique<Settings>(
        [](const SettingsStore::WriteError &) { QFAIL("cannot write"); });
    m_settings->open(m_dir->filePath("settings.ini"));
}

void TestSchoolWindow::cleanup()
{
    m_settings.reset();
    m_dir.reset();
}

void TestSchoolWindow::roomsSortFilterAndGoOffline()
{
    SchoolWindow window(*m_settings, same, "murmlet");
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Thirty rooms, Room 30 the loudest, Room 1 the quietest.
    for (int i = 1; i <= 30; ++i) {
        window.receive(topic(QStringLiteral("Room %1").arg(i), "status"), "online", true);
        window.receive(topic(QStringLiteral("Room %1").arg(i)), state(-60.0 + i), false);
    }
    window.takeChanges();
    QStringList byName;
    for (int i = 1; i <= 30; ++i)
        byName << QStringLiteral("Room %1").arg(i);
    QCOMPARE(shownNames(window), byName);
    QCOMPARE(window.findChild<QLabel *>("SchoolNote")->text(), QString("30 rooms"));

    auto *order = window.findChild<QComboBox *>("SchoolOrder");
    order->setCurrentIndex(1);
    QCOMPARE(shownNames(window).first(), QString("Room 30"));
    QCOMPARE(shownNames(window).last(), QString("Room 1"));
    // Room 2 grows loud; by loudness it moves up at the next repaint.
    window.receive(topic("Room 2"), state(-3.0, true), false);
    window.takeChanges();
    QCOMPARE(shownNames(window).first(), QString("Room 2"));

    QTest::keyClicks(window.findChild<QLineEdit *>("SchoolFilter"), "room 1");
    QCOMPARE(shownNames(window),
             (QStringList{"Room 19", "Room 18", "Room 17", "Room 16", "Room 15", "Room 14",
                          "Room 13", "Room 12", "Room 11", "Room 10", "Room 1"}));
    window.findChild<QLineEdit *>("SchoolFilter")->clear();

    // The Last Will: offline since the time it came, greyed and sorted last.
    window.receive(topic("Room 30", "status"), "offline", false);
    window.takeChanges();
    QCOMPARE(shownNames(window).last(), QString("Room 30"));
    const int room30 = window.tiles()->order().last();
    QVERIFY2(window.tiles()->tileTexts(room30).at(2).startsWith("Offline since "),
             qPrintable(window.tiles()->tileTexts(room30).at(2)));
    QCOMPARE(window.tiles()->tileTexts(room30).at(2),
             "Offline since " + QTime::currentTime().toString("HH:mm"));
    QCOMPARE(window.tiles()->tileTexts(window.tiles()->order().first()).at(1),
             QString("Noisy: 1 s in 10 min · Alarms today: 0"));
}

void TestSchoolWindow::hostileMessagesAreCountedAndShownSafely()
{
    SchoolWindow window(*m_settings, same, "murmlet");
    window.show();
    window.receive(topic(QString("Room%1cod.exe").arg(QChar(0x202E))), state(-20.0), false);
    window.receive(topic("Lab"), "not json", false);
    window.receive(topic("Lab"), QByteArray(100000, '{'), false);
    window.receive(topic("Lab"), R"({"peak_dbfs":1e308,"noisy":true,"threshold":5,"alarms":0})",
                   false);
    window.takeChanges();
    QCOMPARE(shownNames(window), QStringList{"Room\\u{202E}cod.exe"});
    QCOMPARE(window.noteText(), QString("1 rooms · 3 messages ignored"));
    QVERIFY(window.tiles()->grab().width() > 0); // paints
}

// Ten thousand messages over 500 rooms, sent at up to ten a millisecond (a slow build
// takes longer, which the bound allows for): the tiles repaint on the timer only, at most
// once for every 250 ms that passed.
void TestSchoolWindow::floodRepaintsAtMostFourTimesASecond()
{
    SchoolWindow window(*m_settings, same, "murmlet");
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();
    const int before = window.tiles()->paints();
    QElapsedTimer clock;
    clock.start();
    int sent = 0;
    while (sent < 10000) {
        if (sent < clock.elapsed() * 10) {
            for (int i = 0; i < 100; ++i, ++sent)
                window.receive(topic(QStringLiteral("Room %1").arg(sent % 500)),
                               state(-40.0 + sent % 30, sent % 2), false);
        }
        QCoreApplication::processEvents();
    }
    const qint64 elapsed = clock.elapsed();
    const int paints = window.tiles()->paints() - before;
    qInfo("%d messages in %lld ms, %d repaints", sent, elapsed, paints);
    QVERIFY2(paints >= 2 && paints <= elapsed / SchoolWindow::RepaintMs + 1,
             qPrintable(QStringLiteral("%1 repaints in %2 ms").arg(paints).arg(elapsed)));
    QCOMPARE(window.rooms().size(), 500);
}

void TestSchoolWindow::keepsPlaceSizeAndOrder()
{
    {
        SchoolWindow window(*m_settings, same, "murmlet");
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.move(60, 50);
        window.resize(500, 400);
        window.findChild<QComboBox *>("SchoolOrder")->setCurrentIndex(1);
        window.close();
    }
    QCOMPARE(m_settings->read(SettingsTable::SchoolViewOrder), QString("Loudness"));
    SchoolWindow window(*m_settings, same, "murmlet");
    QCOMPARE(window.size(), QSize(500, 400));
    QCOMPARE(window.pos(), QPoint(60, 50));
    QCOMPARE(window.findChild<QComboBox *>("SchoolOrder")->currentIndex(), 1);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.pos(), QPoint(60, 50));

    // A place off every screen is not kept; the size is.
    m_settings->write(SettingsTable::SchoolViewGeometry, QString("-90000,-90000,640,300"));
    SchoolWindow lost(*m_settings, same, "murmlet");
    lost.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lost));
    QCOMPARE(lost.size(), QSize(640, 300));
    QVERIFY(lost.screen()->availableGeometry().contains(lost.geometry().center()));
}

void TestSchoolWindow::viewMenuEntryUsesTheLinksPrefix()
{
    m_settings->write(SettingsTable::SchoolLinkPrefix, QString("school/a"));
    SchoolViewAction action(*m_settings, same);
    QCOMPARE(action.objectName(), QString("School1"));
    action.trigger();
    QVERIFY(action.window()->isVisible());
    action.window()->receive("school/a/Aula/state", state(-20.0), false);
    action.window()->receive(topic("Lab"), state(-20.0), false);
    action.window()->takeChanges();
    QCOMPARE(shownNames(*action.window()), QStringList{"Aula"});
}

QTEST_MAIN(TestSchoolWindow)
#include "tst_schoolwindow.moc"

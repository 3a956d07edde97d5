// View > School against the real broker of engines.sh: the window reads with the reader
// account (its password from the secret store, as the School Link settings keep it), and
// rooms publishing through the program's own link appear as tiles, sort by loudness and
// by name, filter, go offline on their Last Will, and a hostile message is counted. The
// reader's account is also given as a user gives it, in the School Link dialog.
#include "base/settings.h"
#include "features/schoollink/linkmodule.h"
#include "features/schoollink/schoollinkaction.h"
#include "features/schoollink/schoollinkconfig.h"
#include "features/schoolview/schoolfeed.h"
#include "features/schoolview/schooltiles.h"
#include "features/schoolview/schoolviewaction.h"
#include "features/schoolview/schoolwindow.h"
#include "monitor/microphonecapture.h"
#include "session/listeningsession.h"
#include "support/fakes.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
QString same(const QString &text)
{
    return text;
}

QString env(const char *name)
{
    return qEnvironmentVariable(name);
}

// Keeps a secret as Settings > School Link... does.
bool keepSecret(const QString &key, const QString &secret)
{
    const std::unique_ptr<SecretStore> store = LinkModule::createSecretStore();
    bool kept = false, answered = false;
    store->write(key.toStdString(), secret.toStdString(), [&](bool ok, const std::string &) {
        kept = ok;
        answered = true;
    });
    QDeadlineTimer deadline(10000);
    while (!answered && !deadline.hasExpired())
        QTest::qWait(20);
    return kept;
}
} // namespace

class TestSchoolView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void roomsFromTheBroker();
    void wrongReaderPasswordIsSaid();
    void readerAccountFromTheSchoolLinkDialog();

private:
    QProcess *room(const QStringList &arguments);
    QStringList shownNames() const;
    void writeLink(const QString &readerPassword);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<SchoolViewAction> m_action;
    std::vector<std::unique_ptr<QProcess>> m_rooms;
};

void TestSchoolView::initTestCase()
{
    if (env("MURMLET_SCHOOL_TLS_PORT").isEmpty())
        QSKIP("needs the engines of tests/school/engines.sh");
    QVERIFY2(LinkModule::load(), qPrintable(LinkModule::error()));
}

void TestSchoolView::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_settings = std::make_unique<Settings>(
        [](const SettingsStore::WriteError &) { QFAIL("cannot write"); });
    m_settings->open(m_dir->filePath("settings.ini"));
}

void TestSchoolView::cleanup()
{
    for (auto &process : m_rooms) {
        process->kill();
        process->waitForFinished();
    }
    m_rooms.clear();
    m_action.reset();
    m_settings.reset();
    m_dir.reset();
}

// The link as an office computer has it: the rooms' broker over TLS, the reader account.
void TestSchoolView::writeLink(const QString &readerPassword)
{
    SchoolLinkConfig config;
    config.host = QStringLiteral("127.0.0.1");
    config.port = env("MURMLET_SCHOOL_TLS_PORT").toInt();
    config.caFile = env("MURMLET_SCHOOL_CA");
    config.readerUser = QStringLiteral("reader");
    config.room = QStringLiteral("Office");
    SchoolLinkConfig::store(*m_settings, config);
    QVERIFY(keepSecret(config.readerSecretKey(), readerPassword));
}

QProcess *TestSchoolView::room(const QStringList &arguments)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(env("MURMLET_SCHOOL_LOAD"), QStringList{"--port", env("MURMLET_SCHOOL_TLS_PORT"),
                                                           "--ca", env("MURMLET_SCHOOL_CA")} +
                                                   arguments);
    m_rooms.push_back(std::move(process));
    return m_rooms.back().get();
}

QStringList TestSchoolView::shownNames() const
{
    QStringList names;
    SchoolWindow *window = m_action->window();
    for (const int index : window->tiles()->order())
        names << window->tiles()->tileTexts(index).at(0);
    return names;
}

void TestSchoolView::roomsFromTheBroker()
{
    writeLink(env("MURMLET_SCHOOL_READER_PASSWORD"));
    m_action = std::make_unique<SchoolViewAction>(*m_settings, same);
    m_action->trigger();
    SchoolWindow *window = m_action->window();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    auto *note = window->findChild<QLabel *>("SchoolNote");
    QTRY_VERIFY_WITH_TIMEOUT(note->text().startsWith("School link: connected"), 10000);

    // Room-101 quiet, Room-102 loud, each logged in as itself.
    room({"--password", env("MURMLET_SCHOOL_ROOM_A_PASSWORD"), "--room", "Room-101:-40"});
    QProcess *loud =
        room({"--password", env("MURMLET_SCHOOL_ROOM_B_PASSWORD"), "--room", "Room-102:-4"});
    QTRY_COMPARE_WITH_TIMEOUT(shownNames(), (QStringList{"Room-101", "Room-102"}), 10000);
    const SchoolRooms &rooms = window->rooms();
    const int quietIndex = rooms.room(0).key == "Room-101" ? 0 : 1, loudIndex = 1 - quietIndex;
    const SchoolRooms::Room &quietRoom = rooms.room(quietIndex), &loudRoom = rooms.room(loudIndex);
    QTRY_VERIFY_WITH_TIMEOUT(quietRoom.heard && loudRoom.heard, 5000);
    QVERIFY(quietRoom.online && loudRoom.online);

    auto *order = window->findChild<QComboBox *>("SchoolOrder");
    order->setCurrentIndex(1);
    QCOMPARE(shownNames(), (QStringList{"Room-102", "Room-101"}));
    order->setCurrentIndex(0);
    QCOMPARE(shownNames(), (QStringList{"Room-101", "Room-102"}));
    QTest::keyClicks(window->findChild<QLineEdit *>("SchoolFilter"), "102");
    QCOMPARE(shownNames(), QStringList{"Room-102"});
    window->findChild<QLineEdit *>("SchoolFilter")->clear();

    // Killed, the loud room says nothing more; the broker says its Last Will for it.
    loud->kill();
    QTRY_VERIFY_WITH_TIMEOUT(!loudRoom.online, 10000);
    QVERIFY(loudRoom.offlineSinceMs.has_value());
    QTRY_VERIFY_WITH_TIMEOUT(
        window->tiles()->tileTexts(loudIndex).join(' ').contains("Offline since"), 2000);
    QVERIFY(quietRoom.online);

    // A state far over the size cap, through the broker: counted, never parsed, the
    // room keeps its last reading.
    const qint64 before = rooms.faults(RoomMessage::Fault::TooLarge);
    room({"--password", env("MURMLET_SCHOOL_ROOM_A_PASSWORD"), "--room", "Room-101:-40", "--junk",
          QString::number(4 << 20)});
    QTRY_VERIFY_WITH_TIMEOUT(rooms.faults(RoomMessage::Fault::TooLarge) > before, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(note->text().contains("messages ignored"), 2000);
    QCOMPARE(rooms.size(), 2);
}

void TestSchoolView::wrongReaderPasswordIsSaid()
{
    writeLink(QStringLiteral("not the reader's password"));
    m_action = std::make_unique<SchoolViewAction>(*m_settings, same);
    m_action->trigger();
    auto *note = m_action->window()->findChild<QLabel *>("SchoolNote");
    QTRY_COMPARE_WITH_TIMEOUT(note->text(),
                              QString("School link: refused (Not authorized) · 0 rooms"), 10000);
}

void TestSchoolView::readerAccountFromTheSchoolLinkDialog()
{
    MicrophoneCapture capture(std::make_unique<SteadyDevice>());
    RecordingPlayer player;
    ListeningSession session(capture, player);
    QWidget mainWindow;
    SchoolLinkAction link(session, *m_settings, same, &mainWindow);
    // The office's settings, typed into the dialog once it shows; the room's own link
    // stays off.
    QTimer filler;
    connect(&filler, &QTimer::timeout, this, [&filler] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        filler.stop();
        const auto type = [dialog](const char *name, const QString &text) {
            auto *edit = dialog->findChild<QLineEdit *>(name);
            QVERIFY(edit);
            edit->clear();
            QTest::keyClicks(edit, text);
        };
        type("LinkHost", "127.0.0.1");
        dialog->findChild<QSpinBox *>("LinkPort")->setValue(env("MURMLET_SCHOOL_TLS_PORT").toInt());
        type("LinkCaFile", env("MURMLET_SCHOOL_CA"));
        type("LinkRoom", "Office");
        type("LinkReaderUser", "reader");
        type("LinkReaderPassword", env("MURMLET_SCHOOL_READER_PASSWORD"));
        QTest::mouseClick(dialog->findChild<QPushButton *>("ButtonOK"), Qt::LeftButton);
    });
    filler.start(50);
    link.editLink();
    QCOMPARE(m_settings->read(SettingsTable::SchoolLinkReaderUser), QString("reader"));
    QCOMPARE(link.link().state(), SchoolLink::State::Off);
    // The dialog hands the password to the store and does not wait for it.
    const std::unique_ptr<SecretStore> store = LinkModule::createSecretStore();
    std::string kept;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            store->read(SchoolLinkConfig::load(*m_settings).readerSecretKey().toStdString(),
                        [&kept](const SecretStore::Reading &reading) { kept = reading.secret; });
            QTest::qWait(100);
            return kept == env("MURMLET_SCHOOL_READER_PASSWORD").toStdString();
        }(),
        10000);

    m_action = std::make_unique<SchoolViewAction>(*m_settings, same);
    m_action->trigger();
    auto *note = m_action->window()->findChild<QLabel *>("SchoolNote");
    QTRY_VERIFY_WITH_TIMEOUT(note->text().startsWith("School link: connected"), 10000);
    // The password lives in the secret store, never in the settings file.
    QFile file(m_dir->filePath("settings.ini"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(!file.readAll().contains(env("MURMLET_SCHOOL_READER_PASSWORD").toUtf8()));
}

QTEST_MAIN(TestSchoolView)
#include "tst_school_view.moc"

#include "update/downloadaddress.h"
#include "update/postform.h"
#include "update/systeminfo.h"
#include "update/updatecheck.h"
#include "update/updateworker.h"
#include "web/webserver.h"

#ifndef Q_OS_WIN
#include "update/postprocess.h"
#endif

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <thread>

#ifdef Q_OS_LINUX
#include <cstring>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {
const QString Today = QStringLiteral("10.12.26");

QString reply(const QString &version, const QString &result = "1",
              const QString &url = "https://downloads.example/murmlet.zip")
{
    return "<version>" + version + "</version>\r\n<url>" + url +
           "</url>\r\n<date>2026-12-01</date>\r\n<result>" + result + "</result>\r\n";
}
// A check whose service answers with reply at once, without the network.
UpdateCheckSetup offlineSetup(const QString &storeFile, const QString &answer)
{
    UpdateCheckSetup setup;
    setup.service.httpsBase = "https://127.0.0.1:1";
    setup.service.httpBase = "http://127.0.0.1:1";
    setup.service.post = [answer](const QString &, const QStringList &, const std::atomic<bool> *) {
        return answer;
    };
    setup.openStore = [storeFile] { return UpdateStore::openFile(storeFile); };
    setup.today = [] { return Today; };
    setup.machineId = [] { return std::optional<QString>(QString("id")); };
    setup.localeCode = [] { return QString("en-US"); };
    setup.osDescription = [] { return QString("os"); };
    return setup;
}

// The post as the program makes it on this system: through the helper process here, in
// this process on Windows.
decltype(WebService::post) programsPost(const PostForm &form)
{
#ifdef Q_OS_WIN
    return [form](const QString &a, const QStringList &f, const std::atomic<bool> *cancel) {
        return form.post(a, f, cancel);
    };
#else
    return [poster = PostProcess(MURMLET_POST_HELPER, form)](const QString &a, const QStringList &f,
                                                             const std::atomic<bool> *cancel) {
        return poster.post(a, f, cancel);
    };
#endif
}

#ifdef Q_OS_LINUX
// While it lives, this thread meets file permissions as an ordinary user does: a test
// run as root gives up its power to read and write any file (the effective
// capabilities are the thread's own).
class OrdinaryFileRights
{
public:
    OrdinaryFileRights()
    {
        if (syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2];
        std::memcpy(reduced, m_saved, sizeof reduced);
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_reduced = syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~OrdinaryFileRights()
    {
        if (m_reduced)
            syscall(SYS_capset, &m_header, m_saved);
    }
    OrdinaryFileRights(const OrdinaryFileRights &) = delete;
    OrdinaryFileRights &operator=(const OrdinaryFileRights &) = delete;

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_reduced = false;
};
#endif
} // namespace

class TestUpdateCheck : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void run_data();
    void run();
    void requestFields();
    void workerThreadHandsOverTheResult();
    void workerEndsWithinTheExitWait_data();
    void workerEndsWithinTheExitWait();
    void stuckRunIsLeftAfterTheExitWait();
    void unreadableStoreIsLeftAlone();
    void everyErrorEndsTheCheck_data();
    void everyErrorEndsTheCheck();
    void extractTag_data();
    void extractTag();
    void downloadAddress_data();
    void downloadAddress();
    void machineIdIsDerived();
    void logCheckError();

private:
    std::unique_ptr<WebServer> m_server;
};

void TestUpdateCheck::initTestCase()
{
    if (const QString why = WebServer::unavailableReason(); !why.isEmpty())
        QSKIP(qPrintable(why));
    m_server = std::make_unique<WebServer>();
    QVERIFY(m_server->isRunning());
}

// One whole check run against the local service, with a store of its own.
void TestUpdateCheck::run_data()
{
    QTest::addColumn<QStringList>("store"); // "Name=Value" before the run
    QTest::addColumn<QString>("appVersion");
    QTest::addColumn<QString>("answer"); // the service's reply
    QTest::addColumn<QString>(
        "roads"); // which roads reach the service: "https", "http", "both", "none"
    QTest::addColumn<bool>("machineIdFails");
    QTest::addColumn<int>("requests"); // requests that reached the service
    QTest::addColumn<bool>("announced");
    QTest::addColumn<QString>("count"); // LastUpdateCheckCount afterwards ("" = absent)
    QTest::addColumn<QString>("howMany");

    const QString newer = reply("2.0");
    QTest::newRow("first run announces a newer version")
        << QStringList() << "1.1" << newer << "https" << false << 1 << true << "1"
        << "1";
    QTest::newRow("ShowUpdate 0 sends nothing and still counts the run")
        << QStringList{"ShowUpdate=0"} << "1.1" << newer << "https" << false << 0 << false << ""
        << "1";
    QTest::newRow("ShowUpdate 2 records the reply, never announces")
        << QStringList{"ShowUpdate=2"} << "1.1" << newer << "https" << false << 1 << false << "1"
        << "1";
    QTest::newRow("ShowUpdate text counts as 1")
        << QStringList{"ShowUpdate=yes"} << "1.1" << newer << "https" << false << 1 << true << "1"
        << "1";
    QTest::newRow("five replies today: nothing sent")
        << QStringList{"LastUpdateCheck=" + Today, "LastUpdateCheckCount=5"} << "1.1" << newer
        << "https" << false << 0 << false << "5"
        << "1";
    QTest::newRow("the fifth reply of a day is recorded, not announced")
        << QStringList{"LastUpdateCheck=" + Today, "LastUpdateCheckCount=4"} << "1.1" << newer
        << "https" << false << 1 << false << "5"
        << "1";
    QTest::newRow("the fourth reply of a day is announced")
        << QStringList{"LastUpdateCheck=" + Today, "LastUpdateCheckCount=3"} << "1.1" << newer
        << "https" << false << 1 << true << "4"
        << "1";
    QTest::newRow("a changed date format starts the day count again")
        << QStringList{"LastUpdateCheck=2026-12-10", "LastUpdateCheckCount=5"} << "1.1" << newer
        << "https" << false << 1 << true << "1"
        << "1";
    QTest::newRow("same version not announced")
        << QStringList() << "1.1" << reply("1.1") << "https" << false << 1 << false << "1"
        << "1";
    QTest::newRow("lower version announced")
        << QStringList() << "1.1" << reply("1.0") << "https" << false << 1 << true << "1"
        << "1";
    QTest::newRow("version with letters not announced")
        << QStringList() << "1.1" << reply("2.0b") << "https" << false << 1 << false << "1"
        << "1";
    QTest::newRow("version too long for 32 bits not announced")
        << QStringList() << "1.1" << reply("99999.99999") << "https" << false << 1 << false << "1"
        << "1";
    QTest::newRow("blank after the closing mark: no version")
        << QStringList() << "1.1" << QString(reply("2.0")).replace("</version>", "</version> ")
        << "https" << false << 1 << false << "1"
        << "1";
    QTest::newRow("capitalised tag: no version")
        << QStringList() << "1.1" << QString(reply("2.0")).replace("version>", "VERSION>")
        << "https" << false << 1 << false << "1"
        << "1";
    QTest::newRow("ERROR reply discarded")
        << QStringList() << "1.1"
        << "ERROR: database busy\r\n" + newer << "https" << false << 1 << false << ""
        << "1";
    QTest::newRow("three-line reply discarded")
        << QStringList() << "1.1" << newer.section("\r\n", 0, 2) << "https" << false << 1 << false
        << ""
        << "1";
    QTest::newRow("result 0 processed like 1")
        << QStringList() << "1.1" << reply("2.0", "0") << "https" << false << 1 << true << "1"
        << "1";
    QTest::newRow("result 2 discarded")
        << QStringList() << "1.1" << reply("2.0", "2") << "https" << false << 1 << false << ""
        << "1";
    QTest::newRow("https fails, http answers, an earlier failure no longer blocks")
        << QStringList() << "1.1" << newer << "http" << true << 1 << true << "1"
        << "1";
    QTest::newRow("a failure before a secure answer discards it")
        << QStringList() << "1.1" << newer << "https" << true << 1 << false << ""
        << "1";
    QTest::newRow("both roads fail")
        << QStringList() << "1.1" << newer << "none" << false << 0 << false << ""
        << "1";
    QTest::newRow("negative HowMany counts as 0")
        << QStringList{"HowMany=-4", "InstalledVersion=1.1"} << "1.1" << newer << "https" << false
        << 1 << true << "1"
        << "1";
    QTest::newRow("HowMany counts the runs of a version")
        << QStringList{"HowMany=7", "InstalledVersion=1.1"} << "1.1" << newer << "https" << false
        << 1 << true << "1"
        << "8";
    QTest::newRow("a new version restarts HowMany")
        << QStringList{"HowMany=7", "InstalledVersion=1.0"} << "1.1" << newer << "https" << false
        << 1 << true << "1"
        << "1";
}

void TestUpdateCheck::run()
{
    QFETCH(QStringList, store);
    QFETCH(QString, appVersion);
    QFETCH(QString, answer);
    QFETCH(QString, roads);
    QFETCH(bool, machineIdFails);
    QFETCH(int, requests);
    QFETCH(bool, announced);
    QFETCH(QString, count);
    QFETCH(QString, howMany);

    QTemporaryDir dir;
    const QString storeFile = dir.filePath("updates.ini");
    {
        const auto prepared = UpdateStore::openFile(storeFile);
        for (const QString &entry : store)
            prepared->writeString(entry.section('=', 0, 0), entry.section('=', 1));
    }
    m_server->setReply("/php/check2.php", 200, answer, "text/plain; charset=utf-8");
    m_server->clearRequests();

    UpdateCheckSetup setup;
    const bool secure = roads == "https" || roads == "both";
    const bool plain = roads == "http" || roads == "both";
    setup.service.httpsBase = secure ? m_server->httpsBase() : "https://127.0.0.1:1";
    setup.service.httpBase = plain ? m_server->httpBase() : "http://127.0.0.1:1";
    setup.openStore = [storeFile] { return UpdateStore::openFile(storeFile); };
    const PostForm poster(3000, 3000, m_server->caFile());
    setup.service.post = [&poster](const QString &address, const QStringList &fields,
                                   const std::atomic<bool> *cancel) {
        return poster.post(address, fields, cancel);
    };
    setup.today = [] { return Today; };
    setup.machineId = [machineIdFails]() -> std::optional<QString> {
        if (machineIdFails)
            return std::nullopt;
        return QString("0b8a3c5e-1f2d-4e6a-9b7c-0d1e2f3a4b5c");
    };
    setup.localeCode = [] { return QString("de-DE"); };
    setup.osDescription = [] {
        return QString("Debian GNU/Linux 12 (Version 6.1, Build 0, 64-bit Edition)");
    };

    auto state = std::make_shared<CheckState>();
    UpdateCheck(setup, "TAMBRIX - Murmlet", appVersion, state).run();

    QVERIFY(state->checkDone.load());
    QCOMPARE(m_server->requests().size(), requests);
    QCOMPARE(state->newVersionAvailable, announced);
    const auto after = UpdateStore::openFile(storeFile);
    QCOMPARE(after->readString("LastUpdateCheckCount"), count);
    QCOMPARE(after->readString("LastUpdateCheck"),
             count.isEmpty() ? store.filter("LastUpdateCheck=").value(0).section('=', 1) : Today);
    QCOMPARE(after->readString("HowMany"), howMany);
    QCOMPARE(after->readString("InstalledVersion"), appVersion);
    if (announced) {
        QCOMPARE(state->downloadUrl, QString("https://downloads.example/murmlet.zip"));
        QVERIFY(!state->latestVersion.isEmpty());
    }
    qInfo() << "log:" << state->errorLog;
}

void TestUpdateCheck::requestFields()
{
    QTemporaryDir dir;
    m_server->setReply("/php/check2.php", 200, reply("2.0"));
    m_server->clearRequests();
    UpdateCheckSetup setup;
    setup.service.httpsBase = m_server->httpsBase();
    setup.service.httpBase = m_server->httpBase();
    setup.openStore = [&] { return UpdateStore::openFile(dir.filePath("updates.ini")); };
    const PostForm poster(3000, 3000, m_server->caFile());
    setup.service.post = [&poster](const QString &a, const QStringList &f,
                                   const std::atomic<bool> *cancel) {
        return poster.post(a, f, cancel);
    };
    setup.today = [] { return Today; };
    setup.machineId = [] { return std::optional<QString>(QString()); };
    setup.localeCode = [] { return QString("pt-BR"); };
    setup.osDescription = [] {
        return QString("Linux & Co (Version 6.1, Build 0, 64-bit Edition)");
    };
    UpdateCheck(setup, "TAMBRIX - Murmlet", "1.1", std::make_shared<CheckState>()).run();

    const QList<WebServer::Request> seen = m_server->requests();
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen[0].path, QString("/php/check2.php"));
    const QList<QPair<QString, QString>> expected{
        {"cmd", "check"},   {"appname", "TAMBRIX - Murmlet"},
        {"version", "1.1"}, {"os", "Linux & Co (Version 6.1, Build 0, 64-bit Edition)"},
        {"local", "pt-BR"}, {"guid", ""}, // sent also when empty
        {"howmany", "1"},
    };
    QCOMPARE(seen[0].form, expected);
}

// The run on its own thread: the result is read only after the flag is seen.
void TestUpdateCheck::workerThreadHandsOverTheResult()
{
    QTemporaryDir dir;
    m_server->setReply("/php/check2.php", 200, reply("3.2"));
    UpdateCheckSetup setup;
    setup.service.httpsBase = m_server->httpsBase();
    setup.service.httpBase = m_server->httpBase();
    setup.openStore = [path = dir.filePath("updates.ini")] { return UpdateStore::openFile(path); };
    setup.service.post = [poster = PostForm(3000, 3000, m_server->caFile())](
                             const QString &a, const QStringList &f,
                             const std::atomic<bool> *cancel) { return poster.post(a, f, cancel); };
    setup.today = [] { return Today; };
    setup.machineId = [] { return std::optional<QString>(QString("id")); };
    setup.localeCode = [] { return QString("en-US"); };
    setup.osDescription = [] { return QString("os"); };
    auto state = std::make_shared<CheckState>();
    UpdateWorker worker;
    worker.start(setup, "TAMBRIX - Murmlet", "1.1", state);
    QTRY_VERIFY_WITH_TIMEOUT(state->checkDone.load(std::memory_order_acquire), 15000);
    QVERIFY(worker.finish());
    QVERIFY(state->newVersionAvailable);
    QCOMPARE(state->latestVersion, QString("3.2"));
    state->store->writeString("ShowUpdate", "0"); // the GUI thread's use of the store afterwards
}

// The program's end stops a check that waits on the network and waits for its thread,
// well within UpdateWorker::ExitWait, with the update check's real timeouts.
void TestUpdateCheck::workerEndsWithinTheExitWait_data()
{
    QTest::addColumn<QString>("stage");
    QTest::newRow("waiting for the https reply") << "reply";
    QTest::newRow("waiting for the connection") << "connect";
    QTest::newRow("before the thread has done anything") << "start";
}

void TestUpdateCheck::workerEndsWithinTheExitWait()
{
    QFETCH(QString, stage);
    QTemporaryDir dir;
    const StalledListener stalled;
    if (stage == "connect" && !stalled.isReady())
        QSKIP(qPrintable("no hanging loopback port: " + stalled.errorString()));
    m_server->setReply("/php/check2.php", 200, reply("3.2"), {}, 60); // never in time
    m_server->clearRequests();
    UpdateCheckSetup setup = UpdateCheckSetup::forHost("unused", "TAMBRIX", "Murmlet");
    setup.service.httpsBase = stage == "connect"
                                  ? QString("https://127.0.0.1:%1").arg(stalled.port())
                                  : m_server->httpsBase();
    setup.service.httpBase = m_server->httpBase();
    setup.openStore = [path = dir.filePath("updates.ini")] { return UpdateStore::openFile(path); };
    setup.service.post = programsPost(PostForm(10000, 10000, m_server->caFile()));
    auto state = std::make_shared<CheckState>();
    QElapsedTimer clock;
    {
        UpdateWorker worker;
        worker.start(setup, "TAMBRIX - Murmlet", "1.1", state);
        if (stage == "reply")
            QTRY_COMPARE(m_server->requests().size(), 1);
        else if (stage == "connect")
            QTest::qWait(300);
        clock.start();
        QVERIFY(worker.finish());
    }
    const qint64 elapsed = clock.elapsed();
    qInfo("the worker ended %lld ms after it was asked to", elapsed);
    QVERIFY2(elapsed < UpdateWorker::ExitWait.count(), qPrintable(QString::number(elapsed)));
    QVERIFY(state->checkDone.load(std::memory_order_acquire));
    QVERIFY(!state->newVersionAvailable);
    if (stage != "start") {
        QVERIFY(state->checkFailed);
        QCOMPARE(m_server->requests().size(), stage == "reply" ? 1 : 0); // no http attempt
    }
    qInfo() << "log:" << state->errorLog;
    // Whatever the moment, the store is whole.
    IniFile file(dir.filePath("updates.ini"));
    QVERIFY(file.read(IniFile::Decoding::Strict) != IniFile::ReadResult::Unreadable);
}

// A run that does not stop (a step that ignores the cancel) holds up the program's end
// only for the exit wait and is then left to the process: a quarter of a second where
// the post runs in a helper process that is killed at once, a second on Windows, where
// the TLS set-up in the program cannot be interrupted.
void TestUpdateCheck::stuckRunIsLeftAfterTheExitWait()
{
#ifdef Q_OS_WIN
    const qint64 exitWaitMs = 1000;
#else
    const qint64 exitWaitMs = 250;
#endif
    QTemporaryDir dir;
    auto entered = std::make_shared<std::atomic<bool>>(false);
    auto released = std::make_shared<std::atomic<bool>>(false);
    const auto release = qScopeGuard([&] { released->store(true); });
    UpdateCheckSetup setup = offlineSetup(dir.filePath("updates.ini"), reply("3.2"));
    setup.service.post = [entered, released](const QString &, const QStringList &,
                                             const std::atomic<bool> *) {
        entered->store(true);
        while (!released->load())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return reply("3.2");
    };
    auto state = std::make_shared<CheckState>();
    QElapsedTimer clock;
    {
        UpdateWorker worker;
        worker.start(setup, "TAMBRIX - Murmlet", "1.1", state);
        QTRY_VERIFY(entered->load());
        clock.start();
    } // the owner's end, as at the program's end
    const qint64 elapsed = clock.elapsed();
    released->store(true);
    QTRY_VERIFY(state->checkDone.load(std::memory_order_acquire)); // it ends on its own later
    qInfo("the end waited %lld ms", elapsed);
    QVERIFY2(elapsed >= exitWaitMs - 5 && elapsed < exitWaitMs + 200,
             qPrintable(QString::number(elapsed)));
}

// A store file that can be written but not read is left as it is: the check runs on the
// defaults, says that the store could not be opened, and the user's ShowUpdate=0 stays,
// also when the window afterwards keeps the Update Notifications choice.
void TestUpdateCheck::unreadableStoreIsLeftAlone()
{
#ifndef Q_OS_LINUX
    QSKIP("The store is a file only on Linux; Windows keeps it in the registry");
#else
    QTemporaryDir dir;
    const QString storeFile = dir.filePath("updates.ini");
    UpdateStore::openFile(storeFile)->writeString("ShowUpdate", "0");
    const auto bytes = [&] {
        QFile file(storeFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray before = bytes();
    QVERIFY(before.contains("ShowUpdate=0"));
    QVERIFY(QFile::setPermissions(storeFile, QFileDevice::WriteOwner));
    const auto readable = qScopeGuard([&] {
        QFile::setPermissions(storeFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    });

    auto state = std::make_shared<CheckState>();
    {
        const OrdinaryFileRights ordinary;
        if (QFile(storeFile).open(QIODevice::ReadOnly))
            QSKIP("this thread reads the file all the same (no capabilities to give up)");
        UpdateCheck(offlineSetup(storeFile, reply("3.2")), "TAMBRIX - Murmlet", "1.1", state).run();
        state->keepShowingUpdates(true);
    }
    QVERIFY(state->checkDone.load());
    QVERIFY2(state->errorLog.contains(UpdateStore::openErrorText()), qPrintable(state->errorLog));
    QVERIFY(QFile::setPermissions(storeFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(bytes(), before);
#endif
}

// Whatever a step throws, on the worker thread: the check ends as a failed one and sets
// its flag, so that the window leaves its running state.
void TestUpdateCheck::everyErrorEndsTheCheck_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<bool>("standard"); // a std::exception, or something else
    for (const char *step : {"date", "store", "machine", "post", "system"}) {
        QTest::addRow("%s throws std::runtime_error", step) << QString(step) << true;
        QTest::addRow("%s throws an int", step) << QString(step) << false;
    }
}

void TestUpdateCheck::everyErrorEndsTheCheck()
{
    QFETCH(QString, step);
    QFETCH(bool, standard);
    QTemporaryDir dir;
    const auto fail = [standard]() {
        if (standard)
            throw std::runtime_error("step failed");
        throw 42;
    };
    UpdateCheckSetup setup = offlineSetup(dir.filePath("updates.ini"), reply("3.2"));
    if (step == "date")
        setup.today = [fail]() -> QString {
            fail();
            return {};
        };
    else if (step == "store")
        setup.openStore = [fail]() -> std::unique_ptr<UpdateStore> {
            fail();
            return {};
        };
    else if (step == "machine")
        setup.machineId = [fail]() -> std::optional<QString> {
            fail();
            return {};
        };
    else if (step == "post")
        setup.service.post = [fail](const QString &, const QStringList &,
                                    const std::atomic<bool> *) -> QString {
            fail();
            return {};
        };
    else
        setup.osDescription = [fail]() -> QString {
            fail();
            return {};
        };

    auto state = std::make_shared<CheckState>();
    UpdateWorker worker;
    worker.start(setup, "TAMBRIX - Murmlet", "1.1", state);
    QTRY_VERIFY_WITH_TIMEOUT(state->checkDone.load(std::memory_order_acquire), 5000);
    QVERIFY(worker.finish());
    QVERIFY(state->checkFailed);
    QVERIFY(!state->newVersionAvailable);
    qInfo() << "log:" << state->errorLog;
}

void TestUpdateCheck::extractTag_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("value");
    QTest::newRow("plain") << "<version>1.2</version>"
                           << "version"
                           << "1.2";
    QTest::newRow("tag asked in capitals") << "<url>http://x/</url>"
                                           << "URL"
                                           << "http://x/";
    QTest::newRow("tag written in capitals") << "<VERSION>1.2</VERSION>"
                                             << "version"
                                             << "";
    QTest::newRow("blank before") << " <version>1.2</version>"
                                  << "version"
                                  << "";
    QTest::newRow("blank after") << "<version>1.2</version> "
                                 << "version"
                                 << "";
    QTest::newRow("blanks inside kept") << "<version> 1.2 </version>"
                                        << "version"
                                        << " 1.2 ";
    QTest::newRow("empty value") << "<result></result>"
                                 << "result"
                                 << "";
    QTest::newRow("empty line") << ""
                                << "version"
                                << "";
    QTest::newRow("empty tag") << "<>x</>"
                               << ""
                               << "";
    QTest::newRow("other tag") << "<url>x</url>"
                               << "version"
                               << "";
}

void TestUpdateCheck::extractTag()
{
    QFETCH(QString, line);
    QFETCH(QString, tag);
    QFETCH(QString, value);
    QCOMPARE(UpdateCheck::extractTag(line, tag), value);
}

void TestUpdateCheck::downloadAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("opened"); // false: the home page opens instead
    QTest::newRow("https") << "https://www.tambrix.example/download/murmlet.zip" << true;
    QTest::newRow("http") << "http://www.tambrix.example/download/" << true;
    QTest::newRow("capital scheme") << "HTTPS://www.tambrix.example/" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("file URL") << "file:///usr/bin/xterm" << false;
    QTest::newRow("local path") << "/usr/bin/xterm" << false;
    QTest::newRow("Windows path") << "C:\\Windows\\system32\\calc.exe" << false;
    QTest::newRow("other scheme") << "javascript:alert(1)" << false;
    QTest::newRow("http without a host") << "http:///etc/passwd" << false;
}

void TestUpdateCheck::downloadAddress()
{
    QFETCH(QString, address);
    QFETCH(bool, opened);
    const QString home = "http://www.tambrix.example/";
    QCOMPARE(DownloadAddress::toOpen(address, home), opened ? address : home);
}

void TestUpdateCheck::machineIdIsDerived()
{
    const QByteArray raw = "0123456789abcdef0123456789abcdef\n";
    const std::optional<QString> id = SystemInfo::applicationSpecificId(raw);
    QVERIFY(id);
    QVERIFY(
        QRegularExpression("^[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$")
            .match(*id)
            .hasMatch());
    QVERIFY(!id->contains("0123456789abcdef"));           // never the raw machine ID
    QCOMPARE(SystemInfo::applicationSpecificId(raw), id); // stable
    QVERIFY(!SystemInfo::applicationSpecificId("not hex"));
}

void TestUpdateCheck::logCheckError()
{
    CheckState state;
    state.logError(" \r\n\t");
    QVERIFY(!state.checkFailed);
    state.logError("HTTPS Response:\rrefused");
    state.logError("HTTP Response:\rrefused");
    QVERIFY(state.checkFailed);
    QCOMPARE(state.errorLog, QString("HTTPS Response:\rrefused\r\rHTTP Response:\rrefused"));
    state.clearErrors();
    QVERIFY(!state.checkFailed && state.errorLog.isEmpty());
}

QTEST_GUILESS_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"

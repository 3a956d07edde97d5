// The helper process that posts for the program must answer exactly as the form post
// in the program's own process would, and end when the caller stops waiting. Stand-in
// helpers (shell scripts) play a helper that misbehaves.
#include "update/hostilereplies.h"
#include "update/postform.h"
#include "update/postprocess.h"
#include "web/webserver.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <atomic>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {
// The reply, or "error: " and the message, of one post.
template <typename Poster> QString outcome(const Poster &poster, const QString &address)
{
    try {
        return poster.post(address, {"ProductName=Murmlet", "a=b"});
    } catch (const std::exception &error) {
        return QString("error: ") + error.what();
    }
}
} // namespace

class TestPostProcess : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void answersAsThePostInProcess_data();
    void answersAsThePostInProcess();
    void fieldsArriveIntact();
    void cancelEndsTheHelper();
    void missingHelperIsAnError();
    void hostileReplies_data();
    void hostileReplies();
    void misbehavingHelper_data();
    void misbehavingHelper();
    void helperInheritsOnlyItsStreams();

private:
    static PostProcess helper(const PostForm &form)
    {
        return PostProcess(QStringLiteral(MURMLET_POST_HELPER), form);
    }
    // An executable shell script of the test's that stands in for the helper.
    QString standIn(const QString &name, const QByteArray &script);

    std::unique_ptr<WebServer> m_server;
    QTemporaryDir m_folder;
};

void TestPostProcess::initTestCase()
{
    m_server = std::make_unique<WebServer>();
    QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
}

void TestPostProcess::answersAsThePostInProcess_data()
{
    QTest::addColumn<bool>("secure");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("contentType");
    QTest::addColumn<QString>("caFile"); // "trusted", "untrusted"
    QTest::newRow("https reply") << true << 200 << "3.2|Grüße ✓"
                                 << ""
                                 << "trusted";
    QTest::newRow("https error page is text") << true << 500 << "oops"
                                              << ""
                                              << "trusted";
    QTest::newRow("https, Latin-1 reply") << true << 200 << "Grüße"
                                          << "text/plain; charset=iso-8859-1"
                                          << "trusted";
    QTest::newRow("https, untrusted certificate") << true << 200 << "x"
                                                  << ""
                                                  << "untrusted";
    QTest::newRow("http reply") << false << 200 << "1.1"
                                << ""
                                << "trusted";
    QTest::newRow("http status fails") << false << 404 << "missing"
                                       << ""
                                       << "trusted";
    QTest::newRow("empty reply") << false << 200 << ""
                                 << ""
                                 << "trusted";
}

void TestPostProcess::answersAsThePostInProcess()
{
    QFETCH(bool, secure);
    QFETCH(int, status);
    QFETCH(QString, body);
    QFETCH(QString, contentType);
    QFETCH(QString, caFile);
    m_server->setReply("/php/check2.php", status, body, contentType);
    const PostForm form(3000, 3000,
                        caFile == "trusted" ? m_server->caFile() : m_server->untrustedCaFile());
    const QString address =
        (secure ? m_server->httpsBase() : m_server->httpBase()) + "/php/check2.php";
    const QString inProcess = outcome(form, address);
    QCOMPARE(outcome(helper(form), address), inProcess);
}

void TestPostProcess::fieldsArriveIntact()
{
    m_server->setReply("/php/feedback.php", 200, "ok");
    m_server->clearRequests();
    const QStringList fields = {"text=line one\nline two\r\n", "email=a+b@example.org",
                                "note=100% = mehr & weniger", "flag", "emoji=🎤 Grüße"};
    QCOMPARE(helper(PostForm(3000, 3000)).post(m_server->httpBase() + "/php/feedback.php", fields),
             QString("ok"));
    const auto requests = m_server->requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].body, PostForm::encodeForm(fields));
}

void TestPostProcess::cancelEndsTheHelper()
{
    m_server->setReply("/php/check2.php", 200, "late", {}, 30); // answers far too late
    std::atomic<bool> cancel{false};
    std::thread canceller([&cancel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cancel.store(true, std::memory_order_release);
    });
    QElapsedTimer clock;
    clock.start();
    QString result;
    try {
        result = helper(PostForm(10000, 10000))
                     .post(m_server->httpBase() + "/php/check2.php", {"a=b"}, &cancel);
    } catch (const PostProcess::Error &error) {
        result = error.what();
    }
    canceller.join();
    qInfo("the post ended %lld ms after it began (cancelled at 300 ms)", clock.elapsed());
    QCOMPARE(result, QString("Cancelled"));
    QVERIFY(clock.elapsed() < 5000); // the reply's 30 s were not waited for
}

void TestPostProcess::missingHelperIsAnError()
{
    const PostProcess missing("/nonexistent/murmlet-post", PostForm(1000, 1000));
    QVERIFY_THROWS_EXCEPTION(PostProcess::Error,
                             missing.post(m_server->httpBase() + "/php/check2.php", {"a=b"}));
}

QString TestPostProcess::standIn(const QString &name, const QByteArray &script)
{
    const QString path = m_folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    file.write("#!/bin/sh\n" + script);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

void TestPostProcess::hostileReplies_data()
{
    HostileReplies::addRows();
}

void TestPostProcess::hostileReplies()
{
    HostileReplies::check(*m_server, [](const PostForm &form, const QString &address) {
        return helper(form).post(address, {"a=1"});
    });
}

// Whatever the helper does, the call ends with an error that says what happened, within
// the form's connect + response timeouts.
void TestPostProcess::misbehavingHelper_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<bool>("largeRequest"); // more than a socket buffer holds
    QTest::addColumn<QString>("message");   // a part of the error's text

    QTest::newRow("reads the request, then hangs")
        << QByteArray("cat >/dev/null\nexec sleep 30\n") << false << "timed out";
    QTest::newRow("never reads its input") << QByteArray("exec sleep 30\n") << true << "timed out";
    QTest::newRow("ends its output but not itself")
        << QByteArray("cat >/dev/null\nexec sleep 30 <&- >&-\n") << false << "timed out";
    QTest::newRow("crashes") << QByteArray("cat >/dev/null\nkill -SEGV $$\n") << false
                             << "crashed (signal 11)";
    QTest::newRow("ends at once, leaving its input unread")
        << QByteArray("exit 2\n") << true << "failed (exit code 2)";
    QTest::newRow("floods its output")
        << QByteArray("cat >/dev/null\nexec yes\n") << false << "too large";
}

void TestPostProcess::misbehavingHelper()
{
    QFETCH(QByteArray, script);
    QFETCH(bool, largeRequest);
    QFETCH(QString, message);
    const QString path = standIn("misbehaving", script);
    QVERIFY(!path.isEmpty());
    // Timeouts short enough for the hanging helpers to end soon, long enough for a helper
    // that ends at once to be seen ending on a busy machine under the sanitizers.
    const PostForm form(2000, 2000);
    const QStringList fields{"text=" + QString(largeRequest ? 4 * 1024 * 1024 : 10, 'x')};

    QElapsedTimer clock;
    clock.start();
    QString result;
    try {
        result = "reply: " + PostProcess(path, form).post(m_server->httpBase() + "/x", fields);
    } catch (const PostProcess::Error &error) {
        result = QString::fromUtf8(error.what());
    }
    const qint64 elapsed = clock.elapsed();
    qInfo("ended after %lld ms: %s", elapsed, qPrintable(result.left(200)));
    QVERIFY2(result.contains(message), qPrintable(result.left(200)));
    // The bound with room for a slow machine, not a speed target.
    const int bound = form.connectTimeoutMs() + form.responseTimeoutMs();
    QVERIFY2(elapsed < bound + 1000, qPrintable(QString::number(elapsed)));
}

// The helper holds its standard streams and nothing else of the program's, even a
// descriptor that was not marked close-on-exec.
void TestPostProcess::helperInheritsOnlyItsStreams()
{
    QTemporaryFile marker(m_folder.filePath("inherited-XXXXXX"));
    QVERIFY(marker.open());
    const int inherited = ::open(QFile::encodeName(marker.fileName()).constData(), O_RDONLY);
    QVERIFY(inherited >= 0);
    const QString path =
        standIn("list-descriptors", "cat >/dev/null\nfor fd in /proc/$$/fd/*; do echo \"${fd##*/} "
                                    "$(readlink \"$fd\")\"; done\n");
    QString listing;
    try {
        listing = PostProcess(path, PostForm(3000, 3000)).post(m_server->httpBase() + "/x", {});
    } catch (const PostProcess::Error &error) {
        listing = QString::fromUtf8(error.what());
    }
    ::close(inherited);
    qInfo("descriptor %d of ours is %s; the helper holds:\n%s", inherited,
          qPrintable(marker.fileName()), qPrintable(listing));
    QVERIFY2(listing.contains("0 socket:") && listing.contains("1 socket:"), qPrintable(listing));
    QVERIFY2(!listing.contains(marker.fileName()), qPrintable(listing));
}

QTEST_GUILESS_MAIN(TestPostProcess)
#include "tst_postprocess.moc"

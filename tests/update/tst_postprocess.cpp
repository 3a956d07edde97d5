// The helper process that posts for the program must answer exactly as the form post
// in the program's own process would, and end when the caller stops waiting.
#include "update/postform.h"
#include "update/postprocess.h"
#include "web/webserver.h"

#include <QElapsedTimer>
#include <QTest>
#include <atomic>
#include <thread>

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

private:
    PostProcess helper(const PostForm &form) const
    {
        return PostProcess(QStringLiteral(MURMLET_POST_HELPER), form);
    }
    std::unique_ptr<WebServer> m_server;
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
    QTest::newRow("https reply") << true << 200 << "3.2|Grüße ✓" << "" << "trusted";
    QTest::newRow("https error page is text") << true << 500 << "oops" << "" << "trusted";
    QTest::newRow("https, Latin-1 reply")
        << true << 200 << "Grüße" << "text/plain; charset=iso-8859-1" << "trusted";
    QTest::newRow("https, untrusted certificate") << true << 200 << "x" << "" << "untrusted";
    QTest::newRow("http reply") << false << 200 << "1.1" << "" << "trusted";
    QTest::newRow("http status fails") << false << 404 << "missing" << "" << "trusted";
    QTest::newRow("empty reply") << false << 200 << "" << "" << "trusted";
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
    QCOMPARE(helper(PostForm(3000, 3000))
                 .post(m_server->httpBase() + "/php/feedback.php", fields),
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

QTEST_GUILESS_MAIN(TestPostProcess)
#include "tst_postprocess.moc"

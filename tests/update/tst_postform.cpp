#include "update/hostilereplies.h"
#include "update/postform.h"
#include "web/webserver.h"

#include <QElapsedTimer>
#include <QTest>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

using Form = QList<QPair<QString, QString>>;

// The pairs a standard form decoder should recover from the field lines.
static Form splitFields(const QStringList &fields)
{
    Form form;
    for (const QString &field : fields) {
        const qsizetype equals = field.indexOf(QLatin1Char('='));
        form.append({field.left(equals), field.mid(equals + 1)});
    }
    return form;
}

class TestPostForm : public QObject
{
    Q_OBJECT

    std::unique_ptr<WebServer> m_server;

    QString base(bool secure) const
    {
        return secure ? m_server->httpsBase() : m_server->httpBase();
    }
    // Trusts the test CA; the timeouts only matter where a test says so.
    PostForm poster(int connectMs = 5000, int responseMs = 5000) const
    {
        return PostForm(connectMs, responseMs, m_server->caFile());
    }
    // Posts and returns the error message: empty when the call succeeds.
    static QString postFailure(const PostForm &form, const QString &address,
                               const QStringList &fields = {}, qint64 *elapsedMs = nullptr)
    {
        QElapsedTimer clock;
        clock.start();
        try {
            const QString reply = form.post(address, fields);
            qWarning("unexpected success, reply of %lld characters", qint64(reply.size()));
        } catch (const PostForm::Error &error) {
            if (elapsedMs)
                *elapsedMs = clock.elapsed();
            return QString::fromUtf8(error.what());
        }
        return {};
    }
    static void addRoadRows(const char *name, const std::function<void(QTestData &)> &more = {})
    {
        for (const bool secure : {false, true}) {
            QTestData &row = QTest::addRow("%s %s", secure ? "https" : "http", name) << secure;
            if (more)
                more(row);
        }
    }

private slots:
    void initTestCase();
    void init();

    void encodeForm_data();
    void encodeForm();
    void concurrentCalls();
    void fieldsArriveIntact_data();
    void fieldsArriveIntact();
    void headersFollowTheRoad_data();
    void headersFollowTheRoad();
    void errorStatus_data();
    void errorStatus();
    void replyCharset_data();
    void replyCharset();
    void refusedCertificate_data();
    void refusedCertificate();
    void replySizeLimit_data();
    void replySizeLimit();
    void transportFailures_data();
    void transportFailures();
    void silentServerTimesOut_data();
    void silentServerTimesOut();
    void slowButSteadyReplyArrives_data();
    void slowButSteadyReplyArrives();
    void hostileReplies_data();
    void hostileReplies();
    void unreachableServerTimesOut_data();
    void unreachableServerTimesOut();
};

void TestPostForm::initTestCase()
{
    if (const QString why = WebServer::unavailableReason(); !why.isEmpty())
        QSKIP(qPrintable(why));
    m_server = std::make_unique<WebServer>();
    QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
}

void TestPostForm::init()
{
    m_server->clearRequests();
}

void TestPostForm::encodeForm_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QByteArray>("encoded");

    QTest::newRow("no fields") << QStringList{} << QByteArray();
    QTest::newRow("order kept, & only between pairs")
        << QStringList{"z=1", "a=2", "m=3"} << QByteArray("z=1&a=2&m=3");
    QTest::newRow("line ending after =") << QStringList{"guid="} << QByteArray("guid=");
    QTest::newRow("empty value among others")
        << QStringList{"a=1", "b=", "c=3"} << QByteArray("a=1&b=&c=3");
    QTest::newRow("spaces become +")
        << QStringList{"os=Linux 6.1 x86"} << QByteArray("os=Linux+6.1+x86");
    QTest::newRow("split at the first =, & = + escaped")
        << QStringList{"v=a&b=c+d"} << QByteArray("v=a%26b%3Dc%2Bd");
    QTest::newRow("CR LF") << QStringList{"text=one\r\ntwo"} << QByteArray("text=one%0D%0Atwo");
    QTest::newRow("non-ASCII letters as UTF-8, upper-case hex")
        << QStringList{QString::fromUtf8("name=Grüße ñ 中")}
        << QByteArray("name=Gr%C3%BC%C3%9Fe+%C3%B1+%E4%B8%AD");
    QTest::newRow("character beyond 16 bits")
        << QStringList{QString::fromUtf8("m=😀")} << QByteArray("m=%F0%9F%98%80");
    QTest::newRow("only letters, digits and - . _ stay")
        << QStringList{"v=aZ09-._~*'()!/?:@%"}
        << QByteArray("v=aZ09-._%7E%2A%27%28%29%21%2F%3F%3A%40%25");
    QTest::newRow("name encoded too") << QStringList{"first name=x"} << QByteArray("first+name=x");
    QTest::newRow("line without = is a name with an empty value")
        << QStringList{"flag", "a=1"} << QByteArray("flag=&a=1");
}

void TestPostForm::encodeForm()
{
    QFETCH(QStringList, fields);
    QFETCH(QByteArray, encoded);
    QCOMPARE(PostForm::encodeForm(fields), encoded);
}

// Several threads at once, on both roads (first of the network tests, so that the
// one-time library set-up is among what runs concurrently).
void TestPostForm::concurrentCalls()
{
    constexpr int Threads = 6;
    constexpr int CallsEach = 4;
    for (int t = 0; t < Threads; ++t)
        m_server->setReply(QStringLiteral("/thread/%1").arg(t), 200,
                           QStringLiteral("reply %1").arg(t));

    const PostForm form = poster();
    std::atomic<int> good{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t) {
        threads.emplace_back([&, t] {
            for (int call = 0; call < CallsEach; ++call) {
                const QString address =
                    base((t + call) % 2 == 1) + QStringLiteral("/thread/%1").arg(t);
                try {
                    if (form.post(address, {QStringLiteral("call=%1").arg(call)}) ==
                        QStringLiteral("reply %1").arg(t))
                        ++good;
                } catch (const PostForm::Error &error) {
                    qWarning("%s: %s", qPrintable(address), error.what());
                }
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    QCOMPARE(good.load(), Threads * CallsEach);
    QCOMPARE(m_server->requests().size(), Threads * CallsEach);
}

void TestPostForm::fieldsArriveIntact_data()
{
    QTest::addColumn<bool>("secure");
    QTest::addColumn<QStringList>("fields");

    const QStringList tricky{
        "cmd=check",
        QString::fromUtf8("text=a b&c=d+e\r\nf\ng Grüße 中文 😀 100% ~*"),
        "guid=",
        "os=Linux & Co (Version 6.1)",
    };
    addRoadRows("tricky values", [&](QTestData &row) { row << tricky; });
    addRoadRows("no fields", [](QTestData &row) { row << QStringList{}; });
    const QStringList large{"text=" + QString::fromUtf8("ä &=+\r\n").repeated(20000)};
    addRoadRows("long feedback text", [&](QTestData &row) { row << large; });
}

void TestPostForm::fieldsArriveIntact()
{
    QFETCH(bool, secure);
    QFETCH(QStringList, fields);
    m_server->setReply("/php/form.php", 200, "ok");

    QCOMPARE(poster().post(base(secure) + "/php/form.php", fields), QString("ok"));

    const QList<WebServer::Request> seen = m_server->requests();
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen[0].method, QString("POST"));
    QCOMPARE(seen[0].secure, secure);
    QCOMPARE(seen[0].body, PostForm::encodeForm(fields));
    QVERIFY(seen[0].formDecoded);
    QCOMPARE(seen[0].form, splitFields(fields));
}

void TestPostForm::headersFollowTheRoad_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<bool>("secure");

    QTest::newRow("https") << "https" << true;
    QTest::newRow("HTTPS in capitals") << "HTTPS" << true;
    QTest::newRow("HtTpS mixed case") << "HtTpS" << true;
    QTest::newRow("http") << "http" << false;
    QTest::newRow("HTTP in capitals") << "HTTP" << false;
}

void TestPostForm::headersFollowTheRoad()
{
    QFETCH(QString, scheme);
    QFETCH(bool, secure);
    m_server->setReply("/php/check2.php", 200, "ok");
    const QString port = base(secure).section(':', -1);

    // The address goes out unchanged, query included.
    const QString reply =
        poster().post(scheme + "://127.0.0.1:" + port + "/php/check2.php?from=test", {"a=1"});
    QCOMPARE(reply, QString("ok"));

    const QList<WebServer::Request> seen = m_server->requests();
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen[0].secure, secure);
    QCOMPARE(seen[0].path, QString("/php/check2.php?from=test"));
    if (secure) {
        QCOMPARE(seen[0].headers.value("connection"), QString("close"));
        QCOMPARE(seen[0].headers.value("content-type"),
                 QString("application/x-www-form-urlencoded; charset=utf-8"));
    } else {
        QVERIFY2(!seen[0].headers.contains("connection"),
                 qPrintable(seen[0].headers.value("connection")));
        QCOMPARE(seen[0].headers.value("content-type"),
                 QString("application/x-www-form-urlencoded"));
    }
}

void TestPostForm::errorStatus_data()
{
    QTest::addColumn<bool>("secure");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");    // 0: a path the server does not know
    QTest::addColumn<QString>("error"); // empty: the page comes back

    QTest::newRow("https 404 returns the page") << true << "/page" << 404 << "";
    QTest::newRow("https 500 returns the page") << true << "/page" << 500 << "";
    QTest::newRow("https unknown path returns the server's page") << true << "/nowhere" << 0 << "";
    QTest::newRow("http 404 fails") << false << "/page" << 404 << "HTTP 404 Not Found";
    QTest::newRow("http 500 fails") << false << "/page" << 500 << "HTTP 500 Internal Server Error";
    QTest::newRow("http unknown path fails") << false << "/nowhere" << 0 << "HTTP 404 Not Found";
    QTest::newRow("http 201 is a success") << false << "/page" << 201 << "";
}

void TestPostForm::errorStatus()
{
    QFETCH(bool, secure);
    QFETCH(QString, path);
    QFETCH(int, status);
    QFETCH(QString, error);
    const QString page = QString::fromUtf8("<html>Störung</html>");
    if (status != 0)
        m_server->setReply(path, status, page, "text/html; charset=utf-8");
    const QString address = base(secure) + path;

    if (!error.isEmpty()) {
        QCOMPARE(postFailure(poster(), address, {"a=1"}), error);
        return;
    }
    const QString reply = poster().post(address, {"a=1"});
    if (status != 0)
        QCOMPARE(reply, page);
    else
        QVERIFY2(reply.contains("404 Not Found"), qPrintable(reply));
}

void TestPostForm::replyCharset_data()
{
    QTest::addColumn<bool>("secure");
    QTest::addColumn<QString>("contentType"); // null: none sent
    QTest::addColumn<QString>("body");

    const QString german = QString::fromUtf8("Grüße, façade");
    const QString wide = QString::fromUtf8("Grüße 中文 😀");
    const auto rows = [&](const char *name, const QString &contentType, const QString &body) {
        addRoadRows(name, [&](QTestData &row) { row << contentType << body; });
    };
    rows("utf-8 declared", "text/plain; charset=utf-8", wide);
    rows("UTF-8 in capitals", "text/html; charset=UTF-8", wide);
    rows("iso-8859-1", "text/plain; charset=iso-8859-1", german);
    rows("quoted ISO-8859-1", "text/plain; charset=\"ISO-8859-1\"", german);
    rows("windows-1252", "text/plain;charset=windows-1252", QString::fromUtf8("€ „Zitat“"));
    rows("no charset means UTF-8", "text/plain", wide);
    rows("no Content-Type means UTF-8", QString(), wide);
    rows("unknown charset falls back to UTF-8", "text/plain; charset=x-murmlet-unknown", wide);
    rows("line breaks as sent", "text/plain", "a\r\nb\nc\rd\r\n");
}

void TestPostForm::replyCharset()
{
    QFETCH(bool, secure);
    QFETCH(QString, contentType);
    QFETCH(QString, body);
    WebServer::Reply reply;
    reply.body = body;
    reply.contentType = contentType.isNull() ? QString("") : contentType;
    m_server->setReply("/text", reply);

    QCOMPARE(poster().post(base(secure) + "/text", {}), body);
}

void TestPostForm::refusedCertificate_data()
{
    QTest::addColumn<QString>("caFile"); // "trusted", "untrusted" or "system"
    QTest::addColumn<QString>("host");

    QTest::newRow("certificate from a CA not trusted") << "untrusted"
                                                       << "127.0.0.1";
    QTest::newRow("system store does not know the test CA") << "system"
                                                            << "127.0.0.1";
    QTest::newRow("host name not in the certificate") << "trusted"
                                                      << "localhost";
}

void TestPostForm::refusedCertificate()
{
    QFETCH(QString, caFile);
    QFETCH(QString, host);
    m_server->setReply("/secret", 200, "should not arrive");
    const QString file = caFile == "trusted"     ? m_server->caFile()
                         : caFile == "untrusted" ? m_server->untrustedCaFile()
                                                 : QString();
    const QString address =
        "https://" + host + ":" + m_server->httpsBase().section(':', -1) + "/secret";

    const QString message = postFailure(PostForm(5000, 5000, file), address, {"a=1"});
    qInfo("refused: %s", qPrintable(message));
    QVERIFY(!message.isEmpty());
    QVERIFY(m_server->requests().isEmpty()); // the form never left the client
}

void TestPostForm::replySizeLimit_data()
{
    QTest::addColumn<bool>("secure");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("fails");

    addRoadRows("exactly the limit",
                [](QTestData &row) { row << PostForm::MaximumReplyBytes << false; });
    addRoadRows("one byte over the limit",
                [](QTestData &row) { row << PostForm::MaximumReplyBytes + 1 << true; });
    addRoadRows("far over the limit",
                [](QTestData &row) { row << 8 * PostForm::MaximumReplyBytes << true; });
}

void TestPostForm::replySizeLimit()
{
    QFETCH(bool, secure);
    QFETCH(qint64, size);
    QFETCH(bool, fails);
    m_server->setReply("/big", 200, QString(static_cast<qsizetype>(size), QLatin1Char('x')));
    const QString address = base(secure) + "/big";

    if (fails) {
        const QString message = postFailure(poster(), address);
        qInfo("%s", qPrintable(message));
        QVERIFY(!message.isEmpty());
    } else {
        QCOMPARE(qint64(poster().post(address, {}).size()), size);
    }
}

void TestPostForm::transportFailures_data()
{
    QTest::addColumn<QString>("address");

    const QString closed = QString::number(closedLoopbackPort());
    QTest::newRow("http connection refused") << "http://127.0.0.1:" + closed + "/x";
    QTest::newRow("https connection refused") << "https://127.0.0.1:" + closed + "/x";
    // The plain road is an HTTP client and nothing else: it must not read local files.
    QTest::newRow("file address is not read") << "file://" + m_server->caFile();
}

void TestPostForm::transportFailures()
{
    QFETCH(QString, address);
    qint64 elapsed = 0;
    const QString message = postFailure(poster(), address, {"a=1"}, &elapsed);
    qInfo("failed after %lld ms: %s", elapsed, qPrintable(message));
    QVERIFY(!message.isEmpty());
    QVERIFY(m_server->requests().isEmpty());
}

void TestPostForm::silentServerTimesOut_data()
{
    QTest::addColumn<bool>("secure");
    addRoadRows("server accepts, never answers");
}

void TestPostForm::silentServerTimesOut()
{
    QFETCH(bool, secure);
    m_server->setReply("/silent", 200, "too late", {}, 60);
    const int responseMs = 500;

    qint64 elapsed = 0;
    const QString message =
        postFailure(poster(10000, responseMs), base(secure) + "/silent", {"a=1"}, &elapsed);
    qInfo("response timeout %d ms: failed after %lld ms: %s", responseMs, elapsed,
          qPrintable(message));
    QVERIFY(!message.isEmpty());
    QCOMPARE(m_server->requests().size(), 1); // connected and sent: the reply is what timed out
    QVERIFY2(elapsed >= responseMs - 50, qPrintable(QString::number(elapsed)));
    QVERIFY2(elapsed < 5000, qPrintable(QString::number(elapsed)));
}

void TestPostForm::slowButSteadyReplyArrives_data()
{
    QTest::addColumn<bool>("secure");
    addRoadRows("reply longer than the response timeout in short pieces");
}

void TestPostForm::slowButSteadyReplyArrives()
{
    QFETCH(bool, secure);
    const int connectMs = 2000;
    const int responseMs = 500;
    WebServer::Reply reply;
    reply.body = "one two three four five six seven eight";
    reply.chunks = 7;
    reply.chunkDelaySeconds = 0.2; // 1.2 s in all, never more than 0.2 s of silence
    m_server->setReply("/trickle", reply);

    QElapsedTimer clock;
    clock.start();
    QCOMPARE(poster(connectMs, responseMs).post(base(secure) + "/trickle", {}), reply.body);
    const qint64 elapsed = clock.elapsed();
    qInfo("reply took %lld ms with a response timeout of %d ms", elapsed, responseMs);
    // Longer than twice the response timeout: that limit is on silence; the whole call
    // only has to fit into connect + response timeout.
    QVERIFY(elapsed > 2 * responseMs);
}

// The hostile replies that the helper meets too (update/hostilereplies.h).
void TestPostForm::hostileReplies_data()
{
    HostileReplies::addRows();
}

void TestPostForm::hostileReplies()
{
    HostileReplies::check(*m_server, [](const PostForm &form, const QString &address) {
        return form.post(address, {"a=1"});
    });
}

void TestPostForm::unreachableServerTimesOut_data()
{
    QTest::addColumn<bool>("secure");
    addRoadRows("connection attempt hangs");
}

void TestPostForm::unreachableServerTimesOut()
{
    QFETCH(bool, secure);
    const StalledListener stalled;
    if (!stalled.isReady())
        QSKIP(qPrintable("no hanging loopback port: " + stalled.errorString()));
    const int connectMs = 500;
    const QString address =
        QString("%1://127.0.0.1:%2/x").arg(secure ? "https" : "http").arg(stalled.port());

    qint64 elapsed = 0;
    const QString message = postFailure(poster(connectMs, 10000), address, {"a=1"}, &elapsed);
    qInfo("connect timeout %d ms: failed after %lld ms: %s", connectMs, elapsed,
          qPrintable(message));
    QVERIFY(!message.isEmpty());
    QVERIFY2(elapsed >= connectMs - 50, qPrintable(QString::number(elapsed)));
    QVERIFY2(elapsed < 5000, qPrintable(QString::number(elapsed))); // not the response timeout
}

QTEST_GUILESS_MAIN(TestPostForm)
#include "tst_postform.moc"

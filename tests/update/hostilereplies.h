#pragma once

// Replies meant to hold the caller, mislead it or feed it something else. The form post
// meets them in this process (tst_postform) and through its helper (tst_postprocess):
// each fails the call or comes back as plain text, never waits past connect + response
// timeout, and never takes the client anywhere but the one address.
#include "update/postform.h"
#include "web/webserver.h"

#include <QElapsedTimer>
#include <QTest>
#include <exception>

Q_DECLARE_METATYPE(WebServer::Reply)

namespace HostileReplies {
constexpr int ConnectMs = 500;
constexpr int ResponseMs = 500;

inline void addRows()
{
    QTest::addColumn<bool>("secure");
    QTest::addColumn<WebServer::Reply>("reply");
    QTest::addColumn<bool>("expiredCertificate");
    QTest::addColumn<QString>("outcome"); // null: the call fails

    const auto addRoadRows = [](const char *name, const WebServer::Reply &reply) {
        for (const bool secure : {false, true})
            QTest::addRow("%s %s", secure ? "https" : "http", name)
                << secure << reply << false << QString();
    };

    WebServer::Reply trickle;
    trickle.body = QString(40, QLatin1Char('x'));
    trickle.chunks = 40; // a byte every 0.1 s: never silent for long, 4 s in all
    trickle.chunkDelaySeconds = 0.1;
    addRoadRows("trickling server", trickle);

    WebServer::Reply redirect;
    redirect.status = 302;
    redirect.body = "moved";
    redirect.headers.insert("Location", "file:///etc/passwd");
    QTest::newRow("https redirect to file:///etc/passwd: the page is the reply")
        << true << redirect << false << QString("moved");
    QTest::newRow("http redirect to file:///etc/passwd fails")
        << false << redirect << false << QString();

    WebServer::Reply reset;
    reset.body = QString(4000, QLatin1Char('y'));
    reset.resetAfterBytes = 1000;
    addRoadRows("connection reset mid-body", reset);

    WebServer::Reply secret;
    secret.body = "should not arrive";
    QTest::newRow("https expired certificate") << true << secret << true << QString();
}

// Runs the current row through post(form, address), which returns the reply or throws.
template <typename Post> void check(WebServer &server, const Post &post)
{
    QFETCH(bool, secure);
    QFETCH(WebServer::Reply, reply);
    QFETCH(bool, expiredCertificate);
    QFETCH(QString, outcome);
    server.clearRequests();
    server.setReply("/hostile", reply);
    QString address = (secure ? server.httpsBase() : server.httpBase()) + "/hostile";
    if (expiredCertificate) {
        const QString expired = server.expiredHttpsBase();
        QVERIFY2(!expired.isEmpty(), qPrintable(server.errorString()));
        address = expired + "/hostile";
    }

    QElapsedTimer clock;
    clock.start();
    QString result;
    QString message;
    try {
        result = post(PostForm(ConnectMs, ResponseMs, server.caFile()), address);
    } catch (const std::exception &error) {
        message = QString::fromUtf8(error.what());
    }
    const qint64 elapsed = clock.elapsed();
    qInfo("ended after %lld ms: %s", elapsed, qPrintable(message.isEmpty() ? result : message));

    // A correctness bound with room for a slow machine, not a speed target.
    QVERIFY2(elapsed < ConnectMs + ResponseMs + 1500, qPrintable(QString::number(elapsed)));
    if (outcome.isNull()) {
        QVERIFY2(!message.isEmpty(), qPrintable(result.left(100)));
    } else {
        QVERIFY2(message.isEmpty(), qPrintable(message));
        QCOMPARE(result, outcome);
    }
    QVERIFY(!result.contains("root:"));
    QCOMPARE(server.requests().size(), expiredCertificate ? 0 : 1);
}
} // namespace HostileReplies

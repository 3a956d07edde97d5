#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <optional>

// The maker's web service played by tests/web/webserver.py on 127.0.0.1: one process
// for plain HTTP and one for HTTPS, sharing the replies and the request log. The HTTPS
// certificate (subjectAltName IP:127.0.0.1) comes from a throwaway CA that openssl makes
// in a temporary folder; a second, unrelated CA is made for tests that must be refused.
//
// Construction does all of that and never throws: check isRunning() (and show
// errorString()) before use. The destructor stops both processes.
class ChildProcess;

class WebServer
{
public:
    // Why the server cannot run here, or nothing. It is made of Linux tools (python3,
    // openssl), which a Windows test under Wine can start but not wait for: Wine reports
    // no exit code of a Linux program.
    static QString unavailableReason()
    {
#ifdef _WIN32
        return QStringLiteral("the local web server is a Linux program");
#else
        return QString();
#endif
    }

    // What the server answers on one path.
    struct Reply
    {
        int status = 200;
        QString body;
        // nullopt: "text/plain; charset=utf-8"; an empty string: no Content-Type at all.
        // The body goes out in the charset named here (UTF-8 when Python knows none).
        std::optional<QString> contentType;
        double delaySeconds = 0;        // before the status line; a large value: never answers
        int chunks = 1;                 // the body in this many pieces ...
        double chunkDelaySeconds = 0;   // ... with this pause before each after the first
        QMap<QString, QString> headers; // further header lines
        int resetAfterBytes = -1;       // >= 0: the connection is reset after so much body
    };

    // One request as the server saw it.
    struct Request
    {
        QString path; // with any query
        QString method;
        bool secure = false;            // arrived at the HTTPS instance
        QMap<QString, QString> headers; // names in lower case
        QByteArray body;
        // Decoded by Python's urllib.parse.parse_qsl; formDecoded is false when the body
        // was not UTF-8.
        QList<QPair<QString, QString>> form;
        bool formDecoded = false;
    };

    // The script is tests/web/webserver.py of the source tree.
    WebServer();
    explicit WebServer(const QString &script);
    ~WebServer();
    WebServer(const WebServer &) = delete;
    WebServer &operator=(const WebServer &) = delete;

    bool isRunning() const;
    QString errorString() const; // why it is not running

    QString httpBase() const;        // "http://127.0.0.1:PORT"
    QString httpsBase() const;       // "https://127.0.0.1:PORT"
    QString caFile() const;          // the CA that signed the server's certificate
    QString untrustedCaFile() const; // a CA that signed nothing of the server's

    // A third instance whose certificate, signed by the trusted CA, expired yesterday;
    // started at the first call. Empty when it cannot start (see errorString()).
    QString expiredHttpsBase();

    // Takes effect with the next request. A null contentType keeps the default.
    void setReply(const QString &path, int status, const QString &body,
                  const QString &contentType = {}, double delaySeconds = 0);
    void setReply(const QString &path, const Reply &reply);

    // The requests since the start or the last clearRequests(), oldest first.
    QList<Request> requests() const;
    void clearRequests();

private:
    bool makeCertificates();
    bool startServer(ChildProcess &process, const QString &name, const QStringList &arguments,
                     quint16 &port);
    bool runOpenssl(const QStringList &arguments);
    void writeReplies();
    QString path(const QString &name) const
    {
        return m_folder.filePath(name);
    }

    QTemporaryDir m_folder;
    QString m_error;
    std::unique_ptr<ChildProcess> m_http;
    std::unique_ptr<ChildProcess> m_https;
    std::unique_ptr<ChildProcess> m_expiredHttps;
    QString m_script;
    quint16 m_httpPort = 0;
    quint16 m_httpsPort = 0;
    quint16 m_expiredHttpsPort = 0;
    QJsonObject m_replies;
    qint64 m_logOffset = 0;
};

// A loopback port whose connection attempts hang instead of being refused, to stand for
// an unreachable server: a socket listens with the shortest backlog, and connections
// that nobody accepts fill its queue. Linux then drops further SYNs without an answer
// (unless net.ipv4.tcp_abort_on_overflow is set), so a client waits in connect() until
// its own timeout. The constructor proves that a connection attempt really hangs;
// isReady() is false where it does not (and on Windows, which refuses instead).
class StalledListener
{
public:
    StalledListener();
    ~StalledListener();
    StalledListener(const StalledListener &) = delete;
    StalledListener &operator=(const StalledListener &) = delete;

    bool isReady() const { return m_error.isEmpty(); }
    QString errorString() const { return m_error; }
    quint16 port() const { return m_port; }

private:
    QString m_error;
    quint16 m_port = 0;
    QList<int> m_sockets; // the listener first, then the queued connections
};

// A loopback port on which nothing listens (connections are refused at once).
quint16 closedLoopbackPort();

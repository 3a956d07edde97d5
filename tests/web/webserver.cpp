#include "web/webserver.h"

#include "support/sourcedir.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>
#include <vector>

#ifdef _WIN32
#include <QProcess>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;
#endif

// A helper program (openssl, the Python server). Off Windows it is started with
// posix_spawn rather than QProcess: Qt starts programs on Linux through a clone that
// shares the parent's memory, and ThreadSanitizer, seeing that clone as a fork of a
// process with several threads (Qt Test's watchdog is one), marks the parent itself as
// a forked child, stops checking its main thread and kills the test at its next new
// thread.
class ChildProcess
{
public:
    ~ChildProcess() { stop(); }

    // With pipes, standard input is a pipe that closes when this object or the whole
    // test process ends, and standard output comes to readLine(); standard error goes to
    // logFile. Without, standard input is empty and both outputs go to logFile.
    bool start(const QString &program, const QStringList &arguments, const QString &logFile,
               bool pipes, QString &error);
    // The next line of standard output without its line end; empty after the timeout.
    QByteArray readLine(int timeoutMs);
    // True when the program ended on its own within the timeout, with its exit code.
    bool waitForExit(int timeoutMs, int &exitCode);
    bool isRunning();
    void stop(); // kills it and waits for it

private:
#ifdef _WIN32
    QProcess m_process;
#else
    pid_t m_pid = -1;
    int m_input = -1;
    int m_output = -1;
    QByteArray m_buffer;
#endif
};

#ifdef _WIN32
bool ChildProcess::start(const QString &program, const QStringList &arguments,
                         const QString &logFile, bool pipes, QString &error)
{
    if (pipes) {
        m_process.setStandardErrorFile(logFile);
    } else {
        m_process.setStandardInputFile(QProcess::nullDevice());
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setStandardOutputFile(logFile);
    }
    m_process.start(program, arguments);
    if (!m_process.waitForStarted(20000)) {
        error = m_process.errorString();
        return false;
    }
    return true;
}

QByteArray ChildProcess::readLine(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!m_process.canReadLine() && m_process.state() == QProcess::Running &&
           !deadline.hasExpired())
        m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    return m_process.canReadLine() ? m_process.readLine().trimmed() : QByteArray();
}

bool ChildProcess::waitForExit(int timeoutMs, int &exitCode)
{
    if (!m_process.waitForFinished(timeoutMs) || m_process.exitStatus() != QProcess::NormalExit)
        return false;
    exitCode = m_process.exitCode();
    return true;
}

bool ChildProcess::isRunning()
{
    return m_process.state() == QProcess::Running;
}

void ChildProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(5000);
}
#else
bool ChildProcess::start(const QString &program, const QStringList &arguments,
                         const QString &logFile, bool pipes, QString &error)
{
    // Both pipes close on exec, so no other child inherits the ends kept here.
    int input[2] = {-1, -1};
    int output[2] = {-1, -1};
    if (pipes && (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0)) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        for (const int fd : {input[0], input[1]})
            if (fd >= 0)
                ::close(fd);
        return false;
    }
    const QByteArray log = QFile::encodeName(logFile);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (pipes)
        posix_spawn_file_actions_adddup2(&actions, input[0], 0);
    else
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, log.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, pipes ? output[1] : 2, 1);

    std::vector<QByteArray> words{QFile::encodeName(program)};
    for (const QString &argument : arguments)
        words.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    const int result = ::posix_spawnp(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (pipes) {
        ::close(input[0]);
        ::close(output[1]);
        m_input = input[1];
        m_output = output[0];
    }
    if (result != 0) {
        m_pid = -1;
        stop();
        error = QString::fromLocal8Bit(std::strerror(result));
        return false;
    }
    return true;
}

QByteArray ChildProcess::readLine(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const qsizetype end = m_buffer.indexOf('\n');
        if (end >= 0) {
            const QByteArray line = m_buffer.left(end).trimmed();
            m_buffer.remove(0, end + 1);
            return line;
        }
        if (m_output < 0 || deadline.hasExpired())
            return {};
        pollfd readable{m_output, POLLIN, 0};
        if (::poll(&readable, 1, static_cast<int>(deadline.remainingTime())) <= 0)
            continue; // timed out or interrupted: the deadline decides
        char chunk[256];
        const ssize_t got = ::read(m_output, chunk, sizeof chunk);
        if (got <= 0)
            return {};
        m_buffer.append(chunk, static_cast<qsizetype>(got));
    }
}

bool ChildProcess::waitForExit(int timeoutMs, int &exitCode)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (m_pid > 0) {
        int status = 0;
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
            m_pid = -1;
            exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return WIFEXITED(status);
        }
        if (done < 0 || deadline.hasExpired())
            return false;
        QThread::msleep(10);
    }
    return false;
}

bool ChildProcess::isRunning()
{
    int status = 0;
    if (m_pid > 0 && ::waitpid(m_pid, &status, WNOHANG) == m_pid)
        m_pid = -1;
    return m_pid > 0;
}

void ChildProcess::stop()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    for (int *fd : {&m_input, &m_output}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}
#endif

namespace {
const char *const RepliesFile = "replies.json";
const char *const LogFile = "requests.log";

// Extensions for both CAs and the server's certificate; -subj supplies the names.
const char *const OpensslConfig = R"([req]
distinguished_name = dn
prompt = no
[dn]
CN = unused
[ca_ext]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[server_ext]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = IP:127.0.0.1
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid, issuer
)";

QString pythonProgram()
{
    const QString python3 = QStandardPaths::findExecutable(QStringLiteral("python3"));
    return python3.isEmpty() ? QStringLiteral("python") : python3;
}
} // namespace

WebServer::WebServer() : WebServer(SourceDir::path() + QStringLiteral("/tests/web/webserver.py")) {}

WebServer::WebServer(const QString &script)
    : m_http(std::make_unique<ChildProcess>()), m_https(std::make_unique<ChildProcess>()),
      m_expiredHttps(std::make_unique<ChildProcess>()), m_script(script)
{
    if (!m_folder.isValid()) {
        m_error = QStringLiteral("no temporary folder: ") + m_folder.errorString();
        return;
    }
    writeReplies();
    if (!makeCertificates())
        return;
    const QStringList common = {script, QStringLiteral("--replies"), path(RepliesFile),
                                QStringLiteral("--log"), path(LogFile)};
    if (!startServer(*m_http, QStringLiteral("http"), common, m_httpPort))
        return;
    startServer(*m_https, QStringLiteral("https"),
                common + QStringList{QStringLiteral("--cert"), path(QStringLiteral("server.pem")),
                                     QStringLiteral("--key"), path(QStringLiteral("server.key"))},
                m_httpsPort);
}

WebServer::~WebServer() = default; // ChildProcess stops each server

bool WebServer::isRunning() const
{
    return m_error.isEmpty() && m_http->isRunning() && m_https->isRunning();
}

QString WebServer::errorString() const
{
    if (!m_error.isEmpty())
        return m_error;
    QString text;
    for (const char *name : {"http", "https"}) {
        QFile errors(path(QLatin1String(name) + QStringLiteral(".stderr")));
        if (errors.open(QIODevice::ReadOnly))
            text += QLatin1String(name) + QStringLiteral(" server: ") +
                    QString::fromLocal8Bit(errors.readAll());
    }
    return text;
}

QString WebServer::httpBase() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_httpPort);
}

QString WebServer::httpsBase() const
{
    return QStringLiteral("https://127.0.0.1:%1").arg(m_httpsPort);
}

QString WebServer::caFile() const
{
    return path(QStringLiteral("ca.pem"));
}

QString WebServer::untrustedCaFile() const
{
    return path(QStringLiteral("untrusted.pem"));
}

QString WebServer::expiredHttpsBase()
{
    if (m_expiredHttpsPort == 0) {
        // "-days -1": valid until a day before it was made.
        const bool made = runOpenssl(
            {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
             path(QStringLiteral("server.csr")), QStringLiteral("-CA"), caFile(),
             QStringLiteral("-CAkey"), path(QStringLiteral("ca.key")),
             QStringLiteral("-set_serial"), QStringLiteral("3"), QStringLiteral("-days"),
             QStringLiteral("-1"), QStringLiteral("-extfile"), path(QStringLiteral("openssl.cnf")),
             QStringLiteral("-extensions"), QStringLiteral("server_ext"), QStringLiteral("-out"),
             path(QStringLiteral("expired.pem"))});
        if (!made || !startServer(*m_expiredHttps, QStringLiteral("expired"),
                                  {m_script, QStringLiteral("--replies"), path(RepliesFile),
                                   QStringLiteral("--log"), path(LogFile), QStringLiteral("--cert"),
                                   path(QStringLiteral("expired.pem")), QStringLiteral("--key"),
                                   path(QStringLiteral("server.key"))},
                                  m_expiredHttpsPort))
            return {};
    }
    return QStringLiteral("https://127.0.0.1:%1").arg(m_expiredHttpsPort);
}

bool WebServer::runOpenssl(const QStringList &arguments)
{
    const QString log = path(QStringLiteral("openssl.log"));
    ChildProcess openssl;
    int exitCode = -1;
    QString error;
    if (!openssl.start(QStringLiteral("openssl"), arguments, log, false, error) ||
        !openssl.waitForExit(60000, exitCode) || exitCode != 0) {
        QFile output(log);
        output.open(QIODevice::ReadOnly);
        m_error = QStringLiteral("openssl %1 failed (exit code %2): %3 %4")
                      .arg(arguments.join(QLatin1Char(' ')))
                      .arg(exitCode)
                      .arg(error, QString::fromLocal8Bit(output.readAll()));
        return false;
    }
    return true;
}

bool WebServer::makeCertificates()
{
    QFile config(path(QStringLiteral("openssl.cnf")));
    if (!config.open(QIODevice::WriteOnly) || config.write(OpensslConfig) < 0) {
        m_error = QStringLiteral("cannot write openssl.cnf");
        return false;
    }
    config.close();

    // EC keys: quick to make, and every TLS library takes them.
    const QStringList newKey = {
        QStringLiteral("-newkey"),  QStringLiteral("ec"),
        QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"),
        QStringLiteral("-nodes"),   QStringLiteral("-config"),
        config.fileName()};
    const auto makeCa = [&](const QString &name, const QString &commonName) {
        return runOpenssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + newKey +
                          QStringList{QStringLiteral("-extensions"), QStringLiteral("ca_ext"),
                                      QStringLiteral("-days"), QStringLiteral("2"),
                                      QStringLiteral("-subj"), QStringLiteral("/CN=") + commonName,
                                      QStringLiteral("-keyout"),
                                      path(name + QStringLiteral(".key")), QStringLiteral("-out"),
                                      path(name + QStringLiteral(".pem"))});
    };
    return makeCa(QStringLiteral("ca"), QStringLiteral("Murmlet Test CA")) &&
           makeCa(QStringLiteral("untrusted"), QStringLiteral("Murmlet Untrusted CA")) &&
           runOpenssl(QStringList{QStringLiteral("req"), QStringLiteral("-new")} + newKey +
                      QStringList{QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                                  QStringLiteral("-keyout"), path(QStringLiteral("server.key")),
                                  QStringLiteral("-out"), path(QStringLiteral("server.csr"))}) &&
           runOpenssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                       path(QStringLiteral("server.csr")), QStringLiteral("-CA"), caFile(),
                       QStringLiteral("-CAkey"), path(QStringLiteral("ca.key")),
                       QStringLiteral("-set_serial"), QStringLiteral("2"), QStringLiteral("-days"),
                       QStringLiteral("2"), QStringLiteral("-extfile"), config.fileName(),
                       QStringLiteral("-extensions"), QStringLiteral("server_ext"),
                       QStringLiteral("-out"), path(QStringLiteral("server.pem"))});
}

bool WebServer::startServer(ChildProcess &process, const QString &name,
                            const QStringList &arguments, quint16 &port)
{
    // Its complaints go to a file, kept with the rest until the fixture ends.
    const QString log = path(name + QStringLiteral(".stderr"));
    QString error;
    bool ok = process.start(pythonProgram(), arguments, log, true, error);
    const uint value = ok ? process.readLine(20000).toUInt(&ok) : 0;
    if (!ok || value == 0 || value > 65535) {
        QFile errors(log);
        errors.open(QIODevice::ReadOnly);
        m_error = QStringLiteral("the %1 server did not start: %2 %3")
                      .arg(name, error, QString::fromLocal8Bit(errors.readAll()));
        return false;
    }
    port = static_cast<quint16>(value);
    return true;
}

void WebServer::setReply(const QString &path, int status, const QString &body,
                         const QString &contentType, double delaySeconds)
{
    Reply reply;
    reply.status = status;
    reply.body = body;
    if (!contentType.isNull())
        reply.contentType = contentType;
    reply.delaySeconds = delaySeconds;
    setReply(path, reply);
}

void WebServer::setReply(const QString &path, const Reply &reply)
{
    QJsonObject entry{{QStringLiteral("status"), reply.status},
                      {QStringLiteral("body"), reply.body},
                      {QStringLiteral("delay"), reply.delaySeconds},
                      {QStringLiteral("chunks"), reply.chunks},
                      {QStringLiteral("chunk_delay"), reply.chunkDelaySeconds}};
    if (reply.contentType)
        entry.insert(QStringLiteral("content_type"), *reply.contentType);
    if (!reply.headers.isEmpty()) {
        QJsonObject headers;
        for (auto it = reply.headers.begin(); it != reply.headers.end(); ++it)
            headers.insert(it.key(), it.value());
        entry.insert(QStringLiteral("headers"), headers);
    }
    if (reply.resetAfterBytes >= 0)
        entry.insert(QStringLiteral("reset_after"), reply.resetAfterBytes);
    m_replies.insert(path, entry);
    writeReplies();
}

void WebServer::writeReplies()
{
    // Replaced as a whole, so a server reading it meanwhile sees the old or the new file.
    QSaveFile file(path(RepliesFile));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QJsonDocument(m_replies).toJson(QJsonDocument::Compact)) < 0 || !file.commit()) {
        m_error = QStringLiteral("cannot write the replies: ") + file.errorString();
    }
}

QList<WebServer::Request> WebServer::requests() const
{
    QList<Request> result;
    QFile log(path(LogFile));
    if (!log.open(QIODevice::ReadOnly) || !log.seek(m_logOffset))
        return result;
    while (!log.atEnd()) {
        const QJsonObject entry = QJsonDocument::fromJson(log.readLine()).object();
        Request request;
        request.path = entry.value(QStringLiteral("path")).toString();
        request.method = entry.value(QStringLiteral("method")).toString();
        request.secure = entry.value(QStringLiteral("secure")).toBool();
        const QJsonObject headers = entry.value(QStringLiteral("headers")).toObject();
        for (auto it = headers.begin(); it != headers.end(); ++it)
            request.headers.insert(it.key().toLower(), it.value().toString());
        request.body = entry.value(QStringLiteral("body")).toString().toLatin1();
        const QJsonValue form = entry.value(QStringLiteral("form"));
        request.formDecoded = form.isArray();
        for (const QJsonValue &pair : form.toArray()) {
            const QJsonArray nameValue = pair.toArray();
            request.form.append({nameValue.at(0).toString(), nameValue.at(1).toString()});
        }
        result.append(request);
    }
    return result;
}

void WebServer::clearRequests()
{
    m_logOffset = QFile(path(LogFile)).size();
}

#ifndef _WIN32
namespace {
sockaddr_in loopback(quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

enum class Attempt
{
    Connected,
    Pending,
    Failed
};

// Starts a non-blocking connection to the port and waits up to waitMs for the handshake.
// fd receives the socket (or -1); the caller closes it.
Attempt tryConnect(quint16 port, int waitMs, int &fd)
{
    fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return Attempt::Failed;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    const sockaddr_in address = loopback(port);
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0)
        return Attempt::Connected;
    if (errno != EINPROGRESS)
        return Attempt::Failed;
    pollfd waiting{fd, POLLOUT, 0};
    if (::poll(&waiting, 1, waitMs) != 1)
        return Attempt::Pending;
    int error = 0;
    socklen_t length = sizeof error;
    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
    return error == 0 ? Attempt::Connected : Attempt::Failed;
}
} // namespace

StalledListener::StalledListener()
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (listener < 0 ||
        ::bind(listener, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(listener, 0) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        m_error =
            QStringLiteral("cannot listen on loopback: ") + QString::fromLocal8Bit(strerror(errno));
        if (listener >= 0)
            ::close(listener);
        return;
    }
    m_sockets.append(listener);
    m_port = ntohs(address.sin_port);

    // Queue connections until one is left waiting; that one proves the point and goes.
    for (int attempt = 0; attempt < 16; ++attempt) {
        int fd = -1;
        const Attempt result = tryConnect(m_port, 300, fd);
        if (result == Attempt::Connected) {
            m_sockets.append(fd);
            continue;
        }
        if (fd >= 0)
            ::close(fd);
        if (result == Attempt::Pending)
            return;
        m_error = QStringLiteral("a connection to the full listen queue failed instead of hanging");
        return;
    }
    m_error = QStringLiteral("the listen queue never filled up");
}

StalledListener::~StalledListener()
{
    for (const int fd : m_sockets)
        ::close(fd);
}

quint16 closedLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    quint16 port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0)
        ::close(fd); // bound, never listening: the port is free again
    return port;
}
#else
StalledListener::StalledListener()
    : m_error(QStringLiteral("Windows refuses connections to a full listen queue"))
{
}

StalledListener::~StalledListener() = default;

quint16 closedLoopbackPort()
{
    return 9; // "discard", which nothing on a test machine serves
}
#endif

#include "update/postprocess.h"

#include "base/monotonicclock.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

// The helper talks over one socket pair that is both its standard input and its
// standard output (its standard error is ours): the request goes in, the write side is shut, the
// reply comes back. A socket rather than pipes, so that a helper that died early makes send() fail
// with EPIPE (MSG_NOSIGNAL) instead of killing this process with SIGPIPE. posix_spawn rather than
// QProcess: no event loop is needed, and ThreadSanitizer does not mistake the start for a fork of a
// process with several threads.

namespace {
using Clock = MonotonicClock::Clock;

// Closes a descriptor when it goes out of scope.
struct Descriptor
{
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Kills and reaps the helper unless it was reaped already.
struct Helper
{
    pid_t pid = -1;
    ~Helper()
    {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
    }
};
} // namespace

PostProcess::PostProcess(QString helper, PostForm form)
    : m_helper(std::move(helper)), m_form(std::move(form))
{
}

QString PostProcess::helperBesideProgram()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/murmlet-post");
}

QString PostProcess::post(const QString &address, const QStringList &fields,
                          const std::atomic<bool> *cancel) const
{
    QJsonArray items{address};
    for (const QString &field : fields)
        items.append(field);
    const QByteArray request = QJsonDocument(items).toJson(QJsonDocument::Compact);

    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        throw Error("Cannot reach the web helper");
    Descriptor ours{pair[0]};
    Descriptor theirs{pair[1]};

    const QByteArray program = QFile::encodeName(m_helper);
    const QByteArray connectMs = QByteArray::number(m_form.connectTimeoutMs());
    const QByteArray responseMs = QByteArray::number(m_form.responseTimeoutMs());
    const QByteArray caFile = QFile::encodeName(m_form.caFile());
    char *argv[] = {const_cast<char *>(program.constData()),
                    const_cast<char *>(connectMs.constData()),
                    const_cast<char *>(responseMs.constData()),
                    caFile.isEmpty() ? nullptr : const_cast<char *>(caFile.constData()), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, theirs.fd, 0);
    posix_spawn_file_actions_adddup2(&actions, theirs.fd, 1);
    Helper helper;
    const int spawned =
        posix_spawn(&helper.pid, program.constData(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        helper.pid = -1;
        throw Error("Cannot start the web helper " + program.toStdString());
    }
    ::close(theirs.fd);
    theirs.fd = -1;

    const auto deadline =
        Clock::now() + std::chrono::milliseconds(m_form.connectTimeoutMs() +
                                                 m_form.responseTimeoutMs() + StartAndEndMs);
    const auto cancelled = [cancel] { return cancel && cancel->load(std::memory_order_acquire); };
    qsizetype sent = 0;
    QByteArray reply;
    for (;;) {
        if (cancelled())
            throw Error("Cancelled");
        if (Clock::now() >= deadline)
            throw Error("The web helper did not finish in time");
        pollfd watch{ours.fd, short(POLLIN | (sent < request.size() ? POLLOUT : 0)), 0};
        if (::poll(&watch, 1, PostForm::CancelLatencyMs) < 0 && errno != EINTR)
            throw Error("Cannot reach the web helper");
        if ((watch.revents & POLLOUT) && sent < request.size()) {
            const ssize_t n = ::send(ours.fd, request.constData() + sent,
                                     size_t(request.size() - sent), MSG_NOSIGNAL);
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                throw Error("The web helper ended unexpectedly");
            sent += n > 0 ? n : 0;
            if (sent == request.size())
                ::shutdown(ours.fd, SHUT_WR);
        }
        if (watch.revents & (POLLIN | POLLHUP | POLLERR)) {
            char buffer[16384];
            const ssize_t n = ::recv(ours.fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n == 0)
                break; // the helper has said all it has to say
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                throw Error("The web helper ended unexpectedly");
            if (n > 0)
                reply.append(buffer, n);
            if (reply.size() > 4 * PostForm::MaximumReplyBytes)
                throw Error("The reply is too large");
        }
    }

    int status = 0;
    pid_t reaped;
    while ((reaped = ::waitpid(helper.pid, &status, 0)) < 0 && errno == EINTR) {
    }
    helper.pid = -1;
    if (reaped > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return QString::fromUtf8(reply);
    if (reaped > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 1)
        throw Error(reply.toStdString());
    throw Error("The web helper ended unexpectedly");
}

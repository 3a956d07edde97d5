#include "update/postprocess.h"

#include "base/monotonicclock.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
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
//
// Every step is bounded by the call's deadline: the request is written without blocking (a helper
// that never reads cannot hold the caller), the reply is read as it comes, and a helper that has
// shut its output is waited for without blocking; at the deadline it is killed.

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
    // The bound is the form's own, counted from here: starting and ending the helper
    // spend it too, so the caller's promise (e.g. the feedback's 6 s per road) holds
    // whatever the helper does. The helper's own post has the same bound from a few
    // milliseconds later, so a reply that takes the whole time is cut here, with the
    // same message as the post in process gives.
    const int boundMs = m_form.connectTimeoutMs() + m_form.responseTimeoutMs();
    const auto deadline = Clock::now() + std::chrono::milliseconds(boundMs);

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

    // The helper gets its standard streams and nothing else of ours: descriptors that
    // another part of the program (or a library) opened without close-on-exec are shut.
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0)
        throw Error("Cannot start the web helper");
    int prepared = posix_spawn_file_actions_adddup2(&actions, theirs.fd, 0);
    if (prepared == 0)
        prepared = posix_spawn_file_actions_adddup2(&actions, theirs.fd, 1);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    if (prepared == 0)
        prepared = posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#else
#error "PostProcess needs posix_spawn_file_actions_addclosefrom_np (glibc 2.34 or later)"
#endif
    Helper helper;
    const int spawned = prepared != 0 ? prepared
                                      : posix_spawn(&helper.pid, program.constData(), &actions,
                                                    nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        helper.pid = -1;
        throw Error("Cannot start the web helper " + program.toStdString());
    }
    ::close(theirs.fd);
    theirs.fd = -1;

    const auto cancelled = [cancel] { return cancel && cancel->load(std::memory_order_acquire); };
    const auto timedOut = [boundMs] {
        return Error(QStringLiteral("Operation timed out: no complete reply within %1 milliseconds")
                         .arg(boundMs)
                         .toStdString());
    };
    // Until the deadline, and never longer than the cancel latency when the caller may cancel.
    const auto nextWaitMs = [&deadline, cancel] {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        const long long wait = std::max<long long>(left, 0);
        return int(cancel ? std::min<long long>(wait, PostForm::CancelLatencyMs) : wait);
    };

    qsizetype sent = 0;
    QByteArray reply;
    for (;;) {
        if (cancelled())
            throw Error("Cancelled");
        if (Clock::now() >= deadline)
            throw timedOut();
        pollfd watch{ours.fd, short(POLLIN | (sent < request.size() ? POLLOUT : 0)), 0};
        if (::poll(&watch, 1, nextWaitMs()) < 0 && errno != EINTR)
            throw Error("Cannot reach the web helper");
        if ((watch.revents & (POLLOUT | POLLERR | POLLHUP)) && sent < request.size()) {
            const ssize_t n = ::send(ours.fd, request.constData() + sent,
                                     size_t(request.size() - sent), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0)
                sent += n;
            else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                sent = request.size(); // it stopped reading: its exit status says why
            if (sent == request.size())
                ::shutdown(ours.fd, SHUT_WR);
        }
        if (watch.revents & (POLLIN | POLLHUP | POLLERR)) {
            char buffer[16384];
            const ssize_t n = ::recv(ours.fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n == 0)
                break; // the helper has said all it has to say
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                break; // gone without a word: its exit status says why
            if (n > 0)
                reply.append(buffer, n);
            if (reply.size() > 4 * PostForm::MaximumReplyBytes)
                throw Error("The reply is too large");
        }
    }

    // Its output is shut; it ends within moments, or is killed at the deadline.
    int status = 0;
    for (;;) {
        const pid_t reaped = ::waitpid(helper.pid, &status, WNOHANG);
        if (reaped == helper.pid)
            break;
        if (reaped < 0 && errno != EINTR)
            throw Error("The web helper ended unexpectedly");
        if (cancelled())
            throw Error("Cancelled");
        if (Clock::now() >= deadline)
            throw timedOut();
        ::poll(nullptr, 0, std::min(nextWaitMs(), 5));
    }
    helper.pid = -1;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return QString::fromUtf8(reply);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 1)
        throw Error(reply.toStdString());
    if (WIFSIGNALED(status))
        throw Error(QStringLiteral("The web helper crashed (signal %1)")
                        .arg(WTERMSIG(status))
                        .toStdString());
    throw Error(QStringLiteral("The web helper failed (exit code %1)")
                    .arg(WEXITSTATUS(status))
                    .toStdString());
}

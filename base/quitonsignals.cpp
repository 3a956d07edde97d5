#include "base/quitonsignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#ifndef Q_OS_WIN
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// Written by the signal handler, read by the main loop.
int wakeSockets[2] = {-1, -1};
constexpr int QuitSignals[] = {SIGTERM, SIGINT};

extern "C" void wakeMainLoop(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeSockets[1], &byte, 1);
    errno = saved;
}
} // namespace

QuitOnSignals::QuitOnSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, wakeSockets) != 0)
        return; // the signals keep their default: the process ends at once
    m_notifier = new QSocketNotifier(wakeSockets[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitOnSignals::onSignal);
    struct sigaction action = {};
    action.sa_handler = wakeMainLoop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : QuitSignals)
        ::sigaction(signal, &action, nullptr);
}

QuitOnSignals::~QuitOnSignals()
{
    if (!m_notifier)
        return;
    for (const int signal : QuitSignals)
        std::signal(signal, SIG_DFL);
    delete m_notifier;
    for (int &socket : wakeSockets) {
        ::close(socket);
        socket = -1;
    }
}

void QuitOnSignals::onSignal()
{
    char bytes[16];
    while (::read(wakeSockets[0], bytes, sizeof bytes) > 0) {
    }
    QCoreApplication::exit(0);
}
#else
QuitOnSignals::QuitOnSignals() = default;
QuitOnSignals::~QuitOnSignals() = default;
void QuitOnSignals::onSignal() {}
#endif

#include "base/runningmarker.h"

#include <QDir>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

RunningMarker::RunningMarker(const QString &name)
{
#ifdef Q_OS_WIN
    m_handle = CreateMutexW(nullptr, FALSE, reinterpret_cast<LPCWSTR>(name.utf16()));
#else
    // A shared lock on a file in the user's runtime folder; failures go unnoticed.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        return;
    const QByteArray path =
        QFile::encodeName(QDir(folder).filePath(name + QStringLiteral(".lock")));
    m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd >= 0)
        (void)::flock(m_fd, LOCK_SH | LOCK_NB);
#endif
}

RunningMarker::~RunningMarker()
{
#ifdef Q_OS_WIN
    if (m_handle)
        CloseHandle(m_handle);
#else
    if (m_fd >= 0)
        ::close(m_fd);
#endif
}

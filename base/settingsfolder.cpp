#include "base/settingsfolder.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <windows.h>
#include <shlobj.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

bool SettingsFolder::isFolderWritable(const QString &folder)
{
    QString path = folder;
    if (!path.endsWith(QLatin1Char('/')) && !path.endsWith(QDir::separator()))
        path += QDir::separator();
    path += QStringLiteral("chk.tmp");
#ifdef Q_OS_WIN
    const HANDLE file = CreateFileW(reinterpret_cast<LPCWSTR>(path.utf16()),
                                    GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
#else
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(native.constData());
    return true;
#endif
}

namespace {
// The user's folder for settings that follow them: the roaming application-data folder
// on Windows (Qt's configuration location there is the local one), the configuration
// folder elsewhere.
QString userSettingsBase()
{
#ifdef Q_OS_WIN
    wchar_t path[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                   SHGFP_TYPE_CURRENT, path)))
        return QDir::fromNativeSeparators(QString::fromWCharArray(path));
#endif
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}
} // namespace

QString SettingsFolder::choose(const QString &programFolder, const QString &companyName,
                               const QString &productName)
{
    if (isFolderWritable(programFolder))
        return QDir::toNativeSeparators(QDir(programFolder).absolutePath() + QLatin1Char('/'));
    const QString folder = userSettingsBase() + QLatin1Char('/') + companyName + QLatin1Char('/') +
                           productName + QLatin1Char('/');
    QDir().mkpath(folder); // a failure shows later, when the file cannot be written
    return QDir::toNativeSeparators(folder);
}

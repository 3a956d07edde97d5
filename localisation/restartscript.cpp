#include "localisation/restartscript.h"

#include <QDir>
#include <QFile>
#include <QOperatingSystemVersion>
#include <algorithm>
#include <stdexcept>
#include <string>

#ifdef Q_OS_WIN
// <windows.h> first: the other Windows headers rely on its types.
#include <windows.h>
#endif

namespace {
const char *const Notice1 = "This file was created automatically to restart the program.";
const char *const Notice2 = "It is safe to delete this file.";
} // namespace

namespace RestartScript {

QString fileName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("start.bat");
#else
    return QStringLiteral("start.sh");
#endif
}

QByteArray batchText(const QString &programFile, int windowsMajorVersion)
{
    QString text = QStringLiteral("@ECHO OFF\r\n");
    // cmd reads a batch file in the console's code page, the OEM one unless told: no
    // single code page holds every folder's name ("Lärm 教室"). UTF-8 does; cmd reads
    // each line anew, so the lines after this one are read as UTF-8 (Windows 7 on; Wine's
    // cmd ignores it, which is why text() prefers a short path that is plain ASCII).
    text += QStringLiteral("CHCP 65001 >NUL\r\n");
    text += QStringLiteral("ECHO ") + QLatin1String(Notice1) + QStringLiteral("\r\n");
    text += QStringLiteral("ECHO ") + QLatin1String(Notice2) + QStringLiteral("\r\n");
    if (windowsMajorVersion >= 6)
        text += QStringLiteral("timeout 1\r\n");
    QString program = programFile;
    program.replace(QLatin1Char('/'), QLatin1Char('\\')); // Windows separators on any build
    // A batch file expands %...% even between quotes; %% stands for one %.
    program.replace(QLatin1Char('%'), QLatin1String("%%"));
    text += QLatin1Char('"') + program + QStringLiteral("\"\r\n");
    return text.toUtf8();
}

QByteArray shellText(const QString &programFile)
{
    QByteArray text = "#!/bin/sh\n";
    text += QByteArray("echo ") + Notice1 + '\n';
    text += QByteArray("echo ") + Notice2 + '\n';
    text += "sleep 1\n";
    // The quoting works on the bytes the file system uses for the name.
    QByteArray name = QFile::encodeName(programFile);
    name.replace('\'', "'\\''");
    text += '\'' + name + "'\n";
    return text;
}

#ifdef Q_OS_WIN
QString asciiPathOf(const QString &path)
{
    const auto isAscii = [](const QString &text) {
        return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
    };
    if (isAscii(path))
        return path;
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    const DWORD length = GetShortPathNameW(native.c_str(), nullptr, 0);
    if (length == 0)
        return path;
    std::wstring shortPath(length, L'\0');
    const DWORD written = GetShortPathNameW(native.c_str(), shortPath.data(), length);
    if (written == 0 || written >= length)
        return path;
    shortPath.resize(written);
    const QString result = QString::fromStdWString(shortPath);
    return isAscii(result) ? result : path;
}
#endif

QByteArray text(const QString &programFile)
{
#ifdef Q_OS_WIN
    return batchText(asciiPathOf(programFile), QOperatingSystemVersion::current().majorVersion());
#else
    return shellText(programFile);
#endif
}

QString path(const QString &settingsFolder)
{
    QString folder = settingsFolder;
    if (!folder.endsWith(QLatin1Char('/')) && !folder.endsWith(QLatin1Char('\\')))
        folder += QLatin1Char('/');
    return folder + fileName();
}

QString write(const QString &settingsFolder, const QString &programFile)
{
    const QString scriptPath = path(settingsFolder);
    QFile file(scriptPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error(QStringLiteral("Cannot create file \"%1\". %2")
                                     .arg(QDir::toNativeSeparators(scriptPath), file.errorString())
                                     .toStdString());
    const QByteArray bytes = text(programFile);
    if (file.write(bytes) != bytes.size() || !file.flush())
        throw std::runtime_error(file.errorString().toStdString());
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    return scriptPath;
}

} // namespace RestartScript

#include "localisation/restartscript.h"

#include <QDir>
#include <QFile>
#include <QOperatingSystemVersion>
#include <QStringEncoder>
#include <stdexcept>

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
    text += QStringLiteral("ECHO ") + QLatin1String(Notice1) + QStringLiteral("\r\n");
    text += QStringLiteral("ECHO ") + QLatin1String(Notice2) + QStringLiteral("\r\n");
    if (windowsMajorVersion >= 6)
        text += QStringLiteral("timeout 1\r\n");
    QString program = programFile;
    program.replace(QLatin1Char('/'), QLatin1Char('\\')); // Windows separators on any build
    // A batch file expands %...% even between quotes; %% stands for one %.
    program.replace(QLatin1Char('%'), QLatin1String("%%"));
    text += QLatin1Char('"') + program + QStringLiteral("\"\r\n");
    // "System" is the ANSI code page on Windows.
    QStringEncoder encoder(QStringEncoder::System);
    return encoder.encode(text);
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

QByteArray text(const QString &programFile)
{
#ifdef Q_OS_WIN
    return batchText(programFile, QOperatingSystemVersion::current().majorVersion());
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

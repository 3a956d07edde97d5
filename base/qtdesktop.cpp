#include "base/qtdesktop.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

#ifdef Q_OS_WIN
#include <windows.h>
#include <QDir>
#endif

bool QtDesktop::openUrl(const QString &address)
{
    return QDesktopServices::openUrl(QUrl(address));
}

bool QtDesktop::startProgram(const QString &program)
{
    return QProcess::startDetached(program, {});
}

bool QtDesktop::startScript(const QString &script, const QString &workingFolder)
{
    // Hidden: no window, and nothing the script prints reaches anyone.
    QProcess process;
#ifdef Q_OS_WIN
    // A batch file runs in the command interpreter.
    process.setProgram(QStringLiteral("cmd.exe"));
    process.setNativeArguments(QStringLiteral("/d /c \"\"") + QDir::toNativeSeparators(script) +
                               QStringLiteral("\"\""));
    process.setCreateProcessArgumentsModifier(
        [](QProcess::CreateProcessArguments *arguments) { arguments->flags |= CREATE_NO_WINDOW; });
#else
    process.setProgram(QStringLiteral("/bin/sh"));
    process.setArguments({script});
#endif
    process.setWorkingDirectory(workingFolder);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

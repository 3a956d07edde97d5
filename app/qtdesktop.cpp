#include "app/qtdesktop.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

bool QtDesktop::openUrl(const QString &address)
{
    return QDesktopServices::openUrl(QUrl(address));
}

bool QtDesktop::startProgram(const QString &program)
{
    return QProcess::startDetached(program, {});
}

#include "base/applicationsetup.h"

#include "base/pictures.h"
#include "base/tahomafont.h"

#include <QApplication>
#include <QFile>
#include <QIcon>

QFont ApplicationSetup::windowFont()
{
    return tahomaFont(11);
}

void ApplicationSetup::apply(QApplication &app)
{
    QApplication::setFont(windowFont());
    // Without the theme in the resources the default look stays.
    QFile theme(QStringLiteral(":/themes/glossy.qss"));
    if (theme.open(QIODevice::ReadOnly | QIODevice::Text))
        app.setStyleSheet(QString::fromUtf8(theme.readAll()));
    QApplication::setApplicationName(QString::fromLatin1(Title));
    // The installed menu entry's name, so a desktop ties the window to its icon.
    QApplication::setDesktopFileName(QStringLiteral("com.tambrix.Murmlet"));
    QApplication::setWindowIcon(Pictures::icon(QStringLiteral(":/icons/murmlet")));
}

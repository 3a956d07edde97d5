#include "features/pause/pausenote.h"

#include "session/listeningsession.h"

#include <QDateTime>
#include <QLocale>

QString PauseNote::statusText(const QString &countText, const ListeningSession &session,
                              const Translator &translate)
{
    if (!session.isPaused())
        return countText;
    const QDateTime end = QDateTime::fromMSecsSinceEpoch(session.pauseEnd());
    const QString note = translate(QStringLiteral("Alarm paused until %1"))
                             .arg(QLocale::system().toString(end.time(), QLocale::ShortFormat));
    return countText.isEmpty() ? note : countText + QStringLiteral(" \u2013 ") + note;
}

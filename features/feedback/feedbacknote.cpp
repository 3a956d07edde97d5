#include "features/feedback/feedbacknote.h"

#include "base/controlcharacters.h"

#include "base/appidentity.h"

QString Feedback::trimmed(const QString &text)
{
    return trimControlCharacters(text);
}

QString Feedback::choiceText(const QString &english, const QString &shownCaption)
{
    if (shownCaption == english)
        return english;
    return english + QStringLiteral(" (") + shownCaption + QLatin1Char(')');
}

QString Feedback::noteText(const QString &like, const QString &dislike, const QString &trimmedMemo)
{
    // At most one panel is ever chosen; were both, the dislike text would win.
    QString note;
    if (!like.isNull())
        note = like + QLatin1Char('\r');
    if (!dislike.isNull())
        note = dislike + QLatin1Char('\r');
    return note + trimmedMemo;
}

QStringList Feedback::fields(const AppIdentity &identity, const QString &note, const QString &email)
{
    QStringList lines{QStringLiteral("cmd=feedback"), QStringLiteral("appname=") + identity.title,
                      QStringLiteral("version=") + identity.version,
                      QStringLiteral("feedback=") + note};
    if (!email.isEmpty())
        lines << QStringLiteral("email=") + email;
    return lines;
}

bool Feedback::isAccepted(const QString &reply)
{
    // Splitting into lines and joining them with CR LF only changes line ends, and those
    // at the ends go with the trimming; inner ones keep the text from being "OK" either way.
    const qsizetype nul = reply.indexOf(QChar(u'\0'));
    return trimmed(nul < 0 ? reply : reply.left(nul)) == QLatin1String("OK");
}

#include "dialogs/feedbackservice.h"

#include "app/trimcontrols.h"

#include "app/appidentity.h"
#include "update/postform.h"

#include <exception>

FeedbackService FeedbackService::forHost(const QString &host)
{
    const PostForm form = PostForm::feedback();
    return {QStringLiteral("https://") + host, QStringLiteral("http://") + host,
            [form](const QString &address, const QStringList &lines) {
                return form.post(address, lines);
            }};
}

std::optional<QString> FeedbackService::send(const QStringList &lines) const
{
    try {
        return post(httpsBase + Feedback::Path, lines);
    } catch (const std::exception &) {
        // Any failure of the secure road: the plain one is tried once.
    }
    try {
        return post(httpBase + Feedback::Path, lines);
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

QString Feedback::trimmed(const QString &text)
{
    return trimControls(text);
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

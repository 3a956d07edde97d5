#include "base/programmessages.h"

#include "base/applicationsetup.h"
#include "base/captionedmessagedialog.h"

bool ProgramMessages::confirmRestart(QWidget *parent, const Translator &translate)
{
    const int answer = showCaptionedMessage(
        parent, translate(QStringLiteral("Restart Application?")), QMessageBox::Question,
        QMessageBox::Yes | QMessageBox::No, translate(QStringLiteral("Confirmation")),
        {translate(QStringLiteral("Yes")), translate(QStringLiteral("No"))});
    return answer == DialogResult::Yes;
}

void ProgramMessages::showGeneralError(QWidget *parent, const QString &message)
{
    QString text = message;
    if (!text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    QMessageBox::critical(parent, QString::fromLatin1(ApplicationSetup::Title), text);
}

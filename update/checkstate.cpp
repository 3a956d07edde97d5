#include "update/checkstate.h"

#include "app/trimcontrols.h"

void CheckState::LogCheckError(const QString &message)
{
    if (trimControls(message).isEmpty())
        return;
    checkFailed = true;
    errorLog = errorLog.isEmpty() ? message : errorLog + QStringLiteral("\r\r") + message;
}

void CheckState::ClearCheckErrors()
{
    errorLog.clear();
    checkFailed = false;
}

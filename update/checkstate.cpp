#include "update/checkstate.h"

#include "base/controlcharacters.h"

void CheckState::logError(const QString &message)
{
    if (trimControlCharacters(message).isEmpty())
        return;
    checkFailed = true;
    errorLog = errorLog.isEmpty() ? message : errorLog + QStringLiteral("\r\r") + message;
}

void CheckState::clearErrors()
{
    errorLog.clear();
    checkFailed = false;
}

void CheckState::keepShowingUpdates(bool show)
{
    if (store)
        store->writeString(QStringLiteral("ShowUpdate"),
                           show ? QStringLiteral("1") : QStringLiteral("0"));
}

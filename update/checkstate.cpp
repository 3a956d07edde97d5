#include "update/checkstate.h"

void CheckState::LogCheckError(const QString &message)
{
    // Trimmed of blanks and control characters, as the log's readers expect.
    qsizetype begin = 0, end = message.size();
    while (begin < end && message[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && message[end - 1].unicode() <= 0x20)
        --end;
    if (begin == end)
        return;
    checkFailed = true;
    errorLog = errorLog.isEmpty() ? message : errorLog + QStringLiteral("\r\r") + message;
}

void CheckState::ClearCheckErrors()
{
    errorLog.clear();
    checkFailed = false;
}

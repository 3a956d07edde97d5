#include "session/alarmpause.h"

void AlarmPause::pauseFor(int minutes, qint64 now, qint64 wallNow)
{
    const qint64 length = qint64(minutes) * 60 * 1000;
    m_active = true;
    m_end = now + length;
    m_wallEnd = wallNow + length;
}

bool AlarmPause::isPaused(qint64 now, qint64 wallNow) const
{
    return m_active && now < m_end && wallNow < m_wallEnd;
}

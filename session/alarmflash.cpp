#include "session/alarmflash.h"

qint64 AlarmFlash::wholePeriods(qint64 ms)
{
    return (ms + PeriodMs - 1) / PeriodMs * PeriodMs;
}

qint64 AlarmFlash::lengthFor(qint64 soundMs)
{
    return wholePeriods(qMax(MinimumMs, soundMs));
}

bool AlarmFlash::litAt(qint64 sinceStartMs, qint64 lengthMs)
{
    return sinceStartMs >= 0 && sinceStartMs < lengthMs && sinceStartMs % PeriodMs < LitMs;
}

void AlarmFlash::start(qint64 nowMs, qint64 soundMs)
{
    if (isRunning(nowMs)) {
        m_lengthMs = qMax(m_lengthMs, wholePeriods(nowMs - m_startMs + lengthFor(soundMs)));
        return;
    }
    // The last one ended on a whole period, so this first onset is at least a period
    // after its last.
    m_started = true;
    m_startMs = nowMs;
    m_lengthMs = lengthFor(soundMs);
}

bool AlarmFlash::isLit(qint64 nowMs) const
{
    return m_started && litAt(nowMs - m_startMs, m_lengthMs);
}

bool AlarmFlash::isRunning(qint64 nowMs) const
{
    return m_started && nowMs - m_startMs < m_lengthMs;
}

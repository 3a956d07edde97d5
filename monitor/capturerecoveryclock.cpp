#include "monitor/capturerecoveryclock.h"

void CaptureRecoveryClock::stop()
{
    m_wanted = false;
    m_recording = false;
    m_tried = false;
}

void CaptureRecoveryClock::opened(qint64 nowMs)
{
    m_recording = true;
    m_tried = true;
    m_lastTryMs = nowMs;
    m_openedMs = nowMs;
}

void CaptureRecoveryClock::openFailed(qint64 nowMs)
{
    m_recording = false;
    m_tried = true;
    m_lastTryMs = nowMs;
}

CaptureRecoveryClock::Step CaptureRecoveryClock::next(qint64 nowMs, qint64 lastBufferMs,
                                                      bool lost) const
{
    if (!m_wanted)
        return Step::Wait;
    if (m_recording) {
        // A device just opened has had no time to return a buffer yet.
        const qint64 lastSign = qMax(lastBufferMs, m_openedMs);
        return lost || nowMs - lastSign >= StallMs ? Step::Reopen : Step::Wait;
    }
    return !m_tried || nowMs - m_lastTryMs >= RetryMs - EarlyMs ? Step::Open : Step::Wait;
}

#pragma once

#include <QtGlobal>

// A pause of the warning sound for some minutes. It is measured on two clocks: the
// monotonic one (immune to clock changes) and the wall clock the user was shown the end
// on. The pause ends at whichever comes first, so a computer that slept through it does
// not stay silent beyond the time in the status bar. Never stored: a restart resumes.
class AlarmPause
{
public:
    // Starts a pause, or replaces the one running. now: monotonic milliseconds;
    // wallNow: milliseconds since the epoch.
    void pauseFor(int minutes, qint64 now, qint64 wallNow);
    void resume() { m_active = false; }
    bool isPaused(qint64 now, qint64 wallNow) const;
    // When the pause ends, in milliseconds since the epoch.
    qint64 wallEnd() const { return m_wallEnd; }

private:
    bool m_active = false;
    qint64 m_end = 0;
    qint64 m_wallEnd = 0;
};

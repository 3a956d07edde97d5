#pragma once

#include <QtGlobal>

// The visual alarm's timing: lit or dark as a function of the time since the alarm began,
// on whatever clock the caller keeps (the session's, which tests replace). Nothing here
// runs by itself: the session asks at each meter tick, so no timer of its own wakes the
// program, and none at all while nothing flashes.
//
// The alarm flashes twice a second: lit for LitMs at the start of every PeriodMs. WCAG
// 2.3.1 (Three Flashes or Below Threshold) allows no more than three flashes in any one
// second. Every lit onset lies PeriodMs after the one before it, also when a new alarm
// comes while (or just after) the last one flashes, since the new one keeps the old one's
// rhythm. Seen at any moments at all, an onset is noticed within its lit part
// [k * PeriodMs, k * PeriodMs + LitMs), so the noticed onsets are at least
// PeriodMs - LitMs apart and four of them span at least 3 * PeriodMs - LitMs = 1250 ms:
// never more than three in one second, however late the meter ticks come.
class AlarmFlash
{
public:
    static constexpr qint64 PeriodMs = 500;
    static constexpr qint64 LitMs = 250;
    // The visual alarm lasts as long as the sound that would have played, but at least
    // this long: a 0.33 s beep would otherwise be a single blink of a quarter second,
    // easily missed in a room at work; 2 s are four flashes. A length is rounded up to
    // whole periods, so the last flash is never cut short.
    static constexpr qint64 MinimumMs = 2000;

    // How long the visual alarm runs for a sound of soundMs (0: no sound would play).
    static qint64 lengthFor(qint64 soundMs);
    // Lit or dark sinceStartMs after the visual alarm began, for one of lengthMs.
    static bool litAt(qint64 sinceStartMs, qint64 lengthMs);

    // An alarm at nowMs whose sound lasts soundMs. While an earlier one still flashes,
    // that one goes on, in its rhythm, until this one's length has passed.
    void start(qint64 nowMs, qint64 soundMs);
    bool isLit(qint64 nowMs) const;
    // Whether the visual alarm still runs (lit or between two flashes).
    bool isRunning(qint64 nowMs) const;

private:
    static qint64 wholePeriods(qint64 ms);

    bool m_started = false;
    qint64 m_startMs = 0;
    qint64 m_lengthMs = 0;
};

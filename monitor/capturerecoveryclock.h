#pragma once

#include <QtGlobal>

// Decides when a capture opens its device again, as the Linux capture does after its
// sound server or source went away. Recording is wanted from open() to close(); while
// it is wanted and nothing records, an open is tried every RetryMs (Murmlet started at
// login before the microphone is ready). A recording is lost when its driver said so or
// when no buffer came back for StallMs; it is closed and opened anew. Pure: the caller
// tells what happened and when, on one thread.
class CaptureRecoveryClock
{
public:
    static constexpr qint64 RetryMs = 1000;
    static constexpr qint64 StallMs = 500;
    // The once-a-second caller comes a little early at times; that still counts.
    static constexpr qint64 EarlyMs = 100;

    enum class Step
    {
        Wait,
        Open,   // nothing records: try to open
        Reopen, // the recording is lost: close it, then try to open
    };

    void want() { m_wanted = true; }
    void stop();
    void opened(qint64 nowMs);
    void openFailed(qint64 nowMs);
    bool isWanted() const { return m_wanted; }

    // What to do now. lastBufferMs: when the device last returned a buffer; lost: the
    // driver reported the device gone.
    Step next(qint64 nowMs, qint64 lastBufferMs, bool lost) const;

private:
    bool m_wanted = false;
    bool m_recording = false;
    qint64 m_lastTryMs = 0;
    bool m_tried = false;
    qint64 m_openedMs = 0;
};

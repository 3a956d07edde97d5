#pragma once

#include <QtGlobal>

// Tells whether sound is coming in from the microphone: it is, while a capture has
// arrived within the last StaleAfterMs (counted from the start of listening before the
// first one). A microphone that was pulled, or a sound system that went away, delivers
// nothing; its last reading must not be held as if the room were still that loud.
class SignalWatch
{
public:
    static constexpr qint64 StaleAfterMs = 500;

    // Listening begins now.
    void start(qint64 nowMs) { m_lastMs = nowMs; }
    // A capture arrived now.
    void noteCapture(qint64 nowMs) { m_lastMs = nowMs; }
    bool isLive(qint64 nowMs) const { return nowMs - m_lastMs < StaleAfterMs; }

private:
    qint64 m_lastMs = 0;
};

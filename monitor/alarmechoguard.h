#pragma once

#include <QtGlobal>

// Keeps the warning sound from setting itself off: speakers near the microphone make the
// alarm heard as noise. While the program's own sound plays, and for TailMs after its
// last sample left the speaker (the room's echo and the way back through the sound
// system into the capture), readings are the program's own sound, not the room.
class AlarmEchoGuard
{
public:
    static constexpr qint64 TailMs = 300;

    // Whether the reading taken now is our own sound, given whether it plays now.
    bool isOwnSound(bool playing, qint64 nowMs)
    {
        if (playing) {
            m_heard = true;
            m_lastPlayingMs = nowMs;
            return true;
        }
        return m_heard && nowMs - m_lastPlayingMs < TailMs;
    }

private:
    bool m_heard = false;
    qint64 m_lastPlayingMs = 0;
};

#pragma once

#include "monitor/soundplayer.h"

#include <QByteArray>

// Plays through PlaySoundW asynchronously. Without SND_NODEFAULT the system plays its
// default sound in place of one it cannot play.
class WinSoundPlayer : public SoundPlayer
{
public:
    ~WinSoundPlayer() override;

    void playResource(const QString &name) override;
    void playFile(const QString &path) override;

private:
    // The sound being played from memory must outlive its playback.
    QByteArray m_playing;
};

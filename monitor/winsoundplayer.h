#pragma once

#include "monitor/soundplayer.h"

#include <QByteArray>
#include <atomic>

// Plays through PlaySoundW asynchronously. Every sound it hands over is one whose length
// it knows (WavSound reads it): a file it cannot read is not passed on, since the
// system's codecs might play it for a length nobody here knows; the short default sound
// plays instead, as on Linux.
class WinSoundPlayer : public SoundPlayer
{
public:
    ~WinSoundPlayer() override;

    void playResource(const QString &name) override;
    void playFile(const QString &path) override;
    // PlaySoundW does not tell when it is done: the sound's own length, plus an allowance
    // for the device to start, decides.
    bool isPlaying() const override;
    // PlaySoundW has no volume of its own: below 1 the samples are scaled in memory and
    // played from there; at 1 every sound takes the road it always took.
    void setVolume(double fraction) override;

private:
    void expectPlaying(double seconds);
    // Plays a WAVE file held in memory (kept until the next sound replaces it).
    void playFromMemory(QByteArray file);

    std::atomic<qint64> m_playingUntilMs{0};
    double m_volume = 1.0;
    // The sound being played from memory must outlive its playback.
    QByteArray m_playing;
};

#pragma once

#include "monitor/pulseconnection.h"
#include "monitor/soundplayer.h"
#include "monitor/wavsound.h"

#include <atomic>

// Plays sounds on the sound server's default sink. The sound's samples are fed from the
// connection's loop thread and drained, so every sound plays to its last sample unless a
// newer one replaces it.
class PulseSoundPlayer : public SoundPlayer
{
public:
    PulseSoundPlayer();
    ~PulseSoundPlayer() override;

    void playResource(const QString &name) override;
    void playFile(const QString &path) override;
    bool isPlaying() const override;
    // The samples of the next sounds are scaled before they are played. Not a stream
    // volume: PipeWire's PulseAudio service (0.3.65, WirePlumber 0.4.13) ignores one given
    // when the stream is made, and WirePlumber keeps stream volumes by media role, so one
    // set later would turn every program's notification sounds down with ours.
    void setVolume(double fraction) override;

    // Plays the sound at the volume set.
    void play(WavSound sound);

private:
    void startStream(pa_context *context); // loop locked
    void dropStream();                     // loop locked
    static void onWrite(pa_stream *stream, std::size_t size, void *self);
    static void onDrained(pa_stream *stream, int success, void *self);

    PulseConnection m_connection;
    // Guarded by the loop lock.
    pa_stream *m_stream = nullptr;
    WavSound m_sound;
    qsizetype m_offset = 0;
    bool m_pending = false;
    std::atomic<bool> m_playing{false}; // set by play(), cleared when drained or dropped
    // Steady-clock milliseconds after which a sound counts as over even if the server
    // never said so (a connection that failed before the stream started, say).
    std::atomic<qint64> m_playingDeadlineMs{0};
    double m_volume = 1.0; // the caller's thread only
};

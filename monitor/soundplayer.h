#pragma once

#include "monitor/wavsound.h"

#include <QString>
#include <memory>

// Plays warning sounds asynchronously: calls return at once, and a new sound cuts off
// one still playing. A sound that cannot be played is replaced by a short default one.
class SoundPlayer
{
public:
    virtual ~SoundPlayer();

    // A built-in sound, "Resource_1" ... "Resource_3" (letter case ignored).
    virtual void playResource(const QString &name) = 0;
    // A WAV file of the user's.
    virtual void playFile(const QString &path) = 0;
    // True from a play call until the sound's last sample has been played out (or it
    // could not be played). Any thread may ask.
    virtual bool isPlaying() const { return false; }
    // How loud the next sounds play, as a share of their own loudness: 1 plays them as
    // they are, 0.3 at 30 % of their amplitude (values outside 0 ... 1 are held within).
    // A sound already playing keeps its volume. A player that cannot change the volume
    // plays every sound as it is.
    virtual void setVolume(double fraction) { static_cast<void>(fraction); }

    // The platform's player for the default output device.
    static std::unique_ptr<SoundPlayer> createDefault();

    // What playResource() and playFile() play: the sound, the short default one in place of
    // one that cannot be read, and only the first MaximumFileSeconds of a user's file.
    static WavSound resourceSound(const QString &name);
    static WavSound fileSound(const QString &path);

    // Files larger than this are not read; the default sound plays instead.
    static constexpr qint64 MaximumFileBytes = 64 * 1024 * 1024;
    // A user's sound plays for at most this long: while it plays the room is not heard.
    static constexpr double MaximumFileSeconds = 10.0;
};

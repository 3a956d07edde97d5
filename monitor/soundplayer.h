#pragma once

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

    // The platform's player for the default output device.
    static std::unique_ptr<SoundPlayer> createDefault();

    // Files larger than this are not read; the default sound plays instead.
    static constexpr qint64 MaximumFileBytes = 64 * 1024 * 1024;
    // A user's sound plays for at most this long: while it plays the room is not heard.
    static constexpr double MaximumFileSeconds = 10.0;
};

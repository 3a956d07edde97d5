#pragma once

#include <QByteArray>
#include <optional>

// PCM sound data taken from a RIFF WAVE file, ready for an output stream.
class WavSound
{
public:
    enum class Encoding
    {
        U8,
        S16LE,
        S24LE,
        S32LE,
        Float32LE
    };

    Encoding encoding = Encoding::S16LE;
    int channels = 1;
    int sampleRate = 44100;
    QByteArray data; // whole frames only

    int bytesPerFrame() const;
    double seconds() const;
    // Cuts the sound after this many seconds (whole frames); a shorter one stays whole.
    void keepFirstSeconds(double limit);
    // Makes the sound quieter: every sample times volume (0 ... 1, held within; 0.3 is
    // 30 % of the amplitude), rounded to the nearest step, half steps away from silence.
    // 8-bit samples are unsigned around 128, their silence; the others are signed around 0.
    void scaleVolume(double volume);
    // The sound as a RIFF WAVE file that parse() reads back unchanged: plain PCM for 8 and
    // 16 bits, the extensible header otherwise.
    QByteArray toWavFile() const;

    // Reads a RIFF WAVE file: uncompressed PCM (8, 16, 24 or 32 bits), 32-bit float,
    // or the extensible header carrying either. Chunks other than "fmt " and "data" are
    // skipped; a data chunk cut short plays what is there. Anything else gives nothing.
    static std::optional<WavSound> parse(const QByteArray &file);

    // The short sound played instead of one that cannot be played.
    static WavSound fallback();
};

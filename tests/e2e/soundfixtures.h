#pragma once

#include <QByteArray>
#include <QString>

// Sounds for the end-to-end tests, and what a recording of the speaker held. All of it
// mono, 44100 Hz, signed 16-bit.
namespace SoundFixtures {

// A WAV file of white noise with the given peak, written to path.
bool writeNoiseWav(const QString &path, double seconds, int peak);

// A WAV file of a 441 Hz sine with the given amplitude: a period is 100 samples, so
// every capture holds samples at exactly +amplitude and -amplitude.
bool writeToneWav(const QString &path, double seconds, int amplitude);

// The longest run, in seconds, of 10 ms windows whose RMS exceeds `rms`.
double longestLoudRun(const QByteArray &raw, double rms = 300);

// The seconds, in all, of 10 ms windows whose RMS exceeds `rms`.
double loudSeconds(const QByteArray &raw, double rms = 300);

// The largest absolute sample value in a raw recording.
int peakOf(const QByteArray &raw);

// Seconds of audio in a raw recording.
inline double secondsOf(const QByteArray &raw)
{
    return double(raw.size()) / 2 / 44100;
}

} // namespace SoundFixtures

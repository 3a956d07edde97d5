#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

// Helpers for tests that meet the private sound server started by with-pulse.sh.
namespace PulseTools {

// Runs pactl with the arguments; its standard output, or nothing when it failed.
std::optional<QString> pactl(const QStringList &arguments);

// A mono 44100 Hz 16-bit WAV file of white noise with the given peak, written to path.
bool writeNoiseWav(const QString &path, double seconds, int peak);

// A mono 44100 Hz 16-bit WAV file of a 441 Hz sine with the given amplitude: a period
// is 100 samples, so every capture holds samples at exactly +amplitude and -amplitude.
bool writeToneWav(const QString &path, double seconds, int amplitude);

// Plays a WAV file into a sink in real time (the virtual microphone's feed).
std::unique_ptr<QProcess> play(const QString &wav, const QString &sink);

// Records a source as raw mono 44100 Hz signed 16-bit samples until stopped.
class Recorder
{
public:
    explicit Recorder(const QString &source);
    ~Recorder();
    QByteArray stop(); // all samples recorded so far
private:
    QProcess m_process;
};

// The longest run, in seconds, of 10 ms windows whose RMS exceeds `rms`.
double longestLoudRun(const QByteArray &raw, double rms = 300);
// Seconds of audio in a raw recording.
inline double secondsOf(const QByteArray &raw)
{
    return double(raw.size()) / 2 / 44100;
}

} // namespace PulseTools

#include "e2e/soundfixtures.h"

#include <QFile>
#include <QRandomGenerator>
#include <QtEndian>
#include <cmath>

namespace SoundFixtures {

namespace {
// A mono 44100 Hz 16-bit WAV file of `seconds`, each sample from sampleAt(index).
template <typename Samples> bool writeWav(const QString &path, double seconds, Samples sampleAt)
{
    const auto frames = static_cast<quint32>(seconds * 44100);
    QByteArray wav;
    auto u32 = [&](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        wav.append(b, 4);
    };
    auto u16 = [&](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        wav.append(b, 2);
    };
    wav += "RIFF";
    u32(36 + frames * 2);
    wav += "WAVEfmt ";
    u32(16), u16(1), u16(1), u32(44100), u32(88200), u16(2), u16(16);
    wav += "data";
    u32(frames * 2);
    for (quint32 i = 0; i < frames; ++i)
        u16(static_cast<quint16>(sampleAt(i)));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(wav) == wav.size();
}
} // namespace

bool writeNoiseWav(const QString &path, double seconds, int peak)
{
    QRandomGenerator random(7);
    return writeWav(path, seconds,
                    [&](quint32) { return static_cast<qint16>(random.bounded(-peak, peak + 1)); });
}

bool writeToneWav(const QString &path, double seconds, int amplitude)
{
    return writeWav(path, seconds, [&](quint32 i) {
        return static_cast<qint16>(std::lround(amplitude * std::sin(2 * M_PI * (i % 100) / 100.0)));
    });
}

namespace {
// Calls loud(bool) for each 10 ms window, saying whether its RMS exceeds `rms`.
template <typename Loud> void eachWindow(const QByteArray &raw, double rms, Loud loud)
{
    constexpr int window = 441;
    const auto *samples = reinterpret_cast<const qint16 *>(raw.constData());
    const qsizetype count = raw.size() / 2;
    for (qsizetype start = 0; start + window <= count; start += window) {
        double sum = 0;
        for (int i = 0; i < window; ++i) {
            const double v = qFromLittleEndian(samples[start + i]);
            sum += v * v;
        }
        loud(std::sqrt(sum / window) > rms);
    }
}
} // namespace

double longestLoudRun(const QByteArray &raw, double rms)
{
    int run = 0, longest = 0;
    eachWindow(raw, rms, [&](bool loud) {
        run = loud ? run + 1 : 0;
        longest = qMax(longest, run);
    });
    return longest * 0.01;
}

double loudSeconds(const QByteArray &raw, double rms)
{
    int windows = 0;
    eachWindow(raw, rms, [&](bool loud) { windows += loud ? 1 : 0; });
    return windows * 0.01;
}

int peakOf(const QByteArray &raw)
{
    const auto *samples = reinterpret_cast<const qint16 *>(raw.constData());
    int peak = 0;
    for (qsizetype i = 0; i < raw.size() / 2; ++i)
        peak = qMax(peak, std::abs(int(qFromLittleEndian(samples[i]))));
    return peak;
}

} // namespace SoundFixtures

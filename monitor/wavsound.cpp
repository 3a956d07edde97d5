#include "monitor/wavsound.h"

#include <QtEndian>
#include <cmath>

namespace {
quint32 u32At(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}
quint16 u16At(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

constexpr quint16 FormatPcm = 1;
constexpr quint16 FormatFloat = 3;
constexpr quint16 FormatExtensible = 0xFFFE;
constexpr double Pi = 3.14159265358979323846;
} // namespace

int WavSound::bytesPerFrame() const
{
    switch (encoding) {
    case Encoding::U8:
        return channels;
    case Encoding::S16LE:
        return 2 * channels;
    case Encoding::S24LE:
        return 3 * channels;
    case Encoding::S32LE:
    case Encoding::Float32LE:
        return 4 * channels;
    }
    return channels;
}

double WavSound::seconds() const
{
    return double(data.size()) / bytesPerFrame() / sampleRate;
}

void WavSound::keepFirstSeconds(double limit)
{
    const double frames = std::floor(limit * sampleRate);
    if (frames < 0 || frames * bytesPerFrame() >= double(data.size()))
        return;
    data.truncate(qsizetype(frames) * bytesPerFrame());
}

void WavSound::scaleVolume(double volume)
{
    const double factor = volume > 0 ? qMin(volume, 1.0) : 0.0; // NaN too is silence
    char *bytes = data.data();
    const qsizetype size = data.size();
    // Within the range already, since factor <= 1; held there all the same.
    const auto scaled = [factor](double sample, double low, double high) {
        return qBound(low, std::round(sample * factor), high);
    };
    switch (encoding) {
    case Encoding::U8:
        for (qsizetype i = 0; i < size; ++i) {
            const int sample = static_cast<unsigned char>(bytes[i]) - 128;
            bytes[i] = static_cast<char>(128 + int(scaled(sample, -128, 127)));
        }
        return;
    case Encoding::S16LE:
        for (qsizetype i = 0; i + 2 <= size; i += 2) {
            const qint16 sample = qFromLittleEndian<qint16>(bytes + i);
            qToLittleEndian(qint16(scaled(sample, -32768, 32767)), bytes + i);
        }
        return;
    case Encoding::S24LE:
        for (qsizetype i = 0; i + 3 <= size; i += 3) {
            const auto *b = reinterpret_cast<const unsigned char *>(bytes + i);
            qint32 sample = qint32(b[0] | (b[1] << 8) | (b[2] << 16));
            if (sample & 0x800000)
                sample -= 0x1000000; // the sign of the top byte
            const auto out = qint32(scaled(sample, -8388608, 8388607));
            bytes[i] = char(out & 0xFF);
            bytes[i + 1] = char((out >> 8) & 0xFF);
            bytes[i + 2] = char((out >> 16) & 0xFF);
        }
        return;
    case Encoding::S32LE:
        for (qsizetype i = 0; i + 4 <= size; i += 4) {
            const qint32 sample = qFromLittleEndian<qint32>(bytes + i);
            qToLittleEndian(qint32(scaled(sample, -2147483648.0, 2147483647.0)), bytes + i);
        }
        return;
    case Encoding::Float32LE:
        for (qsizetype i = 0; i + 4 <= size; i += 4) {
            const float sample = qFromLittleEndian<float>(bytes + i);
            qToLittleEndian(float(sample * factor), bytes + i);
        }
        return;
    }
}

QByteArray WavSound::toWavFile() const
{
    const bool plain = encoding == Encoding::U8 || encoding == Encoding::S16LE;
    const quint16 bits = quint16(8 * bytesPerFrame() / channels);
    const quint32 formatBytes = plain ? 16 : 40;
    QByteArray file;
    const auto put16 = [&file](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        file.append(b, 2);
    };
    const auto put32 = [&file](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        file.append(b, 4);
    };
    file.append("RIFF");
    put32(quint32(4 + 8 + formatBytes + 8 + data.size()));
    file.append("WAVEfmt ");
    put32(formatBytes);
    const quint16 tag = encoding == Encoding::Float32LE ? FormatFloat : FormatPcm;
    put16(plain ? tag : FormatExtensible);
    put16(quint16(channels));
    put32(quint32(sampleRate));
    put32(quint32(sampleRate * bytesPerFrame()));
    put16(quint16(bytesPerFrame()));
    put16(bits);
    if (!plain) {
        put16(22);   // the extension's size
        put16(bits); // valid bits per sample
        put32(0);    // no speaker positions
        put16(tag);  // the sub-format GUID: the tag, then the fixed rest
        file.append("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    }
    file.append("data");
    put32(quint32(data.size()));
    file.append(data);
    return file;
}

std::optional<WavSound> WavSound::parse(const QByteArray &file)
{
    if (file.size() < 12 || !file.startsWith("RIFF") || file.mid(8, 4) != "WAVE")
        return std::nullopt;

    std::optional<WavSound> sound;
    bool haveFormat = false;
    qsizetype at = 12;
    while (at + 8 <= file.size()) {
        const QByteArray id = file.mid(at, 4);
        const qsizetype size = u32At(file, at + 4);
        const qsizetype body = at + 8;
        const qsizetype available = qMin(size, file.size() - body);
        if (id == "fmt ") {
            if (available < 16)
                return std::nullopt;
            quint16 tag = u16At(file, body);
            const int channels = u16At(file, body + 2);
            const int rate = static_cast<int>(u32At(file, body + 4));
            const int bits = u16At(file, body + 14);
            if (tag == FormatExtensible && available >= 26)
                tag = u16At(file, body + 24); // first two bytes of the sub-format GUID
            WavSound s;
            if (tag == FormatPcm && bits == 8)
                s.encoding = Encoding::U8;
            else if (tag == FormatPcm && bits == 16)
                s.encoding = Encoding::S16LE;
            else if (tag == FormatPcm && bits == 24)
                s.encoding = Encoding::S24LE;
            else if (tag == FormatPcm && bits == 32)
                s.encoding = Encoding::S32LE;
            else if (tag == FormatFloat && bits == 32)
                s.encoding = Encoding::Float32LE;
            else
                return std::nullopt;
            if (channels < 1 || channels > 8 || rate < 1000 || rate > 384000)
                return std::nullopt;
            s.channels = channels;
            s.sampleRate = rate;
            sound = s;
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat)
                return std::nullopt;
            const qsizetype frames = available / sound->bytesPerFrame();
            sound->data = file.mid(body, frames * sound->bytesPerFrame());
            return sound;
        }
        at = body + size + (size & 1); // chunks are padded to even sizes
    }
    return std::nullopt;
}

WavSound WavSound::fallback()
{
    // 150 ms of two soft tones with a short fade at both ends.
    WavSound s;
    constexpr int rate = 44100;
    constexpr int frames = rate * 15 / 100;
    constexpr int fade = rate / 200;
    s.data.resize(frames * 2);
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        const double edge = qMin(1.0, double(qMin(i, frames - 1 - i)) / fade);
        const double tone =
            i < frames / 2 ? std::sin(2 * Pi * 880 * t) : std::sin(2 * Pi * 660 * t);
        const auto v = static_cast<qint16>(std::lround(12000 * edge * tone));
        qToLittleEndian<qint16>(v, s.data.data() + 2 * i);
    }
    return s;
}

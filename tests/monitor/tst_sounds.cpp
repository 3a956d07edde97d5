#include "monitor/builtinsounds.h"
#include "monitor/soundchoice.h"
#include "monitor/wavsound.h"
#include "support/sourcedir.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <cmath>

namespace {
QByteArray u32(quint32 v)
{
    QByteArray b(4, 0);
    qToLittleEndian(v, b.data());
    return b;
}
QByteArray u16(quint16 v)
{
    QByteArray b(2, 0);
    qToLittleEndian(v, b.data());
    return b;
}
QByteArray chunk(const QByteArray &id, const QByteArray &body)
{
    QByteArray c = id + u32(quint32(body.size())) + body;
    if (body.size() & 1)
        c += '\0';
    return c;
}
QByteArray fmt(quint16 tag, quint16 channels, quint32 rate, quint16 bits,
               const QByteArray &extra = {})
{
    const quint16 align = quint16(channels * bits / 8);
    return chunk("fmt ", u16(tag) + u16(channels) + u32(rate) + u32(rate * align) + u16(align) +
                             u16(bits) + extra);
}
QByteArray riff(const QByteArray &chunks)
{
    return "RIFF" + u32(quint32(4 + chunks.size())) + "WAVE" + chunks;
}

// Samples as the encoding stores them: U8 as 0 ... 255 (128 is silence), the others
// signed, Float32LE as floats.
QByteArray samplesOf(WavSound::Encoding encoding, const QList<double> &values)
{
    QByteArray bytes;
    for (const double v : values) {
        switch (encoding) {
        case WavSound::Encoding::U8:
            bytes += char(quint8(v));
            break;
        case WavSound::Encoding::S16LE:
            bytes += u16(quint16(qint16(v)));
            break;
        case WavSound::Encoding::S24LE:
            bytes += u32(quint32(qint32(v))).left(3);
            break;
        case WavSound::Encoding::S32LE:
            bytes += u32(quint32(qint32(v)));
            break;
        case WavSound::Encoding::Float32LE: {
            QByteArray b(4, 0);
            qToLittleEndian(float(v), b.data());
            bytes += b;
            break;
        }
        }
    }
    return bytes;
}

QList<double> valuesOf(WavSound::Encoding encoding, const QByteArray &bytes)
{
    QList<double> values;
    const auto *b = reinterpret_cast<const uchar *>(bytes.constData());
    switch (encoding) {
    case WavSound::Encoding::U8:
        for (qsizetype i = 0; i < bytes.size(); ++i)
            values << b[i];
        break;
    case WavSound::Encoding::S16LE:
        for (qsizetype i = 0; i < bytes.size(); i += 2)
            values << qFromLittleEndian<qint16>(b + i);
        break;
    case WavSound::Encoding::S24LE:
        for (qsizetype i = 0; i < bytes.size(); i += 3) {
            const qint32 v =
                qint32(quint32(b[i]) << 8 | quint32(b[i + 1]) << 16 | quint32(b[i + 2]) << 24);
            values << (v >> 8);
        }
        break;
    case WavSound::Encoding::S32LE:
        for (qsizetype i = 0; i < bytes.size(); i += 4)
            values << qFromLittleEndian<qint32>(b + i);
        break;
    case WavSound::Encoding::Float32LE:
        for (qsizetype i = 0; i < bytes.size(); i += 4)
            values << qFromLittleEndian<float>(b + i);
        break;
    }
    return values;
}
} // namespace

class TestSounds : public QObject
{
    Q_OBJECT
private slots:
    void builtin_data();
    void builtin();
    void builtinByName_data();
    void builtinByName();
    void choices();
    void regenerationIsReproducible();
    void parse_data();
    void parse();
    void fallbackIsShortAndAudible();
    void longSoundKeepsItsBeginning_data();
    void longSoundKeepsItsBeginning();
    void quieterSoundScalesEverySample_data();
    void quieterSoundScalesEverySample();
};

void TestSounds::builtin_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("fileSize");
    QTest::addColumn<int>("dataSize");
    QTest::newRow("beep") << "Resource_1" << 28940 << 28896;
    QTest::newRow("male") << "Resource_2" << 58892 << 58848;
    QTest::newRow("female") << "Resource_3" << 91148 << 91104;
}

void TestSounds::builtin()
{
    QFETCH(QString, name);
    QFETCH(int, fileSize);
    QFETCH(int, dataSize);

    const QByteArray file = BuiltinSounds::load(name);
    QCOMPARE(file.size(), fileSize);
    // Exactly a 16-byte "fmt " chunk and a "data" chunk.
    QCOMPARE(file.mid(12, 8), QByteArray("fmt ") + u32(16));
    QCOMPARE(file.mid(36, 4), QByteArray("data"));
    QCOMPARE(qFromLittleEndian<quint32>(file.constData() + 40), quint32(dataSize));

    const std::optional<WavSound> sound = WavSound::parse(file);
    QVERIFY(sound);
    QCOMPARE(sound->encoding, WavSound::Encoding::S16LE);
    QCOMPARE(sound->channels, 1);
    QCOMPARE(sound->sampleRate, 44100);
    QCOMPARE(sound->data.size(), dataSize);

    double sum = 0;
    int peak = 0;
    const auto *s = reinterpret_cast<const qint16 *>(sound->data.constData());
    const int n = int(sound->data.size() / 2);
    for (int i = 0; i < n; ++i) {
        const int v = qFromLittleEndian(s[i]);
        sum += double(v) * v;
        peak = qMax(peak, qAbs(v));
    }
    QVERIFY2(std::sqrt(sum / n) > 1000, "the sound must be clearly audible");
    QVERIFY2(peak < 32767, "the sound must not clip");
}

void TestSounds::builtinByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::newRow("as the program asks") << "Resource_1"
                                         << ":/sounds/RESOURCE_1.wav";
    QTest::newRow("letter case ignored") << "resource_3"
                                         << ":/sounds/RESOURCE_3.wav";
    QTest::newRow("no fourth sound") << "Resource_4"
                                     << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestSounds::builtinByName()
{
    QFETCH(QString, name);
    QFETCH(QString, path);
    QCOMPARE(BuiltinSounds::pathOf(name), path);
    QCOMPARE(BuiltinSounds::load(name).isEmpty(), path.isEmpty());
}

void TestSounds::choices()
{
    for (SoundChoice c : {SoundChoice::None, SoundChoice::Beep, SoundChoice::Male,
                          SoundChoice::Female, SoundChoice::Custom})
        QCOMPARE(SoundChoices::fromStoredName(SoundChoices::storedName(c)), c);
    QCOMPARE(SoundChoices::fromStoredName("beep"), SoundChoice::None); // case matters
    QCOMPARE(SoundChoices::fromStoredName(""), SoundChoice::None);
    QCOMPARE(SoundChoices::resourceName(SoundChoice::Male), QString("Resource_2"));
    QCOMPARE(SoundChoices::resourceName(SoundChoice::Custom), QString());
}

void TestSounds::regenerationIsReproducible()
{
    const QString python = QStandardPaths::findExecutable("python3");
    if (python.isEmpty())
        QSKIP("python3 is not installed");
    QTemporaryDir out;
    QVERIFY(out.isValid());
    QProcess generator;
    generator.start(python, {SourceDir::path() + "/scripts/make_sounds.py", out.path()});
    QVERIFY(generator.waitForFinished(60000));
    QCOMPARE(generator.exitCode(), 0);
    for (int i = 1; i <= 3; ++i) {
        const QString name = QStringLiteral("RESOURCE_%1.wav").arg(i);
        QFile generated(out.filePath(name));
        QVERIFY(generated.open(QIODevice::ReadOnly));
        QVERIFY2(generated.readAll() == BuiltinSounds::load(QStringLiteral("Resource_%1").arg(i)),
                 qPrintable(name + " differs from what the generator makes"));
    }
}

void TestSounds::parse_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("dataSize");

    const QByteArray pcm(400, '\x11');
    const int s16 = int(WavSound::Encoding::S16LE);
    QTest::newRow("16-bit mono") << riff(fmt(1, 1, 44100, 16) + chunk("data", pcm)) << true << s16
                                 << 1 << 400;
    QTest::newRow("8-bit stereo") << riff(fmt(1, 2, 22050, 8) + chunk("data", pcm)) << true
                                  << int(WavSound::Encoding::U8) << 2 << 400;
    QTest::newRow("24-bit, data cut to whole frames")
        << riff(fmt(1, 1, 48000, 24) + chunk("data", pcm)) << true << int(WavSound::Encoding::S24LE)
        << 1 << 399;
    QByteArray extensible = u16(22) + u16(32) + u32(4) + u16(3) + QByteArray(14, '\0');
    QTest::newRow("extensible float")
        << riff(fmt(0xFFFE, 1, 44100, 32, extensible) + chunk("data", pcm)) << true
        << int(WavSound::Encoding::Float32LE) << 1 << 400;
    QTest::newRow("odd-sized chunk before data is padded")
        << riff(fmt(1, 1, 44100, 16) + chunk("LIST", "abc") + chunk("data", pcm)) << true << s16
        << 1 << 400;
    QByteArray truncated = riff(fmt(1, 1, 44100, 16) + chunk("data", pcm));
    truncated.chop(101);
    QTest::newRow("data chunk cut short plays what is there")
        << truncated << true << s16 << 1 << 298;
    QTest::newRow("not RIFF") << QByteArray("ID3\x03 some mp3 bytes") << false << 0 << 0 << 0;
    QTest::newRow("empty file") << QByteArray() << false << 0 << 0 << 0;
    QTest::newRow("LIST before data, 32-bit stereo")
        << riff(fmt(1, 2, 44100, 32) + chunk("LIST", QByteArray(27, 'i')) + chunk("data", pcm))
        << true << int(WavSound::Encoding::S32LE) << 2 << 400;
    // What PlaySoundW plays through the system's codecs, for a length we cannot tell: refused.
    QTest::newRow("compressed ADPCM")
        << riff(fmt(2, 1, 44100, 4) + chunk("data", pcm)) << false << 0 << 0 << 0;
    QTest::newRow("mu-law") << riff(fmt(7, 1, 8000, 8) + chunk("data", pcm)) << false << 0 << 0
                            << 0;
    QTest::newRow("A-law") << riff(fmt(6, 1, 8000, 8) + chunk("data", pcm)) << false << 0 << 0 << 0;
    QTest::newRow("MPEG layer 3") << riff(fmt(0x55, 2, 44100, 0) + chunk("data", pcm)) << false << 0
                                  << 0 << 0;
    QTest::newRow("64-bit float") << riff(fmt(3, 1, 44100, 64) + chunk("data", pcm)) << false << 0
                                  << 0 << 0;
    QByteArray extensibleAdpcm = u16(22) + u16(4) + u32(4) + u16(2) + QByteArray(14, '\0');
    QTest::newRow("extensible carrying ADPCM")
        << riff(fmt(0xFFFE, 1, 44100, 4, extensibleAdpcm) + chunk("data", pcm)) << false << 0 << 0
        << 0;
    QTest::newRow("data before fmt")
        << riff(chunk("data", pcm) + fmt(1, 1, 44100, 16)) << false << 0 << 0 << 0;
    QTest::newRow("no data chunk") << riff(fmt(1, 1, 44100, 16)) << false << 0 << 0 << 0;
    QTest::newRow("zero channels")
        << riff(fmt(1, 0, 44100, 16) + chunk("data", pcm)) << false << 0 << 0 << 0;
}

void TestSounds::parse()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, valid);
    const std::optional<WavSound> sound = WavSound::parse(file);
    QCOMPARE(bool(sound), valid);
    if (!valid)
        return;
    QFETCH(int, encoding);
    QFETCH(int, channels);
    QFETCH(int, dataSize);
    QCOMPARE(int(sound->encoding), encoding);
    QCOMPARE(sound->channels, channels);
    QCOMPARE(int(sound->data.size()), dataSize);
}

void TestSounds::fallbackIsShortAndAudible()
{
    const WavSound sound = WavSound::fallback();
    QVERIFY(sound.seconds() > 0.05 && sound.seconds() < 0.3);
    const auto *samples = reinterpret_cast<const qint16 *>(sound.data.constData());
    int peak = 0;
    for (qsizetype i = 0; i < sound.data.size() / 2; ++i)
        peak = qMax(peak, qAbs(int(qFromLittleEndian(samples[i]))));
    QVERIFY(peak > 4000);
}

// A user's sound is cut to its first seconds and written back as a WAV file that reads
// back unchanged, in every encoding the player takes.
void TestSounds::longSoundKeepsItsBeginning_data()
{
    QTest::addColumn<int>("encoding");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("rate");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<double>("limit");
    QTest::addColumn<double>("kept");
    using E = WavSound::Encoding;
    QTest::newRow("16-bit mono, 30 s") << int(E::S16LE) << 1 << 44100 << 30.0 << 10.0 << 10.0;
    QTest::newRow("8-bit stereo, 12 s") << int(E::U8) << 2 << 8000 << 12.0 << 10.0 << 10.0;
    QTest::newRow("24-bit stereo, 11 s") << int(E::S24LE) << 2 << 48000 << 11.0 << 10.0 << 10.0;
    QTest::newRow("32-bit, 20 s") << int(E::S32LE) << 1 << 22050 << 20.0 << 10.0 << 10.0;
    QTest::newRow("float 6 ch, 15 s") << int(E::Float32LE) << 6 << 48000 << 15.0 << 10.0 << 10.0;
    QTest::newRow("shorter stays whole") << int(E::S16LE) << 1 << 44100 << 3.0 << 10.0 << 3.0;
    QTest::newRow("odd rate, whole frames") << int(E::S24LE) << 3 << 11025 << 2.0 << 0.00005 << 0.0;
}

void TestSounds::longSoundKeepsItsBeginning()
{
    QFETCH(int, encoding);
    QFETCH(int, channels);
    QFETCH(int, rate);
    QFETCH(double, seconds);
    QFETCH(double, limit);
    QFETCH(double, kept);

    WavSound sound;
    sound.encoding = WavSound::Encoding(encoding);
    sound.channels = channels;
    sound.sampleRate = rate;
    const qsizetype frames = qsizetype(seconds * rate);
    sound.data.resize(frames * sound.bytesPerFrame());
    for (qsizetype i = 0; i < sound.data.size(); ++i)
        sound.data[i] = char(i * 7 + 3);
    const QByteArray original = sound.data;

    sound.keepFirstSeconds(limit);
    QCOMPARE(sound.seconds(), kept);
    QCOMPARE(sound.data.size() % sound.bytesPerFrame(), 0);
    QVERIFY(original.startsWith(sound.data));

    const std::optional<WavSound> back = WavSound::parse(sound.toWavFile());
    QVERIFY(back);
    QCOMPARE(int(back->encoding), encoding);
    QCOMPARE(back->channels, channels);
    QCOMPARE(back->sampleRate, rate);
    QCOMPARE(back->data, sound.data);
}

// The alarm's volume where the platform has none (PlaySoundW): every sample scaled around
// the encoding's silence, rounded half away from it, the extremes included.
void TestSounds::quieterSoundScalesEverySample_data()
{
    QTest::addColumn<int>("encoding");
    QTest::addColumn<double>("volume");
    QTest::addColumn<QList<double>>("samples");
    QTest::addColumn<QList<double>>("scaled");
    using E = WavSound::Encoding;
    QTest::newRow("8-bit around 128")
        << int(E::U8) << 0.3 << QList<double>{0, 128, 255, 138, 118, 129, 123}
        << QList<double>{90, 128, 166, 131, 125, 128, 126};
    QTest::newRow("8-bit to silence")
        << int(E::U8) << 0.0 << QList<double>{0, 255, 7} << QList<double>{128, 128, 128};
    QTest::newRow("16-bit") << int(E::S16LE) << 0.3
                            << QList<double>{-32768, 32767, 1000, -1000, 5, -5, 0, 1}
                            << QList<double>{-9830, 9830, 300, -300, 2, -2, 0, 0};
    QTest::newRow("24-bit, negative ones sign-extended")
        << int(E::S24LE) << 0.3 << QList<double>{-8388608, 8388607, 100000, -100000, -1, -5}
        << QList<double>{-2516582, 2516582, 30000, -30000, 0, -2};
    QTest::newRow("32-bit") << int(E::S32LE) << 0.3
                            << QList<double>{-2147483648.0, 2147483647.0, 1000000, -1000000, 7}
                            << QList<double>{-644245094, 644245094, 300000, -300000, 2};
    QTest::newRow("float") << int(E::Float32LE) << 0.3 << QList<double>{1.0, -1.0, 0.5, -0.25, 0}
                           << QList<double>{double(float(0.3)), double(float(-0.3)),
                                            double(float(0.15)), double(float(-0.075)), 0};
    QTest::newRow("full volume leaves 24-bit as it is")
        << int(E::S24LE) << 1.0 << QList<double>{-8388608, 8388607, -3}
        << QList<double>{-8388608, 8388607, -3};
    QTest::newRow("above full is full")
        << int(E::S16LE) << 1.7 << QList<double>{-32768, 32767} << QList<double>{-32768, 32767};
}

void TestSounds::quieterSoundScalesEverySample()
{
    QFETCH(int, encoding);
    QFETCH(double, volume);
    QFETCH(QList<double>, samples);
    QFETCH(QList<double>, scaled);
    WavSound sound;
    sound.encoding = WavSound::Encoding(encoding);
    sound.data = samplesOf(sound.encoding, samples);
    QCOMPARE(valuesOf(sound.encoding, sound.data), samples);
    sound.scaleVolume(volume);
    QCOMPARE(valuesOf(sound.encoding, sound.data), scaled);
    // What PlaySoundW is handed reads back as the scaled sound.
    const std::optional<WavSound> played = WavSound::parse(sound.toWavFile());
    QVERIFY(played);
    QCOMPARE(valuesOf(played->encoding, played->data), scaled);
}

QTEST_GUILESS_MAIN(TestSounds)
#include "tst_sounds.moc"

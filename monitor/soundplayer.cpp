#include "monitor/soundplayer.h"

#include "monitor/builtinsounds.h"

#include <QFile>

#ifdef Q_OS_WIN
#include "monitor/winsoundplayer.h"
#else
#include "monitor/pulsesoundplayer.h"
#endif

SoundPlayer::~SoundPlayer() = default;

std::unique_ptr<SoundPlayer> SoundPlayer::createDefault()
{
#ifdef Q_OS_WIN
    return std::make_unique<WinSoundPlayer>();
#else
    return std::make_unique<PulseSoundPlayer>();
#endif
}

WavSound SoundPlayer::resourceSound(const QString &name)
{
    return WavSound::parse(BuiltinSounds::load(name)).value_or(WavSound::fallback());
}

WavSound SoundPlayer::fileSound(const QString &path)
{
    QFile file(path);
    QByteArray bytes;
    // Read no more than the file holds: read(n) sets aside n bytes first, 64 MB at every
    // alarm otherwise.
    if (file.size() <= MaximumFileBytes && file.open(QIODevice::ReadOnly))
        bytes = file.read(qMin(file.size(), MaximumFileBytes));
    WavSound sound = WavSound::parse(bytes).value_or(WavSound::fallback());
    sound.keepFirstSeconds(MaximumFileSeconds);
    return sound;
}

#include "monitor/soundplayer.h"

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

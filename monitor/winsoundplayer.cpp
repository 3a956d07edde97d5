#include "monitor/winsoundplayer.h"

#include "base/monotonicclock.h"
#include "monitor/builtinsounds.h"
#include "monitor/wavsound.h"

#include <QFile>
#include <utility>

// <windows.h> first: the other Windows headers rely on its types.
#include <windows.h>

#include <mmsystem.h>

namespace {
// The system's default sound, and the time a device takes to start playing.
constexpr double DefaultSoundSeconds = 1.0;
constexpr qint64 StartAllowanceMs = 200;

double secondsOf(const QByteArray &file)
{
    const std::optional<WavSound> sound = WavSound::parse(file);
    return sound ? sound->seconds() : DefaultSoundSeconds;
}
} // namespace

bool WinSoundPlayer::isPlaying() const
{
    return MonotonicClock::nowMs() < m_playingUntilMs.load(std::memory_order_relaxed);
}

void WinSoundPlayer::expectPlaying(double seconds)
{
    m_playingUntilMs.store(MonotonicClock::nowMs() + qint64(seconds * 1000) + StartAllowanceMs,
                           std::memory_order_relaxed);
}

WinSoundPlayer::~WinSoundPlayer()
{
    PlaySoundW(nullptr, nullptr, 0);
}

void WinSoundPlayer::setVolume(double fraction)
{
    m_volume = qBound(0.0, fraction, 1.0);
}

void WinSoundPlayer::playFromMemory(QByteArray file)
{
    // PlaySoundW stops the earlier sound before it returns, so its memory may go then.
    PlaySoundW(reinterpret_cast<LPCWSTR>(file.constData()), nullptr, SND_MEMORY | SND_ASYNC);
    m_playing.swap(file);
}

void WinSoundPlayer::playResource(const QString &name)
{
    QByteArray next = BuiltinSounds::load(name);
    expectPlaying(secondsOf(next));
    if (next.isEmpty()) {
        PlaySoundW(reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(SND_ALIAS_SYSTEMDEFAULT)),
                   nullptr, SND_ALIAS_ID | SND_ASYNC);
        return;
    }
    if (m_volume < 1.0) {
        if (std::optional<WavSound> sound = WavSound::parse(next)) {
            sound->scaleVolume(m_volume);
            next = sound->toWavFile();
        }
    }
    playFromMemory(std::move(next));
}

void WinSoundPlayer::playFile(const QString &path)
{
    QFile file(path);
    std::optional<WavSound> sound;
    if (file.size() <= MaximumFileBytes && file.open(QIODevice::ReadOnly))
        sound = WavSound::parse(file.readAll());
    if (!sound) {
        // PlaySoundW might play it (compressed through the codecs), but for a length we
        // cannot know: the echo guard would end before it does. Our short sound instead.
        sound = WavSound::fallback();
    } else if (sound->seconds() <= MaximumFileSeconds && m_volume >= 1.0) {
        // The system reads the file itself.
        expectPlaying(sound->seconds());
        PlaySoundW(reinterpret_cast<LPCWSTR>(path.utf16()), nullptr, SND_FILENAME | SND_ASYNC);
        return;
    }
    // A long, a quieter or an unreadable sound: what we play, from memory.
    sound->keepFirstSeconds(MaximumFileSeconds);
    if (m_volume < 1.0)
        sound->scaleVolume(m_volume);
    expectPlaying(sound->seconds());
    playFromMemory(sound->toWavFile());
}

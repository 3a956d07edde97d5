#include "monitor/winsoundplayer.h"

#include "monitor/builtinsounds.h"

#include <mmsystem.h>
#include <windows.h>

WinSoundPlayer::~WinSoundPlayer()
{
    PlaySoundW(nullptr, nullptr, 0);
}

void WinSoundPlayer::playResource(const QString &name)
{
    QByteArray next = BuiltinSounds::load(name);
    if (next.isEmpty()) {
        PlaySoundW(reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(SND_ALIAS_SYSTEMDEFAULT)),
                   nullptr, SND_ALIAS_ID | SND_ASYNC);
        return;
    }
    // PlaySoundW stops the earlier sound before it returns, so its memory may go then.
    PlaySoundW(reinterpret_cast<LPCWSTR>(next.constData()), nullptr, SND_MEMORY | SND_ASYNC);
    m_playing.swap(next);
}

void WinSoundPlayer::playFile(const QString &path)
{
    PlaySoundW(reinterpret_cast<LPCWSTR>(path.utf16()), nullptr, SND_FILENAME | SND_ASYNC);
}

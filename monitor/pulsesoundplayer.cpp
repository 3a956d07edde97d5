#include "monitor/pulsesoundplayer.h"

#include "base/monotonicclock.h"

#include <utility>

namespace {
// How long a sound may take to start and drain beyond its own length.
constexpr qint64 LatencyAllowanceMs = 2000;

pa_sample_format_t formatOf(WavSound::Encoding encoding)
{
    switch (encoding) {
    case WavSound::Encoding::U8:
        return PA_SAMPLE_U8;
    case WavSound::Encoding::S16LE:
        return PA_SAMPLE_S16LE;
    case WavSound::Encoding::S24LE:
        return PA_SAMPLE_S24LE;
    case WavSound::Encoding::S32LE:
        return PA_SAMPLE_S32LE;
    case WavSound::Encoding::Float32LE:
        return PA_SAMPLE_FLOAT32LE;
    }
    return PA_SAMPLE_S16LE;
}
} // namespace

PulseSoundPlayer::PulseSoundPlayer() : m_connection("event") {}

bool PulseSoundPlayer::isPlaying() const
{
    return m_playing.load(std::memory_order_acquire) &&
           MonotonicClock::nowMs() < m_playingDeadlineMs.load(std::memory_order_relaxed);
}

PulseSoundPlayer::~PulseSoundPlayer()
{
    if (m_connection.isStarted()) {
        m_connection.lock();
        dropStream();
        m_connection.unlock();
    }
    m_connection.stop();
}

void PulseSoundPlayer::playResource(const QString &name)
{
    play(resourceSound(name));
}

void PulseSoundPlayer::playFile(const QString &path)
{
    play(fileSound(path));
}

void PulseSoundPlayer::setVolume(double fraction)
{
    m_volume = qBound(0.0, fraction, 1.0);
}

void PulseSoundPlayer::play(WavSound sound)
{
    if (m_volume < 1.0)
        sound.scaleVolume(m_volume); // before the loop is locked: a long sound takes a while
    if (m_connection.isStarted()) {
        m_connection.lock();
        const bool broken = m_connection.isBroken();
        if (broken)
            dropStream();
        m_connection.unlock();
        if (broken) // the server went away or restarted: connect anew
            m_connection.stop();
    }
    if (!m_connection.isStarted()) {
        const int result = m_connection.start([this](pa_context *context) {
            if (m_pending)
                startStream(context);
        });
        if (result != 0)
            return; // no sound server: nothing to play on
    }

    m_connection.lock();
    dropStream(); // a new sound cuts off the one still playing
    m_sound = std::move(sound);
    m_offset = 0;
    m_pending = true;
    m_playingDeadlineMs.store(MonotonicClock::nowMs() + qint64(m_sound.seconds() * 1000) +
                                  LatencyAllowanceMs,
                              std::memory_order_relaxed);
    m_playing.store(true, std::memory_order_release);
    // Before the connection is ready, the ready handler starts the stream.
    if (m_connection.isReady())
        startStream(m_connection.context());
    m_connection.unlock();
}

void PulseSoundPlayer::startStream(pa_context *context)
{
    m_pending = false;
    if (m_sound.data.isEmpty()) {
        m_playing.store(false, std::memory_order_release);
        return;
    }
    const pa_sample_spec wanted{formatOf(m_sound.encoding),
                                static_cast<uint32_t>(m_sound.sampleRate),
                                static_cast<uint8_t>(m_sound.channels)};
    if (!pa_sample_spec_valid(&wanted))
        m_sound = WavSound::fallback();
    const pa_sample_spec used{formatOf(m_sound.encoding), static_cast<uint32_t>(m_sound.sampleRate),
                              static_cast<uint8_t>(m_sound.channels)};
    m_stream = pa_stream_new(context, "Warning sound", &used, nullptr);
    if (!m_stream) {
        m_playing.store(false, std::memory_order_release);
        return;
    }
    pa_stream_set_write_callback(m_stream, &PulseSoundPlayer::onWrite, this);
    if (pa_stream_connect_playback(m_stream, nullptr, nullptr, PA_STREAM_NOFLAGS, nullptr,
                                   nullptr) < 0)
        dropStream();
}

void PulseSoundPlayer::dropStream()
{
    m_playing.store(false, std::memory_order_release);
    if (!m_stream)
        return;
    pa_stream_set_write_callback(m_stream, nullptr, nullptr);
    pa_stream_disconnect(m_stream);
    pa_stream_unref(m_stream);
    m_stream = nullptr;
}

void PulseSoundPlayer::onWrite(pa_stream *stream, std::size_t size, void *self)
{
    auto *player = static_cast<PulseSoundPlayer *>(self);
    if (stream != player->m_stream)
        return;
    const QByteArray &data = player->m_sound.data;
    const auto count = qMin<qsizetype>(qsizetype(size), data.size() - player->m_offset);
    if (count > 0) {
        pa_stream_write(stream, data.constData() + player->m_offset, std::size_t(count), nullptr, 0,
                        PA_SEEK_RELATIVE);
        player->m_offset += count;
    }
    if (player->m_offset >= data.size()) {
        // All written: let the server play it out, then release the stream.
        pa_stream_set_write_callback(stream, nullptr, nullptr);
        if (pa_operation *op = pa_stream_drain(stream, &PulseSoundPlayer::onDrained, player))
            pa_operation_unref(op);
    }
}

void PulseSoundPlayer::onDrained(pa_stream *stream, int, void *self)
{
    auto *player = static_cast<PulseSoundPlayer *>(self);
    if (stream == player->m_stream)
        player->dropStream();
}

#include "monitor/pulsecapturedevice.h"

PulseCaptureDevice::PulseCaptureDevice(std::uint32_t fragmentBytes)
    : m_fragmentBytes(fragmentBytes), m_connection("production")
{
}

PulseCaptureDevice::~PulseCaptureDevice()
{
    close();
}

int PulseCaptureDevice::open()
{
    if (m_connection.isStarted())
        return 0;
    m_capture.resetWindow(); // the loop thread is not running yet
    return m_connection.start([this](pa_context *context) { createStream(context); });
}

bool PulseCaptureDevice::takeLatest(std::uint8_t *dst)
{
    return m_capture.take(dst);
}

void PulseCaptureDevice::close()
{
    if (!m_connection.isStarted())
        return;
    m_connection.lock();
    if (m_stream) {
        pa_stream_set_read_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }
    m_connection.unlock();
    m_connection.stop();
}

void PulseCaptureDevice::createStream(pa_context *context)
{
    if (m_stream)
        return;
    const pa_sample_spec format{PA_SAMPLE_S16LE, 44100, 1};
    m_stream = pa_stream_new(context, "Microphone", &format, nullptr);
    if (!m_stream)
        return;
    pa_stream_set_read_callback(m_stream, &PulseCaptureDevice::onRead, this);
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.fragsize = m_fragmentBytes;
    attr.tlength = attr.prebuf = attr.minreq = static_cast<std::uint32_t>(-1);
    // A failure here (no source, refused format) leaves the stream failed: no data,
    // no message, and reads keep returning the last capture.
    pa_stream_connect_record(m_stream, nullptr, &attr, PA_STREAM_ADJUST_LATENCY);
}

void PulseCaptureDevice::onRead(pa_stream *stream, std::size_t, void *self)
{
    auto *device = static_cast<PulseCaptureDevice *>(self);
    const void *data = nullptr;
    std::size_t size = 0;
    while (pa_stream_readable_size(stream) > 0) {
        if (pa_stream_peek(stream, &data, &size) < 0 || size == 0)
            return;
        if (data) // a null pointer with a size marks a hole: nothing was recorded
            device->m_capture.append(static_cast<const std::uint8_t *>(data), size);
        pa_stream_drop(stream);
    }
}

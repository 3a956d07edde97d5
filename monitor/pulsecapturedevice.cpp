#include "monitor/pulsecapturedevice.h"

#include <utility>

PulseCaptureDevice::PulseCaptureDevice(std::uint32_t fragmentBytes)
    : m_fragmentBytes(fragmentBytes), m_connection("production", PulseConnection::Loop::Polled)
{
}

PulseCaptureDevice::~PulseCaptureDevice()
{
    close();
    disconnect();
}

int PulseCaptureDevice::connect()
{
    if (m_connection.isStarted())
        return 0;
    m_streamFailed = false;
    return m_connection.start([this](pa_context *context) { onReady(context); });
}

void PulseCaptureDevice::disconnect()
{
    if (!m_connection.isStarted())
        return;
    dropStream();
    m_connection.stop();
}

int PulseCaptureDevice::open()
{
    // Recording is wanted from now on, whether or not a server answers yet: a server that
    // comes later (the desktop's, started after us at login) is connected by maintain(),
    // and the stream is created once it is ready.
    m_recording = true;
    m_capture.restart();
    const int result = connect();
    if (result != 0)
        return result;
    if (m_connection.isReady())
        createStream(m_connection.context());
    return 0;
}

const std::uint8_t *PulseCaptureDevice::takeLatest()
{
    m_connection.poll(); // what the server sent since the last tick
    return m_capture.takeFresh();
}

void PulseCaptureDevice::close()
{
    m_recording = false; // also when no server ever answered: nothing starts later
    if (!m_connection.isStarted())
        return;
    dropStream();
    m_connection.stop();
}

void PulseCaptureDevice::setPreferredInput(const QString &id)
{
    m_preferred = id;
    if (m_connection.isStarted() && m_connection.isReady())
        followPreferredSource(m_connection.context());
}

bool PulseCaptureDevice::maintain()
{
    m_connection.poll();
    if (!m_connection.isStarted()) {
        connect(); // the list is wanted before anything is recorded, too
    } else if (m_connection.isBroken()) {
        // The server went away: start over; a server still missing fails at once and
        // the next call tries again.
        disconnect(); // m_recording stays: recording resumes once connected
        if (!m_inputs.isEmpty()) {
            m_inputs.clear();
            m_inputsChanged = true;
        }
        connect();
    } else if (std::exchange(m_streamFailed, false) && m_recording && m_connection.isReady()) {
        // A stream that failed (its source went away, say) is asked for again.
        dropStream();
        createStream(m_connection.context());
    }
    return std::exchange(m_inputsChanged, false);
}

QList<InputDevice> PulseCaptureDevice::inputs() const
{
    return m_inputs;
}

bool PulseCaptureDevice::isPreferredPresent() const
{
    for (const InputDevice &input : m_inputs) {
        if (input.id == m_preferred)
            return true;
    }
    return false;
}

void PulseCaptureDevice::onReady(pa_context *context)
{
    m_querying = false; // a new connection: nothing of the old one is pending
    pa_context_set_subscribe_callback(context, &PulseCaptureDevice::onSubscription, this);
    if (pa_operation *op =
            pa_context_subscribe(context, PA_SUBSCRIPTION_MASK_SOURCE, nullptr, nullptr))
        pa_operation_unref(op);
    querySources(context);
    if (m_recording)
        createStream(context);
}

void PulseCaptureDevice::querySources(pa_context *context)
{
    // One list at a time: the answers of two would interleave into one list.
    if (m_querying) {
        m_queryAgain = true;
        return;
    }
    m_collecting.clear();
    if (pa_operation *op =
            pa_context_get_source_info_list(context, &PulseCaptureDevice::onSourceInfo, this)) {
        m_querying = true;
        pa_operation_unref(op);
    }
}

void PulseCaptureDevice::onSourceInfo(pa_context *context, const pa_source_info *info, int eol,
                                      void *self)
{
    auto *device = static_cast<PulseCaptureDevice *>(self);
    if (eol == 0 && info) {
        // A monitor records what an output plays: never a microphone.
        if (info->monitor_of_sink == PA_INVALID_INDEX)
            device->m_collecting.append(
                {QString::fromUtf8(info->name), QString::fromUtf8(info->description)});
        return;
    }
    device->m_querying = false;
    if (device->m_queryAgain) {
        // Sources changed while this list was read: it may be stale already.
        device->m_queryAgain = false;
        device->querySources(context);
        return;
    }
    if (device->m_inputs != device->m_collecting) {
        device->m_inputs = device->m_collecting;
        device->m_inputsChanged = true;
    }
    if (eol > 0)
        device->followPreferredSource(context);
}

void PulseCaptureDevice::onSubscription(pa_context *context, pa_subscription_event_type_t,
                                        std::uint32_t, void *self)
{
    // Sources came, went or changed their names: read the whole list again.
    static_cast<PulseCaptureDevice *>(self)->querySources(context);
}

void PulseCaptureDevice::followPreferredSource(pa_context *context)
{
    if (!m_recording)
        return;
    // The chosen source while it is there, else the server's default.
    const QString wanted = isPreferredPresent() ? m_preferred : QString();
    if (m_stream && wanted == m_streamSource)
        return;
    dropStream();
    createStream(context);
}

void PulseCaptureDevice::createStream(pa_context *context)
{
    if (m_stream)
        return;
    m_streamSource = isPreferredPresent() ? m_preferred : QString();
    const pa_sample_spec format{PA_SAMPLE_S16LE, 44100, 1};
    m_stream = pa_stream_new(context, "Microphone", &format, nullptr);
    if (!m_stream)
        return;
    m_capture.restart();
    pa_stream_set_read_callback(m_stream, &PulseCaptureDevice::onRead, this);
    pa_stream_set_state_callback(m_stream, &PulseCaptureDevice::onStreamState, this);
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.fragsize = m_fragmentBytes;
    attr.tlength = attr.prebuf = attr.minreq = static_cast<std::uint32_t>(-1);
    const QByteArray source = m_streamSource.toUtf8();
    // A failure here (no source, refused format) leaves the stream failed: no data and
    // no message; maintain() asks again.
    pa_stream_connect_record(m_stream, m_streamSource.isEmpty() ? nullptr : source.constData(),
                             &attr, PA_STREAM_ADJUST_LATENCY);
}

void PulseCaptureDevice::dropStream()
{
    if (!m_stream)
        return;
    pa_stream_set_read_callback(m_stream, nullptr, nullptr);
    pa_stream_set_state_callback(m_stream, nullptr, nullptr);
    pa_stream_disconnect(m_stream);
    pa_stream_unref(m_stream);
    m_stream = nullptr;
}

void PulseCaptureDevice::onStreamState(pa_stream *stream, void *self)
{
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED)
        static_cast<PulseCaptureDevice *>(self)->m_streamFailed = true;
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

#include "monitor/pulseconnection.h"

PulseConnection::PulseConnection(const char *streamRole, Loop loop)
    : m_role(streamRole), m_loopKind(loop)
{
}

PulseConnection::~PulseConnection()
{
    stop();
}

int PulseConnection::start(ReadyHandler onReady)
{
    if (m_api)
        return 0;
    m_onReady = std::move(onReady);
    if (m_loopKind == Loop::OwnThread) {
        m_threadedLoop = pa_threaded_mainloop_new();
        m_api = m_threadedLoop ? pa_threaded_mainloop_get_api(m_threadedLoop) : nullptr;
    } else {
        m_polledLoop = pa_mainloop_new();
        m_api = m_polledLoop ? pa_mainloop_get_api(m_polledLoop) : nullptr;
    }
    if (!m_api) {
        stop();
        return -PA_ERR_INTERNAL;
    }

    pa_proplist *props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Murmlet");
    pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "murmlet");
    pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, "murmlet");
    pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, m_role);
    m_context = pa_context_new_with_proplist(m_api, "Murmlet", props);
    pa_proplist_free(props);
    if (!m_context) {
        stop();
        return -PA_ERR_INTERNAL;
    }
    pa_context_set_state_callback(m_context, &PulseConnection::onContextState, this);
    // Never spawn a server of our own: no server simply means no sound.
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        const int error = pa_context_errno(m_context);
        stop();
        return -(error ? error : PA_ERR_CONNECTIONREFUSED);
    }
    if (m_threadedLoop && pa_threaded_mainloop_start(m_threadedLoop) < 0) {
        stop();
        return -PA_ERR_INTERNAL;
    }
    return 0;
}

void PulseConnection::stop()
{
    if (m_threadedLoop)
        pa_threaded_mainloop_stop(m_threadedLoop);
    if (m_context) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    if (m_threadedLoop) {
        pa_threaded_mainloop_free(m_threadedLoop);
        m_threadedLoop = nullptr;
    }
    if (m_polledLoop) {
        pa_mainloop_free(m_polledLoop);
        m_polledLoop = nullptr;
    }
    m_api = nullptr;
    m_onReady = nullptr;
}

void PulseConnection::poll()
{
    if (!m_polledLoop)
        return;
    // Bounded, so that a flood of events can never hold up the caller for long.
    for (int round = 0; round < 64; ++round) {
        if (pa_mainloop_iterate(m_polledLoop, 0, nullptr) <= 0)
            break;
    }
}

void PulseConnection::lock()
{
    if (m_threadedLoop)
        pa_threaded_mainloop_lock(m_threadedLoop);
}

void PulseConnection::unlock()
{
    if (m_threadedLoop)
        pa_threaded_mainloop_unlock(m_threadedLoop);
}

bool PulseConnection::isBroken() const
{
    if (!m_context)
        return true;
    const pa_context_state_t state = pa_context_get_state(m_context);
    return state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED;
}

bool PulseConnection::isReady() const
{
    return m_context && pa_context_get_state(m_context) == PA_CONTEXT_READY;
}

void PulseConnection::onContextState(pa_context *context, void *self)
{
    auto *connection = static_cast<PulseConnection *>(self);
    if (pa_context_get_state(context) == PA_CONTEXT_READY && connection->m_onReady)
        connection->m_onReady(context);
}

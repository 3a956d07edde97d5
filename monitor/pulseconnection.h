#pragma once

#include <functional>
#include <pulse/pulseaudio.h>

// One connection to the desktop's sound server with its own event-loop thread.
// Everything happens asynchronously: nothing here waits for the server, so a missing,
// hung or vanished server never holds up the caller.
class PulseConnection
{
public:
    // Runs on the loop thread, with the loop locked, once the server accepted us.
    using ReadyHandler = std::function<void(pa_context *)>;

    explicit PulseConnection(const char *streamRole);
    ~PulseConnection();
    PulseConnection(const PulseConnection &) = delete;
    PulseConnection &operator=(const PulseConnection &) = delete;

    // Starts the loop thread and begins connecting. 0, or a libpulse error code when
    // the connection could not even be attempted (no server address, out of memory).
    int start(ReadyHandler onReady);
    // Joins the loop thread and drops the connection. Owners release their streams
    // first (with the loop locked). Safe to call at any time, also twice.
    void stop();

    bool isStarted() const { return m_loop != nullptr; }
    // True once the server connection failed or ended; the caller may stop() and start().
    // Call with the loop locked.
    bool isBroken() const;
    // True when streams can be created. Call with the loop locked.
    bool isReady() const;
    pa_context *context() const { return m_context; }

    void lock() { pa_threaded_mainloop_lock(m_loop); }
    void unlock() { pa_threaded_mainloop_unlock(m_loop); }

private:
    static void onContextState(pa_context *context, void *self);

    const char *m_role;
    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    ReadyHandler m_onReady;
};

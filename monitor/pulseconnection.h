#pragma once

#include <functional>
#include <pulse/pulseaudio.h>

// One connection to the desktop's sound server. Everything happens asynchronously:
// nothing here waits for the server, so a missing, hung or vanished server never holds
// up the caller.
//
// The connection's events run either on an event-loop thread of its own (OwnThread:
// callbacks run there with the loop locked, and other threads lock() around every use)
// or on the owner's thread, only inside poll() (Polled: no thread, no locking, and no
// wake-ups of its own; lock() and unlock() do nothing).
class PulseConnection
{
public:
    enum class Loop
    {
        OwnThread,
        Polled,
    };

    // Runs with the loop locked (or inside poll()) once the server accepted us.
    using ReadyHandler = std::function<void(pa_context *)>;

    explicit PulseConnection(const char *streamRole, Loop loop = Loop::OwnThread);
    ~PulseConnection();
    PulseConnection(const PulseConnection &) = delete;
    PulseConnection &operator=(const PulseConnection &) = delete;

    // Begins connecting (and starts the loop thread). 0, or a libpulse error code when
    // the connection could not even be attempted (no server address, out of memory).
    int start(ReadyHandler onReady);
    // Drops the connection (and joins the loop thread). Owners release their streams
    // first (with the loop locked). Safe to call at any time, also twice.
    void stop();
    // Polled: runs every event that is due now, without waiting for any.
    void poll();

    bool isStarted() const { return m_api != nullptr; }
    // True once the server connection failed or ended; the caller may stop() and start().
    // OwnThread: call with the loop locked.
    bool isBroken() const;
    // True when streams can be created. OwnThread: call with the loop locked.
    bool isReady() const;
    pa_context *context() const { return m_context; }

    // OwnThread: hold the loop while using the connection from another thread.
    void lock();
    void unlock();

private:
    static void onContextState(pa_context *context, void *self);

    const char *m_role;
    const Loop m_loopKind;
    pa_threaded_mainloop *m_threadedLoop = nullptr; // OwnThread
    pa_mainloop *m_polledLoop = nullptr;            // Polled
    pa_mainloop_api *m_api = nullptr;
    pa_context *m_context = nullptr;
    ReadyHandler m_onReady;
};

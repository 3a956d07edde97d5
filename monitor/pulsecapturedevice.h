#pragma once

#include "monitor/capturedevice.h"
#include "monitor/pulseconnection.h"
#include "monitor/rollingcapture.h"

#include <cstdint>

// Records the chosen source, or the sound server's default one (no device name given,
// so the server picks it), keeping the newest complete capture. The connection also
// keeps the list of sources current through the server's subscription events, and
// maintain() connects anew after the server went away.
//
// No thread of its own: the connection is polled on the GUI thread in takeLatest()
// (every meter tick) and maintain(), so listening costs no wake-ups beyond the meter
// tick's. Between polls the server's data waits in the socket; each poll reads what
// arrived without waiting for more, so takeLatest() never waits. Every method and every
// callback runs on that one thread: nothing here is shared, nothing is locked.
class PulseCaptureDevice : public CaptureDevice
{
public:
    // The server sends the recording in fragments of this size. Larger fragments cost
    // less CPU; smaller ones bring a sound onset to the meter sooner. 2048 bytes are
    // about 23 ms.
    static constexpr std::uint32_t DefaultFragmentBytes = 2048;

    explicit PulseCaptureDevice(std::uint32_t fragmentBytes = DefaultFragmentBytes);
    ~PulseCaptureDevice() override;

    int open() override;
    const std::uint8_t *takeLatest() override;
    void close() override;
    void setPreferredInput(const QString &id) override;
    bool maintain() override;
    QList<InputDevice> inputs() const override;

private:
    int connect();
    void disconnect();
    void onReady(pa_context *context);
    void querySources(pa_context *context);
    void createStream(pa_context *context);
    void dropStream();
    void followPreferredSource(pa_context *context);
    bool isPreferredPresent() const;
    static void onRead(pa_stream *stream, std::size_t size, void *self);
    static void onStreamState(pa_stream *stream, void *self);
    static void onSourceInfo(pa_context *context, const pa_source_info *info, int eol, void *self);
    static void onSubscription(pa_context *context, pa_subscription_event_type_t type,
                               std::uint32_t index, void *self);

    const std::uint32_t m_fragmentBytes;
    PulseConnection m_connection;
    RollingCapture m_capture;

    pa_stream *m_stream = nullptr;
    QString m_streamSource;          // the source the stream asked for; empty: default
    QString m_preferred;             // the user's choice; empty: default
    bool m_recording = false;        // open() was called and close() was not
    QList<InputDevice> m_collecting; // the source list being received
    bool m_querying = false;         // a source list is being received
    bool m_queryAgain = false;       // and sources changed meanwhile
    QList<InputDevice> m_inputs;
    bool m_inputsChanged = false; // since the last maintain()
    bool m_streamFailed = false;  // the stream failed or ended; maintain() asks again
};

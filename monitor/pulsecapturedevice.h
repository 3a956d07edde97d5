#pragma once

#include "monitor/capturedevice.h"
#include "monitor/latestcapture.h"
#include "monitor/pulseconnection.h"

#include <cstdint>

// Records the sound server's default source (no device name is given, so the server
// picks its default) on the connection's loop thread into a LatestCapture.
class PulseCaptureDevice : public CaptureDevice
{
public:
    // The server wakes us once per fragment. Larger fragments cost less CPU; smaller
    // ones bring a sound onset to the meter sooner. 2048 bytes are about 23 ms.
    static constexpr std::uint32_t DefaultFragmentBytes = 2048;

    explicit PulseCaptureDevice(std::uint32_t fragmentBytes = DefaultFragmentBytes);
    ~PulseCaptureDevice() override;

    int open() override;
    bool takeLatest(std::uint8_t *dst) override;
    void close() override;

private:
    void createStream(pa_context *context);
    static void onRead(pa_stream *stream, std::size_t size, void *self);

    const std::uint32_t m_fragmentBytes;
    PulseConnection m_connection;
    pa_stream *m_stream = nullptr; // loop thread, or any thread holding the loop lock
    LatestCapture m_capture;
};

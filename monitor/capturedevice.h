#pragma once

#include <cstdint>
#include <memory>

// Records the system's default input as 44100 Hz, mono, signed 16-bit little-endian
// PCM. Implementations record on a thread of their own; no call ever waits for audio.
class CaptureDevice
{
public:
    virtual ~CaptureDevice();

    // Starts recording; 0 on success, otherwise a non-zero error code. Failing devices
    // stay silent: later takes simply return false.
    virtual int open() = 0;
    // Copies the newest complete 1024-byte capture into dst if one arrived since the
    // last call; returns at once either way.
    virtual bool takeLatest(std::uint8_t *dst) = 0;
    // Stops recording and releases the device; harmless when nothing is open.
    virtual void close() = 0;

    // The platform's recorder of the default input device.
    static std::unique_ptr<CaptureDevice> createDefault();
};

#pragma once

#include "monitor/capturedevice.h"

#include <QtGlobal>
#include <array>
#include <cstdint>
#include <memory>

// The program's ears: one capture buffer and the raw level of the newest capture.
// Reads never block: they take whatever complete capture the device has ready.
class MicrophoneCapture
{
public:
    static constexpr int CaptureBytes = 1024;
    using Buffer = std::array<std::uint8_t, CaptureBytes>;

    explicit MicrophoneCapture(std::unique_ptr<CaptureDevice> device);
    ~MicrophoneCapture();
    MicrophoneCapture(const MicrophoneCapture &) = delete;
    MicrophoneCapture &operator=(const MicrophoneCapture &) = delete;

    int openMicrophone();
    // Moves the newest complete capture (if any) into the capture buffer and computes
    // rawLevel from it. Without a new capture the buffer and the level stay as they were.
    // True when a new capture arrived.
    bool readMicrophoneBuffer();
    void closeMicrophone();

    // The input to record; see CaptureDevice.
    void setPreferredInput(const QString &id);
    bool maintain();
    QList<InputDevice> inputs() const;

    qint64 rawLevel() const { return m_rawLevel; }
    const Buffer &captureBuffer() const { return m_buffer; }

    // The largest sample magnitude of a capture, times 65536: 0 ... 2147483648, so a
    // full-scale negative sample (-32768) gives 2147483648. `size` is in bytes.
    static qint64 rawLevelOf(const std::uint8_t *bytes, std::size_t size);

private:
    std::unique_ptr<CaptureDevice> m_device;
    Buffer m_buffer{};
    qint64 m_rawLevel = 0;
};

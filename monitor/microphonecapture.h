#pragma once

#include "monitor/capturedevice.h"

#include <QtGlobal>
#include <cstdint>
#include <memory>

// The program's ears: the raw level of the newest capture of the input device. Reads
// never block: they take whatever complete capture the device has ready.
class MicrophoneCapture
{
public:
    explicit MicrophoneCapture(std::unique_ptr<CaptureDevice> device);
    ~MicrophoneCapture();
    MicrophoneCapture(const MicrophoneCapture &) = delete;
    MicrophoneCapture &operator=(const MicrophoneCapture &) = delete;

    int openMicrophone();
    // Computes rawLevel from the newest complete capture, if one arrived since the last
    // read; otherwise the level stays as it was. True when a new capture arrived.
    bool readMicrophoneBuffer();
    void closeMicrophone();

    // The input to record; see CaptureDevice.
    void setPreferredInput(const QString &id);
    bool maintain();
    QList<InputDevice> inputs() const;

    qint64 rawLevel() const { return m_rawLevel; }

    // The largest sample magnitude of a capture, times 65536: 0 ... 2147483648, so a
    // full-scale negative sample (-32768) gives 2147483648. `size` is in bytes.
    static qint64 rawLevelOf(const std::uint8_t *bytes, std::size_t size);

private:
    std::unique_ptr<CaptureDevice> m_device;
    qint64 m_rawLevel = 0;
};

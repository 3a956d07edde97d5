#include "monitor/microphonecapture.h"

MicrophoneCapture::MicrophoneCapture(std::unique_ptr<CaptureDevice> device)
    : m_device(std::move(device))
{
}

MicrophoneCapture::~MicrophoneCapture()
{
    closeMicrophone();
}

int MicrophoneCapture::openMicrophone()
{
    return m_device ? m_device->open() : -1;
}

bool MicrophoneCapture::readMicrophoneBuffer()
{
    const std::uint8_t *capture = m_device ? m_device->takeLatest() : nullptr;
    if (!capture)
        return false;
    m_rawLevel = rawLevelOf(capture, CaptureDevice::CaptureBytes);
    return true;
}

void MicrophoneCapture::setPreferredInput(const QString &id)
{
    if (m_device)
        m_device->setPreferredInput(id);
}

bool MicrophoneCapture::maintain()
{
    return m_device && m_device->maintain();
}

QList<InputDevice> MicrophoneCapture::inputs() const
{
    return m_device ? m_device->inputs() : QList<InputDevice>();
}

void MicrophoneCapture::closeMicrophone()
{
    if (m_device)
        m_device->close();
}

qint64 MicrophoneCapture::rawLevelOf(const std::uint8_t *bytes, std::size_t size)
{
    int peak = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const auto sample = static_cast<std::int16_t>(bytes[i] | (bytes[i + 1] << 8));
        const int magnitude = sample < 0 ? -int(sample) : int(sample);
        if (magnitude > peak)
            peak = magnitude;
    }
    return qint64(peak) * 65536;
}

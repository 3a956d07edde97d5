#pragma once

#include "monitor/capturedevice.h"
#include "monitor/latestcapture.h"

#include <array>
#include <atomic>
#include <thread>

// <windows.h> first: the other Windows headers rely on its types.
#include <windows.h>

#include <mmsystem.h>

// Records the chosen input device, or the system's preferred one (WAVE_MAPPER), through
// the waveform-audio calls. Devices are known by their names; maintain() notices devices
// coming and going and moves the recording to the chosen one or back to the default.
// Buffers circulate between the driver and a recording thread of ours, woken by an
// event; the GUI thread only takes the newest complete capture from the triple buffer.
class WaveInCaptureDevice : public CaptureDevice
{
public:
    WaveInCaptureDevice();
    ~WaveInCaptureDevice() override;

    int open() override;
    const std::uint8_t *takeLatest() override;
    void close() override;
    void setPreferredInput(const QString &id) override;
    bool maintain() override;
    QList<InputDevice> inputs() const override { return m_inputs; }

private:
    static QList<InputDevice> listDevices();
    // The device to open: the chosen one while it is present, else WAVE_MAPPER.
    UINT chosenDevice() const;
    static constexpr int BufferCount = 4;
    static constexpr DWORD BufferBytes = 2048;

    void run();

    HWAVEIN m_handle = nullptr;
    HANDLE m_event = nullptr;
    std::array<WAVEHDR, BufferCount> m_headers{};
    std::array<std::array<char, BufferBytes>, BufferCount> m_buffers{};
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
    LatestCapture m_capture;
    QList<InputDevice> m_inputs;
    QString m_preferred;
    UINT m_openDevice = WAVE_MAPPER;
};

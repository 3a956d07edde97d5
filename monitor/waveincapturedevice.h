#pragma once

#include "monitor/capturedevice.h"
#include "monitor/latestcapture.h"

#include <array>
#include <atomic>
#include <thread>

#include <mmsystem.h>
#include <windows.h>

// Records the preferred input device (WAVE_MAPPER) through the waveform-audio calls.
// Buffers circulate between the driver and a thread of ours, woken by an event; the
// GUI thread only takes the newest complete capture.
class WaveInCaptureDevice : public CaptureDevice
{
public:
    WaveInCaptureDevice();
    ~WaveInCaptureDevice() override;

    int open() override;
    bool takeLatest(std::uint8_t *dst) override;
    void close() override;

private:
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
};

#pragma once

#include "monitor/capturedevice.h"
#include "monitor/capturerecoveryclock.h"
#include "monitor/inputnames.h"
#include "monitor/latestcapture.h"

#include <array>
#include <atomic>
#include <mutex>
#include <thread>

// <windows.h> first: the other Windows headers rely on its types.
#include <windows.h>

#include <mmsystem.h>

// Records the chosen input, or the system's preferred one (WAVE_MAPPER), through the
// waveform-audio calls. Inputs are known by their whole names (InputNames). maintain()
// follows inputs coming and going, and reopens a recording that failed to open, that
// its driver closed or that stopped returning buffers (CaptureRecoveryClock).
//
// The driver posts its messages to a recording thread of ours (CALLBACK_THREAD), which
// lives as long as the object: buffers are taken in the order they complete, and handed
// back to the driver there. The GUI thread opens and closes the device under m_lock, so
// the recording thread never hands a buffer to a device being closed; it ignores the
// messages of a device that is no longer open. The GUI thread takes the newest complete
// capture from the triple buffer.
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
    QList<InputDevice> inputs() const override;

private:
    static constexpr int BufferCount = 4;
    static constexpr DWORD BufferBytes = 2048;

    // The input to open now: the chosen one while it is present, else WAVE_MAPPER.
    UINT wantedDevice() const;
    QString nameOfDevice(UINT device) const; // empty for WAVE_MAPPER
    int tryOpen();
    MMRESULT openDevice(UINT device);
    void closeDevice();
    void releaseLocked(); // closes m_handle; m_lock is held
    void onMessage(const MSG &message);

    QList<InputNames::Device> m_devices;
    QString m_preferred;
    CaptureRecoveryClock m_recovery;
    QString m_openName; // the open input's name; empty for WAVE_MAPPER

    std::mutex m_lock;          // the GUI thread opens and closes under it
    HWAVEIN m_handle = nullptr; // written under m_lock
    std::array<WAVEHDR, BufferCount> m_headers{};
    std::array<std::array<char, BufferBytes>, BufferCount> m_buffers{};
    std::atomic<qint64> m_lastBufferMs{0};
    std::atomic<bool> m_lost{false}; // the driver closed the device or refused a buffer
    int m_ownCloses = 0;             // our closes whose MM_WIM_CLOSE is still to come; under m_lock
    LatestCapture m_capture;
    DWORD m_threadId = 0;
    std::thread m_thread;
};

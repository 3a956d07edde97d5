#include "monitor/waveincapturedevice.h"

#include "base/monotonicclock.h"
#include "monitor/waveinendpoints.h"

#include <QDebug>
#include <future>

namespace {
void warnOnFailure(MMRESULT result, const char *call)
{
    if (result != MMSYSERR_NOERROR)
        qWarning("%s failed: %u", call, result);
}
} // namespace

WaveInCaptureDevice::WaveInCaptureDevice() : m_devices(WaveInEndpoints::list())
{
    std::promise<DWORD> started;
    std::future<DWORD> threadId = started.get_future();
    m_thread = std::thread([this, &started] {
        MSG message;
        PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE); // makes the queue
        started.set_value(GetCurrentThreadId());
        while (GetMessageW(&message, nullptr, 0, 0) > 0)
            onMessage(message);
    });
    m_threadId = threadId.get();
}

WaveInCaptureDevice::~WaveInCaptureDevice()
{
    close();
    if (PostThreadMessageW(m_threadId, WM_QUIT, 0, 0))
        m_thread.join();
    else
        m_thread.detach(); // its queue is gone: nothing reaches it any more
}

QList<InputDevice> WaveInCaptureDevice::inputs() const
{
    QList<InputDevice> inputs;
    for (const InputNames::Device &device : m_devices) {
        const QString name = InputNames::nameOf(device);
        if (!name.isEmpty())
            inputs.append({name, name});
    }
    return inputs;
}

UINT WaveInCaptureDevice::wantedDevice() const
{
    const int index = InputNames::find(m_devices, m_preferred);
    return index < 0 ? WAVE_MAPPER : UINT(index);
}

QString WaveInCaptureDevice::nameOfDevice(UINT device) const
{
    return device == WAVE_MAPPER ? QString() : InputNames::nameOf(m_devices[int(device)]);
}

void WaveInCaptureDevice::setPreferredInput(const QString &id)
{
    m_preferred = id;
    if (m_handle && nameOfDevice(wantedDevice()) != m_openName) {
        closeDevice();
        tryOpen();
    }
}

bool WaveInCaptureDevice::maintain()
{
    const QList<InputNames::Device> devices = WaveInEndpoints::list();
    const bool changed = devices != m_devices;
    m_devices = devices;
    using Step = CaptureRecoveryClock::Step;
    Step step = m_recovery.next(MonotonicClock::nowMs(), m_lastBufferMs, m_lost);
    // Device numbers shift as inputs come and go, and the chosen one may have come or gone.
    if (step == Step::Wait && m_handle && changed && nameOfDevice(wantedDevice()) != m_openName)
        step = Step::Reopen;
    if (step == Step::Reopen)
        closeDevice();
    if (step != Step::Wait)
        tryOpen();
    return changed;
}

int WaveInCaptureDevice::open()
{
    m_recovery.want();
    return m_handle ? 0 : tryOpen();
}

void WaveInCaptureDevice::close()
{
    m_recovery.stop();
    closeDevice();
}

const std::uint8_t *WaveInCaptureDevice::takeLatest()
{
    return m_capture.take();
}

int WaveInCaptureDevice::tryOpen()
{
    const UINT device = wantedDevice();
    const MMRESULT result = openDevice(device);
    const qint64 now = MonotonicClock::nowMs();
    if (result == MMSYSERR_NOERROR) {
        m_openName = nameOfDevice(device);
        m_recovery.opened(now);
    } else {
        m_recovery.openFailed(now);
    }
    return static_cast<int>(result);
}

MMRESULT WaveInCaptureDevice::openDevice(UINT device)
{
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = 44100;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2; // one channel of 16-bit samples
    format.nAvgBytesPerSec = format.nBlockAlign * format.nSamplesPerSec;
    format.cbSize = 0;

    const std::lock_guard lock(m_lock);
    MMRESULT result = waveInOpen(&m_handle, device, &format, m_threadId, 0, CALLBACK_THREAD);
    if (result != MMSYSERR_NOERROR) {
        m_handle = nullptr;
        return result;
    }
    m_lost = false;
    m_lastBufferMs = 0;
    m_capture.restart();
    for (int i = 0; i < BufferCount && result == MMSYSERR_NOERROR; ++i) {
        m_headers[i] = WAVEHDR{};
        m_headers[i].lpData = m_buffers[i].data();
        m_headers[i].dwBufferLength = BufferBytes;
        result = waveInPrepareHeader(m_handle, &m_headers[i], sizeof(WAVEHDR));
        if (result == MMSYSERR_NOERROR)
            result = waveInAddBuffer(m_handle, &m_headers[i], sizeof(WAVEHDR));
    }
    if (result == MMSYSERR_NOERROR)
        result = waveInStart(m_handle);
    if (result != MMSYSERR_NOERROR)
        releaseLocked();
    return result;
}

void WaveInCaptureDevice::closeDevice()
{
    const std::lock_guard lock(m_lock);
    releaseLocked();
}

void WaveInCaptureDevice::releaseLocked()
{
    if (!m_handle)
        return;
    // A device that went away may refuse all of these; the handle is let go all the same.
    warnOnFailure(waveInReset(m_handle), "waveInReset"); // every queued buffer comes back
    for (WAVEHDR &header : m_headers) {
        if (header.dwFlags & WHDR_PREPARED)
            warnOnFailure(waveInUnprepareHeader(m_handle, &header, sizeof(WAVEHDR)),
                          "waveInUnprepareHeader");
    }
    const MMRESULT closed = waveInClose(m_handle);
    warnOnFailure(closed, "waveInClose");
    if (closed == MMSYSERR_NOERROR)
        ++m_ownCloses;
    m_handle = nullptr;
}

void WaveInCaptureDevice::onMessage(const MSG &message)
{
    const std::lock_guard lock(m_lock);
    if (message.message == MM_WIM_CLOSE) {
        // Ours when we closed; otherwise the driver closed the device under us.
        if (m_ownCloses > 0)
            --m_ownCloses;
        else if (m_handle)
            m_lost = true;
        return;
    }
    if (message.message != MM_WIM_DATA || !m_handle ||
        reinterpret_cast<HWAVEIN>(message.wParam) != m_handle)
        return; // a device closed since
    auto *header = reinterpret_cast<WAVEHDR *>(message.lParam);
    // A buffer handed back by an earlier device with the same handle value is queued
    // again by now, not done.
    if (header < m_headers.data() || header >= m_headers.data() + BufferCount ||
        !(header->dwFlags & WHDR_DONE))
        return;
    m_lastBufferMs = MonotonicClock::nowMs();
    m_capture.append(reinterpret_cast<const std::uint8_t *>(header->lpData),
                     header->dwBytesRecorded);
    if (waveInAddBuffer(m_handle, header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR)
        m_lost = true;
}

#include "monitor/waveincapturedevice.h"

WaveInCaptureDevice::WaveInCaptureDevice() : m_inputs(listDevices()) {}

QList<InputDevice> WaveInCaptureDevice::listDevices()
{
    QList<InputDevice> devices;
    const UINT count = waveInGetNumDevs();
    for (UINT i = 0; i < count; ++i) {
        WAVEINCAPSW caps{};
        if (waveInGetDevCapsW(i, &caps, sizeof(caps)) != MMSYSERR_NOERROR)
            continue;
        const QString name = QString::fromWCharArray(caps.szPname);
        devices.append({name, name});
    }
    return devices;
}

UINT WaveInCaptureDevice::chosenDevice() const
{
    if (m_preferred.isEmpty())
        return WAVE_MAPPER;
    const UINT count = waveInGetNumDevs();
    for (UINT i = 0; i < count; ++i) {
        WAVEINCAPSW caps{};
        if (waveInGetDevCapsW(i, &caps, sizeof(caps)) == MMSYSERR_NOERROR &&
            QString::fromWCharArray(caps.szPname) == m_preferred)
            return i;
    }
    return WAVE_MAPPER;
}

void WaveInCaptureDevice::setPreferredInput(const QString &id)
{
    m_preferred = id;
    if (m_handle && chosenDevice() != m_openDevice) {
        close();
        open();
    }
}

bool WaveInCaptureDevice::maintain()
{
    const QList<InputDevice> devices = listDevices();
    if (devices == m_inputs)
        return false;
    m_inputs = devices;
    // Device numbers shift when devices come and go: open again by name.
    if (m_handle) {
        close();
        open();
    }
    return true;
}

WaveInCaptureDevice::~WaveInCaptureDevice()
{
    close();
}

int WaveInCaptureDevice::open()
{
    if (m_handle)
        return 0;
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = 44100;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2; // one channel of 16-bit samples
    format.nAvgBytesPerSec = format.nBlockAlign * format.nSamplesPerSec;
    format.cbSize = 0;

    m_event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    m_openDevice = chosenDevice();
    const MMRESULT result = waveInOpen(&m_handle, m_openDevice, &format,
                                       reinterpret_cast<DWORD_PTR>(m_event), 0, CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR) {
        m_handle = nullptr;
        CloseHandle(m_event);
        m_event = nullptr;
        return static_cast<int>(result);
    }
    m_capture.restart();
    for (int i = 0; i < BufferCount; ++i) {
        m_headers[i] = WAVEHDR{};
        m_headers[i].lpData = m_buffers[i].data();
        m_headers[i].dwBufferLength = BufferBytes;
        waveInPrepareHeader(m_handle, &m_headers[i], sizeof(WAVEHDR));
        waveInAddBuffer(m_handle, &m_headers[i], sizeof(WAVEHDR));
    }
    m_stopping = false;
    m_thread = std::thread([this] { run(); });
    waveInStart(m_handle);
    return 0;
}

const std::uint8_t *WaveInCaptureDevice::takeLatest()
{
    return m_capture.take();
}

void WaveInCaptureDevice::close()
{
    if (!m_handle)
        return;
    m_stopping = true;
    SetEvent(m_event);
    if (m_thread.joinable())
        m_thread.join();
    waveInReset(m_handle); // marks every queued buffer done
    for (WAVEHDR &header : m_headers)
        waveInUnprepareHeader(m_handle, &header, sizeof(WAVEHDR));
    waveInClose(m_handle);
    m_handle = nullptr;
    CloseHandle(m_event);
    m_event = nullptr;
}

void WaveInCaptureDevice::run()
{
    // A removed device stops completing buffers; the wait's timeout keeps us responsive.
    while (!m_stopping) {
        WaitForSingleObject(m_event, 200);
        for (WAVEHDR &header : m_headers) {
            if (m_stopping || !(header.dwFlags & WHDR_DONE))
                continue;
            m_capture.append(reinterpret_cast<const std::uint8_t *>(header.lpData),
                             header.dwBytesRecorded);
            header.dwFlags &= ~WHDR_DONE;
            waveInAddBuffer(m_handle, &header, sizeof(WAVEHDR));
        }
    }
}

#include "monitor/waveincapturedevice.h"

WaveInCaptureDevice::WaveInCaptureDevice() = default;

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
    format.nBlockAlign = format.nChannels * format.wBitsPerSample / 8;
    format.nAvgBytesPerSec = format.nBlockAlign * format.nSamplesPerSec;
    format.cbSize = 0;

    m_event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    const MMRESULT result = waveInOpen(&m_handle, WAVE_MAPPER, &format,
                                       reinterpret_cast<DWORD_PTR>(m_event), 0, CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR) {
        m_handle = nullptr;
        CloseHandle(m_event);
        m_event = nullptr;
        return static_cast<int>(result);
    }
    m_capture.resetWindow();
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

bool WaveInCaptureDevice::takeLatest(std::uint8_t *dst)
{
    return m_capture.take(dst);
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

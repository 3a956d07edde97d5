#include "e2e/wavedevices.h"

#include <QFile>
#include <QRegularExpression>
#include <string>

namespace WaveDevices {

namespace {
WAVEFORMATEX monoFormat()
{
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = 44100;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = 88200;
    return format;
}

QString nameOf(const wchar_t *name)
{
    return QString::fromWCharArray(name);
}
} // namespace

int outputNamed(const QString &name)
{
    for (UINT i = 0; i < waveOutGetNumDevs(); ++i) {
        WAVEOUTCAPSW caps{};
        if (waveOutGetDevCapsW(i, &caps, sizeof caps) == MMSYSERR_NOERROR &&
            nameOf(caps.szPname) == name)
            return int(i);
    }
    return -1;
}

int inputNamed(const QString &name)
{
    for (UINT i = 0; i < waveInGetNumDevs(); ++i) {
        WAVEINCAPSW caps{};
        if (waveInGetDevCapsW(i, &caps, sizeof caps) == MMSYSERR_NOERROR &&
            nameOf(caps.szPname) == name)
            return int(i);
    }
    return -1;
}

std::optional<QString> pactl(const QStringList &arguments)
{
    // Wine starts a Unix program with no handle to wait on and none of our pipes: the
    // shell writes its output to a file of the sound server's run folder, named when done.
    static int calls = 0;
    const QString run = qEnvironmentVariable("MURMLET_PULSE_RUN");
    if (run.isEmpty())
        return std::nullopt;
    const QString out =
        QStringLiteral("%1/pactl-%2-%3").arg(run).arg(GetCurrentProcessId()).arg(++calls);
    QString script = QStringLiteral("pactl");
    for (QString argument : arguments)
        script += " '" + argument.replace("'", "'\\''") + "'";
    script += " > '" + out + ".tmp'; mv '" + out + ".tmp' '" + out + "'";
    // One Windows argument: a quote inside is written \".
    std::wstring line =
        (QStringLiteral("Z:\\bin\\sh -c \"") + QString(script).replace("\"", "\\\"") + '"')
            .toStdWString();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return std::nullopt;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    QFile file("Z:" + out);
    for (int i = 0; i < 100 && !file.exists(); ++i)
        Sleep(100);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QString output = QString::fromUtf8(file.readAll()).trimmed();
    file.remove();
    return output;
}

std::optional<QString> moduleOfSource(const QString &sourceName)
{
    const std::optional<QString> modules = pactl({"list", "short", "modules"});
    if (!modules)
        return std::nullopt;
    const QRegularExpression line(
        "^(\\d+)\\t\\S+\\t.*\\bsource_name=" + QRegularExpression::escape(sourceName) + "(\\s|$)");
    for (const QString &text : modules->split('\n')) {
        const QRegularExpressionMatch match = line.match(text);
        if (match.hasMatch())
            return match.captured(1);
    }
    return std::nullopt;
}

Player::Player(const QString &wavPath, const QString &device)
{
    QFile file(wavPath);
    const int id = outputNamed(device);
    if (id < 0 || !file.open(QIODevice::ReadOnly))
        return;
    m_samples = file.readAll().mid(44); // the fixtures' header is always 44 bytes
    const WAVEFORMATEX format = monoFormat();
    if (waveOutOpen(&m_handle, UINT(id), &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        m_handle = nullptr;
        return;
    }
    m_header.lpData = m_samples.data();
    m_header.dwBufferLength = DWORD(m_samples.size());
    waveOutPrepareHeader(m_handle, &m_header, sizeof m_header);
    waveOutWrite(m_handle, &m_header, sizeof m_header);
}

Player::~Player()
{
    stop();
}

void Player::stop()
{
    if (!m_handle)
        return;
    waveOutReset(m_handle);
    waveOutUnprepareHeader(m_handle, &m_header, sizeof m_header);
    waveOutClose(m_handle);
    m_handle = nullptr;
}

Recorder::Recorder(const QString &device)
{
    const int id = inputNamed(device);
    if (id < 0)
        return;
    m_event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    const WAVEFORMATEX format = monoFormat();
    if (waveInOpen(&m_handle, UINT(id), &format, DWORD_PTR(m_event), 0, CALLBACK_EVENT) !=
        MMSYSERR_NOERROR) {
        m_handle = nullptr;
        return;
    }
    m_headers.resize(BufferCount);
    m_buffers.resize(BufferCount);
    for (int i = 0; i < BufferCount; ++i) {
        m_buffers[i].resize(BufferBytes);
        m_headers[i] = WAVEHDR{};
        m_headers[i].lpData = m_buffers[i].data();
        m_headers[i].dwBufferLength = BufferBytes;
        waveInPrepareHeader(m_handle, &m_headers[i], sizeof(WAVEHDR));
        waveInAddBuffer(m_handle, &m_headers[i], sizeof(WAVEHDR));
    }
    waveInStart(m_handle);
    m_thread = std::thread([this] {
        while (!m_stopping) {
            WaitForSingleObject(m_event, 50);
            collect();
        }
    });
}

Recorder::~Recorder()
{
    stop();
}

void Recorder::collect()
{
    for (WAVEHDR &header : m_headers) {
        if (!(header.dwFlags & WHDR_DONE))
            continue;
        m_recorded.append(header.lpData, qsizetype(header.dwBytesRecorded));
        header.dwFlags &= ~DWORD(WHDR_DONE);
        header.dwBytesRecorded = 0;
        if (!m_stopping)
            waveInAddBuffer(m_handle, &header, sizeof(WAVEHDR));
    }
}

QByteArray Recorder::stop()
{
    if (m_handle) {
        m_stopping = true;
        m_thread.join();
        waveInStop(m_handle);
        waveInReset(m_handle); // hands back every buffer, marked done
        collect();
        for (WAVEHDR &header : m_headers)
            waveInUnprepareHeader(m_handle, &header, sizeof(WAVEHDR));
        waveInClose(m_handle);
        m_handle = nullptr;
    }
    if (m_event) {
        CloseHandle(m_event);
        m_event = nullptr;
    }
    return m_recorded;
}

} // namespace WaveDevices

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <optional>
#include <thread>
#include <vector>

// <windows.h> first: the other Windows headers rely on its types.
#include <windows.h>
#include <mmsystem.h>

// The test's own ears and mouth on Windows: the waveform-audio devices of the private
// sound server, found by name as Wine lists them ("MicFeed" plays into the virtual
// microphone, "Monitor of Speaker" records what the program played). Mono, 44100 Hz,
// signed 16-bit throughout.
namespace WaveDevices {

// The number of the output or input device called `name`, or -1.
int outputNamed(const QString &name);
int inputNamed(const QString &name);

// Runs the Linux pactl against the private sound server (Wine starts Unix programs as
// they are): its standard output, or nothing when it did not run within 10 s. Wine
// tells no Unix program's exit code: only the output shows success (load-module prints
// the module's index).
std::optional<QString> pactl(const QStringList &arguments);
// The index of the module that made the source called `sourceName`, or nothing.
std::optional<QString> moduleOfSource(const QString &sourceName);

// Plays the samples of a WAV file written by SoundFixtures into an output device.
class Player
{
public:
    Player(const QString &wavPath, const QString &device);
    ~Player();
    bool isOpen() const { return m_handle != nullptr; }
    void stop();

private:
    QByteArray m_samples;
    HWAVEOUT m_handle = nullptr;
    WAVEHDR m_header{};
};

// Records an input device from construction until stop().
class Recorder
{
public:
    explicit Recorder(const QString &device);
    ~Recorder();
    bool isOpen() const { return m_handle != nullptr; }
    QByteArray stop(); // every sample recorded so far

private:
    void collect(); // appends the finished buffers and hands them back to the driver
    static constexpr int BufferCount = 8;
    static constexpr DWORD BufferBytes = 8820; // 100 ms
    HWAVEIN m_handle = nullptr;
    HANDLE m_event = nullptr;
    std::vector<WAVEHDR> m_headers;
    std::vector<QByteArray> m_buffers;
    QByteArray m_recorded;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

} // namespace WaveDevices

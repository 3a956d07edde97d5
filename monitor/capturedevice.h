#pragma once

#include <QList>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>

// A sound input the user can choose: the sound system's stable name and what it calls it
// for people.
struct InputDevice
{
    QString id;
    QString description;
    bool operator==(const InputDevice &other) const
    {
        return id == other.id && description == other.description;
    }
};

// Records the chosen or the system's default input as 44100 Hz, mono, signed 16-bit
// little-endian PCM. No call ever waits for audio: the GUI thread asks at every meter
// tick for whatever complete capture is ready. (On Linux the sound server's connection
// is polled right then; on Windows a recording thread of the device's own fills it.)
class CaptureDevice
{
public:
    // One capture: 512 samples, about 11.6 ms.
    static constexpr std::size_t CaptureBytes = 1024;

    virtual ~CaptureDevice();

    // Starts recording; 0 on success, otherwise a non-zero error code. Failing devices
    // stay silent: later takes simply return false.
    virtual int open() = 0;
    // The newest complete capture (CaptureBytes bytes) if one arrived since the last
    // call, else null; returns at once either way. The bytes stay valid until the next
    // call.
    virtual const std::uint8_t *takeLatest() = 0;
    // Stops recording and releases the device; harmless when nothing is open.
    virtual void close() = 0;

    // Records the input with this id, or the system's default input for an empty id.
    // While the chosen input is absent the default is recorded, until it returns.
    virtual void setPreferredInput(const QString &id) { (void)id; }
    // Called about once a second from the GUI thread, never waits: keeps the list of
    // inputs current and reconnects after the sound system went away and came back.
    // True when inputs() changed since the last call.
    virtual bool maintain() { return false; }
    // The inputs that can be recorded (never the monitors of outputs), in the sound
    // system's order.
    virtual QList<InputDevice> inputs() const { return {}; }

    // The platform's recorder of the default input device.
    static std::unique_ptr<CaptureDevice> createDefault();
};

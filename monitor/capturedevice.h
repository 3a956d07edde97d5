#pragma once

#include <QList>
#include <QString>
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

// Records the chosen or the system's default input as 44100 Hz, mono, signed 16-bit little-endian
// PCM. Implementations record on a thread of their own; no call ever waits for audio.
class CaptureDevice
{
public:
    virtual ~CaptureDevice();

    // Starts recording; 0 on success, otherwise a non-zero error code. Failing devices
    // stay silent: later takes simply return false.
    virtual int open() = 0;
    // Copies the newest complete 1024-byte capture into dst if one arrived since the
    // last call; returns at once either way.
    virtual bool takeLatest(std::uint8_t *dst) = 0;
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

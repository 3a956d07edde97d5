#pragma once

#include <QList>
#include <QString>

// The names of the Windows inputs. The waveform-audio device list cuts a name to 31
// characters (MAXPNAMELEN), so two "Microphone (USB Audio Device)" inputs look alike
// there; the endpoint behind each number tells its whole name. An input is listed,
// remembered and found by its whole name. Pure, so that it is tested on any system.
namespace InputNames {

struct Device
{
    QString shortName; // as the device list has it, 31 characters at most
    QString fullName;  // the endpoint's name; empty where Windows did not tell it
    bool operator==(const Device &other) const
    {
        return shortName == other.shortName && fullName == other.fullName;
    }
};

// What an input is listed and remembered by: its whole name where known.
QString nameOf(const Device &device);

// The index in `devices` of the input remembered as `chosen`, or -1 when none is. The
// whole name decides; a short name remembered by an earlier version still finds its
// input, but only while no other input is cut to the same short name.
int find(const QList<Device> &devices, const QString &chosen);

} // namespace InputNames

#pragma once

#include <QString>
#include <optional>

class Settings;

// The offset that turns dBFS into what a sound level meter in the room shows: the user
// types the meter's figure while the program hears a known dBFS, and from then on
// calibrated = dBFS + offset. Stored as text in settings.ini.
class Calibration
{
public:
    // What a user may type: below 0 dB or above 150 dB is no room a meter measures.
    static constexpr double LowestMeterReading = 0.0;
    static constexpr double HighestMeterReading = 150.0;

    // The offset for a meter figure heard at `dbfs`; none while the program hears
    // silence (no reference) or for a figure outside the meter's range.
    static std::optional<double> offsetFor(double meterDb, double dbfs);
    // The stored text ("93.25"); an empty, malformed or non-finite text means none.
    static std::optional<double> fromStored(const QString &text);
    static QString toStored(double offset);
    // The calibration in force: the one in the settings, if any.
    static std::optional<double> current(const Settings &settings);
    // Keeps the offset in the settings, or forgets it (none).
    static void store(Settings &settings, std::optional<double> offset);
};

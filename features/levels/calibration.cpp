#include "features/levels/calibration.h"

#include "base/settings.h"

#include <QLocale>
#include <cmath>

std::optional<double> Calibration::offsetFor(double meterDb, double dbfs)
{
    if (!std::isfinite(dbfs) || !std::isfinite(meterDb))
        return std::nullopt;
    if (meterDb < LowestMeterReading || meterDb > HighestMeterReading)
        return std::nullopt;
    return meterDb - dbfs;
}

std::optional<double> Calibration::fromStored(const QString &text)
{
    bool ok = false;
    const double offset = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(offset))
        return std::nullopt;
    return offset;
}

QString Calibration::toStored(double offset)
{
    // The C locale, so that a file moved between users of other languages reads the same.
    return QLocale::c().toString(offset, 'f', 2);
}

std::optional<double> Calibration::current(const Settings &settings)
{
    return fromStored(settings.read(SettingsTable::CalibrationOffset));
}

void Calibration::store(Settings &settings, std::optional<double> offset)
{
    settings.write(SettingsTable::CalibrationOffset, offset ? toStored(*offset) : QString());
}

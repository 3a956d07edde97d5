#include "monitor/decibels.h"

#include "monitor/noisedetector.h"

#include <cmath>
#include <limits>

namespace {
const QChar Minus(0x2212);
const QChar Infinity(0x221E);
} // namespace

double Decibels::dbfsOfPeak(double peak)
{
    if (!(peak > 0))
        return -std::numeric_limits<double>::infinity();
    return 20.0 * std::log10(peak / FullScale);
}

double Decibels::thresholdDbfs(int position)
{
    return dbfsOfLevel(qint64(position) * NoiseDetector::ThresholdStep);
}

QString Decibels::numberText(double value, const QLocale &locale)
{
    if (std::isinf(value))
        return value < 0 ? QString(Minus) + Infinity : QString(Infinity);
    // Rounded first, so that -0.04 reads 0.0 rather than −0.0.
    const double rounded = std::round(value * 10.0) / 10.0;
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    const QString digits = plain.toString(std::fabs(rounded), 'f', 1);
    return rounded < 0 ? QString(Minus) + digits : digits;
}

QString Decibels::dbfsText(double dbfs, const QLocale &locale)
{
    return numberText(dbfs, locale) + QStringLiteral(" dBFS");
}

QString Decibels::calibratedText(double db, const QString &unit, const QLocale &locale)
{
    return numberText(db, locale) + QLatin1Char(' ') + unit;
}

QString Decibels::levelText(double dbfs, std::optional<double> offset,
                            const QString &calibratedUnit, const QLocale &locale)
{
    QString text = dbfsText(dbfs, locale);
    if (offset)
        text += QStringLiteral(" \u00B7 ") + calibratedText(dbfs + *offset, calibratedUnit, locale);
    return text;
}

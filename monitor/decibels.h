#pragma once

#include <QLocale>
#include <QString>
#include <QtGlobal>
#include <optional>

// Levels in decibels relative to full scale (dBFS): 20 log10(peak / 32768), where the
// peak is the largest sample magnitude of a capture (level / 65536). Silence is -inf.
class Decibels
{
public:
    static constexpr double FullScale = 32768.0;
    static constexpr double LevelPerPeak = 65536.0;

    static double dbfsOfPeak(double peak);
    static double dbfsOfLevel(qint64 level) { return dbfsOfPeak(double(level) / LevelPerPeak); }
    // The level a threshold position stands for: readings above it are noise.
    static double thresholdDbfs(int position);

    // One decimal in the locale's notation, with a true minus sign: "−32.6 dBFS",
    // "−∞ dBFS" for silence.
    static QString dbfsText(double dbfs, const QLocale &locale);
    // A calibrated figure followed by the (translated) unit, "62.0 dB (calibrated)".
    static QString calibratedText(double db, const QString &unit, const QLocale &locale);
    static QString numberText(double value, const QLocale &locale);
    // dBFS, and beside it the calibrated figure when there is an offset:
    // "−30.0 dBFS · 62.0 dB (calibrated)".
    static QString levelText(double dbfs, std::optional<double> offset,
                             const QString &calibratedUnit, const QLocale &locale);
};

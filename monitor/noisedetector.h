#pragma once

#include <QString>
#include <QtGlobal>

// The detector's arithmetic: level, the noisy comparison, the meter value, and the
// per-second counter that decides when the alarm sounds. No I/O, no widgets.
class NoiseDetector
{
public:
    static constexpr qint64 MeterMaximum = 100000000;
    static constexpr qint64 ThresholdStep = 10000000;
    static constexpr int DefaultThreshold = 5;
    static constexpr int DefaultTolerance = 5;
    static constexpr int MinimumTolerance = 1;
    static constexpr int MaximumTolerance = 999999999;

    struct Reading
    {
        qint64 level;
        bool noisy;
        qint64 meterValue;
    };

    struct Second
    {
        QString statusText; // "Noise Detected! (n)" or empty
        bool alarm;         // the warning sound is due now
    };

    // |raw| in 64-bit arithmetic, so the most negative 32-bit value keeps its size.
    static qint64 levelOf(qint64 raw) { return raw < 0 ? -raw : raw; }
    // Noisy when the level lies strictly above threshold x 10000000.
    static bool isNoisy(qint64 level, int threshold) { return level > threshold * ThresholdStep; }
    static qint64 meterValueOf(qint64 level) { return qBound<qint64>(0, level, MeterMaximum); }
    // Whole percentage of the meter's range, fractions dropped.
    static int meterPercent(qint64 meterValue)
    {
        return static_cast<int>(meterValueOf(meterValue) * 100 / MeterMaximum);
    }
    // The tolerance field's whole-number value; 1 when the text is not a whole number.
    // Values being typed (0, negatives, above the maximum) are returned as typed.
    static int toleranceFromText(const QString &text);
    static QString noiseText(int seconds);
    static QString thresholdText(int position);

    // One 50 ms measurement; overwrites the noise flag. A reading of the program's own
    // warning sound is shown but is never noise.
    Reading measure(qint64 raw, int threshold, bool ownSound = false);
    // One 1 s tick. The tolerance used is never below 1, so a half-typed 0 or
    // negative value cannot make the alarm sound every second in a quiet room.
    Second tick(int tolerance);

    bool noiseDetected() const { return m_noiseDetected; }
    int noiseSeconds() const { return m_noiseSeconds; }

private:
    bool m_noiseDetected = false;
    int m_noiseSeconds = 0;
};

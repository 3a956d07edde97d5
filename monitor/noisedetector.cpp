#include "monitor/noisedetector.h"

int NoiseDetector::toleranceFromText(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value : MinimumTolerance;
}

QString NoiseDetector::noiseText(int seconds)
{
    return QStringLiteral("Noise Detected! (%1)").arg(seconds);
}

QString NoiseDetector::thresholdText(int position)
{
    return QStringLiteral("Noise Threshold: %1").arg(position);
}

NoiseDetector::Reading NoiseDetector::measure(qint64 raw, int threshold, bool ownSound)
{
    const qint64 level = levelOf(raw);
    m_noiseDetected = !ownSound && isNoisy(level, threshold);
    return {level, m_noiseDetected, meterValueOf(level)};
}

NoiseDetector::Second NoiseDetector::tick(int tolerance)
{
    Second second{QString(), false};
    if (m_noiseDetected) {
        ++m_noiseSeconds;
        second.statusText = noiseText(m_noiseSeconds);
    } else {
        m_noiseSeconds = 0;
    }
    if (m_noiseSeconds >= qMax(tolerance, MinimumTolerance)) {
        m_noiseSeconds = 0;
        second.alarm = true;
    }
    return second;
}

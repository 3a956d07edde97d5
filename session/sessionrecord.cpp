#include "session/sessionrecord.h"

#include "monitor/decibels.h"

SessionRecord::SessionRecord(int capacity) : m_capacity(qMax(capacity, 1)) {}

void SessionRecord::noteReading(qint64 level)
{
    m_latestLevel = level;
    m_secondLevel = qMax(m_secondLevel, level);
}

void SessionRecord::closeSecond(qint64 time, bool noisy, bool alarm)
{
    const auto peak = static_cast<quint16>(qBound<qint64>(
        0, m_secondLevel / qint64(Decibels::LevelPerPeak), qint64(Decibels::FullScale)));
    const Second row{time, peak, noisy, alarm};
    m_secondLevel = 0;
    if (size() < m_capacity) {
        // Grows in steps the first day; reserve() would take a day's memory at once.
        m_rows.push_back(row);
        if (size() == m_capacity)
            m_rows.shrink_to_fit();
        return;
    }
    m_rows[std::size_t(m_oldest)] = row;
    m_oldest = (m_oldest + 1) % m_capacity;
}

const SessionRecord::Second &SessionRecord::at(int row) const
{
    return m_rows[std::size_t((m_oldest + row) % size())];
}

SessionRecord::Summary SessionRecord::summary() const
{
    Summary summary;
    for (int row = 0; row < size(); ++row) {
        const Second &second = at(row);
        summary.noisySeconds += second.noisy ? 1 : 0;
        summary.alarms += second.alarm ? 1 : 0;
        if (summary.loudest < 0 || second.peak > at(summary.loudest).peak)
            summary.loudest = row;
    }
    return summary;
}

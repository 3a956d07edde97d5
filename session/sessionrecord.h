#pragma once

#include <QtGlobal>
#include <vector>

// What the session heard, one row a second: the second's highest peak, whether it
// counted as noisy and whether the alarm went off. Memory stays bounded: past
// `capacity` rows (a day of seconds) the oldest row rolls off.
class SessionRecord
{
public:
    static constexpr int DayOfSeconds = 86400;

    struct Second
    {
        qint64 time;  // end of the second, milliseconds since the epoch
        quint16 peak; // highest sample magnitude, 0 ... 32768
        bool noisy;   // the second counted towards the tolerance
        bool alarm;   // the warning went off (not while paused)
    };

    struct Summary
    {
        int noisySeconds = 0;
        int alarms = 0;
        int loudest = -1; // row of the highest peak (the first of equals); -1 when empty
    };

    explicit SessionRecord(int capacity = DayOfSeconds);

    // Every 50 ms reading: the level (peak x 65536) joins the current second.
    void noteReading(qint64 level);
    // Closes the current second as a row and starts the next one.
    void closeSecond(qint64 time, bool noisy, bool alarm);

    qint64 latestLevel() const { return m_latestLevel; }
    int size() const { return int(m_rows.size()); }
    int capacity() const { return m_capacity; }
    // Oldest first.
    const Second &at(int row) const;
    Summary summary() const;
    // The rows' storage, which never grows past capacity rows.
    std::size_t memoryBytes() const { return m_rows.capacity() * sizeof(Second); }

private:
    int m_capacity;
    std::vector<Second> m_rows; // a ring once full: m_oldest is the first row
    int m_oldest = 0;
    qint64 m_latestLevel = 0;
    qint64 m_secondLevel = 0;
};

#pragma once

#include <QtGlobal>
#include <bitset>

// Which of the last Seconds seconds were noisy: one bit a second in a ring, with the count
// kept as seconds enter and leave, so asking costs nothing. Seconds are whole seconds on
// the receiver's clock; time never runs backwards here (an earlier second is taken as the
// latest one).
class NoisyRing
{
public:
    static constexpr int Seconds = 600;

    // The second is noisy; several marks of one second count once.
    void mark(qint64 second, bool noisy);
    // Moves the ring's end to this second, forgetting what lies Seconds before it.
    // True when the count changed.
    bool advance(qint64 second);
    int count() const { return m_count; }

private:
    std::bitset<Seconds> m_bits;
    qint64 m_last = 0; // the ring's newest second
    bool m_started = false;
    int m_count = 0;
};

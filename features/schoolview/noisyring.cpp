#include "features/schoolview/noisyring.h"

namespace {
std::size_t slotOf(qint64 second)
{
    return static_cast<std::size_t>((second % NoisyRing::Seconds + NoisyRing::Seconds) %
                                    NoisyRing::Seconds);
}
} // namespace

void NoisyRing::mark(qint64 second, bool noisy)
{
    advance(second);
    if (!noisy)
        return;
    const std::size_t slot = slotOf(m_last);
    if (!m_bits.test(slot)) {
        m_bits.set(slot);
        ++m_count;
    }
}

bool NoisyRing::advance(qint64 second)
{
    if (!m_started) {
        m_started = true;
        m_last = second;
        return false;
    }
    if (second <= m_last)
        return false;
    const int before = m_count;
    if (second - m_last >= Seconds) {
        m_bits.reset();
        m_count = 0;
    } else {
        for (qint64 s = m_last + 1; s <= second; ++s) {
            const std::size_t slot = slotOf(s);
            if (m_bits.test(slot)) {
                m_bits.reset(slot);
                --m_count;
            }
        }
    }
    m_last = second;
    return m_count != before;
}

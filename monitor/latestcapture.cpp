#include "monitor/latestcapture.h"

#include <cstring>

void LatestCapture::append(const std::uint8_t *data, std::size_t size)
{
    m_rolling.append(data, size);
    const std::uint8_t *complete = m_rolling.takeFresh();
    if (!complete)
        return;
    std::memcpy(m_slots[m_write].data(), complete, Size);
    m_write = m_middle.exchange(m_write | Fresh, std::memory_order_acq_rel) & 3;
}

const std::uint8_t *LatestCapture::take()
{
    if ((m_middle.load(std::memory_order_relaxed) & Fresh) == 0)
        return nullptr;
    m_read = m_middle.exchange(m_read, std::memory_order_acq_rel) & 3;
    return m_slots[m_read].data();
}

#include "monitor/latestcapture.h"

#include <cstring>

void LatestCapture::append(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return;
    if (size >= Size) {
        std::memcpy(m_window.data(), data + (size - Size), Size);
        m_filled = Size;
    } else {
        // Slide the window left by `size` bytes and put the new bytes at its end.
        std::memmove(m_window.data(), m_window.data() + size, Size - size);
        std::memcpy(m_window.data() + (Size - size), data, size);
        m_filled = m_filled + size > Size ? Size : m_filled + size;
    }
    if (m_filled < Size)
        return;
    m_slots[m_write] = m_window;
    m_write = m_middle.exchange(m_write | Fresh, std::memory_order_acq_rel) & 3;
}

bool LatestCapture::take(std::uint8_t *dst)
{
    if ((m_middle.load(std::memory_order_relaxed) & Fresh) == 0)
        return false;
    m_read = m_middle.exchange(m_read, std::memory_order_acq_rel) & 3;
    std::memcpy(dst, m_slots[m_read].data(), Size);
    return true;
}

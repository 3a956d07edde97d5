#include "monitor/rollingcapture.h"

#include <cstring>

void RollingCapture::append(const std::uint8_t *data, std::size_t size)
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
    m_fresh = m_filled == Size;
}

const std::uint8_t *RollingCapture::takeFresh()
{
    if (!m_fresh)
        return nullptr;
    m_fresh = false;
    return m_window.data();
}

void RollingCapture::restart()
{
    m_filled = 0;
    m_fresh = false;
}

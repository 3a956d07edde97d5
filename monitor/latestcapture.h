#pragma once

#include "monitor/rollingcapture.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

// Hands the newest complete capture from a recording thread to the GUI thread without
// locks and without either side ever waiting: a triple buffer. The Windows capture
// records on a thread of its own and needs it; a capture polled on the GUI thread uses
// a RollingCapture alone. Exactly one producer thread calls append() and restart();
// exactly one consumer thread calls take().
class LatestCapture
{
public:
    static constexpr std::size_t Size = RollingCapture::Size;

    // Producer: adds recorded bytes; every complete capture is published.
    void append(const std::uint8_t *data, std::size_t size);
    // Producer: forget partial data (a new recording begins).
    void restart() { m_rolling.restart(); }

    // Consumer: the newest capture (Size bytes) when one was published since the last
    // take, else null. The bytes stay valid until the next take().
    const std::uint8_t *take();

private:
    static constexpr int Fresh = 4;

    using Slot = std::array<std::uint8_t, Size>;
    std::array<Slot, 3> m_slots{};
    RollingCapture m_rolling;     // producer only
    int m_write = 0;              // producer only
    int m_read = 1;               // consumer only
    std::atomic<int> m_middle{2}; // slot index, plus Fresh when unseen by the consumer
};

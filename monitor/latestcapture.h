#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

// Hands the newest complete 1024-byte capture from the recording thread to the GUI
// thread without locks and without either side ever waiting: a triple buffer.
// Exactly one producer thread calls append(); exactly one consumer thread calls take().
class LatestCapture
{
public:
    static constexpr std::size_t Size = 1024;

    // Producer: adds recorded bytes. Once at least Size bytes have arrived in total,
    // every call publishes the newest Size bytes as one complete capture.
    void append(const std::uint8_t *data, std::size_t size);

    // Consumer: copies the newest capture into dst (Size bytes) when one was published
    // since the last take; otherwise leaves dst alone and returns false.
    bool take(std::uint8_t *dst);

    // Producer: forget partial data (a new recording begins).
    void resetWindow() { m_filled = 0; }

private:
    static constexpr int Fresh = 4;

    using Slot = std::array<std::uint8_t, Size>;
    std::array<Slot, 3> m_slots{};
    Slot m_window{};              // producer only: rolling window of the newest bytes
    std::size_t m_filled = 0;     // producer only: valid bytes at the end of m_window
    int m_write = 0;              // producer only
    int m_read = 1;               // consumer only
    std::atomic<int> m_middle{2}; // slot index, plus Fresh when unseen by the consumer
};

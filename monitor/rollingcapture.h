#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The newest complete capture of a recording: the last Size bytes that arrived, in
// whatever pieces the sound system sends them, and whether they are new since they
// were last taken. One thread only.
class RollingCapture
{
public:
    static constexpr std::size_t Size = 1024;

    // Adds recorded bytes. Once Size bytes have arrived since the last restart, every
    // call with data makes the newest Size bytes a fresh capture.
    void append(const std::uint8_t *data, std::size_t size);
    // The newest capture when it is fresh, and no longer fresh after this; else null.
    // The bytes stay valid until the next append().
    const std::uint8_t *takeFresh();
    // A new recording begins: partial data is forgotten.
    void restart();

private:
    std::array<std::uint8_t, Size> m_window{};
    std::size_t m_filled = 0; // valid bytes at the end of m_window
    bool m_fresh = false;
};

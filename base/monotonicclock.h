#pragma once

#include <QtGlobal>
#include <chrono>
#include <functional>

// The program's one monotonic clock: it never jumps when someone sets the wall clock,
// so timeouts, guards and pauses all measure on it.
namespace MonotonicClock {
using Clock = std::chrono::steady_clock;

inline qint64 nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
        .count();
}
} // namespace MonotonicClock

// A clock in milliseconds where tests hand in their own.
using MillisecondClock = std::function<qint64()>;

#pragma once

#include <chrono>
#include <cstdint>

// The program's one millisecond clock: monotonic, never set back by a change
// of the wall clock.
inline std::int64_t MonotonicMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The same clock as a 32-bit tick count that wraps; intervals are measured as
// unsigned differences, so they stay right across the wrap.
inline std::uint32_t TickCount()
{
    return static_cast<std::uint32_t>(MonotonicMs());
}

#pragma once

#include <ctime>

// Seconds on the given clock: CLOCK_MONOTONIC for durations, CLOCK_REALTIME to
// compare with the kernel's receive timestamps.
inline double Now(clockid_t clock)
{
    timespec ts {};
    ::clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

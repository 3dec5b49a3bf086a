#pragma once

#include <cstdint>

// The player interface keeps milliseconds; positions travel through the 100 ns
// units the rest of the system reasons in, and GStreamer takes nanoseconds.
namespace MediaTime {

constexpr uint64_t kUnitsPerMs = 10000; // 100 ns units per millisecond
constexpr uint64_t kNsPerUnit = 100;

// ms × 10000 as an unsigned 64-bit product, then to nanoseconds.
constexpr uint64_t MsToNs(uint32_t ms)
{
    return static_cast<uint64_t>(ms) * kUnitsPerMs * kNsPerUnit;
}

// To 100 ns units, signed 64-bit division by 10000 (truncating), low 32 bits.
constexpr uint32_t NsToMs(int64_t ns)
{
    const int64_t units = ns / static_cast<int64_t>(kNsPerUnit);
    return static_cast<uint32_t>(static_cast<uint64_t>(units / static_cast<int64_t>(kUnitsPerMs)));
}

} // namespace MediaTime

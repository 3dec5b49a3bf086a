#pragma once

// Binary interface of the Corvana DMX driver library (corvana.so), shared by the
// driver and the simulated library. Every export has C linkage, takes plain
// integers and pointers, and returns truth values in its lowest byte.

#include <cstddef>
#include <cstdint>

namespace corvana {

inline constexpr int kMaxDevices = 8;
inline constexpr int kMaxRecords = 8;
inline constexpr std::size_t kHeaderSize = 39;
inline constexpr std::size_t kDataSize = 8192;
inline constexpr std::size_t kVersionSize = 12;

// Frame header layout (little-endian).
inline constexpr std::size_t kHeaderCountOffset = 0; // uint16, added to the frame counter
inline constexpr std::size_t kHeaderRecordsOffset = 2; // uint8, records in this batch
inline constexpr std::size_t kHeaderRecordTableOffset = 5; // 8 x (uint16 length, 2 bytes unused)
inline constexpr std::size_t kHeaderRecordEntrySize = 4;

// Returned by value from "InitDriver": a count, then one identifier byte per device.
struct DeviceTable
{
    std::uint8_t count;
    std::uint8_t ids[kMaxDevices];
};
static_assert(sizeof(DeviceTable) == 9);

using InitDriverFn = DeviceTable (*)();
using GetProduktVersionFn = std::uint8_t (*)(void* version, std::int32_t deviceId);
using GetSignFn = std::uint8_t (*)(std::int32_t on, std::int32_t deviceId);
using GetFrameFn = std::uint8_t (*)(void* header, void* data, std::int32_t deviceId);
using UnusedFn = void (*)();

} // namespace corvana

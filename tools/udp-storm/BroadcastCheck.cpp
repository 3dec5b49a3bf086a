#include "BroadcastCheck.h"

#include "remote/RemotePackets.h"

#include <algorithm>
#include <cstring>

namespace {

using namespace RemotePackets;

bool AllZero(std::span<const std::uint8_t> bytes, std::size_t from, std::size_t to)
{
    return std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(from),
        bytes.begin() + static_cast<std::ptrdiff_t>(to), [](std::uint8_t b) { return b == 0; });
}

// A NUL-terminated field of `size` bytes with nothing but zeros after the NUL.
bool CleanField(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t size)
{
    const auto* begin = reinterpret_cast<const char*>(bytes.data() + offset);
    const std::size_t length = ::strnlen(begin, size);
    return length < size && AllZero(bytes, offset + length, offset + size);
}

} // namespace

std::string CheckBroadcast(std::span<const std::uint8_t> b)
{
    if (b.size() != kBroadcastSize || std::memcmp(b.data(), "XOLA", 4) != 0)
        return "bad:not-a-broadcast";
    if (ReadInt32(b, 12) != 1 || ReadInt32(b, 16) != 0 || ReadInt32(b, 24) != 0)
        return "bad:header";
    const std::int32_t kind = ReadInt32(b, 20);
    if (kind == kKindText) {
        if (!AllZero(b, 4, 12))
            return "bad:header";
        return CleanField(b, kTextOffset, kTextSize) ? "ok" : "bad:text-field";
    }
    if (kind != kKindStatus)
        return "bad:kind";
    if (ReadInt32(b, 4) != 0)
        return "bad:header";
    const std::int32_t state = ReadInt32(b, 8);
    if (state < 0 || state > 3 || ReadInt32(b, kStatusBlockOffset + 8) != state)
        return "bad:state";
    // The first name field is 256 bytes but holds at most 127 characters.
    if (!CleanField(b, kStatusNameOffset, kFileNameSize)
        || !AllZero(b, kStatusNameOffset + kFileNameSize, kStatusBlockOffset))
        return "bad:name-field";
    if (!CleanField(b, kStatusNameAgainOffset, kFileNameSize)
        || std::memcmp(b.data() + kStatusNameOffset, b.data() + kStatusNameAgainOffset, kFileNameSize) != 0)
        return "bad:name-copy";
    if (ReadUInt16(b, kStatusVolumeOffset) > 100)
        return "bad:volume";
    if (ReadUInt16(b, kStatusActiveOffset) > 1)
        return "bad:active";
    return AllZero(b, kStatusActiveOffset + 2, kStatusMacOffset) ? "ok" : "bad:padding";
}

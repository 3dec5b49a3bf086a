#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vexoExtensions {

// The fixed file information of a version resource: thirteen 32-bit words,
// 52 bytes little-endian in the version block, in this order.
struct FixedFileInfo
{
    static constexpr uint32_t kSignature = 0xFEEF04BD;
    static constexpr uint32_t kStrucVersion = 0x00010000;
    static constexpr uint32_t kTypeApp = 1;
    static constexpr std::size_t kSize = 52;

    uint32_t dwSignature = 0;
    uint32_t dwStrucVersion = 0;
    uint32_t dwFileVersionMS = 0; // major << 16 | minor
    uint32_t dwFileVersionLS = 0; // release << 16 | build
    uint32_t dwProductVersionMS = 0;
    uint32_t dwProductVersionLS = 0;
    uint32_t dwFileFlagsMask = 0;
    uint32_t dwFileFlags = 0;
    uint32_t dwFileOS = 0;
    uint32_t dwFileType = 0;
    uint32_t dwFileSubtype = 0;
    uint32_t dwFileDateMS = 0;
    uint32_t dwFileDateLS = 0;

    std::array<uint8_t, kSize> ToBytes() const
    {
        const uint32_t words[13] = { dwSignature, dwStrucVersion, dwFileVersionMS, dwFileVersionLS,
            dwProductVersionMS, dwProductVersionLS, dwFileFlagsMask, dwFileFlags, dwFileOS, dwFileType,
            dwFileSubtype, dwFileDateMS, dwFileDateLS };
        std::array<uint8_t, kSize> bytes {};
        for (std::size_t i = 0; i < 13; ++i)
            for (std::size_t b = 0; b < 4; ++b)
                bytes[i * 4 + b] = static_cast<uint8_t>(words[i] >> (8 * b));
        return bytes;
    }

    static FixedFileInfo FromBytes(const uint8_t* bytes) // kSize bytes
    {
        uint32_t words[13];
        for (std::size_t i = 0; i < 13; ++i) {
            const uint8_t* p = bytes + i * 4;
            words[i] = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        }
        return { words[0], words[1], words[2], words[3], words[4], words[5], words[6], words[7], words[8],
            words[9], words[10], words[11], words[12] };
    }
};

} // namespace vexoExtensions

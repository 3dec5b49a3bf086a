#include "extensions/VersionBlock.h"

#include <cstring>

namespace vexoExtensions {

namespace {

uint32_t ReadU32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t ReadU16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

size_t Padded(size_t n)
{
    return (n + 3) & ~size_t(3);
}

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

} // namespace

bool CVersionBlock::Parse(const uint8_t* bytes, size_t size)
{
    m_Entries.clear();
    if (!bytes || size < kHeaderSize || std::memcmp(bytes, kMagic, sizeof kMagic) != 0)
        return false;
    const uint32_t layout = ReadU32(bytes + 8);
    const uint32_t total = ReadU32(bytes + 12);
    const uint32_t count = ReadU32(bytes + 16);
    if (layout != kLayoutVersion || total < kHeaderSize || total > size || total > kMaxSize
        || count > kMaxEntries)
        return false;

    // Every size below is bounded by total (at most kMaxSize), so no sum overflows.
    std::vector<Entry> entries;
    size_t pos = kHeaderSize;
    for (uint32_t i = 0; i < count; ++i) {
        if (total - pos < kEntryHeaderSize)
            return false;
        const size_t keyLength = ReadU16(bytes + pos);
        const uint16_t type = ReadU16(bytes + pos + 2);
        const size_t valueLength = ReadU32(bytes + pos + 4);
        if (type != VALUE_BINARY && type != VALUE_TEXT)
            return false;
        pos += kEntryHeaderSize;

        const size_t keyBytes = Padded(keyLength + 1);
        if (total - pos < keyBytes || bytes[pos + keyLength] != 0)
            return false;
        const std::string_view key(reinterpret_cast<const char*>(bytes + pos), keyLength);
        if (key.find('\0') != std::string_view::npos)
            return false;
        pos += keyBytes;

        if (valueLength > total - pos || Padded(valueLength) > total - pos)
            return false;
        const uint8_t* value = bytes + pos;
        if (type == VALUE_TEXT) {
            // Exactly one NUL, at the end.
            if (valueLength == 0 || std::memchr(value, 0, valueLength) != value + valueLength - 1)
                return false;
        }
        pos += Padded(valueLength);
        entries.push_back({ key, type, value, valueLength });
    }
    m_Entries = std::move(entries);
    return true;
}

const CVersionBlock::Entry* CVersionBlock::Query(std::string_view path) const
{
    for (const Entry& entry : m_Entries) {
        if (SameIgnoringCase(entry.key, path))
            return &entry;
    }
    return nullptr;
}

} // namespace vexoExtensions

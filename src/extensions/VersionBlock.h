#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vexoExtensions {

// The program's version block, as embedded in the ELF section ".zuvio_version".
// All integers are little-endian; every part starts on a 4-byte boundary.
//
//   offset  size  field
//   0       8     magic "ZUVIOVER"
//   8       4     layout version, 1
//   12      4     total length of the block in bytes, header included
//   16      4     number of entries
//   20      4     reserved, 0
//   24      ...   entries, one after the other:
//                   u16 key length in bytes (no NUL)
//                   u16 value type: 0 binary, 1 text
//                   u32 value length in bytes (a text value counts its NUL)
//                   key bytes, a NUL, zero padding to a multiple of 4
//                   value bytes, zero padding to a multiple of 4
//
// Keys are the query paths of a version resource:
//   "\"                                the 52-byte fixed file information
//   "\VarFileInfo\Translation"         32-bit entries, language in the low
//                                      16 bits, code page in the high 16 bits
//   "\StringFileInfo\LLLLCCCC\Name"    one text per name, LLLL language and
//                                      CCCC code page in upper-case hex
//
// Invariant of CVersionBlock: after a successful Parse every entry lies wholly
// inside the bytes given, and every text value ends in its NUL.
class CVersionBlock
{
public:
    static constexpr char kMagic[8] = { 'Z', 'U', 'V', 'I', 'O', 'V', 'E', 'R' };
    static constexpr uint32_t kLayoutVersion = 1;
    static constexpr size_t kHeaderSize = 24;
    static constexpr size_t kEntryHeaderSize = 8;
    static constexpr uint32_t kMaxSize = 64 * 1024;
    static constexpr uint32_t kMaxEntries = 1024;
    enum ValueType : uint16_t { VALUE_BINARY = 0, VALUE_TEXT = 1 };

    struct Entry
    {
        std::string_view key;
        uint16_t type = VALUE_BINARY;
        const uint8_t* data = nullptr;
        size_t size = 0;
    };

    // Checks the whole block; false (and no entries) when anything is out of
    // bounds or inconsistent. The bytes must outlive this object.
    bool Parse(const uint8_t* bytes, size_t size);
    void Clear() { m_Entries.clear(); }

    // The first entry whose key equals path, ignoring ASCII case; null when none.
    const Entry* Query(std::string_view path) const;
    const std::vector<Entry>& Entries() const { return m_Entries; }

private:
    std::vector<Entry> m_Entries;
};

} // namespace vexoExtensions

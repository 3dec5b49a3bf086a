#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vexoExtensions {

// Reads the contents of one named section of a little-endian ELF64 file.
// Anything else (other classes, byte orders, non-regular files, headers or
// sections outside the file) is refused; nothing is read out of bounds and a
// FIFO or device never blocks the caller.
class CElfSection
{
public:
    static constexpr uint64_t kMaxSectionSize = 1024 * 1024;

    // False with a reason when the file cannot be read or has no such section.
    bool Read(const std::string& path, const std::string& sectionName);

    const std::vector<uint8_t>& Data() const { return m_Data; }
    const std::string& Error() const { return m_Error; }
    bool IsNotFound() const { return m_bNotFound; } // a sound file without the section

private:
    bool Fail(const char* why, bool notFound = false);
    std::vector<uint8_t> m_Data;
    std::string m_Error;
    bool m_bNotFound = false;
};

} // namespace vexoExtensions

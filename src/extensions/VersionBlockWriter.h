#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vexoExtensions {

// Builds a version block in the layout described in VersionBlock.h. Used by
// the build's generator and by tests that need crafted blocks.
class CVersionBlockWriter
{
public:
    void AddBinary(const std::string& key, const std::vector<uint8_t>& value);
    void AddText(const std::string& key, const std::string& text);
    void AddTranslations(const std::vector<uint32_t>& entries); // language | codePage << 16

    // The finished block: header, then the entries in the order added.
    std::vector<uint8_t> Bytes() const;

    // "\StringFileInfo\LLLLCCCC\" for a language and code page.
    static std::string StringPrefix(uint16_t language, uint16_t codePage);

private:
    void Add(const std::string& key, uint16_t type, const std::vector<uint8_t>& value);
    std::vector<uint8_t> m_Entries;
    uint32_t m_Count = 0;
};

} // namespace vexoExtensions

#include "extensions/VersionBlockWriter.h"

#include "extensions/VersionBlock.h"

#include <cstdio>

namespace vexoExtensions {

namespace {

void PutU16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

void Pad(std::vector<uint8_t>& out)
{
    while (out.size() % 4 != 0)
        out.push_back(0);
}

} // namespace

void CVersionBlockWriter::Add(const std::string& key, uint16_t type, const std::vector<uint8_t>& value)
{
    PutU16(m_Entries, static_cast<uint32_t>(key.size()));
    PutU16(m_Entries, type);
    PutU32(m_Entries, static_cast<uint32_t>(value.size()));
    m_Entries.insert(m_Entries.end(), key.begin(), key.end());
    m_Entries.push_back(0);
    Pad(m_Entries);
    m_Entries.insert(m_Entries.end(), value.begin(), value.end());
    Pad(m_Entries);
    ++m_Count;
}

void CVersionBlockWriter::AddBinary(const std::string& key, const std::vector<uint8_t>& value)
{
    Add(key, CVersionBlock::VALUE_BINARY, value);
}

void CVersionBlockWriter::AddText(const std::string& key, const std::string& text)
{
    std::vector<uint8_t> value(text.begin(), text.end());
    value.push_back(0);
    Add(key, CVersionBlock::VALUE_TEXT, value);
}

void CVersionBlockWriter::AddTranslations(const std::vector<uint32_t>& entries)
{
    std::vector<uint8_t> value;
    for (uint32_t entry : entries)
        PutU32(value, entry);
    AddBinary("\\VarFileInfo\\Translation", value);
}

std::vector<uint8_t> CVersionBlockWriter::Bytes() const
{
    std::vector<uint8_t> out(std::begin(CVersionBlock::kMagic), std::end(CVersionBlock::kMagic));
    PutU32(out, CVersionBlock::kLayoutVersion);
    PutU32(out, static_cast<uint32_t>(CVersionBlock::kHeaderSize + m_Entries.size()));
    PutU32(out, m_Count);
    PutU32(out, 0);
    out.insert(out.end(), m_Entries.begin(), m_Entries.end());
    return out;
}

std::string CVersionBlockWriter::StringPrefix(uint16_t language, uint16_t codePage)
{
    char prefix[40];
    std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04X%04X\\", language, codePage);
    return prefix;
}

} // namespace vexoExtensions

#include "extensions/FileVersionInfo.h"

#include "core/Log.h"
#include "extensions/ElfSection.h"
#include "extensions/UserLanguage.h"
#include "extensions/VersionBlock.h"

#include <cstdio>
#include <vector>

namespace vexoExtensions {

const char* const CFileVersionInfo::kStringNames[STRING_COUNT]
    = { "CompanyName", "FileDescription", "FileVersion", "InternalName", "LegalCopyright", "OriginalFileName",
          "ProductName", "ProductVersion", "Comments", "LegalTrademarks", "PrivateBuild", "SpecialBuild" };

CFileVersionInfo::CFileVersionInfo()
    : m_UserLanguage(vexoExtensions::GetUserDefaultLanguage())
{
    Reset();
}

void CFileVersionInfo::Reset()
{
    m_FileInfo = FixedFileInfo();
    for (std::string& s : m_Strings)
        s.clear();
    m_Major = m_Minor = m_Release = m_Build = 0;
    m_PackedVersion = 0;
}

bool CFileVersionInfo::Create()
{
    // The link opens the very file we run from, even if it was replaced or
    // removed since, and has no length limit on the path.
    return Create("/proc/self/exe");
}

bool CFileVersionInfo::Create(const std::string& path)
{
    Reset();
    CElfSection section;
    if (!section.Read(path, kSectionName)) {
        if (section.IsNotFound())
            LogMessage("CFileVersionInfo::Create() no version information in %s\n", path.c_str());
        else
            LogError("CFileVersionInfo::Create() %s: %s\n", path.c_str(), section.Error().c_str());
        return false;
    }
    if (!CreateFromBlock(section.Data().data(), section.Data().size())) {
        LogError("CFileVersionInfo::Create() %s: damaged version information\n", path.c_str());
        return false;
    }
    return true;
}

bool CFileVersionInfo::CreateFromBlock(const uint8_t* bytes, size_t size)
{
    Reset();
    CVersionBlock block;
    if (!block.Parse(bytes, size) || !ReadBlock(block)) {
        Reset();
        return false;
    }
    return true;
}

bool CFileVersionInfo::ReadBlock(const CVersionBlock& block)
{
    if (const auto* root = block.Query("\\"); root && root->size == FixedFileInfo::kSize)
        m_FileInfo = FixedFileInfo::FromBytes(root->data);

    const auto* translation = block.Query("\\VarFileInfo\\Translation");
    if (translation) {
        if (translation->size == 0 || translation->size % 4 != 0)
            return false;
        std::vector<uint32_t> table(translation->size / 4);
        for (size_t i = 0; i < table.size(); ++i) {
            const uint8_t* p = translation->data + i * 4;
            table[i] = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        }
        const uint32_t chosen = ChooseTranslation(table.data(), table.size(), m_UserLanguage);
        char prefix[40];
        std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04X%04X\\", chosen & 0xFFFF, chosen >> 16);
        for (int i = 0; i < STRING_COUNT; ++i) {
            const auto* entry = block.Query(std::string(prefix) + kStringNames[i]);
            if (entry && entry->type == CVersionBlock::VALUE_TEXT)
                m_Strings[i].assign(reinterpret_cast<const char*>(entry->data), entry->size - 1);
        }
    }

    m_Major = static_cast<int32_t>(m_FileInfo.dwFileVersionMS >> 16);
    m_Minor = static_cast<int32_t>(m_FileInfo.dwFileVersionMS & 0xFFFF);
    m_Release = static_cast<int32_t>(m_FileInfo.dwFileVersionLS >> 16);
    m_Build = static_cast<int32_t>(m_FileInfo.dwFileVersionLS & 0xFFFF);
    const uint32_t packed = uint32_t(m_Major) << 24 | uint32_t(m_Minor) << 16 | uint32_t(m_Release);
    m_PackedVersion = static_cast<int32_t>(packed);
    return true;
}

int CFileVersionInfo::GetFileVersionPart(int n) const
{
    switch (n) {
    case 0:
        return m_Build;
    case 1:
        return m_Release;
    case 2:
        return m_Minor;
    case 3:
        return m_Major;
    default:
        return 0;
    }
}

uint32_t CFileVersionInfo::ChooseTranslation(const uint32_t* table, size_t count, uint16_t userLanguage)
{
    auto find = [&](auto matches) -> const uint32_t* {
        for (size_t i = 0; i < count; ++i) {
            if (matches(static_cast<uint16_t>(table[i] & 0xFFFF)))
                return &table[i];
        }
        return nullptr;
    };
    const uint16_t userLow = userLanguage & 0xFF;
    const uint32_t* chosen = find([&](uint16_t l) { return l == userLanguage; });
    if (!chosen)
        chosen = find([&](uint16_t l) { return (l & 0xFF) == userLow; });
    if (!chosen)
        chosen = find([](uint16_t l) { return l == 0; });
    if (!chosen)
        chosen = find([](uint16_t l) { return (l & 0xFF) == 0; });
    if (!chosen)
        chosen = find([](uint16_t l) { return l == 9; });
    if (!chosen)
        chosen = find([](uint16_t l) { return (l & 0xFF) == 9; });
    return chosen ? *chosen : table[0];
}

} // namespace vexoExtensions

#pragma once

#include "extensions/FixedFileInfo.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace vexoExtensions {

class CVersionBlock;

// The version information of a file: the fixed block, the twelve standard
// texts, the numeric file version and a packed form of it. Read from the
// ".zuvio_version" ELF section (layout in VersionBlock.h).
// Invariant: after a failed Create every field is zero or empty.
class CFileVersionInfo
{
public:
    static constexpr const char* kSectionName = ".zuvio_version";
    enum StringIndex {
        COMPANY_NAME,
        FILE_DESCRIPTION,
        FILE_VERSION,
        INTERNAL_NAME,
        LEGAL_COPYRIGHT,
        ORIGINAL_FILE_NAME,
        PRODUCT_NAME,
        PRODUCT_VERSION,
        COMMENTS,
        LEGAL_TRADEMARKS,
        PRIVATE_BUILD,
        SPECIAL_BUILD,
        STRING_COUNT
    };
    static const char* const kStringNames[STRING_COUNT];

    CFileVersionInfo();
    virtual ~CFileVersionInfo() = default;

    bool Create(); // the running program
    bool Create(const std::string& path);
    // The same from the bytes of a version block; nothing is logged.
    bool CreateFromBlock(const uint8_t* bytes, size_t size);
    virtual void Reset();

    // The language the translation table is matched against; from the locale
    // unless set (tests, or a program that chooses its own language).
    void SetUserDefaultLanguage(uint16_t language) { m_UserLanguage = language; }
    uint16_t GetUserDefaultLanguage() const { return m_UserLanguage; }

    const FixedFileInfo& GetFixedFileInfo() const { return m_FileInfo; }
    const std::string& GetString(StringIndex index) const { return m_Strings[index]; }
    const std::string& GetCompanyName() const { return m_Strings[COMPANY_NAME]; }
    const std::string& GetFileDescription() const { return m_Strings[FILE_DESCRIPTION]; }
    const std::string& GetFileVersion() const { return m_Strings[FILE_VERSION]; }
    const std::string& GetInternalName() const { return m_Strings[INTERNAL_NAME]; }
    const std::string& GetLegalCopyright() const { return m_Strings[LEGAL_COPYRIGHT]; }
    const std::string& GetOriginalFileName() const { return m_Strings[ORIGINAL_FILE_NAME]; }
    const std::string& GetProductName() const { return m_Strings[PRODUCT_NAME]; }
    const std::string& GetProductVersion() const { return m_Strings[PRODUCT_VERSION]; }
    const std::string& GetComments() const { return m_Strings[COMMENTS]; }
    const std::string& GetLegalTrademarks() const { return m_Strings[LEGAL_TRADEMARKS]; }
    const std::string& GetPrivateBuild() const { return m_Strings[PRIVATE_BUILD]; }
    const std::string& GetSpecialBuild() const { return m_Strings[SPECIAL_BUILD]; }

    // n = 0 build, 1 release, 2 minor, 3 major; anything else 0.
    int GetFileVersionPart(int n) const;
    // major << 24 | minor << 16 | release
    int32_t GetPackedVersion() const { return m_PackedVersion; }

    // The entry of a translation table chosen for a language (language in the
    // low 16 bits, code page in the high); the table must not be empty.
    static uint32_t ChooseTranslation(const uint32_t* table, size_t count, uint16_t userLanguage);

private:
    bool ReadBlock(const CVersionBlock& block);

    FixedFileInfo m_FileInfo;
    std::string m_Strings[STRING_COUNT];
    int32_t m_Major = 0;
    int32_t m_Minor = 0;
    int32_t m_Release = 0;
    int32_t m_Build = 0;
    int32_t m_Reserved = 0;
    int32_t m_PackedVersion = 0;
    uint16_t m_UserLanguage;
};

} // namespace vexoExtensions

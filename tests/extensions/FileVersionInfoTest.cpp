#include "extensions/FileVersionInfo.h"
#include "extensions/UserLanguage.h"
#include "extensions/VersionBlockWriter.h"
#include "support/LogCapture.h"
#include "support/TestEnv.h"

#include "ElfImage.h"

#include <QDir>

#include <fstream>
#include <gtest/gtest.h>
#include <random>

using vexoExtensions::CFileVersionInfo;
using vexoExtensions::CVersionBlockWriter;
using vexoExtensions::FixedFileInfo;

namespace {

constexpr uint32_t Translation(uint16_t language, uint16_t codePage)
{
    return language | uint32_t(codePage) << 16;
}

std::vector<uint8_t> FixedBlock(unsigned major, unsigned minor, unsigned release, unsigned build)
{
    FixedFileInfo info;
    info.dwSignature = FixedFileInfo::kSignature;
    info.dwFileVersionMS = major << 16 | minor;
    info.dwFileVersionLS = release << 16 | build;
    const auto bytes = info.ToBytes();
    return { bytes.begin(), bytes.end() };
}

// A block with version 2.1.7.300, the given translations and, under every one
// of them, strings that name their translation.
std::vector<uint8_t> SampleBlock(const std::vector<uint32_t>& translations = { Translation(0x0409, 0x04B0) })
{
    CVersionBlockWriter writer;
    writer.AddBinary("\\", FixedBlock(2, 1, 7, 300));
    writer.AddTranslations(translations);
    for (uint32_t t : translations) {
        const std::string prefix
            = CVersionBlockWriter::StringPrefix(t & 0xFFFF, static_cast<uint16_t>(t >> 16));
        writer.AddText(prefix + "ProductName", "Zuvio " + prefix);
        writer.AddText(prefix + "FileVersion", "2.1.7.300");
        writer.AddText(prefix + "SpecialBuild", "special");
    }
    return writer.Bytes();
}

std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes)
{
    const std::string path = QDir(TestRoot()).filePath(QString::fromStdString(name)).toStdString();
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string ElfWith(const std::vector<uint8_t>& block, const std::string& name = "v.elf")
{
    return WriteFile(
        name, ElfImage::Make({ { ".text", { 0x90, 0x90 } }, { ".zuvio_version", block } }).bytes);
}

void ExpectEmpty(const CFileVersionInfo& info)
{
    for (int i = 0; i < CFileVersionInfo::STRING_COUNT; ++i)
        EXPECT_EQ(info.GetString(CFileVersionInfo::StringIndex(i)), "") << CFileVersionInfo::kStringNames[i];
    for (int n = 0; n < 4; ++n)
        EXPECT_EQ(info.GetFileVersionPart(n), 0);
    EXPECT_EQ(info.GetPackedVersion(), 0);
    EXPECT_EQ(info.GetFixedFileInfo().dwSignature, 0u);
}

} // namespace

TEST(FileVersionInfo, ReadsVersionPartsPackedValueAndStrings)
{
    LogCapture log;
    CFileVersionInfo info;
    info.SetUserDefaultLanguage(0x0409);
    ASSERT_TRUE(info.Create(ElfWith(SampleBlock())));
    EXPECT_EQ(info.GetFileVersionPart(3), 2);
    EXPECT_EQ(info.GetFileVersionPart(2), 1);
    EXPECT_EQ(info.GetFileVersionPart(1), 7);
    EXPECT_EQ(info.GetFileVersionPart(0), 300);
    EXPECT_EQ(info.GetFileVersionPart(4), 0);
    EXPECT_EQ(info.GetFileVersionPart(-1), 0);
    EXPECT_EQ(info.GetPackedVersion(), 0x02010007);
    EXPECT_EQ(info.GetFixedFileInfo().dwSignature, FixedFileInfo::kSignature);
    EXPECT_EQ(info.GetProductName(), "Zuvio \\StringFileInfo\\040904B0\\");
    EXPECT_EQ(info.GetFileVersion(), "2.1.7.300");
    EXPECT_EQ(info.GetSpecialBuild(), "special");
    EXPECT_EQ(info.GetCompanyName(), "");
}

TEST(FileVersionInfo, OnlyTableEntryIsTakenForAnotherUserLanguage)
{
    CFileVersionInfo info;
    info.SetUserDefaultLanguage(0x0407);
    ASSERT_TRUE(info.Create(ElfWith(SampleBlock({ Translation(0x0409, 0x04B0) }))));
    EXPECT_EQ(info.GetProductName(), "Zuvio \\StringFileInfo\\040904B0\\");
}

TEST(FileVersionInfo, FixedBlockOfAnotherSizeIsIgnoredButStringsAreRead)
{
    CVersionBlockWriter writer;
    writer.AddBinary("\\", std::vector<uint8_t>(48, 0xFF));
    writer.AddTranslations({ Translation(0x0409, 0x04E4) });
    writer.AddText(CVersionBlockWriter::StringPrefix(0x0409, 0x04E4) + "CompanyName", "vexo");
    CFileVersionInfo info;
    ASSERT_TRUE(info.Create(ElfWith(writer.Bytes())));
    EXPECT_EQ(info.GetCompanyName(), "vexo");
    EXPECT_EQ(info.GetFixedFileInfo().dwSignature, 0u);
    EXPECT_EQ(info.GetPackedVersion(), 0);
}

struct ChoiceCase
{
    const char* name;
    std::vector<uint32_t> table;
    uint16_t user;
    uint32_t expected;
};

// Keeps failure messages readable: a row prints as its rule.
void PrintTo(const ChoiceCase& c, std::ostream* os)
{
    *os << c.name;
}

class TranslationChoice : public testing::TestWithParam<ChoiceCase>
{
};

TEST_P(TranslationChoice, FirstMatchingRuleWins)
{
    const ChoiceCase& c = GetParam();
    EXPECT_EQ(CFileVersionInfo::ChooseTranslation(c.table.data(), c.table.size(), c.user), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Rules, TranslationChoice,
    testing::Values(
        // 1: exact language, even after a same-primary entry
        ChoiceCase { "ExactLanguage", { Translation(0x0807, 1200), Translation(0x0407, 1252) }, 0x0407,
            Translation(0x0407, 1252) },
        // 2: same low byte
        ChoiceCase { "SameLowByte", { Translation(0x0409, 1200), Translation(0x0C07, 1252) }, 0x0407,
            Translation(0x0C07, 1252) },
        // 3: language 0 before a low byte of 0
        ChoiceCase { "LanguageZero",
            { Translation(0x0409, 1), Translation(0x0400, 2), Translation(0x0000, 3) }, 0x040C,
            Translation(0x0000, 3) },
        ChoiceCase { "LowByteZero", { Translation(0x0409, 1), Translation(0x0400, 2) }, 0x040C,
            Translation(0x0400, 2) },
        // 4: language 9 before a low byte of 9
        ChoiceCase { "LanguageNine",
            { Translation(0x0410, 1), Translation(0x0809, 2), Translation(0x0009, 3) }, 0x040C,
            Translation(0x0009, 3) },
        ChoiceCase { "LowByteNine", { Translation(0x0410, 1), Translation(0x0809, 2) }, 0x040C,
            Translation(0x0809, 2) },
        // 5: the first entry
        ChoiceCase { "FirstEntry", { Translation(0x0410, 1), Translation(0x0413, 2) }, 0x040C,
            Translation(0x0410, 1) }),
    [](const testing::TestParamInfo<ChoiceCase>& row) { return std::string(row.param.name); });

TEST(FileVersionInfo, ChosenTranslationSelectsItsStrings)
{
    CFileVersionInfo info;
    info.SetUserDefaultLanguage(0x0407);
    ASSERT_TRUE(
        info.Create(ElfWith(SampleBlock({ Translation(0x0409, 0x04B0), Translation(0x0407, 0x04E4) }))));
    EXPECT_EQ(info.GetProductName(), "Zuvio \\StringFileInfo\\040704E4\\");
}

TEST(FileVersionInfo, FilesWithoutUsableSectionFailWithEverythingEmpty)
{
    LogCapture log;
    CFileVersionInfo info;
    ASSERT_TRUE(info.Create(ElfWith(SampleBlock())));

    // A failed Create after a good one leaves nothing of the old file behind.
    EXPECT_FALSE(info.Create(WriteFile("text.txt", { 'h', 'e', 'l', 'l', 'o' })));
    ExpectEmpty(info);
    ASSERT_TRUE(info.Create(ElfWith(SampleBlock())));
    EXPECT_FALSE(info.Create(QDir(TestRoot()).filePath("missing").toStdString()));
    ExpectEmpty(info);
    EXPECT_FALSE(info.Create(TestRoot().toStdString())); // a folder
    EXPECT_FALSE(info.Create(WriteFile("empty", {})));
    EXPECT_FALSE(info.Create(WriteFile("other.elf", ElfImage::Make({ { ".data", SampleBlock() } }).bytes)));
    ExpectEmpty(info);
    // A real program without the section.
    EXPECT_FALSE(info.Create(ZUVIO_ELF_WITHOUT_VERSION));
    ExpectEmpty(info);
}

TEST(FileVersionInfo, ForeignOrDamagedElfHeadersAreRefused)
{
    LogCapture log;
    const ElfImage good = ElfImage::Make({ { ".zuvio_version", SampleBlock() } });
    auto refused = [](ElfImage image) {
        CFileVersionInfo info;
        if (info.Create(WriteFile("damaged.elf", image.bytes)))
            return false;
        ExpectEmpty(info);
        return true;
    };
    const size_t section = 1, names = 2;

    ElfImage image = good;
    image.Header().e_ident[EI_CLASS] = ELFCLASS32;
    EXPECT_TRUE(refused(image));
    image = good;
    image.Header().e_ident[EI_DATA] = ELFDATA2MSB;
    EXPECT_TRUE(refused(image));
    image = good;
    image.Header().e_shoff = image.bytes.size() - 8;
    EXPECT_TRUE(refused(image));
    image = good;
    image.Header().e_shoff = UINT64_MAX - 16;
    EXPECT_TRUE(refused(image));
    image = good;
    image.Header().e_shnum = 60000;
    EXPECT_TRUE(refused(image));
    image = good;
    image.Header().e_shentsize = 8;
    EXPECT_TRUE(refused(image));
    image = good;
    image.Header().e_shstrndx = 7;
    EXPECT_TRUE(refused(image));
    image = good;
    image.Section(names).sh_offset = UINT64_MAX - 4;
    EXPECT_TRUE(refused(image));
    image = good;
    image.Section(names).sh_size = 1ULL << 40;
    EXPECT_TRUE(refused(image));
    image = good;
    image.Section(section).sh_name = 0xFFFFFF;
    EXPECT_TRUE(refused(image));
    image = good;
    image.Section(section).sh_size += 1ULL << 33;
    EXPECT_TRUE(refused(image));
    image = good;
    image.Section(section).sh_offset = image.bytes.size() - 10;
    EXPECT_TRUE(refused(image));
    image = good;
    image.Section(section).sh_type = SHT_NOBITS;
    EXPECT_TRUE(refused(image));
    EXPECT_FALSE(refused(good));
}

TEST(FileVersionInfo, MalformedBlocksAreRefused)
{
    LogCapture log;
    const std::vector<uint8_t> good = SampleBlock();
    auto refused = [](std::vector<uint8_t> block) {
        CFileVersionInfo info;
        if (info.Create(ElfWith(block, "block.elf")))
            return false;
        ExpectEmpty(info);
        return true;
    };
    auto patched = [&good](size_t offset, std::vector<uint8_t> bytes) {
        std::vector<uint8_t> block = good;
        std::copy(bytes.begin(), bytes.end(), block.begin() + static_cast<long>(offset));
        return block;
    };
    EXPECT_TRUE(refused(patched(0, { 'X' }))); // magic
    EXPECT_TRUE(refused(patched(8, { 2 }))); // layout version
    EXPECT_TRUE(refused(patched(12, { 0xFF, 0xFF, 0, 0 }))); // total beyond the section
    EXPECT_TRUE(refused(patched(12, { 8, 0, 0, 0 }))); // total below the header
    EXPECT_TRUE(refused(patched(16, { 0xFF, 0xFF, 0xFF, 0xFF }))); // entry count
    EXPECT_TRUE(refused(patched(16, { 40, 0, 0, 0 }))); // more entries than bytes
    EXPECT_TRUE(refused(patched(24, { 0xF0, 0xFF }))); // key length
    EXPECT_TRUE(refused(patched(26, { 7, 0 }))); // value type
    EXPECT_TRUE(refused(patched(28, { 0xFC, 0xFF, 0xFF, 0xFF }))); // value length
    EXPECT_TRUE(refused(patched(32, { 0 }))); // NUL inside the key "\"

    // A text without its NUL, and a translation table of 6 bytes.
    std::vector<uint8_t> block = good;
    block.back() = 'x'; // "special\0" fills the last 8 bytes
    EXPECT_TRUE(refused(block));
    CVersionBlockWriter writer;
    writer.AddBinary("\\VarFileInfo\\Translation", { 0x09, 0x04, 0xB0, 0x04, 0x07, 0x04 });
    EXPECT_TRUE(refused(writer.Bytes()));
    EXPECT_FALSE(refused(good));
}

TEST(FileVersionInfo, EveryTruncationIsRefusedWithoutReadingOutside)
{
    LogCapture log;
    const std::vector<uint8_t> block = SampleBlock();
    for (size_t length = 0; length < block.size(); ++length) {
        // The section shortened to a prefix of the block...
        CFileVersionInfo info;
        EXPECT_FALSE(info.Create(ElfWith({ block.begin(), block.begin() + static_cast<long>(length) })))
            << length;
        ExpectEmpty(info);
    }
    const std::vector<uint8_t> file = ElfImage::Make({ { ".zuvio_version", block } }).bytes;
    for (size_t length = 0; length < file.size(); ++length) {
        // ...and the file cut short.
        CFileVersionInfo info;
        EXPECT_FALSE(
            info.Create(WriteFile("cut.elf", { file.begin(), file.begin() + static_cast<long>(length) })))
            << length;
    }
}

TEST(FileVersionInfo, RandomDamageNeverCrashes)
{
    LogCapture log;
    const ElfImage image = ElfImage::Make({ { ".zuvio_version", SampleBlock() } });
    std::mt19937 random(31773);
    int accepted = 0;
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> bytes = image.bytes;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i)
            bytes[random() % bytes.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
        CFileVersionInfo info;
        if (info.Create(WriteFile("fuzz.elf", bytes))) {
            ++accepted;
            EXPECT_LE(info.GetProductName().size(), bytes.size());
        } else {
            EXPECT_EQ(info.GetProductName(), "");
        }
    }
    EXPECT_GT(accepted, 0); // flips in padding or text bytes leave a readable block
}

TEST(FileVersionInfo, ReadsTheBlockBuiltIntoTheProgram)
{
    CFileVersionInfo self; // this test program carries the same block
    ASSERT_TRUE(self.Create());
    EXPECT_EQ(self.GetProductName(), "Zuvio");
    EXPECT_EQ(self.GetInternalName(), "extensions_tests");

    CFileVersionInfo info;
    info.SetUserDefaultLanguage(0x0407);
    ASSERT_TRUE(info.Create(ZUVIO_EXECUTABLE));
    EXPECT_EQ(info.GetProductName(), "Zuvio");
    EXPECT_EQ(info.GetInternalName(), "zuvio");
    EXPECT_EQ(info.GetCompanyName(), "vexo");
    EXPECT_EQ(info.GetFileVersion(), ZUVIO_FILE_VERSION);
    EXPECT_EQ(info.GetProductVersion(), ZUVIO_FILE_VERSION);
    const std::string parts = std::to_string(info.GetFileVersionPart(3)) + "."
        + std::to_string(info.GetFileVersionPart(2)) + "." + std::to_string(info.GetFileVersionPart(1)) + "."
        + std::to_string(info.GetFileVersionPart(0));
    EXPECT_EQ(parts, ZUVIO_FILE_VERSION);
    EXPECT_EQ(info.GetFixedFileInfo().dwSignature, FixedFileInfo::kSignature);
}

TEST(UserLanguage, LocaleNamesMapToLanguageIds)
{
    using vexoExtensions::LanguageIdFromLocale;
    EXPECT_EQ(LanguageIdFromLocale("de_DE.UTF-8"), 0x0407);
    EXPECT_EQ(LanguageIdFromLocale("de_AT@euro"), 0x0C07);
    EXPECT_EQ(LanguageIdFromLocale("en_GB.UTF-8"), 0x0809);
    EXPECT_EQ(LanguageIdFromLocale("fr"), 0x040C);
    EXPECT_EQ(LanguageIdFromLocale("C.UTF-8"), 0x0409);
    EXPECT_EQ(LanguageIdFromLocale("POSIX"), 0x0409);
    EXPECT_EQ(LanguageIdFromLocale(""), 0x0409);
}

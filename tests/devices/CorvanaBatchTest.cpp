#include "devices/CorvanaBatch.h"

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <vector>

namespace {

struct HeaderCase
{
    const char* name;
    int count;
    int records;
    std::vector<int> lengths; // written into the first slots
    int expectedRecords;
    std::vector<int> expectedOffsets;
    std::vector<int> expectedLengths;
    bool expectedClipped;
};

// Names the row in test output instead of dumping its bytes.
[[maybe_unused]] void PrintTo(const HeaderCase& c, std::ostream* os)
{
    *os << c.name;
}

std::array<std::uint8_t, corvana::kHeaderSize> MakeHeader(const HeaderCase& c)
{
    std::array<std::uint8_t, corvana::kHeaderSize> header {};
    header[0] = static_cast<std::uint8_t>(c.count & 0xFF);
    header[1] = static_cast<std::uint8_t>(c.count >> 8);
    header[2] = static_cast<std::uint8_t>(c.records);
    for (std::size_t i = 0; i < c.lengths.size(); ++i) {
        header[5 + 4 * i] = static_cast<std::uint8_t>(c.lengths[i] & 0xFF);
        header[6 + 4 * i] = static_cast<std::uint8_t>(c.lengths[i] >> 8);
        header[7 + 4 * i] = 0xEE; // unread bytes must not matter
        header[8 + 4 * i] = 0xEE;
    }
    return header;
}

class CorvanaBatchHeader : public testing::TestWithParam<HeaderCase>
{
};

TEST_P(CorvanaBatchHeader, RecordsStayInsideTheDataBuffer)
{
    const HeaderCase& c = GetParam();
    const auto header = MakeHeader(c);
    const CCorvanaBatch batch = CCorvanaBatch::FromHeader(header.data());

    EXPECT_EQ(batch.m_iRecordCount, c.expectedRecords);
    EXPECT_EQ(batch.m_iFrameCount, c.count + c.expectedRecords);
    EXPECT_EQ(batch.m_bClipped, c.expectedClipped);
    for (int i = 0; i < batch.m_iRecordCount; ++i) {
        const auto r = static_cast<std::size_t>(i);
        EXPECT_EQ(batch.m_Offsets[r], c.expectedOffsets[r]) << "record " << i;
        EXPECT_EQ(batch.m_Lengths[r], c.expectedLengths[r]) << "record " << i;
        EXPECT_LE(batch.m_Offsets[r] + batch.m_Lengths[r], static_cast<int>(corvana::kDataSize));
    }
}

INSTANTIATE_TEST_SUITE_P(Corvana, CorvanaBatchHeader,
    testing::Values(HeaderCase { "Empty", 7, 0, {}, 0, {}, {}, false },
        HeaderCase {
            "ThreeUniverses", 41, 3, { 512, 512, 512 }, 3, { 0, 512, 1024 }, { 512, 512, 512 }, false },
        HeaderCase { "MixedLengths", 0, 3, { 24, 0, 100 }, 3, { 0, 24, 24 }, { 24, 0, 100 }, false },
        HeaderCase { "ExactlyFull", 0, 2, { 4096, 4096 }, 2, { 0, 4096 }, { 4096, 4096 }, false },
        HeaderCase { "MoreThanEightRecords", 0, 200, { 1, 1, 1, 1, 1, 1, 1, 1 }, 8,
            { 0, 1, 2, 3, 4, 5, 6, 7 }, { 1, 1, 1, 1, 1, 1, 1, 1 }, true },
        HeaderCase { "LengthsPastTheBuffer", 0, 4, { 4000, 4000, 4000, 4000 }, 4, { 0, 4000, 8000, 8192 },
            { 4000, 4000, 192, 0 }, true },
        HeaderCase { "HugeFirstRecord", 65535, 2, { 65535, 10 }, 2, { 0, 8192 }, { 8192, 0 }, true }),
    [](const testing::TestParamInfo<HeaderCase>& row) { return std::string(row.param.name); });

} // namespace

#include "playback/AspectFit.h"
#include "playback/MediaTime.h"

#include <gtest/gtest.h>

namespace {

struct FitCase
{
    CRect rect;
    int32_t width, height;
    CRect expected;
};

class AspectFitTest : public testing::TestWithParam<FitCase>
{
};

TEST_P(AspectFitTest, PlacesPictureToThePixel)
{
    const FitCase& c = GetParam();
    EXPECT_EQ(FitVideoRect(c.rect, c.width, c.height), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Placements, AspectFitTest,
    testing::Values(
        // Wider than the rectangle: full width, centred vertically.
        FitCase { { 0, 0, 400, 300 }, 800, 400, { 0, 50, 400, 250 } },
        // Narrower: full height, centred horizontally.
        FitCase { { 0, 0, 400, 300 }, 720, 576, { 12, 0, 387, 300 } },
        // The single-precision ratio makes 400 / (16:9) come out 224.999..., truncated.
        FitCase { { 0, 0, 400, 300 }, 1920, 1080, { 0, 38, 400, 262 } },
        // Same shape, yet the float ratio is a hair wider: 719 rows, not 720.
        FitCase { { 0, 0, 1280, 720 }, 1280, 720, { 0, 0, 1280, 719 } },
        // An offset rectangle keeps its offset; odd slack rounds toward the top left.
        FitCase { { 100, 20, 741, 500 }, 320, 240, { 100, 20, 740, 500 } },
        FitCase { { 10, 10, 11, 11 }, 4000, 1, { 10, 10, 11, 10 } }));

TEST(MediaTimeTest, MillisecondsTravelThroughHundredNanosecondUnits)
{
    EXPECT_EQ(MediaTime::MsToNs(1), 1000000u);
    // The product is 64-bit: the largest position does not wrap.
    EXPECT_EQ(MediaTime::MsToNs(UINT32_MAX), uint64_t { UINT32_MAX } * 1000000u);
    // Reading back truncates and keeps the low 32 bits.
    EXPECT_EQ(MediaTime::NsToMs(1999999), 1u);
    EXPECT_EQ(MediaTime::NsToMs(static_cast<int64_t>((uint64_t { 1 } << 32) + 5) * 1000000), 5u);
    EXPECT_EQ(MediaTime::NsToMs(0), 0u);
}

} // namespace

#include "core/VideoZoom.h"
#include "core/VolumeScale.h"

#include <gtest/gtest.h>

TEST(VideoZoom, ScalesWithRoundingToNearest)
{
    EXPECT_EQ(VideoZoom::ScaledRect(641, 361, 50), (CRect { 0, 0, 321, 181 }));
    EXPECT_EQ(VideoZoom::ScaledRect(640, 360, 50), (CRect { 0, 0, 320, 180 }));
    EXPECT_EQ(VideoZoom::ScaledRect(641, 361, 200), (CRect { 0, 0, 1282, 722 }));
    EXPECT_EQ(VideoZoom::ScaledRect(641, 361, 100), (CRect { 0, 0, 641, 361 }));
    EXPECT_EQ(VideoZoom::ScaledRect(0x7fffffff, 1, 50), (CRect { 0, 0, 0x40000000, 1 }))
        << "64-bit intermediate";
}

TEST(VideoZoom, CentresWithIntegerDivisionAndTestsTheFit)
{
    EXPECT_EQ(VideoZoom::CentredIn(CRect { 0, 0, 801, 601 }, CRect { 0, 0, 321, 181 }),
        (CRect { 240, 210, 561, 391 }));
    EXPECT_EQ(
        VideoZoom::CentredIn(CRect { 10, 20, 30, 40 }, CRect { 0, 0, 40, 4 }), (CRect { 0, 28, 40, 32 }));
    EXPECT_TRUE(VideoZoom::FitsIn(CRect { 0, 0, 800, 600 }, CRect { 5, 5, 805, 605 }));
    EXPECT_FALSE(VideoZoom::FitsIn(CRect { 0, 0, 800, 600 }, CRect { 0, 0, 801, 10 }));
    EXPECT_FALSE(VideoZoom::FitsIn(CRect { 0, 0, 800, 600 }, CRect { 0, 0, 10, 601 }));
    EXPECT_TRUE(VideoZoom::IsFixedLevel(200));
    EXPECT_FALSE(VideoZoom::IsFixedLevel(75));
    EXPECT_FALSE(VideoZoom::IsFixedLevel(0));
}

TEST(VolumeScale, SliderPercentAndVolumeAgree)
{
    EXPECT_EQ(VolumeScale::VolumeFromSlider(0, 3000), -3000);
    EXPECT_EQ(VolumeScale::VolumeFromSlider(3000, 3000), 0);
    EXPECT_EQ(VolumeScale::SliderFromPercent(33, 3000), 990);
    EXPECT_EQ(VolumeScale::VolumeFromPercent(50, 3000), -1500);
    EXPECT_EQ(VolumeScale::PercentFromVolume(-1500, 3000, false), 50);
    EXPECT_EQ(VolumeScale::PercentFromVolume(-1, 3000, false), 99) << "integer division";
    EXPECT_EQ(VolumeScale::PercentFromVolume(0, 3000, true), 0) << "muted";
    EXPECT_EQ(VolumeScale::PercentFromVolume(-10000, 3000, false), 233)
        << "beyond the range, as the formula gives";
    EXPECT_EQ(VolumeScale::PercentFromVolume(-100, 0, false), 0) << "no division by zero";
}

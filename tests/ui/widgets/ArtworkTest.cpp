#include "ui/widgets/BitmapResource.h"
#include "ui/widgets/ResourceIds.h"

#include <QImage>
#include <QSet>
#include <gtest/gtest.h>

#include <initializer_list>

namespace {

QSize SizeOf(int id)
{
    return LoadBitmapResource(id).size();
}

TEST(ArtworkTest, EveryPictureIsDrawnAndNotBlank)
{
    for (int id : kAllBitmapIds) {
        const QImage image = LoadBitmapResource(id).toImage();
        ASSERT_FALSE(image.isNull()) << "bitmap " << id;
        EXPECT_GE(image.width(), 7) << "bitmap " << id;
        EXPECT_GE(image.height(), 11) << "bitmap " << id;
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                colours.insert(image.pixel(x, y));
        EXPECT_GE(colours.size(), 3) << "bitmap " << id << " is (nearly) one colour";
    }
}

TEST(ArtworkTest, StatesOfOneButtonShareTheirSize)
{
    const std::initializer_list<int> families[] = {
        { IDB_PLAY, IDB_PLAY_HOVER, IDB_PLAY_PRESSED, IDB_PAUSE, IDB_PAUSE_HOVER, IDB_PAUSE_PRESSED, IDB_STOP,
            IDB_STOP_HOVER, IDB_STOP_PRESSED },
        { IDB_PREV, IDB_PREV_HOVER, IDB_PREV_PRESSED, IDB_NEXT, IDB_NEXT_HOVER, IDB_NEXT_PRESSED },
        { IDB_PLAYER_A_UNLIT, IDB_PLAYER_A_LIT, IDB_PLAYER_A_HOVER, IDB_PLAYER_A_PRESSED, IDB_PLAYER_B_UNLIT,
            IDB_PLAYER_B_LIT, IDB_PLAYER_B_HOVER, IDB_PLAYER_B_PRESSED },
        { IDB_SOUND_ON, IDB_MUTED, IDB_MUTE_PRESSED, IDB_UNMUTE_PRESSED },
        { IDB_PL_ADD, IDB_PL_ADD_HOVER, IDB_PL_ADD_PRESSED, IDB_PL_REM, IDB_PL_REM_HOVER, IDB_PL_REM_PRESSED,
            IDB_PL_SEL, IDB_PL_SEL_HOVER, IDB_PL_SEL_PRESSED, IDB_PL_SORT, IDB_PL_SORT_HOVER,
            IDB_PL_SORT_PRESSED, IDB_PL_LIST, IDB_PL_LIST_HOVER, IDB_PL_LIST_PRESSED },
        { IDB_SLIDER_LEFT, IDB_SLIDER_RIGHT },
    };
    for (const auto& family : families)
        for (int id : family)
            EXPECT_EQ(SizeOf(id), SizeOf(*family.begin())) << "bitmap " << id;
}

TEST(ArtworkTest, PicturesFitTheirPlaces)
{
    // Transport keys are 30 pixels apart from y 30 in a 74-pixel bar.
    EXPECT_LE(SizeOf(IDB_PLAY).width(), 30);
    EXPECT_LE(30 + SizeOf(IDB_PLAY).height(), 74);
    EXPECT_LE(SizeOf(IDB_PLAYER_A_LIT).width(), 30);
    EXPECT_LE(SizeOf(IDB_PREV).width(), 30);
    // Mute at x 145 must end before the volume thumb can reach x 165.
    EXPECT_LE(145 + SizeOf(IDB_SOUND_ON).width(), 170 - SizeOf(IDB_THUMB).width() / 2);
    // Pane keys: 34 pixels apart, 17 pixels above the pane's bottom.
    EXPECT_LE(SizeOf(IDB_PL_ADD).width(), 34);
    EXPECT_LE(SizeOf(IDB_PL_ADD).height(), 17);
    // Three 16 x 16 column icons.
    EXPECT_EQ(SizeOf(IDB_PLAYER_ICONS), QSize(48, 16));
    // The slider's end pictures fit beside a track of at most 12 pixels with its thumb.
    EXPECT_LE(SizeOf(IDB_SLIDER_LEFT).height(), SizeOf(IDB_THUMB).height());
}

TEST(ArtworkTest, KeyedPicturesHaveTransparentCornersAndOpaqueCentres)
{
    struct Row
    {
        int id;
        QColor key;
    } rows[] = {
        { IDB_PLAY, QColor(30, 54, 156) },
        { IDB_PLAYER_B_LIT, QColor(30, 54, 156) },
        { IDB_SOUND_ON, QColor(30, 54, 156) },
        { IDB_PL_LIST, QColor(255, 0, 255) },
        { IDB_THUMB, QColor(255, 0, 255) },
        { IDB_PLAYER_ICONS, QColor(255, 0, 255) },
        { IDB_SPLASH, QColor(0, 0, 0) },
    };
    for (const Row& row : rows) {
        const QImage image = LoadBitmapResource(row.id).toImage();
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.pixelColor(0, 0), row.key) << "bitmap " << row.id;
        EXPECT_NE(image.pixelColor(image.width() / 2, image.height() / 2 - 1), row.key)
            << "bitmap " << row.id;
    }
}

} // namespace

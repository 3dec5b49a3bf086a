#include "playlist/MediaTypes.h"
#include "playlist/Duration.h"

#include <gtest/gtest.h>

TEST(MediaTypesTest, ClassifiesByLastExtensionIgnoringCase)
{
    EXPECT_TRUE(IsSupportedFile("/media/clip.MPG"));
    EXPECT_TRUE(IsSupportedFile("/media/song.Mp3"));
    EXPECT_TRUE(IsSupportedFile("/media/a.b.jp2k"));
    EXPECT_FALSE(IsSupportedFile("/media/archive.tar"));
    EXPECT_FALSE(IsSupportedFile("/media/README"));
    EXPECT_FALSE(IsSupportedFile("/media.avi/README")); // the dot is in a folder name
    EXPECT_FALSE(IsSupportedFile("/media/clip.mp3.part"));
    EXPECT_FALSE(IsSupportedFile(""));
}

TEST(MediaTypesTest, OnlyStillImagesAreUntimed)
{
    EXPECT_FALSE(IsTimedMedia("/p/photo.jpeg"));
    EXPECT_FALSE(IsTimedMedia("/p/logo.GIF"));
    EXPECT_TRUE(IsTimedMedia("/p/clip.avi"));
    EXPECT_TRUE(IsTimedMedia("/p/notes.txt"));
    EXPECT_TRUE(IsTimedMedia("/p/README"));
}

TEST(MediaTypesTest, PlaylistFiles)
{
    EXPECT_TRUE(IsPlaylistFile("/x/show.M3U"));
    EXPECT_TRUE(IsPlaylistFile("/x/show.pls"));
    EXPECT_TRUE(IsPlaylistFile("/start/LastPLS.dat"));
    EXPECT_TRUE(IsPlaylistFile("/start/LastPLS.dat.bak"));
    EXPECT_FALSE(IsPlaylistFile("/start/lastpls.dat"));
    EXPECT_FALSE(IsPlaylistFile("/x/show.m3u8"));
}

TEST(MediaTypesTest, StreamAddressesByScheme)
{
    for (const char* url : { "http://10.0.0.9:8000/show.ogg", "HTTPS://h/live?a=1", "rtsp://cam/stream",
             "Srt://10.0.0.9:7001", "udp://@239.0.0.1:5004", "udp://0.0.0.0:5004" })
        EXPECT_TRUE(IsStreamUrl(url)) << url;
    for (const char* path :
        { "udp://", "ftp://h/a.mp3", "file:///m/a.mp3", "/m/http://x.mp3", " http://h/a", "rtsp:/cam", "" })
        EXPECT_FALSE(IsStreamUrl(path)) << path;
    // A stream is not classified by an extension it lacks: that list stays files only.
    EXPECT_FALSE(IsSupportedFile("rtsp://cam/stream"));
}

TEST(MediaTypesTest, TitleAndFolderOfPath)
{
    EXPECT_EQ(TitleFromPath("/media/show/clip one.avi"), "clip one.avi");
    EXPECT_EQ(TitleFromPath("clip.avi"), "clip.avi");
    EXPECT_EQ(FolderOfPath("/lists/show.m3u"), "/lists/");
    EXPECT_EQ(FolderOfPath("show.m3u"), "");
}

TEST(DurationTest, FormatRightAlignsHoursAndWrapsAtADay)
{
    EXPECT_EQ(FormatDuration(3723000), " 1:02:03");
    EXPECT_EQ(FormatDuration(25u * 3600000), " 1:00:00");
    EXPECT_EQ(FormatDuration(60000), " 0:01:00");
    EXPECT_EQ(FormatDuration(0), " 0:00:00");
    EXPECT_EQ(FormatDuration(10u * 3600000 + 999), "10:00:00");
    EXPECT_EQ(FormatDuration(uint64_t { INT32_MAX } * 1000),
        FormatDuration(uint64_t { INT32_MAX } * 1000 % 86400000));
}

TEST(DurationTest, Parse)
{
    EXPECT_EQ(ParseDuration(" 1:02:03.5"), 3723500);
    EXPECT_EQ(ParseDuration("2:05"), 125000);
    EXPECT_EQ(ParseDuration("125"), -1);
    EXPECT_EQ(ParseDuration(""), -1);
    EXPECT_EQ(ParseDuration("0:00:01,25"), 1250);
    EXPECT_EQ(ParseDuration("1:2:3:4"), 3723000); // parts after the third are ignored
    EXPECT_EQ(ParseDuration("x:y"), 0);
    EXPECT_EQ(ParseDuration("0:00:00.1234"), 123);
    EXPECT_EQ(ParseDuration(FormatDuration(3723000)), 3723000);
    // Absurd numbers saturate rather than overflow.
    EXPECT_GT(ParseDuration("99999999999999999999:00:00"), 0);
}

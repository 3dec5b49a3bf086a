#include "playlist/MediaTypes.h"
#include "playlist/Duration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

namespace {

// A path and whether the classification holds for it.
struct PathRow
{
    const char* path;
    bool holds;
};

void ExpectRows(bool (*classify)(const std::string&), std::initializer_list<PathRow> rows)
{
    for (const PathRow& row : rows)
        EXPECT_EQ(classify(row.path), row.holds) << '"' << row.path << '"';
}

} // namespace

TEST(MediaTypesTest, ClassifiesByLastExtensionIgnoringCase)
{
    ExpectRows(IsSupportedFile,
        {
            { "/media/clip.MPG", true },
            { "/media/song.Mp3", true },
            { "/media/a.b.jp2k", true },
            { "/media/archive.tar", false },
            { "/media/README", false },
            { "/media.avi/README", false }, // the dot is in a folder name
            { "/media/clip.mp3.part", false },
            { "", false },
        });
}

TEST(MediaTypesTest, AcceptsWhatCamerasAndEditorsHandAShow)
{
    for (const char* name : { "a.mov", "a.MKV", "a.m4v", "a.webm", "a.ts", "a.m2ts", "a.mts", "a.mxf",
             "a.flac", "a.m4a", "a.Opus", "a.png", "a.tif", "a.TIFF", "a.ogv", "a.aac", "a.dv", "a.vob" })
        EXPECT_TRUE(IsSupportedFile(std::string("/media/") + name)) << name;
    EXPECT_FALSE(IsSupportedFile("/media/clip.m3u8"));
    EXPECT_FALSE(IsSupportedFile("/media/cut.prproj"));
}

TEST(MediaTypesTest, OnlyStillImagesAreUntimed)
{
    ExpectRows(IsTimedMedia,
        {
            { "/p/photo.jpeg", false },
            { "/p/logo.GIF", false },
            { "/p/slide.PNG", false },
            { "/p/scan.tif", false },
            { "/p/scan.tiff", false },
            { "/p/clip.avi", true },
            { "/p/notes.txt", true },
            { "/p/README", true },
            { "/p/clip.mov", true },
            { "/p/song.flac", true },
        });
}

TEST(MediaTypesTest, TheFileDialogOffersEveryAcceptedExtension)
{
    const std::string filter = MediaFilter();
    ASSERT_EQ(filter.rfind("Media files|*.", 0), 0u);
    ASSERT_EQ(filter.substr(filter.size() - 22), "|All files (*.*)|*.*||");
    std::set<std::string> offered;
    std::istringstream list(filter.substr(12, filter.find('|', 12) - 12));
    for (std::string pattern; std::getline(list, pattern, ';');)
        offered.insert(pattern);
    std::set<std::string> accepted;
    for (const CMediaType& type : MediaTypes()) {
        accepted.insert("*" + std::string(type.m_Extension));
        accepted.insert("*" + ToUpperAscii(std::string(type.m_Extension)));
        EXPECT_TRUE(IsSupportedFile("/x/clip" + std::string(type.m_Extension)));
    }
    EXPECT_EQ(offered, accepted);
}

// The desktop entry makes file managers offer the player; a type offered but
// refused (or accepted but not offered) is what an operator meets first.
TEST(MediaTypesTest, TheDesktopEntryOffersExactlyTheAcceptedTypes)
{
    std::ifstream desktop(ZUVIO_DESKTOP_ENTRY);
    ASSERT_TRUE(desktop.good()) << ZUVIO_DESKTOP_ENTRY;
    std::vector<std::string> offered;
    int lines = 0;
    for (std::string line; std::getline(desktop, line);) {
        if (line.rfind("MimeType=", 0) != 0)
            continue;
        ++lines;
        std::istringstream types(line.substr(9));
        for (std::string type; std::getline(types, type, ';');)
            offered.push_back(type);
    }
    EXPECT_EQ(lines, 1);
    std::sort(offered.begin(), offered.end());
    EXPECT_EQ(offered, AcceptedMimeTypes());
}

TEST(MediaTypesTest, PlaylistFiles)
{
    ExpectRows(IsPlaylistFile,
        {
            { "/x/show.M3U", true },
            { "/x/show.pls", true },
            { "/start/LastPLS.dat", true },
            { "/start/LastPLS.dat.bak", true },
            { "/start/lastpls.dat", false },
            { "/x/show.m3u8", false },
        });
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

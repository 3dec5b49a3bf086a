#include "playlist/PlaylistReader.h"
#include "support/LogCapture.h"
#include "support/ScriptedUi.h"

#include "PlaylistTestUtil.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

std::vector<CPLEntry> M3U(const std::string& text)
{
    return CPlaylistReader::ParseM3U(text);
}
std::vector<CPLEntry> PLS(const std::string& text)
{
    return CPlaylistReader::ParsePLS(text);
}

} // namespace

TEST(PlaylistReaderTest, M3UInformationLines)
{
    EXPECT_EQ(M3U("#EXTM3U\r\n#EXTINF:125,Song\r\nC:\\media\\a.mp3\r\n"),
        (std::vector<CPLEntry> { { 125, "C:\\media\\a.mp3", "Song" } }));
    EXPECT_EQ(M3U("#EXTINF:-1,Stream\n/s.mp3\n"), (std::vector<CPLEntry> { { 0, "/s.mp3", "Stream" } }));
    // The title ends at the first ':' or ',' after the number.
    EXPECT_EQ(
        M3U("#EXTINF:200,Artist: Title\n/a.mp3\n"), (std::vector<CPLEntry> { { 200, "/a.mp3", "Artist" } }));
    EXPECT_EQ(M3U("  #extinf:7,low\n/a.mp3\n"), (std::vector<CPLEntry> { { 7, "/a.mp3", "low" } }));
    EXPECT_EQ(M3U("#EXTINF:abc\n/a.mp3\n"), (std::vector<CPLEntry> { { 0, "/a.mp3", "" } }));
    // An information line at the end of the file has no path line.
    EXPECT_TRUE(M3U("#EXTM3U\n#EXTINF:5,Late\n").empty());
}

TEST(PlaylistReaderTest, M3UPathLinesAndComments)
{
    // A path line with '#' is a comment unless it follows an information line.
    EXPECT_TRUE(M3U("D:\\clips\\take #2.avi\n").empty());
    EXPECT_EQ(M3U("#EXTINF:3,T\nD:\\clips\\take #2.avi\n"),
        (std::vector<CPLEntry> { { 3, "D:\\clips\\take #2.avi", "T" } }));
    // Lone LF and CR LF both end lines; blank lines are skipped; a path keeps its blanks.
    EXPECT_EQ(M3U("a.mp3\n\n   \r\n b.mp3 \r\nc.mp3"),
        (std::vector<CPLEntry> { { 0, "a.mp3", "" }, { 0, " b.mp3 ", "" }, { 0, "c.mp3", "" } }));
}

TEST(PlaylistReaderTest, PLSIndexTables)
{
    const auto records = PLS("[playlist]\r\nFile1=/a.mp3\r\nFile3=/c.mp3\r\nTitle3=Three\r\nLength3=42\r\n"
                             "NumberOfEntries=7\r\nVersion=2\r\n");
    EXPECT_EQ(records, (std::vector<CPLEntry> { { 0, "/a.mp3", "" }, { 42, "/c.mp3", "Three" } }));

    // Lower-case keys count, a blank before the key does not, a later line overwrites.
    EXPECT_EQ(PLS("file2=/b.mp3\n File1=/a.mp3\nfile2=/b2.mp3\nlength2=-5\ntitle2=x=y\n"),
        (std::vector<CPLEntry> { { 0, "/b2.mp3", "x" } }));
    // File0, a key without a number and an empty value are all ignored.
    EXPECT_TRUE(PLS("File0=/z.mp3\nFile=/z.mp3\nFile1=\n==\n[playlist]\n").empty());
}

TEST(PlaylistReaderTest, HugePLSIndexCostsOneRecord)
{
    const auto records = PLS("File2000000000=/far.mp3\nTitle2000000000=Far\nLength2000000000=9\n"
                             "File99999999999999999999=/sat.mp3\nFile1=/a.mp3\n");
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].m_Path, "/a.mp3");
    EXPECT_EQ(records[1], (CPLEntry { 9, "/far.mp3", "Far" }));
    EXPECT_EQ(records[2].m_Path, "/sat.mp3");
}

TEST(PlaylistReaderTest, ArbitraryBytesDoNotBreakParsing)
{
    std::string binary;
    for (int i = 0; i < 70000; ++i)
        binary.push_back(static_cast<char>((i * 131) % 256));
    const std::string longLine(1 << 20, 'x');
    const std::string nul("/a\0b.mp3\n", 9);
    const std::string latin1 = "/m\xe9\xff\xfe.mp3\n";

    EXPECT_NO_FATAL_FAILURE(M3U(binary));
    EXPECT_NO_FATAL_FAILURE(PLS(binary));
    EXPECT_EQ(M3U(longLine + "\n").at(0).m_Path.size(), longLine.size());
    EXPECT_EQ(M3U(nul).at(0).m_Path, std::string("/a\0b.mp3", 8));
    EXPECT_EQ(M3U(latin1).at(0).m_Path, "/m\xe9\xff\xfe.mp3");
    EXPECT_EQ(PLS("File1=" + latin1).at(0).m_Path, "/m\xe9\xff\xfe.mp3");
}

TEST(PlaylistReaderTest, ReadChoosesFormatByExtension)
{
    TempFolder dir;
    const std::string body = "#EXTM3U\r\n#EXTINF:1,One\r\n/one.mp3\r\n";
    CPlaylistReader reader(nullptr);
    ASSERT_TRUE(reader.Read(dir.Make("a.M3U", body)));
    EXPECT_EQ(reader.GetFormat(), CPlaylistReader::FORMAT_M3U);
    EXPECT_EQ(reader.GetEntries().size(), 1u);
    ASSERT_TRUE(reader.Read(dir.Make("LastPLS.dat", body)));
    EXPECT_EQ(reader.GetEntries().size(), 1u);
    ASSERT_TRUE(reader.Read(dir.Make("b.pls", "[playlist]\nFile1=/x.mp3\nFile2=/y.mp3\n")));
    EXPECT_EQ(reader.GetFormat(), CPlaylistReader::FORMAT_PLS);
    EXPECT_EQ(reader.GetEntries().size(), 2u); // the earlier records are gone

    EXPECT_FALSE(reader.Read(dir.Make("c.txt", body)));
    EXPECT_FALSE(reader.Read(dir.File("missing.m3u")));
    ASSERT_TRUE(reader.Read(dir.Make("empty.m3u")));
    EXPECT_TRUE(reader.GetEntries().empty());
}

TEST(PlaylistReaderTest, RefusesFoldersFifosAndOversizedFiles)
{
    TempFolder dir;
    ScriptedUi ui;
    LogCapture log;
    CPlaylistReader reader(&ui);
    QDir().mkpath(QString::fromStdString(dir.File("folder.m3u")));
    EXPECT_FALSE(reader.Read(dir.File("folder.m3u")));

    // Opening a FIFO for reading would wait for a writer forever.
    const std::string fifo = dir.File("pipe.m3u");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(reader.Read(fifo));

    const std::string big = dir.Make("big.m3u");
    ASSERT_EQ(::truncate(big.c_str(), static_cast<off_t>(CPlaylistReader::kMaxFileSize) + 1), 0);
    EXPECT_FALSE(reader.Read(big));
    EXPECT_TRUE(log.Contains("too large")) << log.Dump();
}

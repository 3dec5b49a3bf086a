#include "playback/Id3Tag.h"

#include "support/LogCapture.h"
#include "support/MediaFixtures.h"
#include "support/ScriptedUi.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <sys/stat.h>

namespace {

CId3Tag::Buffer MakeTag(const std::string& title, const std::string& artist, const std::string& album = {},
    const std::string& comment = {})
{
    CId3Tag::Buffer buffer {};
    std::memcpy(buffer.data(), "TAG", 3);
    std::memcpy(buffer.data() + 3, title.data(), std::min<size_t>(title.size(), 30));
    std::memcpy(buffer.data() + 33, artist.data(), std::min<size_t>(artist.size(), 30));
    std::memcpy(buffer.data() + 63, album.data(), std::min<size_t>(album.size(), 30));
    std::memcpy(buffer.data() + 93, "1999", 4);
    std::memcpy(buffer.data() + 97, comment.data(), std::min<size_t>(comment.size(), 30));
    buffer[127] = 17;
    return buffer;
}

std::string TagBytes(const CId3Tag::Buffer& buffer)
{
    return std::string(buffer.data(), buffer.size());
}

std::string TempPath(const char* name)
{
    return (TestRoot() + "/" + name).toStdString();
}

TEST(Id3TagTest, FieldsKeepAtMost29CharactersAndTheComment27)
{
    CId3Tag tag;
    const std::string thirty = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";
    ASSERT_TRUE(tag.Parse(MakeTag(thirty, thirty, thirty, thirty)));
    EXPECT_EQ(tag.m_Title, thirty.substr(0, 29));
    EXPECT_EQ(tag.m_Artist, thirty.substr(0, 29));
    EXPECT_EQ(tag.m_Album, thirty.substr(0, 29));
    EXPECT_EQ(tag.m_Comment, thirty.substr(0, 27));
    EXPECT_EQ(tag.m_Year, "1999");
    EXPECT_EQ(tag.m_Genre, 17);
}

TEST(Id3TagTest, FieldsStopAtTheFirstZeroAndLoseTrailingBlanksOnly)
{
    CId3Tag tag;
    CId3Tag::Buffer buffer = MakeTag("  Tune  ", "Band", "", "");
    std::memcpy(buffer.data() + 33 + 4, "\0junk", 5); // bytes after the zero are ignored
    ASSERT_TRUE(tag.Parse(buffer));
    EXPECT_EQ(tag.m_Title, "  Tune");
    EXPECT_EQ(tag.m_Artist, "Band");
    EXPECT_EQ(tag.m_Album, "");
}

TEST(Id3TagTest, OnlyTheUpperCaseMarkerCounts)
{
    CId3Tag tag;
    CId3Tag::Buffer buffer = MakeTag("Tune", "Band");
    buffer[0] = 't';
    EXPECT_FALSE(tag.Parse(buffer));
    EXPECT_EQ(tag.m_Title, "");
    EXPECT_EQ(tag.m_Artist, "");
}

TEST(Id3TagTest, ReadsTheLast128BytesOfAFile)
{
    const std::string path = TempPath("tagged.bin");
    ASSERT_TRUE(MediaFixtures::WriteFile(path, std::string(1000, 'x') + TagBytes(MakeTag("Tune", "Band"))));
    CId3Tag tag;
    ASSERT_TRUE(tag.Read(path, nullptr));
    EXPECT_EQ(tag.m_Title, "Tune");
    EXPECT_EQ(tag.m_Artist, "Band");

    // A tag that is not at the very end is not a tag.
    ASSERT_TRUE(MediaFixtures::WriteFile(path, TagBytes(MakeTag("Tune", "Band")) + "x"));
    EXPECT_FALSE(tag.Read(path, nullptr));
}

TEST(Id3TagTest, AShortFileIsReportedWithoutBlocking)
{
    LogCapture log;
    ScriptedUi ui;
    const std::string path = TempPath("short.mp3");
    ASSERT_TRUE(MediaFixtures::WriteFile(path, std::string(100, 'x')));
    CId3Tag tag;
    EXPECT_FALSE(tag.Read(path, &ui));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_NE(ui.boxes[0].text.find(path), std::string::npos);
    EXPECT_TRUE(log.Contains("short.mp3"));
}

TEST(Id3TagTest, MissingFilesFifosAndFoldersHaveNoTagSilently)
{
    ScriptedUi ui;
    CId3Tag tag;
    EXPECT_FALSE(tag.Read(TempPath("does-not-exist.mp3"), &ui));
    EXPECT_FALSE(tag.Read(TestRoot().toStdString(), &ui));

    const std::string fifo = TempPath("pipe.mp3");
    ::unlink(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(tag.Read(fifo, &ui)); // no writer: a blocking open would never return
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(ui.boxes.empty());
}

} // namespace

#include "playlist/PlaylistWriter.h"
#include "playlist/PlaylistReader.h"
#include "support/LogCapture.h"
#include "support/ScriptedUi.h"

#include "PlaylistTestUtil.h"

#include <sys/resource.h>

#include <csignal>

#include <gtest/gtest.h>

namespace {

struct Row
{
    std::string path, title, length;
};

bool Write(const std::string& file, int format, const std::vector<Row>& rows, CUiServices* ui = nullptr)
{
    CPlaylistWriter writer(ui);
    writer.SetFormat(format);
    if (!writer.Open(file))
        return false;
    for (const Row& row : rows)
        writer.WriteEntry(row.path, row.title, row.length);
    return writer.Close();
}

// Files in the folder other than the ones named: left-over temporary files.
QStringList Leftovers(const TempFolder& dir, const QStringList& expected)
{
    QStringList names = QDir(QString::fromStdString(dir.Path())).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : expected)
        names.removeAll(name);
    return names;
}

} // namespace

TEST(PlaylistWriterTest, PLSBytesOfTwoEntries)
{
    TempFolder dir;
    const std::string file = dir.File("two.pls");
    ASSERT_TRUE(Write(file, CPlaylistWriter::FORMAT_PLS,
        { { "/m/a.mp3", "Song", " 0:02:05" }, { "/m/b.mp3", "Other", " 0:00:00" } }));
    EXPECT_EQ(ReadBytes(file),
        "[playlist]\r\nFile1=/m/a.mp3\r\nTitle1=Song\r\nLength1=125\r\n"
        "File2=/m/b.mp3\r\nNumberOfEntries=2\r\nVersion=2\r\n");
}

TEST(PlaylistWriterTest, M3UBytes)
{
    TempFolder dir;
    const std::string file = dir.File("list.m3u");
    ASSERT_TRUE(Write(file, CPlaylistWriter::FORMAT_M3U,
        { { "/m/a.mp3", "Song", " 0:02:05" }, { "/m/b.mp3", "", " 0:03:00" }, { "", "Skipped", " 0:01:00" },
            { "/m/c.jpg", "Pic", "0:00:00" }, { "/m/d.mp3", "Short", " 0:00:00.900" },
            { "/m/e.mp3", "Break\r\nIn", " 1:00:00" } }));
    EXPECT_EQ(ReadBytes(file),
        "#EXTM3U\r\n#EXTINF:125,Song\r\n/m/a.mp3\r\n/m/b.mp3\r\n/m/c.jpg\r\n/m/d.mp3\r\n"
        "#EXTINF:3600,Break  In\r\n/m/e.mp3\r\n");

    ASSERT_TRUE(Write(file, CPlaylistWriter::FORMAT_M3U, {}));
    EXPECT_EQ(ReadBytes(file), "#EXTM3U\r\n");
    EXPECT_TRUE(Leftovers(dir, { "list.m3u" }).isEmpty());
}

TEST(PlaylistWriterTest, RoundTripKeepsRecords)
{
    TempFolder dir;
    const std::vector<CPLEntry> records = { { 125, "/m/a.mp3", "Song" }, { 0, "/m/b b.mp3", "B" },
        { 7200, "/m/\xe9t\xe9.ogg", "\xe9t\xe9" }, { 1, "rel/c.wav", "C" } };
    for (int format : { CPlaylistWriter::FORMAT_M3U, CPlaylistWriter::FORMAT_PLS }) {
        const std::string file = dir.File(format == CPlaylistWriter::FORMAT_M3U ? "rt.m3u" : "rt.pls");
        std::vector<Row> rows;
        for (const CPLEntry& r : records) {
            const int s = r.m_Seconds;
            char length[32];
            std::snprintf(length, sizeof length, "%2d:%02d:%02d", s / 3600 % 24, s / 60 % 60, s % 60);
            rows.push_back({ r.m_Path, r.m_Title, length });
        }
        ASSERT_TRUE(Write(file, format, rows));
        CPlaylistReader first(nullptr);
        ASSERT_TRUE(first.Read(file));
        // A record without a length is written without its title, as the format demands.
        std::vector<CPLEntry> expected = records;
        expected[1].m_Title.clear();
        EXPECT_EQ(first.GetEntries(), expected) << file;

        // Writing what was read and reading it again changes nothing.
        std::vector<Row> again;
        for (const CPLEntry& r : first.GetEntries())
            again.push_back(
                { r.m_Path, r.m_Title, r.m_Seconds ? "0:00:" + std::to_string(r.m_Seconds) : "" });
        const std::string copy = dir.File("copy" + file.substr(file.rfind('.')));
        ASSERT_TRUE(Write(copy, format, again));
        CPlaylistReader second(nullptr);
        ASSERT_TRUE(second.Read(copy));
        EXPECT_EQ(second.GetEntries(), first.GetEntries()) << copy;
    }
}

TEST(PlaylistWriterTest, PathThatCannotBeALineIsSkipped)
{
    TempFolder dir;
    LogCapture log;
    const std::string file = dir.File("odd.m3u");
    ASSERT_TRUE(
        Write(file, CPlaylistWriter::FORMAT_M3U, { { "/m/a\nb.mp3", "", "" }, { "/m/ok.mp3", "", "" } }));
    EXPECT_EQ(ReadBytes(file), "#EXTM3U\r\n/m/ok.mp3\r\n");
    EXPECT_EQ(log.CountErrors(), 1);
}

TEST(PlaylistWriterTest, FailedWriteKeepsTheOldFile)
{
    TempFolder dir;
    ScriptedUi ui;
    const std::string old = "#EXTM3U\r\n/m/precious.mp3\r\n";
    const std::string file = dir.Make("show.m3u", old);
    std::vector<Row> rows;
    for (int i = 0; i < 5000; ++i)
        rows.push_back({ "/media/long/folder/name/clip" + std::to_string(i) + ".mp3", "Title", " 0:01:00" });

    // A file-size limit makes writes fail like a full disk does.
    struct rlimit saved
    {
    };
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = Write(file, CPlaylistWriter::FORMAT_M3U, rows, &ui);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadBytes(file), old);
    EXPECT_TRUE(Leftovers(dir, { "show.m3u" }).isEmpty())
        << Leftovers(dir, { "show.m3u" }).join(' ').toStdString();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].icon, CUiServices::ICON_ERROR);
}

TEST(PlaylistWriterTest, UncreatableFileWritesNothing)
{
    ScriptedUi ui;
    CPlaylistWriter writer(&ui);
    EXPECT_FALSE(writer.Open("/nonexistent-folder/x.m3u"));
    writer.WriteEntry("/m/a.mp3", "A", " 0:00:05");
    EXPECT_FALSE(writer.Close());
    EXPECT_EQ(writer.GetNumberWritten(), 0);
    EXPECT_EQ(ui.boxes.size(), 1u);
}

TEST(PlaylistWriterTest, AbandonedWriterLeavesTheTargetAlone)
{
    TempFolder dir;
    const std::string file = dir.Make("keep.pls", "[playlist]\r\n");
    {
        CPlaylistWriter writer(nullptr);
        writer.SetFormat(7); // ignored
        EXPECT_EQ(writer.GetFormat(), CPlaylistWriter::FORMAT_M3U);
        ASSERT_TRUE(writer.Open(file));
        writer.WriteEntry("/m/a.mp3", "A", " 0:00:05");
    }
    EXPECT_EQ(ReadBytes(file), "[playlist]\r\n");
    EXPECT_TRUE(Leftovers(dir, { "keep.pls" }).isEmpty());
}

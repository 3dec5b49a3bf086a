// Temporary files of the saves: the playlist writer shows none while a save is
// under way, and those that a killed saver left behind go at the next save.
#include "core/Profile.h"
#include "playlist/PlaylistWriter.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

std::set<std::string> FilesIn(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& item : fs::directory_iterator(folder))
        names.insert(item.path().filename().string());
    return names;
}

void Touch(const fs::path& path)
{
    std::ofstream(path) << "half a playlist";
}

pid_t DeadPid()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child; // reaped: no process has this id now (reuse within the test is unlikely)
}

class StaleTempTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_Folder = fs::path(TestRoot().toStdString())
            / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::create_directories(m_Folder);
    }
    fs::path m_Folder;
};

TEST_F(StaleTempTest, SaveRemovesTempFilesOfDeadSaversOnly)
{
    const std::string dead = ".zuvio-save-" + std::to_string(DeadPid()) + "-3.tmp";
    const std::string live = ".zuvio-save-" + std::to_string(::getppid()) + "-0.tmp";
    const std::string own = ".zuvio-save-" + std::to_string(::getpid()) + "-99.tmp";
    const std::string other = ".zuvio-save-notes.tmp";
    for (const auto& name : { dead, live, own, other })
        Touch(m_Folder / name);

    CPlaylistWriter writer(nullptr);
    ASSERT_TRUE(writer.Open((m_Folder / "show.m3u").string()));
    writer.WriteEntry("/media/a.mp4", "A", "0:00:05");
    ASSERT_TRUE(writer.Close());

    EXPECT_EQ(FilesIn(m_Folder), (std::set<std::string> { "show.m3u", live, own, other }));
}

TEST_F(StaleTempTest, NothingButTheTargetIsVisibleDuringASave)
{
    const fs::path target = m_Folder / "show.pls";
    Touch(target);
    CPlaylistWriter writer(nullptr);
    writer.SetFormat(CPlaylistWriter::FORMAT_PLS);
    ASSERT_TRUE(writer.Open(target.string()));
    for (int i = 0; i < 5000; ++i) // past the flush size: data reaches the file before Close
        writer.WriteEntry("/media/clip" + std::to_string(i) + ".mp4", "Clip", "0:00:10");
    const auto during = FilesIn(m_Folder);
    ASSERT_TRUE(writer.Close());

    if (during.size() > 1)
        GTEST_SKIP() << "this file system has no unnamed temporary files";
    EXPECT_EQ(during, (std::set<std::string> { "show.pls" }));
    EXPECT_EQ(FilesIn(m_Folder), (std::set<std::string> { "show.pls" }));
    EXPECT_GT(fs::file_size(target), 100000u);
}

TEST_F(StaleTempTest, SettingsWriteRemovesTheStoresStaleTemporaries)
{
    ASSERT_TRUE(WriteProfileInt("Video", "ZoomLevel", 100));
    const fs::path file = ProfilePath();
    const fs::path folder = file.parent_path();
    const std::string name = file.filename().string();
    Touch(folder / (name + ".qWeRtY")); // what QSaveFile leaves when killed
    Touch(folder / (name + ".backup")); // an operator's copy

    ASSERT_TRUE(WriteProfileString("Video", "Sink", "fakesink"));

    EXPECT_EQ(FilesIn(folder), (std::set<std::string> { name, name + ".backup" }));
    EXPECT_EQ(GetProfileInt("Video", "ZoomLevel", 0), 100);
}

} // namespace

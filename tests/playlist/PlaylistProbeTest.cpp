// Probing off the interface thread: a large folder with a file that never
// answers.
#include "core/Log.h"
#include "playback/GraphProber.h"
#include "playlist/MediaTypes.h"
#include "support/LogCapture.h"
#include "support/MediaFixtures.h"
#include "support/WaitFor.h"

#include "PlaylistFixture.h"

#include <filesystem>
#include <sys/stat.h>

namespace {

class PlaylistProbeTest : public PlaylistFixture
{
protected:
    CPlaylistCtrl& StartProbing()
    {
        ctrl = std::make_unique<CPlaylistCtrl>(Services(), std::make_unique<CGraphProber>());
        ctrl->Init(&owner);
        return *ctrl;
    }
};

} // namespace

TEST_F(PlaylistProbeTest, AThousandFilesAddReturnAtOnceAndFillInAsTheyAreProbed)
{
    const MediaFixtures::Set& set = MediaFixtures::Get();
    ASSERT_TRUE(set.ok) << set.error;
    constexpr int kFiles = 1000;
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = media.File("tone" + std::to_string(i) + ".wav");
        std::error_code error;
        std::filesystem::create_hard_link(set.wav, name, error);
        if (error)
            std::filesystem::copy_file(set.wav, name);
    }
    // Refused by the players' guard: opening it would never return.
    const std::string fifo = media.File("stall.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    LogCapture log;
    StartProbing();
    ctrl->AddFolder(media.Path(), -1);
    ASSERT_EQ(ctrl->GetRowCount(), kFiles + 1);
    // Nothing has been probed yet: every row shows its file name.
    EXPECT_EQ(ctrl->GetPendingProbes(), kFiles + 1);
    for (int i = 0; i < ctrl->GetRowCount(); ++i) {
        ASSERT_EQ(ctrl->GetRow(i)->m_Name, TitleFromPath(ctrl->GetPathAt(i)));
        ASSERT_EQ(ctrl->GetRow(i)->m_Time, "0:00:00");
    }

    ASSERT_TRUE(WaitFor([this] { return ctrl->GetPendingProbes() == 0; }, std::chrono::minutes(3)));
    for (int i = 0; i < ctrl->GetRowCount(); ++i) {
        const std::string path = ctrl->GetPathAt(i);
        EXPECT_EQ(ctrl->GetRow(i)->m_Name, TitleFromPath(path));
        EXPECT_EQ(ctrl->GetRow(i)->m_Time, path == fifo ? "0:00:00" : " 0:00:01") << path;
    }
    EXPECT_EQ(log.Texts(LOG_LEVEL_ERROR),
        std::vector<std::string> { "Not a regular file: stall.wav | OpenMedia(): RenderFile() failed" });

    // Going while a whole folder is being probed: cancelled and joined.
    ctrl->AddFolder(media.Path(), -1);
    EXPECT_GT(ctrl->GetPendingProbes(), 0);
    ctrl.reset();
}

TEST_F(PlaylistProbeTest, DeadStreamAddressesNeverHoldUpTheFiles)
{
    const MediaFixtures::Set& set = MediaFixtures::Get();
    ASSERT_TRUE(set.ok) << set.error;
    // Addresses nobody answers (TEST-NET-3): probed, each would wait out its bound.
    std::string body = "#EXTM3U\n";
    for (int i = 0; i < 1000; ++i)
        body
            += (i % 2 ? "rtsp://203.0.113.7/dead" : "http://203.0.113.7/dead") + std::to_string(i) + ".mp4\n";
    body += set.wav + "\n";

    LogCapture log;
    StartProbing();
    ctrl->AddPlayList(media.Make("dead.m3u", body), -1);
    ASSERT_EQ(ctrl->GetRowCount(), 1001);
    EXPECT_EQ(ctrl->GetPendingProbes(), 1);
    ASSERT_TRUE(WaitFor([this] { return ctrl->GetPendingProbes() == 0; }, std::chrono::seconds(60)));
    EXPECT_EQ(ctrl->GetRow(1000)->m_Time, " 0:00:01");
    EXPECT_EQ(ctrl->GetRow(999)->m_Time, "0:00:00");
    EXPECT_TRUE(log.Texts(LOG_LEVEL_ERROR).empty());
}

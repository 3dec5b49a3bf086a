// The prober against the player: every medium it reads gets the length and
// seekability the player finds when it opens the same file, without decoding.
#include "PlayerFixture.h"

#include "playback/GraphProber.h"
#include "playback/MediaFile.h"
#include "support/StallFs.h"

#include <QElapsedTimer>

#include <map>

namespace {

using namespace std::chrono_literals;

class GraphProberTest : public PlayerTest
{
protected:
    // Probes every path at once; the answers by path.
    std::map<std::string, CProbeAnswer> ProbeAll(const std::vector<std::string>& paths)
    {
        std::map<std::string, CProbeAnswer> answers;
        CGraphProber prober;
        prober.SetHandler([&](int32_t id, const CProbeAnswer& answer) { answers[paths[id]] = answer; });
        for (size_t i = 0; i < paths.size(); ++i)
            prober.Probe(static_cast<int32_t>(i), paths[i]);
        MediaFixtures::WaitFor([&] { return prober.GetPending() == 0; }, 30s);
        return answers;
    }
};

TEST_F(GraphProberTest, EachMediumIsReadAsThePlayerOpensIt)
{
    const std::vector<std::string> files { media->video, media->wav, media->mp3, media->jpeg,
        media->truncated, media->corrupt };
    std::vector<std::string> paths = files;
    // Twice over: each graph reads file after file.
    paths.insert(paths.end(), files.begin(), files.end());
    paths.push_back(media->empty); // refused before GStreamer
    auto answers = ProbeAll(paths);
    ASSERT_EQ(answers.size(), files.size() + 1);

    int opened = 0;
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        const CProbeAnswer& answer = answers[path];
        const bool opens = player.OpenMedia(path);
        opened += opens ? 1 : 0;
        // A parser estimating a length from frames may need a moment more in the player.
        if (opens && answer.m_DurationMs > 0)
            MediaFixtures::WaitFor([&] { return player.GetDuration() > 0; }, 2s);
        EXPECT_EQ(answer.m_bOk, opens) << answer.m_Error;
        EXPECT_EQ(answer.m_DurationMs, opens ? player.GetDuration() : 0u);
        if (!opens) {
            EXPECT_NE(answer.m_Error.find(": " + MediaFile::ShortName(path)), std::string::npos)
                << answer.m_Error;
        }
        player.Close();
    }
    EXPECT_EQ(opened, 4); // the truncated clip and the noise fail in both
    EXPECT_FALSE(answers[media->empty].m_bOk);
}

// A probe stuck on a share that hangs: the prober (the playlist's, at
// quitting) goes without waiting for it.
TEST_F(GraphProberTest, AProbeStuckOnAShareThatHangsDoesNotHoldTheProbersEnd)
{
    StallFs share;
    std::string why;
    if (!share.Mount(media->folder, 20s, why))
        GTEST_SKIP() << why;
    share.Stall(true);
    auto prober = std::make_unique<CGraphProber>();
    prober->SetHandler([](int32_t, const CProbeAnswer&) { ADD_FAILURE() << "answered after it went"; });
    prober->Probe(0, share.Path(MediaFile::ShortName(media->video)));
    ASSERT_TRUE(share.WaitUntilHeld(MediaFile::ShortName(media->video), 10s));
    QElapsedTimer held;
    held.start();
    prober.reset();
    EXPECT_LT(held.elapsed(), CGraphProber::kExitWait.count() + 3000);
    share.Stall(false);
}

} // namespace

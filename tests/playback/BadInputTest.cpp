#include "PlayerFixture.h"

#include "core/Log.h"
#include "playback/GstPtr.h"
#include "playback/SinkChoice.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Longest an open of bad input may take: the preroll bound and some slack for a slow machine.
constexpr auto kOpenBound = CMPlayer::kPrerollTimeout + std::chrono::seconds(5);

struct BadInput
{
    const char* name;
    // Makes the input; returns its path, or empty to skip with a reason in skip.
    std::function<std::string(const MediaFixtures::Set&, std::string& skip)> make;
};

std::ostream& operator<<(std::ostream& out, const BadInput& input)
{
    return out << input.name;
}

class BadInputTest : public PlayerTest, public testing::WithParamInterface<BadInput>
{
};

TEST_P(BadInputTest, FailsWithinABoundLogsWhyAndLeavesThePlayerUsable)
{
    std::string skip;
    const std::string path = GetParam().make(*media, skip);
    if (path.empty())
        GTEST_SKIP() << skip;

    const auto start = Clock::now();
    EXPECT_FALSE(player.OpenMedia(path));
    EXPECT_LT(Clock::now() - start, kOpenBound);
    EXPECT_EQ(player.GetGraphState(), CBasePlayer::GRAPH_NONE);
    EXPECT_EQ(player.GetFileName(), path);
    EXPECT_TRUE(log.Contains(" | OpenMedia(): RenderFile() failed", LOG_LEVEL_ERROR)) << log.Dump();
    int32_t code = 0, p1 = 0, p2 = 0;
    EXPECT_LT(player.GetEvent(code, p1, p2), 0);
    player.Run();
    EXPECT_EQ(player.GetPlayState(), CBasePlayer::STATE_STOPPED);

    ASSERT_TRUE(player.OpenMedia(media->video)) << log.Dump();
    player.Pause();
    EXPECT_EQ(player.GetPlayState(), CBasePlayer::STATE_PAUSED);
}

std::string InFolder(const MediaFixtures::Set& media, const std::string& name)
{
    return media.folder + "/" + name;
}

INSTANTIATE_TEST_SUITE_P(Inputs, BadInputTest,
    testing::Values(
        BadInput { "Missing", [](const auto& m, std::string&) { return InFolder(m, "missing.ogg"); } },
        BadInput { "Directory", [](const auto& m, std::string&) { return m.folder; } },
        BadInput { "Empty", [](const auto& m, std::string&) { return m.empty; } },
        BadInput { "Noise", [](const auto& m, std::string&) { return m.corrupt; } },
        BadInput { "Truncated", [](const auto& m, std::string&) { return m.truncated; } },
        BadInput { "TextNamedAvi", [](const auto& m, std::string&) { return m.textAvi; } },
        BadInput { "LongPath",
            [](const auto& m, std::string&) { return InFolder(m, std::string(3990, 'x') + ".ogg"); } },
        BadInput { "Fifo",
            [](const auto& m, std::string& skip) {
                const std::string path = InFolder(m, "pipe.ogg");
                ::unlink(path.c_str());
                if (::mkfifo(path.c_str(), 0600) != 0)
                    skip = "cannot make a FIFO";
                return skip.empty() ? path : std::string();
            } },
        BadInput { "Unreadable",
            [](const auto& m, std::string& skip) {
                const std::string path = InFolder(m, "locked.ogg");
                MediaFixtures::WriteFile(path, MediaFixtures::ReadFile(m.video));
                ::chmod(path.c_str(), 0);
                if (::access(path.c_str(), R_OK) == 0)
                    skip = "this user reads files without read permission (root)";
                return skip.empty() ? path : std::string();
            } }),
    [](const testing::TestParamInfo<BadInput>& row) { return std::string(row.param.name); });

TEST_F(PlayerTest, AnMp3ShorterThanATagIsReportedNonModallyAndNamedByItsFile)
{
    const std::string path = InFolder(*media, "short.mp3");
    ASSERT_TRUE(MediaFixtures::WriteFile(path, std::string(100, '\x55')));
    const auto start = Clock::now();
    EXPECT_FALSE(player.OpenMedia(path));
    EXPECT_LT(Clock::now() - start, kOpenBound);
    EXPECT_EQ(player.GetTitle(), "short.mp3");
    EXPECT_EQ(ui.boxes.size(), 1u);
    EXPECT_TRUE(log.Contains(" | OpenMedia(): RenderFile() failed", LOG_LEVEL_ERROR));
    EXPECT_TRUE(player.OpenMedia(media->wav));
}

TEST_F(PlayerTest, AFileNameThatIsNotUtf8StillOpens)
{
    const std::string path = InFolder(*media, "caf\xe9-\xff.ogg");
    ASSERT_TRUE(MediaFixtures::WriteFile(path, MediaFixtures::ReadFile(media->video)));
    ASSERT_TRUE(player.OpenMedia(path)) << log.Dump();
    EXPECT_EQ(player.GetShortName(), "caf\xe9-\xff.ogg");
    EXPECT_EQ(player.GetVideoWidth(), MediaFixtures::kVideoWidth);
    player.Close();
    ::unlink(path.c_str()); // the temporary folder's cleanup cannot name it
}

TEST_F(PlayerTest, ARelativePathOpens)
{
    const std::string path = "relative.wav";
    ASSERT_TRUE(MediaFixtures::WriteFile(path, MediaFixtures::ReadFile(media->wav)));
    ASSERT_TRUE(player.OpenMedia(path)) << log.Dump();
    EXPECT_EQ(player.GetFileName(), "relative.wav");
}

} // namespace

TEST_F(PlayerTest, AnAudioDeviceThatDoesNotOpenIsNamedWithTheRemedy)
{
    // No sound card here: an OSS device that is not there fails as a hw: device
    // held by the other player does, with a resource error from the sink.
    if (!GstPtr<GstElementFactory>(gst_element_factory_find("osssink")))
        GTEST_SKIP() << "no osssink element";
    EXPECT_FALSE(player.OpenMedia(media->corrupt));
    EXPECT_FALSE(log.Contains("cannot be opened")) << "a bad file blames no device";

    SinkChoice::SetAudioSinkDescription("osssink device=/dev/zuvio-no-such-dsp");
    const bool opened = player.OpenMedia(media->wav);
    SinkChoice::SetAudioSinkDescription({});
    EXPECT_FALSE(opened);
    EXPECT_TRUE(log.Contains(
        "OpenMedia(): audio device \"/dev/zuvio-no-such-dsp\" cannot be opened.", LOG_LEVEL_ERROR))
        << log.Dump();
    EXPECT_TRUE(log.Contains("mixing device", LOG_LEVEL_ERROR));
}

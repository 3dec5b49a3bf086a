#include "PlayerFixture.h"

#include "core/Log.h"
#include "core/Messages.h"
#include "playback/Id3Tag.h"

#include <QCoreApplication>
#include <QThread>
#include <QUdpSocket>

#include <algorithm>
#include <cstring>

namespace {

using namespace std::chrono_literals;
using MediaFixtures::WaitFor;

TEST(MPlayerNoMediumTest, EveryQueryReturnsItsFallback)
{
    MediaFixtures::UseFakeSinks();
    CMPlayer player;
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(player.GetDuration(), 0u);
        EXPECT_EQ(player.GetPosition(), 0u);
        EXPECT_EQ(player.GetRate(), 0.0);
        EXPECT_FALSE(player.SetRate(1.0));
        EXPECT_EQ(player.GetTitle(), "");
        EXPECT_EQ(player.GetFileName(), "");
        EXPECT_EQ(player.GetShortName(), "");
        EXPECT_EQ(player.GetVideoWidth(), 0);
        EXPECT_EQ(player.GetVideoHeight(), 0);
        int32_t code = 9, p1 = 9, p2 = 9;
        EXPECT_LT(player.GetEvent(code, p1, p2), 0);
        player.Run();
        EXPECT_EQ(player.GetPlayState(), CBasePlayer::STATE_STOPPED);
        EXPECT_EQ(player.GetGraphState(), CBasePlayer::GRAPH_NONE);
        QImage frame(4, 4, QImage::Format_RGB888);
        player.GrabFrame(frame);
        EXPECT_TRUE(frame.isNull());
        // Second pass: an empty graph behaves the same for everything that needs a medium.
        ASSERT_TRUE(player.Init(nullptr));
    }
    EXPECT_EQ(CMPlayer().GetVolume(), CBasePlayer::VOLUME_UNREADABLE);
    EXPECT_FALSE(CMPlayer().SetMute(true));
    EXPECT_TRUE(CMPlayer().IsType(CBasePlayer::PLAYER_TYPE_MEDIA_FILE));
}

TEST_F(PlayerTest, OpensAClipStoppedWithItsSizeDurationAndName)
{
    ASSERT_TRUE(player.OpenMedia(media->video));
    EXPECT_EQ(player.GetGraphState(), CBasePlayer::GRAPH_OPEN);
    EXPECT_EQ(player.GetPlayState(), CBasePlayer::STATE_STOPPED);
    EXPECT_NEAR(player.GetDuration(), MediaFixtures::kVideoDurationMs, 40);
    EXPECT_EQ(player.GetPosition(), 0u);
    EXPECT_EQ(player.GetVideoWidth(), MediaFixtures::kVideoWidth);
    EXPECT_EQ(player.GetVideoHeight(), MediaFixtures::kVideoHeight);
    EXPECT_TRUE(player.HasVideo());
    EXPECT_EQ(player.GetRate(), 1.0);
    EXPECT_EQ(player.GetFileName(), media->video);
    EXPECT_EQ(player.GetShortName(), "clip.ogg");
    EXPECT_EQ(player.GetTitle(), "clip.ogg");
    EXPECT_EQ(log.CountErrors(), 0) << log.Dump();
}

TEST_F(PlayerTest, TransportFollowsTheStateRules)
{
    ASSERT_TRUE(player.OpenMedia(media->video));
    player.Run();
    EXPECT_EQ(player.GetPlayState(), CBasePlayer::STATE_RUNNING);
    player.Pause();
    EXPECT_EQ(player.GetPlayState(), CBasePlayer::STATE_PAUSED);
    player.SetPosition(1000);
    EXPECT_EQ(player.GetPlayState(), CBasePlayer::STATE_PAUSED);
    EXPECT_TRUE(PositionNear(1000)) << player.GetPosition();
    player.Stop();
    EXPECT_EQ(player.GetPlayState(), CBasePlayer::STATE_STOPPED);
    EXPECT_TRUE(PositionNear(0)) << player.GetPosition();
    EXPECT_TRUE(player.SetRate(2.0));
    EXPECT_EQ(player.GetRate(), 2.0);
    EXPECT_FALSE(player.SetRate(0.0));
    EXPECT_EQ(player.GetRate(), 2.0);
}

TEST_F(PlayerTest, SeekByClampsToTheMedium)
{
    ASSERT_TRUE(player.OpenMedia(media->video));
    player.Pause();
    player.SetPosition(500);
    ASSERT_TRUE(PositionNear(500));
    player.SeekBy(-5000);
    EXPECT_TRUE(PositionNear(0)) << player.GetPosition();

    player.SetPosition(1000);
    ASSERT_TRUE(PositionNear(1000));
    player.SeekBy(400);
    EXPECT_TRUE(PositionNear(1400)) << player.GetPosition();
    player.SeekBy(5000);
    const uint32_t duration = player.GetDuration();
    EXPECT_TRUE(PositionNear(duration, 100)) << player.GetPosition() << " of " << duration;
}

TEST_F(PlayerTest, VolumeAndBalanceRoundTripAndIgnoreOutOfRange)
{
    ASSERT_TRUE(player.OpenMedia(media->wav));
    EXPECT_EQ(player.GetVolume(), 0); // a fresh graph plays at full volume
    player.SetVolume(-2345);
    EXPECT_EQ(player.GetVolume(), -2345);
    player.SetVolume(1);
    player.SetVolume(-10001);
    EXPECT_EQ(player.GetVolume(), -2345);
    player.SetVolume(-10000);
    EXPECT_EQ(player.GetVolume(), -10000);
    player.SetVolume(0);
    EXPECT_EQ(player.GetVolume(), 0);

    player.SetBalance(-3333);
    EXPECT_EQ(player.GetBalance(), -3333);
    player.SetBalance(10000);
    EXPECT_EQ(player.GetBalance(), 10000);
    player.SetBalance(10001);
    player.SetBalance(-10001);
    EXPECT_EQ(player.GetBalance(), 10000);
}

TEST_F(PlayerTest, MutingTwiceKeepsTheSavedVolume)
{
    ASSERT_TRUE(player.OpenMedia(media->wav));
    player.SetVolume(-1500);
    EXPECT_TRUE(player.SetMute(true));
    EXPECT_EQ(player.GetVolume(), -10000);
    EXPECT_FALSE(player.SetMute(true));
    EXPECT_TRUE(player.SetMute(false));
    EXPECT_EQ(player.GetVolume(), -1500);
}

TEST_F(PlayerTest, CloseIsRepeatableAndEndsEvents)
{
    ASSERT_TRUE(player.OpenMedia(media->wav));
    player.Run();
    player.Close();
    player.Close();
    EXPECT_EQ(player.GetGraphState(), CBasePlayer::GRAPH_NONE);
    EXPECT_EQ(player.GetPlayState(), CBasePlayer::STATE_STOPPED);
    EXPECT_EQ(player.GetFileName(), media->wav);
    int32_t code = 0, p1 = 0, p2 = 0;
    EXPECT_LT(player.GetEvent(code, p1, p2), 0);
    EXPECT_EQ(player.GetDuration(), 0u);
}

TEST_F(PlayerTest, ASecondOpenReplacesTheFirstAndAFailedOneLeavesNoMedium)
{
    ASSERT_TRUE(player.OpenMedia(media->video));
    player.Run();
    ASSERT_TRUE(player.OpenMedia(media->wav));
    EXPECT_EQ(player.GetPlayState(), CBasePlayer::STATE_STOPPED);
    EXPECT_EQ(player.GetShortName(), "tone.wav");
    EXPECT_NEAR(player.GetDuration(), MediaFixtures::kAudioDurationMs, 40);
    EXPECT_FALSE(player.HasVideo());

    const std::string missing = media->folder + "/gone.ogg";
    EXPECT_FALSE(player.OpenMedia(missing));
    EXPECT_EQ(player.GetGraphState(), CBasePlayer::GRAPH_NONE);
    EXPECT_EQ(player.GetFileName(), missing);
    EXPECT_EQ(player.GetDuration(), 0u);
    int32_t code = 0, p1 = 0, p2 = 0;
    EXPECT_LT(player.GetEvent(code, p1, p2), 0);
}

TEST_F(PlayerTest, PlaysToTheEndAndAnnouncesItOnTheUiThread)
{
    QThread* notifiedOn = nullptr;
    owner.handler = [&](unsigned, WPARAM, LPARAM) {
        notifiedOn = QThread::currentThread();
        return LRESULT { 0 };
    };
    ASSERT_TRUE(player.OpenMedia(media->wav));
    player.Run();
    ASSERT_TRUE(WaitFor([&] { return owner.Count(WM_GRAPHNOTIFY) > 0; }, 10s));
    EXPECT_EQ(notifiedOn, QCoreApplication::instance()->thread());
    EXPECT_EQ(owner.messages[0], (RecordingTarget::Message { WM_GRAPHNOTIFY, 0, 0 }));

    int32_t code = 0, p1 = 0, p2 = 0;
    ASSERT_GE(player.GetEvent(code, p1, p2), 0);
    EXPECT_EQ(code, CBasePlayer::EC_COMPLETE);
    EXPECT_LT(player.GetEvent(code, p1, p2), 0);
    // The end of the medium leaves the decision to the owner.
    EXPECT_EQ(player.GetPlayState(), CBasePlayer::STATE_RUNNING);
    EXPECT_EQ(log.CountErrors(), 0) << log.Dump();

    // Every notification finds its event already there; HandleEvents, the
    // player's own drain, stops at the end.
    player.SetPosition(MediaFixtures::kAudioDurationMs - 100);
    ASSERT_TRUE(WaitFor([&] { return owner.Count(WM_GRAPHNOTIFY) > 1; }, 10s));
    player.HandleEvents();
    EXPECT_EQ(player.GetPlayState(), CBasePlayer::STATE_STOPPED);
}

// Repeat loops inside the graph: the end comes back as the start without an
// EC_COMPLETE for the owner; switched off, the next end is announced as ever.
TEST_F(PlayerTest, ASeamlessLoopRestartsWithoutAnEndAndEndsWhenSwitchedOff)
{
    ASSERT_TRUE(player.OpenMedia(media->wav));
    player.SetSeamlessLoop(true);
    player.Run();
    player.SetPosition(MediaFixtures::kAudioDurationMs - 150);
    int32_t code = 0, p1 = 0, p2 = 0;
    int ends = 0;
    const auto drain = [&] {
        while (player.GetEvent(code, p1, p2) >= 0)
            ends += code == CBasePlayer::EC_COMPLETE;
    };
    ASSERT_TRUE(WaitFor([&] { return owner.Count(WM_GRAPHNOTIFY) > 0; }, 10s));
    drain();
    ASSERT_TRUE(WaitFor(
        [&] {
            drain();
            const uint32_t position = player.GetPosition();
            return position > 100 && position < 600;
        },
        10s));
    EXPECT_EQ(ends, 0);
    EXPECT_EQ(player.GetPlayState(), CBasePlayer::STATE_RUNNING);

    player.SetSeamlessLoop(false);
    ASSERT_TRUE(WaitFor(
        [&] {
            drain();
            return ends > 0;
        },
        10s));
    EXPECT_EQ(log.CountErrors(), 0) << log.Dump();
}

TEST_F(PlayerTest, GrabsTheCurrentFrameOnlyWhilePausedOrRunning)
{
    ASSERT_TRUE(player.OpenMedia(media->video));
    QImage frame;
    player.GrabFrame(frame);
    EXPECT_TRUE(frame.isNull());

    player.Pause();
    player.GrabFrame(frame);
    ASSERT_FALSE(frame.isNull());
    EXPECT_EQ(frame.width(), MediaFixtures::kVideoWidth);
    EXPECT_EQ(frame.height(), MediaFixtures::kVideoHeight);
    EXPECT_EQ(player.GetFrameWidth(), MediaFixtures::kVideoWidth);
    EXPECT_EQ(player.GetFrameHeight(), MediaFixtures::kVideoHeight);
    // The test card's second bar is yellow: red and green high, blue low.
    const QColor bar = frame.pixelColor(MediaFixtures::kVideoWidth * 3 / 14, 20);
    EXPECT_GT(bar.red(), 150);
    EXPECT_GT(bar.green(), 150);
    EXPECT_LT(bar.blue(), 80);
}

TEST_F(PlayerTest, VideoIsPlacedWithItsAspectRatio)
{
    ASSERT_TRUE(player.OpenMedia(media->video));
    player.SetVideoRect({ 0, 0, 640, 300 });
    EXPECT_EQ(player.GetVideoRect(), (CRect { 120, 0, 520, 300 }));
    player.SetVideoRect({ 0, 0, 0, 300 });
    EXPECT_EQ(player.GetVideoRect(), (CRect { 120, 0, 520, 300 }));
    player.Show(true);
    EXPECT_TRUE(player.Shown());
    EXPECT_TRUE(player.IsVideoVisible());
    player.Show(false);
    EXPECT_FALSE(player.Shown());
}

TEST_F(PlayerTest, AudioOnlyMediaHaveNoPicture)
{
    ASSERT_TRUE(player.OpenMedia(media->mp3));
    player.Show(true);
    EXPECT_FALSE(player.Shown());
    EXPECT_EQ(player.GetVideoWidth(), 0);
    player.SetVideoRect({ 0, 0, 400, 300 });
    EXPECT_EQ(player.GetVideoRect(), CRect {});
    player.Pause();
    QImage frame;
    player.GrabFrame(frame);
    EXPECT_TRUE(frame.isNull());
}

TEST_F(PlayerTest, AStillPictureOpensWithoutTimeAndIgnoresSeeks)
{
    ASSERT_TRUE(player.OpenMedia(media->jpeg));
    EXPECT_TRUE(player.HasVideo());
    EXPECT_EQ(player.GetVideoWidth(), MediaFixtures::kStillWidth);
    EXPECT_EQ(player.GetVideoHeight(), MediaFixtures::kStillHeight);
    EXPECT_EQ(log.CountErrors(), 0) << log.Dump();
    // A single picture has no timeline: said once, then no position, duration or seek.
    EXPECT_TRUE(log.Contains("Time format not supported!", LOG_LEVEL_INFO)) << log.Dump();
    EXPECT_EQ(player.GetDuration(), 0u);
    player.Pause();
    player.SetPosition(500);
    player.SeekBy(500);
    EXPECT_EQ(player.GetPosition(), 0u);
    EXPECT_EQ(player.GetPlayState(), CBasePlayer::STATE_PAUSED);
}

// A live MPEG-TS tone sent to a loopback port, as a stream sender on the show network would.
class LiveSender
{
public:
    explicit LiveSender(int port)
    {
        const std::string line = "audiotestsrc is-live=true ! audio/x-raw,rate=32000,channels=1 ! avenc_mp2 "
                                 "! mpegtsmux ! udpsink host=127.0.0.1 port="
            + std::to_string(port);
        GstPtr<GError> error;
        m_pipeline.reset(gst_parse_launch(line.c_str(), error.out()));
        if (m_pipeline && !error)
            m_bOk = gst_element_set_state(m_pipeline.get(), GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
    }
    ~LiveSender()
    {
        if (m_pipeline)
            gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
    }
    bool Ok() const { return m_bOk; }

private:
    GstPtr<GstElement> m_pipeline;
    bool m_bOk = false;
};

TEST_F(PlayerTest, ALiveStreamCountsTheTimePlayedHasNoLengthAndRefusesSeeks)
{
    int port = 0;
    {
        QUdpSocket probe; // a port free at the moment of asking
        ASSERT_TRUE(probe.bind(QHostAddress::LocalHost, 0));
        port = probe.localPort();
    }
    LiveSender sender(port);
    ASSERT_TRUE(sender.Ok());
    const std::string url = "udp://127.0.0.1:" + std::to_string(port);
    ASSERT_TRUE(player.OpenMedia(url)) << log.Dump();
    EXPECT_EQ(player.GetPosition(), 0u);
    EXPECT_EQ(player.GetDuration(), 0u);

    player.Run();
    ASSERT_TRUE(WaitFor([&] { return player.GetPosition() >= 500; }, 10s)) << log.Dump();
    EXPECT_EQ(player.GetDuration(), 0u);
    player.SetPosition(100);
    player.SeekBy(-5000);
    EXPECT_GE(player.GetPosition(), 500u); // nothing moved
    const std::vector<std::string> lines = log.Texts();
    EXPECT_EQ(
        std::count(lines.begin(), lines.end(),
            "CMPlayer::SetPosition(): 127.0.0.1:" + std::to_string(port) + " cannot seek (live stream)."),
        1)
        << log.Dump();

    // Paused and run again, it goes on from where it was.
    player.Pause();
    const uint32_t paused = player.GetPosition();
    player.Run();
    ASSERT_TRUE(WaitFor([&] { return player.GetPosition() >= paused + 300; }, 10s));

    // Stopped: back to 0, and counting from 0 again when run.
    player.Stop();
    ASSERT_TRUE(WaitFor([&] { return player.GetPosition() == 0; }, 5s));
    player.Run();
    ASSERT_TRUE(WaitFor([&] { return player.GetPosition() >= 300; }, 10s));
    EXPECT_FALSE(log.Contains("Time format not supported!", LOG_LEVEL_INFO)) << log.Dump();
    EXPECT_EQ(log.CountErrors(), 0) << log.Dump();
    player.Close();
}

class Mp3TitleTest : public PlayerTest
{
protected:
    std::string Tagged(const std::string& name, const std::string& artist, const std::string& title)
    {
        CId3Tag::Buffer tag {};
        std::memcpy(tag.data(), "TAG", 3);
        std::memcpy(tag.data() + 3, title.data(), std::min<size_t>(title.size(), 30));
        std::memcpy(tag.data() + 33, artist.data(), std::min<size_t>(artist.size(), 30));
        const std::string path = media->folder + "/" + name;
        EXPECT_TRUE(MediaFixtures::WriteFile(
            path, MediaFixtures::ReadFile(media->mp3) + std::string(tag.data(), tag.size())));
        return path;
    }
};

TEST_F(Mp3TitleTest, TitleComesFromTheTagOfLowerCaseMp3FilesOnly)
{
    ASSERT_TRUE(player.OpenMedia(Tagged("song.mp3", "Band", "Tune")));
    EXPECT_EQ(player.GetTitle(), "Band - Tune");
    ASSERT_TRUE(player.OpenMedia(Tagged("nameless.mp3", "", "Tune")));
    EXPECT_EQ(player.GetTitle(), "nameless.mp3");
    ASSERT_TRUE(player.OpenMedia(Tagged("SONG.MP3", "Band", "Tune")));
    EXPECT_EQ(player.GetTitle(), "SONG.MP3");
    ASSERT_TRUE(player.OpenMedia(Tagged("long.mp3", "Band", "A title of thirty characters!!")));
    EXPECT_EQ(player.GetTitle(), "Band - A title of thirty characters!");
    EXPECT_TRUE(ui.boxes.empty());
}

} // namespace

#include "core/Log.h"
#include "show/ShowEventMailbox.h"
#include "support/ShowEngineFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <utility>

// The players' life in the show engine, without a picture output: what the
// window's view did with them before, now the engine's own.
namespace {

using Id = ShowCommandId;
using Kind = ShowEventKind;
using ShowEngineTest = ShowEngineFixture;

} // namespace

TEST_F(ShowEngineTest, PlayerInitFailureIsFatalWithCodeOne)
{
    m_initOk[1] = false;
    MakeEngine(false);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(m_engine->Start());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("FATAL: Player initialisation failed!"),
        std::string::npos);
    EXPECT_EQ(m_exitCodes, std::vector<int> { 1 });
    EXPECT_TRUE(m_log.Contains("FATAL: Player initialisation failed!", LOG_LEVEL_ERROR));
    EXPECT_TRUE(Journal("A:Stop") && Journal("A:Close") && Journal("A:deleted") && Journal("B:deleted"));
    EXPECT_EQ(m_engine->GetPlayer(0), nullptr);
    EXPECT_FALSE(m_engine->IsStarted());
    EXPECT_TRUE(m_boxes.empty());
    const ShowReply reply = Do(Id::Run, 0);
    EXPECT_FALSE(reply);
    EXPECT_EQ(reply.reason, "the players are not ready");
}

TEST_F(ShowEngineTest, RuntimeCheckFailureIsFatalWithCodeTwoBeforeAnyPlayerIsMade)
{
    // A runtime without the players' elements fails player creation too: the
    // check must speak first, and on standard error as well.
    m_runtimeOk = false;
    m_initOk[0] = m_initOk[1] = false;
    MakeEngine(false);
    LogError("GetDXVersion(): GStreamer element \"audiopanorama\" not found.\n");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(m_engine->Start());
    const std::string stderrText = testing::internal::GetCapturedStderr();
    EXPECT_EQ(m_exitCodes, std::vector<int> { 2 });
    EXPECT_EQ(m_boxes,
        std::vector<std::string> {
            "DirectX Version:|You need DirectX Version 9.0 or above\nto run this application!" });
    EXPECT_TRUE(m_journal.empty()) << "no player was made";
    EXPECT_NE(stderrText.find("You need DirectX Version 9.0 or above\nto run this application!"),
        std::string::npos);
    EXPECT_NE(stderrText.find("\"audiopanorama\" not found."), std::string::npos) << "the reason";
    EXPECT_FALSE(m_engine->IsStarted());
}

TEST_F(ShowEngineTest, InvalidPlayerIdsAreLoggedAndRefused)
{
    MakeEngine();
    const std::pair<ShowCommand, const char*> commands[] = {
        { { Id::Play, 2 }, "OnNetPlayMedia(): PlayerID out of range!" },
        { { Id::Run, -1 }, "CVideoView::PlayOnly() invalid Player ID!" },
        { { Id::Pause, 2 }, "OnNetPauseMedia(): PlayerID out of range!" },
        { { Id::Stop, 2 }, "OnNetStopMedia(): PlayerID out of range!" },
        { { Id::Seek, 2, 0 }, "OnNetSeekAbs(): PlayerID out of range!" },
        { { Id::Cut, 2 }, "CVideoView::SetActivePlayer() invalid Player ID!" },
        { { Id::Open, 2, 0, "/media/a.mp4" }, "CVideoView::OpenMedia() invalid Player ID!" },
    };
    for (const auto& [command, text] : commands) {
        const ShowReply reply = m_engine->Execute(command);
        EXPECT_FALSE(reply) << text;
        EXPECT_EQ(reply.reason, "player out of range") << text;
        EXPECT_TRUE(m_log.Contains(text, LOG_LEVEL_INFO)) << text;
    }
    EXPECT_TRUE(m_events.empty()) << "a refused command changes nothing";
    EXPECT_TRUE(m_journal.empty());
    EXPECT_EQ(m_engine->GetTitle(5), "");
    EXPECT_EQ(m_engine->GetActivePlayer(), 0);
}

TEST_F(ShowEngineTest, PlayPauseTogglesOnlyAnOpenMediumWhileRunAlwaysRuns)
{
    MakeEngine();
    EXPECT_TRUE(Do(Id::PlayPause));
    EXPECT_TRUE(ShowEvents().empty()) << "no medium, no change";
    EXPECT_FALSE(Journal("A:Run"));

    EXPECT_TRUE(Do(Id::Run, 0));
    EXPECT_TRUE(Journal("A:Run"));
    EXPECT_EQ(ShowEvents(), (std::vector<Event> { { Kind::State, 0, 0 } }));

    OpenBoth();
    Do(Id::PlayPause);
    EXPECT_EQ(A().play, CBasePlayer::STATE_RUNNING);
    Do(Id::PlayPause);
    EXPECT_EQ(A().play, CBasePlayer::STATE_PAUSED);
    EXPECT_EQ(ShowEvents(), (std::vector<Event> { { Kind::State, 0, 2 }, { Kind::State, 0, 1 } }));
    EXPECT_EQ(Texts(),
        (std::vector<std::string> { "Player A: Playback started.\n", "Player A: Playback paused.\n" }));
    m_events.clear();
    Do(Id::Stop, 1);
    EXPECT_EQ(ShowEvents(), (std::vector<Event> { { Kind::State, 1, 0 } }));
    EXPECT_EQ(B().play, CBasePlayer::STATE_STOPPED);
}

TEST_F(ShowEngineTest, SeekAcceptsTheDurationAndNothingBeyond)
{
    MakeEngine();
    Do(Id::Seek, 0, 0);
    EXPECT_TRUE(m_log.Contains("CVideoView::SetPosition() position out of range!")) << "duration 0";
    OpenBoth();
    A().duration = 5000;
    Do(Id::Seek, 0, 5000);
    EXPECT_TRUE(Journal("A:SetPosition(5000)"));
    EXPECT_EQ(Events({ Kind::Position }).size(), 1u);
    EXPECT_TRUE(ShowEvents().empty());

    m_log.Buffer().Clear();
    Do(Id::Seek, 0, 5001);
    EXPECT_EQ(JournalCount("A:SetPosition(5001)"), 0);
    EXPECT_TRUE(m_log.Contains("CVideoView::SetPosition() position out of range!"));
    EXPECT_EQ(Events({ Kind::Position }).size(), 1u);
}

TEST_F(ShowEngineTest, VolumeLimitsAndMute)
{
    MakeEngine();
    // The level control's widest range reaches silence.
    m_engine->SetVolumeRange(10000);
    Do(Id::VolumeDb, 0, -10000);
    EXPECT_EQ(A().volume, -10000);
    EXPECT_EQ(B().volume, -10000);
    Do(Id::VolumeDb, 0, 0);
    EXPECT_EQ(m_engine->GetVolume(), 0);
    // A level in hundredths of a dB is held to the control's range.
    Do(Id::VolumeDb, 0, 1);
    EXPECT_EQ(m_engine->GetVolume(), 0);
    Do(Id::VolumeDb, 0, -10001);
    EXPECT_EQ(m_engine->GetVolume(), -10000);
    Do(Id::VolumeDb, 0, 0);
    // A percentage beyond 0 … 100 gives a level the players cannot take: refused.
    Do(Id::Volume, 0, 101);
    Do(Id::Volume, 0, -1);
    EXPECT_EQ(m_engine->GetVolume(), 0);
    EXPECT_TRUE(m_log.Contains("CVideoView::SetVolume() Value out of range (100)"));
    EXPECT_TRUE(m_log.Contains("CVideoView::SetVolume() Value out of range (-10100)"));
    EXPECT_EQ(A().volume, 0);

    Do(Id::Mute, 0, 1);
    EXPECT_TRUE(m_engine->IsMuted());
    m_journal.clear();
    m_events.clear();
    Do(Id::VolumeDb, 0, -2500);
    EXPECT_EQ(m_engine->GetVolume(), -2500);
    EXPECT_TRUE(m_journal.empty()) << "muted: the players keep their volume";
    EXPECT_EQ(Events({ Kind::Level }), (std::vector<Event> { { Kind::Level, -1, -2500 } }));
    Do(Id::Mute, 0, 0);
    EXPECT_EQ(m_journal,
        (std::vector<std::string> {
            "A:SetMute(0)", "B:SetMute(0)", "A:SetVolume(-2500)", "B:SetVolume(-2500)" }));
}

TEST_F(ShowEngineTest, ACutBackNeverStartsAMediumOpenedOrStoppedWhileHidden)
{
    MakeEngine();
    OpenBoth();
    Do(Id::Run, 0);
    Do(Id::Cut, 1);
    ASSERT_TRUE(Do(Id::Open, 0, 0, "/media/next.mp4")); // cued while B is on air
    Do(Id::Cut, 0);
    EXPECT_EQ(A().play, CBasePlayer::STATE_STOPPED) << "the cued clip waits for its play command";

    Do(Id::Run, 0);
    Do(Id::Cut, 1);
    Do(Id::Stop, 0);
    Do(Id::Cut, 0);
    EXPECT_EQ(A().play, CBasePlayer::STATE_STOPPED) << "stopped while hidden stays stopped";
}

TEST_F(ShowEngineTest, GraphNotifyDrainsBothPlayersAndActsOnEachCompletion)
{
    MakeEngine();
    OpenBoth();
    Do(Id::Run, 0);
    m_journal.clear();
    m_events.clear();
    // Without a playlist every end stops the active player; a failure of the
    // active player ends its medium the same way.
    A().events = { CBasePlayer::EC_COMPLETE, CBasePlayer::EC_ERRORABORT };
    B().events = { CBasePlayer::EC_COMPLETE, CBasePlayer::EC_COMPLETE };
    EXPECT_EQ(m_engine->SendMessage(WM_GRAPHNOTIFY, 0, 0), 1);
    EXPECT_TRUE(A().events.empty());
    EXPECT_TRUE(B().events.empty());
    EXPECT_EQ(JournalCount("A:Stop"), 4) << "three ends and one failure";
    EXPECT_EQ(JournalCount("B:Stop"), 0);
    EXPECT_EQ(Events({ Kind::State }), std::vector<Event>(4, Event { Kind::State, 0, 0 }));
    const std::vector<std::string> texts = Texts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Player A: Playback failed.\n"), 1);
}

// What waits for an open: play and pause coalesce (the latest wins), a seek
// keeps its place, the queue has a bound, every waiting command ends with a
// Done event of its ticket, and a failed open drops them with a line.
TEST_F(ShowEngineTest, CommandsWaitingForAnOpenAreBoundedAndEndWithTheirTickets)
{
    MakeEngine();
    A().asyncOpen = true;
    const ShowReply open = Do(Id::Open, 0, 0, "/media/a.mp4");
    ASSERT_TRUE(open);
    ASSERT_NE(open.ticket, 0u);
    const ShowReply play = Do(Id::Run, 0);
    const ShowReply seek = Do(Id::Seek, 0, 5000);
    const ShowReply pause = Do(Id::Pause, 0);
    ASSERT_TRUE(play && seek && pause);
    EXPECT_TRUE(play.ticket != 0 && seek.ticket != 0 && pause.ticket != 0);
    for (size_t i = 2; i < CShowEngine::kQueueLimit; ++i)
        ASSERT_TRUE(Do(Id::Seek, 0, 1000));
    const ShowReply full = Do(Id::Seek, 0, 1000);
    EXPECT_FALSE(full);
    EXPECT_EQ(full.reason, "too many commands wait for the open");

    m_events.clear();
    A().EndOpen();
    std::vector<std::pair<uint64_t, int64_t>> done;
    for (const ShowEvent& e : m_events)
        if (e.kind == Kind::Done)
            done.emplace_back(e.ticket, e.value);
    ASSERT_FALSE(done.empty());
    EXPECT_EQ(done.front(), std::make_pair(open.ticket, int64_t { 1 }));
    const auto ended = [&](uint64_t ticket) {
        return std::count_if(done.begin(), done.end(), [&](const auto& d) { return d.first == ticket; });
    };
    EXPECT_EQ(ended(play.ticket), 0) << "replaced by the pause before the open ended";
    EXPECT_EQ(ended(seek.ticket), 1);
    EXPECT_EQ(ended(pause.ticket), 1);
    EXPECT_EQ(A().GetPlayState(), CBasePlayer::STATE_PAUSED);

    // A failed open drops what waits for it, with a line for the controllers.
    A().asyncOpen = true;
    ASSERT_TRUE(Do(Id::Open, 0, 0, "/media/broken.mp4"));
    const ShowReply waiting = Do(Id::Run, 0);
    m_events.clear();
    A().EndOpen();
    const auto dropped = std::find_if(m_events.begin(), m_events.end(),
        [&](const ShowEvent& e) { return e.kind == Kind::Done && e.ticket == waiting.ticket; });
    ASSERT_NE(dropped, m_events.end());
    EXPECT_EQ(dropped->value, 0);
    EXPECT_TRUE(std::any_of(m_events.begin(), m_events.end(), [](const ShowEvent& e) {
        return e.kind == Kind::Text && e.text == "Player A: Dropped run: the open failed.\n";
    }));
}

TEST(ShowEventMailbox, PositionsCoalesceAndAStalledReaderCostsABoundedQueue)
{
    CShowEventMailbox mailbox(4);
    for (int i = 0; i < 100; ++i)
        mailbox.Post({ Kind::Position, 0, i, {}, 0 });
    for (int i = 0; i < 6; ++i)
        mailbox.Post({ Kind::Text, 0, i, "line", 0 });
    const std::vector<ShowEvent> events = mailbox.Take(0);
    ASSERT_EQ(events.size(), 5u); // the four newest lines, then the newest position
    EXPECT_EQ(events.front().value, 2);
    EXPECT_EQ(events.back().kind, Kind::Position);
    EXPECT_EQ(events.back().value, 99);
    EXPECT_EQ(mailbox.Dropped(), 2u);
    EXPECT_TRUE(mailbox.Take(0).empty());

    // A reader waiting on another thread wakes for a post, and for Close.
    std::thread reader([&] { EXPECT_EQ(mailbox.Take(5000).size(), 1u); });
    mailbox.Post({ Kind::State, 1, 2, {}, 0 });
    reader.join();
    std::thread closing([&] { EXPECT_TRUE(mailbox.Take(5000).empty()); });
    mailbox.Close();
    closing.join();
    mailbox.Post({ Kind::State, 1, 2, {}, 0 });
    EXPECT_TRUE(mailbox.Take(0).empty());
}

#include "ui/VideoView.h"
#include "core/Log.h"
#include "core/Preferences.h"
#include "core/Profile.h"
#include "support/FakePlayer.h"
#include "support/LogCapture.h"
#include "support/RecordingTarget.h"
#include "ui/FullScreenDlg.h"
#include "ui/VideoSurface.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Message = RecordingTarget::Message;

class VideoViewTest : public testing::Test
{
protected:
    void SetUp() override
    {
        WriteProfileInt("Video", "ZoomLevel", 0);
        // Titles that differ from the file names, so that the view is seen to ask the player.
        m_script->media["/media/a.mp4"] = { "title of /media/a.mp4", 60000 };
        m_script->media["/media/b.mp4"] = { "title of /media/b.mp4", 60000 };
    }
    void TearDown() override { m_view.reset(); }

    // The view's players are scripted ones that note their calls in the journal.
    CServices Services()
    {
        return CServices { m_prefs, nullptr,
            [this]() -> std::unique_ptr<CBasePlayer> {
                const bool first = !m_players[0];
                auto player = std::make_unique<FakePlayer>(m_script, first ? "A" : "B");
                player->initOk = first ? m_initOk[0] : m_initOk[1];
                player->videoWidth = 640;
                player->videoHeight = 360;
                m_players[first ? 0 : 1] = player.get();
                return player;
            },
            {} };
    }

    // A view of 800 × 600 with two scripted players, initialised.
    void MakeView(bool initialise = true)
    {
        m_view = std::make_unique<CVideoView>(&m_frame, Services());
        CVideoView::Hooks hooks;
        hooks.checkRuntime = [this] { return m_runtimeOk; };
        hooks.fatalMessageBox = [this](const std::string& text, const std::string& caption) {
            m_boxes.push_back(caption + "|" + text);
        };
        hooks.exitProcess = [this](int code) { m_exitCodes.push_back(code); };
        m_view->SetHooks(std::move(hooks));
        m_view->resize(800, 600);
        m_view->show();
        if (initialise)
            m_view->OnInitialUpdate();
        m_frame.messages.clear();
        m_journal.clear();
    }

    FakePlayer& A() { return *m_players[0]; }
    FakePlayer& B() { return *m_players[1]; }
    void OpenBoth()
    {
        ASSERT_TRUE(m_view->OpenMedia("/media/a.mp4", 0));
        ASSERT_TRUE(m_view->OpenMedia("/media/b.mp4", 1));
        m_frame.messages.clear();
        m_journal.clear();
    }
    bool Journal(const std::string& call) const
    {
        return std::find(m_journal.begin(), m_journal.end(), call) != m_journal.end();
    }
    int JournalCount(const std::string& call) const
    {
        return static_cast<int>(std::count(m_journal.begin(), m_journal.end(), call));
    }
    bool SurfaceShown(int player) const { return !m_view->GetSurface(player)->isHidden(); }

    LogCapture m_log;
    CPreferences m_prefs { CPreferences::Defaults {} };
    RecordingTarget m_frame;
    std::shared_ptr<FakePlayer::Script> m_script = std::make_shared<FakePlayer::Script>();
    std::vector<std::string>& m_journal = m_script->calls;
    FakePlayer* m_players[2] = { nullptr, nullptr };
    bool m_initOk[2] = { true, true };
    bool m_runtimeOk = true;
    std::vector<std::string> m_boxes;
    std::vector<int> m_exitCodes;
    std::unique_ptr<CVideoView> m_view;
};

const Message kRefresh { WM_PLAYER_REFRESH, 0, 0 };

} // namespace

TEST_F(VideoViewTest, InitialUpdateCreatesBothPlayersAndWindowsOnce)
{
    MakeView(false);
    m_view->OnInitialUpdate();
    ASSERT_TRUE(m_view->IsInitialised());
    EXPECT_EQ(m_journal,
        (std::vector<std::string> {
            "A:Init", "A:SetVolume(0)", "B:Init", "B:SetVolume(0)", "A:SetOwner", "B:SetOwner" }));
    EXPECT_EQ(A().owner, m_view.get()) << "graph events are announced to the view";
    EXPECT_NE(m_view->GetFullScreenWindow(), nullptr);
    EXPECT_NE(m_view->GetParkingWindow(), nullptr);
    EXPECT_FALSE(m_view->GetParkingWindow()->isVisible());
    // Each player has a window before its first medium, and neither is shown yet.
    EXPECT_EQ(A().ownerWindow, m_view->GetSurface(0)->Handle());
    EXPECT_EQ(B().ownerWindow, m_view->GetSurface(1)->Handle());
    EXPECT_NE(A().ownerWindow, B().ownerWindow);
    EXPECT_EQ(m_view->GetSurface(1)->Host(), m_view->GetParkingWindow());
    EXPECT_FALSE(SurfaceShown(0));
    EXPECT_FALSE(SurfaceShown(1));
    EXPECT_TRUE(m_exitCodes.empty());

    m_journal.clear();
    m_view->OnInitialUpdate();
    EXPECT_TRUE(m_journal.empty());
}

TEST_F(VideoViewTest, PlayerInitFailureIsFatalWithCodeOne)
{
    m_initOk[1] = false;
    MakeView(false);
    testing::internal::CaptureStderr();
    m_view->OnInitialUpdate();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("FATAL: Player initialisation failed!"),
        std::string::npos);
    EXPECT_EQ(m_exitCodes, std::vector<int> { 1 });
    EXPECT_TRUE(m_log.Contains("FATAL: Player initialisation failed!", LOG_LEVEL_ERROR));
    EXPECT_TRUE(Journal("A:Stop") && Journal("A:Close") && Journal("A:deleted") && Journal("B:deleted"));
    EXPECT_EQ(m_view->GetPlayer(0), nullptr);
    EXPECT_FALSE(m_view->IsInitialised());
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(VideoViewTest, RuntimeCheckFailureIsFatalWithCodeTwoBeforeAnyPlayerIsMade)
{
    // A runtime without the players' elements fails player creation too: the
    // check must speak first, and on standard error as well.
    m_runtimeOk = false;
    m_initOk[0] = m_initOk[1] = false;
    MakeView(false);
    LogError("GetDXVersion(): GStreamer element \"audiopanorama\" not found.\n");
    testing::internal::CaptureStderr();
    m_view->OnInitialUpdate();
    const std::string stderrText = testing::internal::GetCapturedStderr();
    EXPECT_EQ(m_exitCodes, std::vector<int> { 2 });
    EXPECT_EQ(m_boxes,
        std::vector<std::string> {
            "DirectX Version:|You need DirectX Version 9.0 or above\nto run this application!" });
    EXPECT_TRUE(m_journal.empty()) << "no player was made";
    EXPECT_NE(stderrText.find("You need DirectX Version 9.0 or above\nto run this application!"),
        std::string::npos);
    EXPECT_NE(stderrText.find("\"audiopanorama\" not found."), std::string::npos) << "the reason";
    EXPECT_FALSE(m_view->IsInitialised());
}

TEST_F(VideoViewTest, InvalidPlayerIdsAreLoggedAndDropped)
{
    MakeView();
    m_view->Play(2);
    m_view->PlayOnly(-1);
    m_view->Pause(2);
    m_view->Stop(2);
    m_view->SetPosition(2, 0);
    m_view->SetActivePlayer(2);
    EXPECT_FALSE(m_view->OpenMedia("/media/a.mp4", 2));
    for (const char* text : { "CVideoView::Play() invalid Player ID!",
             "CVideoView::PlayOnly() invalid Player ID!", "CVideoView::Pause() invalid Player ID!",
             "CVideoView::Stop() invalid Player ID!", "CVideoView::SetPosition() invalid Player ID!",
             "CVideoView::SetActivePlayer() invalid Player ID!",
             "CVideoView::OpenMedia() invalid Player ID!" })
        EXPECT_TRUE(m_log.Contains(text, LOG_LEVEL_INFO)) << text;
    EXPECT_TRUE(m_frame.messages.empty());
    EXPECT_TRUE(m_journal.empty());
    EXPECT_EQ(m_view->GetTitle(5), "");
}

TEST_F(VideoViewTest, OpenMediaNotifiesInOrderAndReappliesSound)
{
    MakeView();
    EXPECT_FALSE(m_view->OpenMedia("", 0));
    EXPECT_TRUE(m_journal.empty());

    m_view->SetVolume(-1500);
    m_view->SetMute(true);
    m_frame.messages.clear();
    m_journal.clear();
    ASSERT_TRUE(m_view->OpenMedia("/media/a.mp4", 0));
    EXPECT_EQ(m_frame.messages,
        (std::vector<Message> { kRefresh, { WM_PLAYER_MEDIA_OPENED, 0, 0 }, { WM_PLAYER_STATE, 0, 0 } }));
    EXPECT_TRUE(A().muted);
    EXPECT_EQ(m_view->GetTitle(0), "title of /media/a.mp4");
    EXPECT_EQ(m_view->GetFileName(1), "") << "nothing open in Player B";

    // The active player's picture covers the view.
    EXPECT_TRUE(SurfaceShown(0));
    EXPECT_EQ(A().ownerWindow, m_view->GetSurface(0)->Handle());
    EXPECT_EQ(m_view->GetSurface(0)->Host(), m_view.get());
    EXPECT_EQ(A().rect, (CRect { 0, 0, 800, 600 }));

    m_frame.messages.clear();
    B().openOk = false;
    EXPECT_FALSE(m_view->OpenMedia("/media/broken.mp4", 1));
    EXPECT_TRUE(m_frame.messages.empty());
}

TEST_F(VideoViewTest, OpeningIntoTheInactivePlayerLeavesThePictureAlone)
{
    MakeView();
    ASSERT_TRUE(m_view->OpenMedia("/media/a.mp4", 0));
    m_journal.clear();
    ASSERT_TRUE(m_view->OpenMedia("/media/b.mp4", 1));
    EXPECT_EQ(m_view->GetActivePlayer(), 0);
    EXPECT_TRUE(SurfaceShown(0));
    EXPECT_FALSE(SurfaceShown(1));
    EXPECT_EQ(m_view->GetSurface(1)->Host(), m_view->GetParkingWindow());
    EXPECT_EQ(B().ownerWindow, m_view->GetSurface(1)->Handle());
    EXPECT_FALSE(Journal("B:Show(1)"));
    EXPECT_FALSE(std::any_of(m_journal.begin(), m_journal.end(), [](const std::string& c) {
        return c.rfind("A:SetOwner", 0) == 0 || c.rfind("A:Show", 0) == 0
            || c.rfind("A:SetVideoRect", 0) == 0;
    })) << "Player A's picture is not touched";
}

TEST_F(VideoViewTest, PlayTogglesOnlyAnOpenMediumWhilePlayOnlyAlwaysRuns)
{
    MakeView();
    m_view->Play(0);
    EXPECT_TRUE(m_frame.messages.empty()) << "no medium, no notification";
    EXPECT_FALSE(Journal("A:Run"));

    m_view->PlayOnly(0);
    EXPECT_TRUE(Journal("A:Run"));
    EXPECT_EQ(m_frame.messages, (std::vector<Message> { { WM_PLAYER_STATE, 0, 0 }, kRefresh }));

    OpenBoth();
    m_view->Play(1);
    EXPECT_EQ(B().play, CBasePlayer::STATE_RUNNING);
    m_view->Play(1);
    EXPECT_EQ(B().play, CBasePlayer::STATE_PAUSED);
    EXPECT_EQ(m_frame.messages,
        (std::vector<Message> { { WM_PLAYER_STATE, 1, 2 }, kRefresh, { WM_PLAYER_STATE, 1, 1 }, kRefresh }));
    m_frame.messages.clear();
    m_view->Stop(1);
    EXPECT_EQ(m_frame.messages, (std::vector<Message> { { WM_PLAYER_STATE, 1, 0 }, kRefresh }));
}

TEST_F(VideoViewTest, SetPositionAcceptsTheDurationAndNothingBeyond)
{
    MakeView();
    m_view->SetPosition(0, 0);
    EXPECT_TRUE(m_log.Contains("CVideoView::SetPosition() position out of range!")) << "duration 0";
    OpenBoth();
    A().duration = 5000;
    m_view->SetPosition(0, 5000);
    EXPECT_TRUE(Journal("A:SetPosition(5000)"));
    EXPECT_EQ(m_frame.messages, std::vector<Message> { kRefresh });

    m_log.Buffer().Clear();
    m_view->SetPosition(0, 5001);
    EXPECT_EQ(JournalCount("A:SetPosition(5001)"), 0);
    EXPECT_TRUE(m_log.Contains("CVideoView::SetPosition() position out of range!"));
    EXPECT_EQ(m_frame.messages.size(), 1u);
}

TEST_F(VideoViewTest, VolumeLimitsAndMute)
{
    MakeView();
    m_view->SetVolume(-10000);
    EXPECT_EQ(A().volume, -10000);
    EXPECT_EQ(B().volume, -10000);
    m_view->SetVolume(0);
    EXPECT_EQ(m_view->GetVolume(), 0);
    m_view->SetVolume(1);
    m_view->SetVolume(-10001);
    EXPECT_EQ(m_view->GetVolume(), 0);
    EXPECT_TRUE(m_log.Contains("CVideoView::SetVolume() Value out of range (1)"));
    EXPECT_TRUE(m_log.Contains("CVideoView::SetVolume() Value out of range (-10001)"));
    EXPECT_EQ(A().volume, 0);

    m_view->SetMute(true);
    m_journal.clear();
    m_view->SetVolume(-2500);
    EXPECT_EQ(m_view->GetVolume(), -2500);
    EXPECT_TRUE(m_journal.empty()) << "muted: the players keep their volume";
    m_view->SetMute(false);
    EXPECT_EQ(m_journal,
        (std::vector<std::string> {
            "A:SetMute(0)", "B:SetMute(0)", "A:SetVolume(-2500)", "B:SetVolume(-2500)" }));
}

TEST_F(VideoViewTest, SwitchingIsACutThatRemembersEachPlayersState)
{
    MakeView();
    OpenBoth();
    m_view->SetActivePlayer(0);
    EXPECT_TRUE(m_frame.messages.empty()) << "already active";
    EXPECT_TRUE(m_journal.empty());

    m_view->PlayOnly(0);
    m_frame.messages.clear();
    m_view->SetActivePlayer(1);
    EXPECT_EQ(A().play, CBasePlayer::STATE_PAUSED) << "the leaving player freezes";
    EXPECT_EQ(B().play, CBasePlayer::STATE_STOPPED) << "a stopped arriving player stays stopped";
    EXPECT_TRUE(SurfaceShown(1));
    EXPECT_FALSE(SurfaceShown(0));
    EXPECT_TRUE(B().IsShown());
    EXPECT_FALSE(A().IsShown());
    EXPECT_EQ(B().rect, (CRect { 0, 0, 800, 600 }));
    EXPECT_EQ(m_view->GetSurface(1)->Host(), m_view.get()) << "out of the parking window";
    EXPECT_EQ(m_frame.messages.back(), (Message { WM_PLAYER_STATE, 1, 0 }));

    m_view->PlayOnly(1);
    m_view->Pause(1);
    m_view->SetActivePlayer(0);
    EXPECT_EQ(A().play, CBasePlayer::STATE_RUNNING) << "was running when it left";
    EXPECT_EQ(B().play, CBasePlayer::STATE_PAUSED);
    m_view->SetActivePlayer(1);
    EXPECT_EQ(B().play, CBasePlayer::STATE_PAUSED) << "was paused when it left";
    EXPECT_EQ(A().play, CBasePlayer::STATE_PAUSED);

    // Started by remote while hidden: arriving must not toggle it to paused.
    m_view->PlayOnly(0);
    m_view->SetActivePlayer(0);
    EXPECT_EQ(A().play, CBasePlayer::STATE_RUNNING);
}

TEST_F(VideoViewTest, ACutBackNeverStartsAMediumOpenedOrStoppedWhileHidden)
{
    MakeView();
    OpenBoth();
    m_view->PlayOnly(0);
    m_view->SetActivePlayer(1);
    ASSERT_TRUE(m_view->OpenMedia("/media/next.mp4", 0)); // cued while B is on air
    m_view->SetActivePlayer(0);
    EXPECT_EQ(A().play, CBasePlayer::STATE_STOPPED) << "the cued clip waits for its play command";

    m_view->PlayOnly(0);
    m_view->SetActivePlayer(1);
    m_view->Stop(0);
    m_view->SetActivePlayer(0);
    EXPECT_EQ(A().play, CBasePlayer::STATE_STOPPED) << "stopped while hidden stays stopped";
}

TEST_F(VideoViewTest, ZoomPlacesBothPlayersCentredAndFallsBackToFit)
{
    MakeView();
    OpenBoth();
    A().videoWidth = 641; // halves round away from zero
    A().videoHeight = 361;
    m_view->ZoomTo(50);
    EXPECT_EQ(m_view->GetZoomLevel(), 50);
    EXPECT_EQ(A().rect, (CRect { 240, 210, 561, 391 }));
    EXPECT_EQ(B().rect, (CRect { 240, 210, 560, 390 }));
    EXPECT_EQ(m_view->GetZoomRect(1), (CRect { 240, 210, 560, 390 }));

    m_view->ZoomTo(100);
    EXPECT_EQ(B().rect, (CRect { 80, 120, 720, 480 }));

    m_view->ZoomTo(200); // 1282 × 722 does not fit 800 × 600
    EXPECT_EQ(m_view->GetZoomLevel(), 0);
    EXPECT_EQ(A().rect, (CRect { 0, 0, 800, 600 }));
    EXPECT_EQ(B().rect, (CRect { 0, 0, 800, 600 }));
    EXPECT_EQ(m_view->GetZoomRect(0), CRect {});

    m_view->ZoomTo(100);
    m_view->ZoomFit();
    EXPECT_EQ(m_view->GetZoomLevel(), 0);
    EXPECT_EQ(A().rect, (CRect { 0, 0, 800, 600 }));
}

TEST_F(VideoViewTest, ShrinkingBelowTheZoomedPictureFitsForGood)
{
    MakeView();
    OpenBoth();
    m_view->ZoomTo(100);
    m_view->resize(700, 500);
    QApplication::processEvents();
    EXPECT_EQ(m_view->GetZoomLevel(), 100);
    EXPECT_EQ(A().rect, (CRect { 30, 70, 670, 430 }));

    m_view->resize(600, 300);
    QApplication::processEvents();
    EXPECT_EQ(m_view->GetZoomLevel(), 0);
    EXPECT_EQ(A().rect, (CRect { 0, 0, 600, 300 }));
    m_view->resize(800, 600);
    QApplication::processEvents();
    EXPECT_EQ(m_view->GetZoomLevel(), 0);
    EXPECT_EQ(A().rect, (CRect { 0, 0, 800, 600 }));
    EXPECT_EQ(m_view->GetSurface(0)->geometry(), QRect(0, 0, 800, 600))
        << "the video window follows the view";
}

TEST_F(VideoViewTest, StoredZoomLevelIsReadAndWritten)
{
    WriteProfileInt("Video", "ZoomLevel", 75);
    m_view = std::make_unique<CVideoView>(&m_frame, Services());
    EXPECT_EQ(m_view->GetZoomLevel(), 75);
    m_view.reset();
    EXPECT_EQ(GetProfileInt("Video", "ZoomLevel", -1), 75) << "written back as found";

    // A level other than 50, 100 or 200 places the picture as fit.
    MakeView();
    ASSERT_EQ(m_view->GetZoomLevel(), 75);
    ASSERT_TRUE(m_view->OpenMedia("/media/a.mp4", 0));
    EXPECT_EQ(A().rect, (CRect { 0, 0, 800, 600 }));

    m_view->ZoomTo(50);
    m_view.reset();
    EXPECT_EQ(GetProfileInt("Video", "ZoomLevel", -1), 50);
}

TEST_F(VideoViewTest, GraphNotifyDrainsBothPlayersAndReportsEachCompletion)
{
    MakeView();
    A().events = { CBasePlayer::EC_COMPLETE, CBasePlayer::EC_ERRORABORT };
    B().events = { CBasePlayer::EC_COMPLETE, CBasePlayer::EC_COMPLETE };
    EXPECT_EQ(m_view->SendMessage(WM_GRAPHNOTIFY, 0, 0), 1);
    EXPECT_EQ(m_frame.Count(WM_PLAYER_END_OF_MEDIA), 3);
    EXPECT_EQ(m_frame.Count(WM_PLAYER_FAILED), 1);
    EXPECT_TRUE(A().events.empty());
    EXPECT_TRUE(B().events.empty());
}

TEST_F(VideoViewTest, FullScreenTakesTheActivePictureAndEscapeBringsItBack)
{
    MakeView();
    OpenBoth();
    m_view->resize(700, 500); // unlike the screen
    CFullScreenDlg* full = m_view->GetFullScreenWindow();
    m_view->ToggleFullscreen();
    ASSERT_TRUE(m_view->IsFullscreen());
    EXPECT_TRUE(full->IsFullscreen());
    EXPECT_TRUE(full->isVisible());
    EXPECT_EQ(m_view->GetSurface(0)->Host(), full);
    EXPECT_TRUE(SurfaceShown(0));
    EXPECT_FALSE(full->GetScreenRect().IsEmpty());
    EXPECT_EQ(A().rect, full->GetScreenRect());
    EXPECT_EQ(full->GetVideoRect(), A().rect);
    EXPECT_FALSE(full->IsCursorVisible());

    // Zoom commands leave the full-screen picture where it is.
    m_view->ZoomTo(50);
    m_view->ZoomFit();
    EXPECT_EQ(A().rect, full->GetScreenRect());

    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(full, &escape);
    EXPECT_FALSE(m_view->IsFullscreen());
    EXPECT_FALSE(full->isVisible());
    EXPECT_TRUE(full->IsCursorVisible());
    EXPECT_EQ(m_view->GetSurface(0)->Host(), m_view.get());
    EXPECT_TRUE(SurfaceShown(0));
    EXPECT_EQ(A().rect, (CRect { 0, 0, 700, 500 }));

    // A double click in the view toggles too.
    QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_view.get(), &click);
    EXPECT_TRUE(m_view->IsFullscreen());
    m_view->ToggleFullscreen();
    EXPECT_FALSE(full->IsFullscreen());
}

TEST_F(VideoViewTest, SwitchingInFullScreenMovesTheNewPictureOntoTheScreen)
{
    MakeView();
    OpenBoth();
    m_view->ToggleFullscreen();
    m_view->SetActivePlayer(1);
    CFullScreenDlg* full = m_view->GetFullScreenWindow();
    EXPECT_TRUE(full->IsFullscreen());
    EXPECT_EQ(m_view->GetSurface(1)->Host(), full);
    EXPECT_TRUE(SurfaceShown(1));
    EXPECT_FALSE(SurfaceShown(0));
    EXPECT_EQ(B().rect, full->GetScreenRect());
}

TEST_F(VideoViewTest, StartsFullScreenWhenThePreferenceSaysSo)
{
    m_prefs.m_bFullScrOnStartup = true;
    MakeView();
    EXPECT_TRUE(m_view->IsFullscreen());
    EXPECT_TRUE(m_view->GetFullScreenWindow()->IsFullscreen());
}

#include "ui/VideoView.h"
#include "support/ShowEngineFixture.h"
#include "ui/FullScreenDlg.h"
#include "ui/VideoSurface.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <algorithm>

// The show engine's picture output: where the players' pictures go on a cut,
// an open, a zoom and in full screen. The players' own life is the engine's
// (tests/show).
namespace {

using Id = ShowCommandId;
using Kind = ShowEventKind;

class VideoViewTest : public ShowEngineFixture
{
protected:
    void TearDown() override
    {
        m_view.reset();
        ShowEngineFixture::TearDown();
    }

    // A view of 800 × 600 on an engine with two scripted players; both
    // started and initialised unless told otherwise.
    void MakeView(bool initialise = true)
    {
        m_view.reset();
        MakeEngine(initialise);
        m_view = std::make_unique<CVideoView>(*m_engine, Services());
        m_view->resize(800, 600);
        m_view->show();
        if (initialise)
            m_view->OnInitialUpdate();
        m_events.clear();
        m_journal.clear();
    }

    bool SurfaceShown(int player) const { return !m_view->GetSurface(player)->isHidden(); }

    std::unique_ptr<CVideoView> m_view;
};

} // namespace

TEST_F(VideoViewTest, InitialUpdateCreatesBothPlayersAndWindowsOnce)
{
    MakeView(false);
    m_view->OnInitialUpdate();
    EXPECT_FALSE(m_view->IsInitialised()) << "no surfaces before the engine has its players";
    EXPECT_EQ(m_view->GetSurface(0), nullptr);

    ASSERT_TRUE(m_engine->Start());
    m_view->OnInitialUpdate();
    ASSERT_TRUE(m_view->IsInitialised());
    EXPECT_EQ(m_journal,
        (std::vector<std::string> {
            "A:Init", "A:SetVolume(0)", "B:Init", "B:SetVolume(0)", "A:SetOwner", "B:SetOwner" }));
    EXPECT_EQ(A().owner, static_cast<CMessageTarget*>(m_engine.get()))
        << "graph events are announced to the engine";
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
    m_engine->Start();
    m_view->OnInitialUpdate();
    EXPECT_TRUE(m_journal.empty());
}

TEST_F(VideoViewTest, OpenMediaAnnouncesInOrderAndReappliesSound)
{
    MakeView();
    const ShowReply empty = Do(Id::Open, 0, 0, "");
    EXPECT_FALSE(empty);
    EXPECT_EQ(empty.reason, "the medium could not be opened");
    EXPECT_TRUE(m_journal.empty());

    Do(Id::VolumeDb, 0, -1500);
    Do(Id::Mute, 0, 1);
    m_events.clear();
    m_journal.clear();
    const ShowReply opened = Do(Id::Open, 0, 0, "/media/a.mp4");
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened.ticket, 0u) << "opened at once: nothing left to wait for";
    EXPECT_EQ(ShowEvents(), (std::vector<Event> { { Kind::Opened, 0, 0 }, { Kind::State, 0, 0 } }));
    EXPECT_EQ(Events({ Kind::Done }), (std::vector<Event> { { Kind::Done, 0, 1 } }));
    EXPECT_TRUE(A().muted);
    EXPECT_EQ(m_engine->GetTitle(0), "title of /media/a.mp4");
    EXPECT_EQ(m_engine->GetFileName(1), "") << "nothing open in Player B";

    // The active player's picture covers the view.
    EXPECT_TRUE(SurfaceShown(0));
    EXPECT_EQ(A().ownerWindow, m_view->GetSurface(0)->Handle());
    EXPECT_EQ(m_view->GetSurface(0)->Host(), m_view.get());
    EXPECT_EQ(A().rect, (CRect { 0, 0, 800, 600 }));

    m_events.clear();
    B().openOk = false;
    EXPECT_FALSE(Do(Id::Open, 1, 0, "/media/broken.mp4"));
    EXPECT_TRUE(ShowEvents().empty());
    EXPECT_EQ(
        Texts(), std::vector<std::string> { "Player B: Opening Stream ( /media/broken.mp4 ) failed!\n" });
    EXPECT_TRUE(SurfaceShown(0)) << "Player A's picture stays";
}

TEST_F(VideoViewTest, OpeningIntoTheInactivePlayerLeavesThePictureAlone)
{
    MakeView();
    ASSERT_TRUE(Do(Id::Open, 0, 0, "/media/a.mp4"));
    m_journal.clear();
    ASSERT_TRUE(Do(Id::Open, 1, 0, "/media/b.mp4"));
    EXPECT_EQ(m_engine->GetActivePlayer(), 0);
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

TEST_F(VideoViewTest, SwitchingIsACutThatRemembersEachPlayersState)
{
    MakeView();
    OpenBoth();
    Do(Id::Cut, 0);
    EXPECT_TRUE(ShowEvents().empty()) << "already active";
    EXPECT_TRUE(m_journal.empty());

    Do(Id::Run, 0);
    m_events.clear();
    Do(Id::Cut, 1);
    EXPECT_EQ(A().play, CBasePlayer::STATE_PAUSED) << "the leaving player freezes";
    EXPECT_EQ(B().play, CBasePlayer::STATE_STOPPED) << "a stopped arriving player stays stopped";
    EXPECT_TRUE(SurfaceShown(1));
    EXPECT_FALSE(SurfaceShown(0));
    EXPECT_TRUE(B().IsShown());
    EXPECT_FALSE(A().IsShown());
    EXPECT_EQ(B().rect, (CRect { 0, 0, 800, 600 }));
    EXPECT_EQ(m_view->GetSurface(1)->Host(), m_view.get()) << "out of the parking window";
    EXPECT_EQ(ShowEvents(), (std::vector<Event> { { Kind::State, 0, 1 }, { Kind::Active, 1, 0 } }));
    EXPECT_EQ(m_engine->GetActivePlayer(), 1);

    Do(Id::Run, 1);
    Do(Id::Pause, 1);
    Do(Id::Cut, 0);
    EXPECT_EQ(A().play, CBasePlayer::STATE_RUNNING) << "was running when it left";
    EXPECT_EQ(B().play, CBasePlayer::STATE_PAUSED);
    Do(Id::Cut, 1);
    EXPECT_EQ(B().play, CBasePlayer::STATE_PAUSED) << "was paused when it left";
    EXPECT_EQ(A().play, CBasePlayer::STATE_PAUSED);

    // Started by remote while hidden: arriving must not toggle it to paused.
    Do(Id::Run, 0);
    Do(Id::Cut, 0);
    EXPECT_EQ(A().play, CBasePlayer::STATE_RUNNING);
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
    MakeEngine(false);
    m_view = std::make_unique<CVideoView>(*m_engine, Services());
    EXPECT_EQ(m_view->GetZoomLevel(), 75);
    m_view.reset();
    EXPECT_EQ(GetProfileInt("Video", "ZoomLevel", -1), 75) << "written back as found";

    // A level other than 50, 100 or 200 places the picture as fit.
    MakeView();
    ASSERT_EQ(m_view->GetZoomLevel(), 75);
    ASSERT_TRUE(Do(Id::Open, 0, 0, "/media/a.mp4"));
    EXPECT_EQ(A().rect, (CRect { 0, 0, 800, 600 }));

    m_view->ZoomTo(50);
    m_view.reset();
    EXPECT_EQ(GetProfileInt("Video", "ZoomLevel", -1), 50);
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

    // A controller's full-screen command reaches the view through the engine.
    EXPECT_TRUE(Do(Id::Fullscreen, -1, 1));
    EXPECT_TRUE(full->IsFullscreen());
    EXPECT_TRUE(m_engine->IsFullscreen());
    EXPECT_TRUE(Do(Id::Fullscreen, -1, -1));
    EXPECT_FALSE(full->IsFullscreen());
    EXPECT_EQ(m_view->GetSurface(0)->Host(), m_view.get());
}

TEST_F(VideoViewTest, SwitchingInFullScreenMovesTheNewPictureOntoTheScreen)
{
    MakeView();
    OpenBoth();
    m_view->ToggleFullscreen();
    Do(Id::Cut, 1);
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

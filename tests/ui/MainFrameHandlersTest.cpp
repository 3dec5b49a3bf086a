// The main frame's message handlers, driven through SendMessage and through
// real command packets, observed in the status and text packets it sends.
#include "FrameFixture.h"
#include "support/FakePlayer.h"

#include "playlist/PlaylistCtrl.h"
#include "remote/ServerSocket.h"
#include "ui/PlayerCtrlBar.h"
#include "ui/VideoView.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QWheelEvent>

#include <gtest/gtest-spi.h>

#include <functional>
#include <limits>

using namespace RemotePackets;

TEST_F(FrameFixture, RemotePlayForPlayerBMakesItActiveAndPausesA)
{
    LoadPlaylist(2);
    SendCommand(CMD_OPEN, 0, 0, ":1");
    SendCommand(CMD_OPEN, 1, 0, ":2");
    SendCommand(CMD_PLAY, 0);
    ASSERT_TRUE(WaitForText("Player A: Playback started.\n"));
    EXPECT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_RUNNING);

    SendCommand(CMD_PLAY, 1);
    ASSERT_TRUE(WaitForText("Player B: Playback started.\n"));
    EXPECT_TRUE(WaitForText("Player A: Playback paused.\n"));
    EXPECT_EQ(m_pFrame->Engine().GetActivePlayer(), 1);
    EXPECT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_PAUSED);
    EXPECT_EQ(m_pFrame->GetPlaylist()->GetCurrentTrack(), 1); // B's entry selected

    const auto status = NextStatus();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->activeIndex, 1);
    EXPECT_EQ(status->playState, CBasePlayer::STATE_RUNNING);
    EXPECT_EQ(status->fileName, "clip2.mp4");
    EXPECT_EQ(status->duration, FakePlayer::kDuration);
    EXPECT_EQ(status->volume, 100);
}

TEST_F(FrameFixture, RemoteOpenByEntryNumberAndByPath)
{
    LoadPlaylist(3);
    SendCommand(CMD_OPEN, 0, 0, "  :2:  ");
    EXPECT_TRUE(WaitForText("Player A: Opening Stream ( clip2.mp4 ) successful.\n"));
    EXPECT_EQ(m_pFrame->GetPlaylist()->GetCurrentTrack(), 1);
    EXPECT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_STOPPED); // loaded, not started

    const std::string third = m_pFrame->GetPlaylist()->GetPathAt(2);
    SendCommand(CMD_OPEN, 0, 0, "   " + third + " ");
    EXPECT_TRUE(WaitForText("Player A: Opening Stream ( clip3.mp4 ) successful.\n"));
    EXPECT_EQ(m_pFrame->GetPlaylist()->GetCurrentTrack(), 2);

    // Into the inactive player: loaded there, the current entry stays.
    SendCommand(CMD_OPEN, 1, 0, ":1");
    EXPECT_TRUE(WaitForText("Player B: Opening Stream ( clip1.mp4 ) successful.\n"));
    EXPECT_EQ(m_pFrame->GetPlaylist()->GetCurrentTrack(), 2);
    EXPECT_EQ(m_pFrame->GetPlaylist()->GetPlayerEntry(1), m_pFrame->GetPlaylist()->GetRow(0)->m_Id);
}

TEST_F(FrameFixture, RemoteOpenFailuresAreReportedAndThePlayerKeepsWorking)
{
    LoadPlaylist(2);
    for (const char* text : { ":0", ":x", ":99999", ":", "", "   " })
        SendCommand(CMD_OPEN, 1, 0, text);
    const auto texts = Texts(6);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Player B: Opening Stream (  ) failed!\n"), 6);

    SendCommand(CMD_OPEN, 0, 0, "/nowhere/broken.avi");
    EXPECT_TRUE(WaitForText("Player A: Opening Stream ( /nowhere/broken.avi ) failed!\n"));

    SendCommand(CMD_OPEN, 0, 0, ":2");
    EXPECT_TRUE(WaitForText("Player A: Opening Stream ( clip2.mp4 ) successful.\n"));
}

TEST_F(FrameFixture, RemoteVolumeFollowsTheRangeAndRefusesWildValues)
{
    SendCommand(CMD_VOLUME, 0, 50);
    EXPECT_TRUE(WaitForText("Player A: Volume set to 50%.\n"));
    EXPECT_EQ(m_pFrame->Engine().GetVolume(), -1500);
    EXPECT_EQ(Player(1).volume, -1500); // common to both players
    EXPECT_EQ(m_pFrame->GetCtrlBar()->VolumeSlider().GetPos(), 1500);

    m_Texts.clear();
    SendCommand(CMD_VOLUME, 1, 150);
    EXPECT_TRUE(WaitForText("Player A: Volume set to 50%.\n")); // unchanged, reported by the active player
    EXPECT_EQ(m_pFrame->Engine().GetVolume(), -1500);
    EXPECT_EQ(m_pFrame->GetCtrlBar()->VolumeSlider().GetPos(), 1500);
    EXPECT_TRUE(m_Log.Contains("CVideoView::SetVolume() Value out of range (1500)"));

    for (int32_t wild : { std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min() })
        Command(WM_NET_VOLUME, 0, wild);
    EXPECT_EQ(m_pFrame->Engine().GetVolume(), -1500);
    Command(WM_NET_VOLUME, 0, -1); // no range test: -1 % is just below -R
    EXPECT_EQ(m_pFrame->Engine().GetVolume(), -3030);

    Command(WM_NET_VOLUME, 0, 0);
    EXPECT_EQ(m_pFrame->Engine().GetVolume(), -3000);
    const auto status = NextStatus();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->volume, 0);
}

TEST_F(FrameFixture, BadPlayerIndicesAreLoggedAndDropped)
{
    const std::pair<unsigned, const char*> cases[] = {
        { WM_NET_PLAY, "OnNetPlayMedia(): PlayerID out of range!" },
        { WM_NET_PAUSE, "OnNetPauseMedia(): PlayerID out of range!" },
        { WM_NET_STOP, "OnNetStopMedia(): PlayerID out of range!" },
        { WM_NET_VOLUME, "OnNetVolumeChange(): PlayerID out of range!" },
        { WM_NET_SEEK, "OnNetSeekAbs(): PlayerID out of range!" },
    };
    for (const auto& [msg, text] : cases) {
        for (WPARAM player : { WPARAM { 2 }, static_cast<WPARAM>(-1), WPARAM { 0x100000000ULL } }) {
            EXPECT_FALSE(Command(msg, player, 10).accepted);
        }
        EXPECT_TRUE(m_Log.Contains(text)) << text;
    }
    EXPECT_EQ(m_pFrame->Engine().GetVolume(), 0);
    EXPECT_EQ(m_pFrame->Engine().GetActivePlayer(), 0);
    EXPECT_TRUE(Texts().empty());

    m_pEngine->SendStatusMsg(2, "x");
    EXPECT_TRUE(m_Log.Contains("SendStatusMsg(): PlayerID out of range!"));
}

TEST_F(FrameFixture, CommandsBeforeAnyMediumAreHarmlessAndCommand12IsIgnored)
{
    SendCommand(CMD_PLAY, 0);
    SendCommand(CMD_PAUSE, 1);
    SendCommand(CMD_STOP, 0);
    SendCommand(CMD_SEEK_ABS, 0, 5000);
    EXPECT_TRUE(m_Log.Contains("CVideoView::SetPosition() position out of range!"));
    EXPECT_FALSE(Command(WM_NET_UNUSED_12, 0, 5).accepted);
    SendCommand(CMD_UNUSED_12, 0, 5);
    EXPECT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_STOPPED);
    EXPECT_FALSE(m_pFrame->RunCommand(32772)); // Play/Pause disabled without a medium
}

TEST_F(FrameFixture, RemoteSeekReportsPositionAgainstDuration)
{
    LoadPlaylist(1);
    SendCommand(CMD_OPEN, 0, 0, ":1");
    SendCommand(CMD_SEEK_ABS, 0, 5000);
    EXPECT_TRUE(WaitForText("Player A: Seeking to  0:00:05 /  0:00:10 ( 50% )\n"));
    EXPECT_EQ(Player(0).GetPosition(), 5000u);
    SendCommand(CMD_SEEK_ABS, 0, FakePlayer::kDuration);
    EXPECT_TRUE(WaitForText("Player A: Seeking to  0:00:10 /  0:00:10 ( 100% )\n"));
    m_Texts.clear();
    SendCommand(CMD_SEEK_ABS, 0, FakePlayer::kDuration + 1);
    EXPECT_TRUE(m_Log.Contains("CVideoView::SetPosition() position out of range!"));
    EXPECT_EQ(Player(0).GetPosition(), FakePlayer::kDuration);
}

TEST_F(FrameFixture, EndOfMediaAdvancesRepeatsOrStops)
{
    LoadPlaylist(2);
    CPlaylistCtrl& playlist = *m_pFrame->GetPlaylist();
    SendCommand(CMD_OPEN, 0, 0, ":1");
    SendCommand(CMD_PLAY, 0);

    Player(0).Complete(); // auto-advance: the next entry continues running
    EXPECT_EQ(playlist.GetCurrentTrack(), 1);
    EXPECT_EQ(Player(0).GetTitle(), "clip2.mp4");
    EXPECT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_RUNNING);

    Player(0).Complete(); // last entry, no loop: stop
    EXPECT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_STOPPED);
    EXPECT_EQ(playlist.GetCurrentTrack(), 1);

    playlist.ToggleLoopList();
    m_pFrame->SendMessage(WM_CMD_PLAY, 0, 0);
    Player(0).Complete(); // loop: wraps to the first entry
    EXPECT_EQ(playlist.GetCurrentTrack(), 0);
    EXPECT_EQ(Player(0).GetTitle(), "clip1.mp4");
    EXPECT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_RUNNING);

    playlist.ToggleLoopSingleTrack();
    const int opens = Player(0).opens;
    Player(0).SetPosition(9000);
    Player(0).Complete(); // repeat: same medium from the start
    EXPECT_EQ(Player(0).opens, opens);
    EXPECT_EQ(Player(0).GetPosition(), 0u);
    EXPECT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_RUNNING);
    playlist.ToggleLoopSingleTrack();

    playlist.ToggleAutoSkipTrack();
    Player(0).Complete(); // auto-advance off: stop
    EXPECT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_STOPPED);
    EXPECT_EQ(playlist.GetCurrentTrack(), 0);
}

TEST_F(FrameFixture, EndOfMediaWithAnEmptyPlaylistStops)
{
    SendCommand(CMD_OPEN, 0, 0, "/media/loose.mp4");
    m_pFrame->SendMessage(WM_CMD_PLAY, 0, 0);
    ASSERT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_RUNNING);
    Player(0).Complete();
    EXPECT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_STOPPED);
}

TEST_F(FrameFixture, AFailedMediumEndsLikeAFinishedOneAndBadEntriesAreSkipped)
{
    LoadPlaylist(3);
    CPlaylistCtrl& playlist = *m_pFrame->GetPlaylist();
    const std::string bad = QDir::currentPath().toStdString() + "/broken.mp4";
    QFile(QString::fromStdString(bad)).open(QIODevice::WriteOnly);
    playlist.AddEntry(bad, 1, "broken.mp4", "0:00:10"); // between clip1 and clip2
    playlist.RenumberItems();
    playlist.ToggleLoopList();
    SendCommand(CMD_OPEN, 0, 0, ":1");
    SendCommand(CMD_PLAY, 0);
    ASSERT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_RUNNING);

    Player(0).Fail(); // the bad entry is skipped; the next one carries on running
    EXPECT_TRUE(WaitForText("Player A: Playback failed.\n"));
    EXPECT_TRUE(WaitForText("Player A: Opening Stream ( " + bad + " ) failed!\n"));
    EXPECT_EQ(Player(0).GetTitle(), "clip2.mp4");
    EXPECT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_RUNNING);

    // Nothing opens any more: once around the list, then stopped, and the
    // status no longer says "Playing".
    Player(0).openOk = false;
    const int opens = Player(0).opens;
    Player(0).Fail();
    EXPECT_EQ(Player(0).opens - opens, playlist.GetTrackCount());
    EXPECT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_STOPPED);
    const auto status = NextStatus();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->playState, CBasePlayer::STATE_STOPPED);

    // The last entry without loop: a failure stops, as its end would.
    Player(0).openOk = true;
    playlist.ToggleLoopList();
    SendCommand(CMD_OPEN, 0, 0, ":4");
    SendCommand(CMD_PLAY, 0);
    ASSERT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_RUNNING);
    Player(0).Fail();
    EXPECT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_STOPPED);
    EXPECT_EQ(Player(0).GetTitle(), "clip3.mp4");
}

TEST_F(FrameFixture, AMediumThatFailsAgainAtOnceOnRepeatIsStoppedNotSpun)
{
    LoadPlaylist(2);
    m_pFrame->GetPlaylist()->ToggleLoopSingleTrack();
    SendCommand(CMD_OPEN, 0, 0, ":1");
    SendCommand(CMD_PLAY, 0);
    Player(0).Fail(); // a first failure is repeated, as an end would be
    ASSERT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_RUNNING);
    Player(0).Fail(); // failing again at once: the repeat itself fails
    EXPECT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_STOPPED);
    EXPECT_TRUE(m_Log.Contains("CMainFrame: Player A keeps failing; stopped."));
}

TEST_F(FrameFixture, AFailureOfTheHiddenPlayerStopsOnlyThatPlayer)
{
    LoadPlaylist(2);
    SendCommand(CMD_OPEN, 0, 0, ":1");
    SendCommand(CMD_OPEN, 1, 0, ":2");
    SendCommand(CMD_PLAY, 0);
    m_pFrame->Engine().SendMessage(WM_CMD_LOAD_TRACK, 2, 1); // B runs while hidden
    ASSERT_EQ(Player(1).GetPlayState(), CBasePlayer::STATE_RUNNING);
    Player(1).Fail();
    EXPECT_TRUE(WaitForText("Player B: Playback failed.\n"));
    EXPECT_EQ(Player(1).GetPlayState(), CBasePlayer::STATE_STOPPED);
    EXPECT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_RUNNING);
    EXPECT_EQ(Player(0).GetTitle(), "clip1.mp4");
}

TEST_F(FrameFixture, ACommandThatIsNeverTakenFailsTheTest)
{
    m_pPrefs->m_iRemoteCtrl = 0; // the socket ignores every packet
    static std::function<void()> send;
    send = [this] { SendCommand(CMD_PLAY, 0); };
    EXPECT_NONFATAL_FAILURE(send(), "never taken");
    send = nullptr;
}

TEST_F(FrameFixture, LoadTrackTargetsAndKeepsTheActiveState)
{
    EXPECT_EQ(m_pFrame->Engine().SendMessage(WM_CMD_LOAD_TRACK, 0, 1), 0); // nothing to load
    LoadPlaylist(2);
    m_pFrame->GetPlaylist()->OnDoubleClick(0); // loads and starts entry 1 in the active player
    EXPECT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_RUNNING);

    m_pFrame->GetPlaylist()->NextTrack(); // running: the next track keeps running
    EXPECT_EQ(Player(0).GetTitle(), "clip2.mp4");
    EXPECT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_RUNNING);

    m_pFrame->SendMessage(WM_CMD_PAUSE, 0, 0);
    m_pFrame->GetPlaylist()->PrevTrack(); // paused: the new track is paused
    EXPECT_EQ(Player(0).GetTitle(), "clip1.mp4");
    EXPECT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_PAUSED);

    EXPECT_EQ(m_pFrame->Engine().SendMessage(WM_CMD_LOAD_TRACK, 2, 0), 1); // into Player B
    EXPECT_EQ(Player(1).GetTitle(), "clip1.mp4");
    EXPECT_EQ(Player(1).GetPlayState(), CBasePlayer::STATE_PAUSED);
    EXPECT_EQ(m_pFrame->Engine().GetActivePlayer(), 0);
}

TEST_F(FrameFixture, SlidersSetVolumeAndSeek)
{
    m_pFrame->SendMessage(WM_CMD_SLIDER, SLIDER_VOLUME_ID, 2400);
    EXPECT_EQ(m_pFrame->Engine().GetVolume(), -600);
    EXPECT_TRUE(WaitForText("Player A: Volume set to 80%.\n"));

    LoadPlaylist(1);
    SendCommand(CMD_OPEN, 0, 0, ":1");
    m_pFrame->SendMessage(WM_CMD_PLAY, 0, 0);
    m_pFrame->GetCtrlBar()->SetPositionRange(FakePlayer::kDuration);
    m_pFrame->GetCtrlBar()->SetPosition(2500);
    m_pFrame->SendMessage(WM_CMD_SLIDER, SLIDER_POSITION_ID, 0);
    EXPECT_EQ(Player(0).GetPosition(), 2500u);
    EXPECT_EQ(Player(0).GetPlayState(), CBasePlayer::STATE_RUNNING); // paused and resumed
    EXPECT_TRUE(WaitForText("Player A: Seeking to  0:00:02 /  0:00:10 ( 25% )\n"));

    m_pFrame->SendMessage(WM_CMD_MUTE, 0, 1);
    EXPECT_TRUE(Player(0).muted);
    m_pControllers->StatusChanged();
    EXPECT_EQ(m_pControllers->Socket()->GetStatus().volume, 0); // muted shows 0 %
    m_pFrame->SendMessage(WM_CMD_MUTE, 0, 0);
    EXPECT_FALSE(Player(1).muted);
}

TEST_F(FrameFixture, WheelStaysWithinTheVolumeRange)
{
    m_pFrame->WheelVolume(120); // already at 0 dB
    EXPECT_EQ(m_pFrame->Engine().GetVolume(), 0);
    m_pFrame->WheelVolume(-240);
    EXPECT_EQ(m_pFrame->Engine().GetVolume(), -200);
    EXPECT_EQ(m_pFrame->GetCtrlBar()->VolumeSlider().GetPos(), 2800);
    m_pFrame->WheelVolume(-60); // less than a notch
    EXPECT_EQ(m_pFrame->Engine().GetVolume(), -200);
    m_pFrame->WheelVolume(-120 * 29); // would pass -R: refused
    EXPECT_EQ(m_pFrame->Engine().GetVolume(), -200);
    m_pFrame->WheelVolume(-120 * 28);
    EXPECT_EQ(m_pFrame->Engine().GetVolume(), -3000);
    m_pFrame->WheelVolume(-120);
    EXPECT_EQ(m_pFrame->Engine().GetVolume(), -3000);
}

TEST_F(FrameFixture, SelectingThePlayerRefreshesButtonsAndStatus)
{
    m_pFrame->SendMessage(WM_CMD_SELECT_PLAYER, 1, 0);
    EXPECT_EQ(m_pFrame->Engine().GetActivePlayer(), 1);
    EXPECT_TRUE(m_pControllers->Socket()->m_bSendNow);
    m_pControllers->Socket()->m_bSendNow = false;
    Command(WM_NET_SELECT_PLAYER, 1, 0); // already active: still refreshed
    EXPECT_TRUE(m_pControllers->Socket()->m_bSendNow);
    EXPECT_EQ(m_pControllers->Socket()->GetStatus().activeIndex, 1);
}

TEST_F(FrameFixture, OneWheelNotchOverAChildChangesTheVolumeOnce)
{
    QWidget* child = m_pFrame->GetVideoView();
    const QPointF at(10, 10);
    QWheelEvent wheel(at, child->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
        Qt::NoScrollPhase, false);
    QApplication::sendEvent(child, &wheel); // ignored by the view, offered to each parent in turn
    EXPECT_EQ(m_pFrame->Engine().GetVolume(), -100);
    EXPECT_EQ(m_pFrame->GetCtrlBar()->VolumeSlider().GetPos(), 2900);
}

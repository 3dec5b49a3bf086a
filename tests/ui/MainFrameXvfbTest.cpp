// The main frame's keys on a real X display, typed through the XTEST extension
// (xdotool) into whichever window has the focus: runs under xvfb-run, skips
// elsewhere.
#include "FrameFixture.h"
#include "support/FakePlayer.h"

#include "playlist/PlaylistCtrl.h"
#include "support/WaitFor.h"
#include "ui/FullScreenDlg.h"
#include "ui/VideoView.h"

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>

using namespace RemotePackets;

namespace {

class FullScreenKeys : public FrameFixture
{
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X display (run through xvfb-run)";
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            GTEST_SKIP() << "needs xdotool (scripts/install-deps.sh)";
        FrameFixture::SetUp();
    }

    // One key chord as the X server delivers it, e.g. "alt+Return".
    static void Press(const char* keys)
    {
        QProcess xdotool;
        xdotool.start(QStringLiteral("xdotool"), { QStringLiteral("key"), QString::fromLatin1(keys) });
        ASSERT_TRUE(xdotool.waitForFinished(5000)) << keys;
        ASSERT_EQ(xdotool.exitCode(), 0) << keys << ": " << xdotool.readAllStandardError().toStdString();
    }

    CVideoView& View() { return *m_pFrame->GetVideoView(); }
    CFullScreenDlg& Full() { return *View().GetFullScreenWindow(); }
};

} // namespace

TEST_F(FullScreenKeys, EveryShortcutOfTheMainWindowWorksInFullScreen)
{
    LoadPlaylist(2);
    SendCommand(CMD_OPEN, 0, 0, ":1");
    SendCommand(CMD_OPEN, 1, 0, ":2");
    m_pFrame->activateWindow();
    ASSERT_TRUE(WaitFor([this] { return m_pFrame->isActiveWindow(); }));

    Press("alt+Return");
    ASSERT_TRUE(WaitFor([this] { return View().IsFullscreen() && Full().isActiveWindow(); }));

    Press("space");
    EXPECT_TRUE(WaitFor([this] { return Player(0).GetPlayState() == CBasePlayer::STATE_RUNNING; }))
        << "Play/Pause";
    Press("ctrl+s");
    EXPECT_TRUE(WaitFor([this] { return Player(0).GetPlayState() == CBasePlayer::STATE_STOPPED; })) << "Stop";
    Press("alt+b");
    EXPECT_TRUE(WaitFor([this] { return m_pFrame->Engine().GetActivePlayer() == 1; })) << "Player B";
    Press("alt+a");
    EXPECT_TRUE(WaitFor([this] { return m_pFrame->Engine().GetActivePlayer() == 0; })) << "Player A";
    Press("ctrl+a");
    EXPECT_TRUE(WaitFor([this] { return m_pFrame->GetPlaylist()->GetSelectedCount() == 2; }))
        << "the playlist's accelerators too";
    EXPECT_TRUE(View().IsFullscreen()) << "no key so far left full screen";

    Press("alt+Return"); // not taken for Enter: it leaves full screen
    EXPECT_TRUE(WaitFor([this] { return !View().IsFullscreen() && !Full().isVisible(); }));
    EXPECT_TRUE(WaitFor([this] { return m_pFrame->isActiveWindow(); }))
        << "the keys come back to the main window";

    Press("alt+Return");
    ASSERT_TRUE(WaitFor([this] { return View().IsFullscreen() && Full().isActiveWindow(); }));
    Press("Return"); // plain Enter does nothing there
    Press("Escape");
    EXPECT_TRUE(WaitFor([this] { return !View().IsFullscreen() && !Full().isVisible(); }));
    Press("space"); // the main window has the keys again, full screen stays off
    EXPECT_TRUE(WaitFor([this] { return Player(0).GetPlayState() == CBasePlayer::STATE_RUNNING; }));
    EXPECT_FALSE(View().IsFullscreen()) << "Escape left full screen once";
}

#include "ui/FullScreenDlg.h"
#include "core/Log.h"
#include "support/LogCapture.h"
#include "support/RecordingTarget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

constexpr const char* kCouldNotHide = "Fullscreen::HideTaskbar(): Could not hide taskbar!";

class FullScreenDlgTest : public testing::Test
{
protected:
    void Press(int key)
    {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&m_dlg, &event);
    }
    int Count(const std::string& fragment) const
    {
        int n = 0;
        for (const auto& text : m_log.Texts())
            n += text.find(fragment) != std::string::npos ? 1 : 0;
        return n;
    }

    LogCapture m_log;
    RecordingTarget m_view;
    QWidget m_parent;
    CFullScreenDlg m_dlg { &m_parent, &m_view };
};

} // namespace

TEST_F(FullScreenDlgTest, StartsHiddenWithTheMonitorsListed)
{
    EXPECT_FALSE(m_dlg.isVisible());
    EXPECT_FALSE(m_dlg.IsFullscreen());
    EXPECT_TRUE(m_dlg.IsCursorVisible());
    EXPECT_TRUE(m_dlg.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(m_dlg.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    ASSERT_EQ(m_dlg.Monitors().size(), QGuiApplication::screens().size());
    EXPECT_EQ(m_log.CountErrors(), 0) << m_log.Dump();
}

TEST_F(FullScreenDlgTest, SecondSwitchOnChangesNothing)
{
    m_dlg.SetFullscreen(true);
    const QRect primary = QGuiApplication::primaryScreen()->geometry();
    EXPECT_TRUE(m_dlg.isVisible());
    EXPECT_EQ(m_dlg.geometry(), primary);
    EXPECT_EQ(m_dlg.GetScreenRect(), (CRect { 0, 0, primary.width(), primary.height() }));
    EXPECT_FALSE(m_dlg.IsCursorVisible());
    EXPECT_EQ(m_dlg.cursor().shape(), Qt::BlankCursor);
    EXPECT_EQ(Count(kCouldNotHide), 1);

    m_dlg.SetFullscreen(true);
    EXPECT_EQ(Count(kCouldNotHide), 1) << "no second panel change";
    EXPECT_FALSE(m_dlg.IsCursorVisible());
    EXPECT_TRUE(m_view.messages.empty());
}

TEST_F(FullScreenDlgTest, EscapeLeavesOnceAndEnterDoesNothing)
{
    m_dlg.SetFullscreen(true);
    Press(Qt::Key_Return);
    Press(Qt::Key_Enter);
    EXPECT_TRUE(m_dlg.IsFullscreen());
    EXPECT_TRUE(m_dlg.isVisible());

    Press(Qt::Key_Escape);
    EXPECT_FALSE(m_dlg.IsFullscreen());
    EXPECT_FALSE(m_dlg.isVisible());
    EXPECT_TRUE(m_dlg.IsCursorVisible());
    EXPECT_NE(m_dlg.cursor().shape(), Qt::BlankCursor);
    Press(Qt::Key_Escape);
    m_dlg.SetFullscreen(false);
    EXPECT_EQ(m_view.messages, (std::vector<RecordingTarget::Message> { { WM_FULLSCREEN_CLOSED, 0, 0 } }));

    // The window manager's close leaves full screen the same way and keeps the window.
    m_dlg.SetFullscreen(true);
    m_dlg.close();
    EXPECT_FALSE(m_dlg.IsFullscreen());
    EXPECT_EQ(m_view.Count(WM_FULLSCREEN_CLOSED), 2);
}

TEST_F(FullScreenDlgTest, PointerStateFollowsTheModeEvenWhenTheParentReenters)
{
    // The parent switching straight back on must find the pointer hidden.
    m_view.handler = [this](unsigned, WPARAM, LPARAM) {
        m_dlg.SetFullscreen(true);
        return 1;
    };
    m_dlg.SetFullscreen(true);
    m_dlg.SetFullscreen(false);
    EXPECT_TRUE(m_dlg.IsFullscreen());
    EXPECT_FALSE(m_dlg.IsCursorVisible());
}

TEST_F(FullScreenDlgTest, SetVideoRectInvalidatesOnlyOnChange)
{
    const int before = m_dlg.InvalidateCount();
    m_dlg.SetVideoRect(CRect { 10, 20, 330, 200 });
    EXPECT_EQ(m_dlg.InvalidateCount(), before + 1);
    m_dlg.SetVideoRect(CRect { 10, 20, 330, 200 });
    EXPECT_EQ(m_dlg.InvalidateCount(), before + 1);
    EXPECT_EQ(m_dlg.GetVideoRect(), (CRect { 10, 20, 330, 200 }));

    m_dlg.PaintBlack();
    EXPECT_EQ(m_dlg.InvalidateCount(), before + 1) << "only in full-screen mode";
    m_dlg.SetFullscreen(true);
    const int shown = m_dlg.InvalidateCount();
    m_dlg.PaintBlack();
    EXPECT_EQ(m_dlg.InvalidateCount(), shown + 1);
}

TEST_F(FullScreenDlgTest, ScreenQueriesCheckTheId)
{
    const QRect primary = QGuiApplication::primaryScreen()->geometry();
    const auto count = static_cast<int32_t>(m_dlg.Monitors().size());
    EXPECT_EQ(m_dlg.GetScreenWidth(0), primary.width());
    EXPECT_EQ(m_dlg.GetScreenHeight(0), primary.height());
    EXPECT_EQ(m_dlg.GetScreenWidth(count), -1);
    EXPECT_EQ(m_dlg.GetScreenHeight(-1), -1);
    m_dlg.SetActiveMonitor(count);
    EXPECT_EQ(m_dlg.GetActiveMonitor(), 0);
    EXPECT_TRUE(m_log.Contains("GetScreenWidth() called with invalid screen ID!", LOG_LEVEL_ERROR));
    EXPECT_TRUE(m_log.Contains("GetScreenHeight() called with invalid screen ID!", LOG_LEVEL_ERROR));
    EXPECT_TRUE(m_log.Contains("SetActiveMonitor() called with invalid screen ID!", LOG_LEVEL_ERROR));
}

TEST_F(FullScreenDlgTest, DisplayChangeWhileWindowedNeitherMovesNorShows)
{
    const QRect before = m_dlg.geometry();
    m_dlg.OnDisplayChange();
    EXPECT_FALSE(m_dlg.isVisible());
    EXPECT_EQ(m_dlg.geometry(), before);
    EXPECT_EQ(m_dlg.Monitors().size(), QGuiApplication::screens().size());

    // In full screen the window follows the screen and stays up.
    m_dlg.SetFullscreen(true);
    m_dlg.OnDisplayChange();
    EXPECT_TRUE(m_dlg.isVisible());
    EXPECT_EQ(m_dlg.geometry(), QGuiApplication::primaryScreen()->geometry());
}

TEST(FullScreenDlg, DestroyedInFullScreenSendsNothing)
{
    LogCapture log;
    RecordingTarget view;
    {
        CFullScreenDlg dlg(nullptr, &view);
        dlg.SetFullscreen(true);
        ASSERT_FALSE(dlg.IsCursorVisible());
    }
    EXPECT_TRUE(view.messages.empty()) << "the parent may be on its way out";
}

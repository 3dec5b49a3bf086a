#include "PaintHost.h"
#include "support/LogCapture.h"
#include "support/RecordingTarget.h"
#include "ui/widgets/BitmapResource.h"
#include "ui/widgets/LogoButton.h"
#include "ui/widgets/MuteButton.h"
#include "ui/widgets/NextButton.h"
#include "ui/widgets/PauseButton.h"
#include "ui/widgets/PlayButton.h"
#include "ui/widgets/PlayerAButton.h"
#include "ui/widgets/PlayerBButton.h"
#include "ui/widgets/PrevButton.h"
#include "ui/widgets/ResourceIds.h"
#include "ui/widgets/StopButton.h"

#include <QHelpEvent>
#include <QToolTip>
#include <gtest/gtest.h>

#include <memory>

namespace {

QPoint Inside(const CMyButton& b)
{
    const CRect rc = b.GetRect();
    return QPoint(rc.left + rc.Width() / 2, rc.top + rc.Height() / 2);
}

const QPoint kFarAway(600, 110);

void Click(CMyButton& b, const QPoint& down, const QPoint& up)
{
    b.OnLButtonDown(0, down);
    b.OnMouseMove(0, up);
    b.OnLButtonUp(0, up);
}

// Every test draws on its own host window and records what its buttons send.
class ButtonTest : public testing::Test
{
protected:
    PaintHost host;
    RecordingTarget frame;
};

TEST_F(ButtonTest, PlayActsOnlyOnAPressAndReleaseBothInside)
{
    CPlayButton play(&frame);
    ASSERT_TRUE(play.Create(&host, 5, 30));

    // Pressed, dragged away: the pressed picture stays until the release outside.
    play.OnLButtonDown(0, Inside(play));
    EXPECT_EQ(play.GetCurrentBitmap(), IDB_PLAY_PRESSED);
    play.OnMouseMove(0, kFarAway);
    EXPECT_EQ(play.GetCurrentBitmap(), IDB_PLAY_PRESSED);
    play.OnLButtonUp(0, kFarAway);
    EXPECT_TRUE(frame.messages.empty());
    EXPECT_FALSE(play.IsPressed());
    EXPECT_EQ(play.GetCurrentBitmap(), IDB_PLAY);

    // Pressed outside, released inside.
    Click(play, kFarAway, Inside(play));
    EXPECT_TRUE(frame.messages.empty());
    EXPECT_EQ(play.GetCurrentBitmap(), IDB_PLAY_HOVER);

    Click(play, Inside(play), Inside(play));
    ASSERT_EQ(frame.messages.size(), 1u);
    EXPECT_EQ(frame.messages[0], (RecordingTarget::Message { WM_CMD_PLAY, 0, 0 }));
    EXPECT_EQ(play.GetCurrentBitmap(), IDB_PLAY_HOVER);
    play.OnMouseMove(0, kFarAway);
    EXPECT_EQ(play.GetCurrentBitmap(), IDB_PLAY);
}

TEST_F(ButtonTest, RightAndBottomEdgesAreOutside)
{
    CStopButton stop(&frame);
    ASSERT_TRUE(stop.Create(&host, 65, 30));
    const CRect rc = stop.GetRect();
    EXPECT_TRUE(stop.HitTest(QPoint(rc.left, rc.top)));
    EXPECT_TRUE(stop.HitTest(QPoint(rc.right - 1, rc.bottom - 1)));
    EXPECT_FALSE(stop.HitTest(QPoint(rc.right, rc.top + 1)));
    EXPECT_FALSE(stop.HitTest(QPoint(rc.left + 1, rc.bottom)));
    Click(stop, QPoint(rc.right, rc.bottom), QPoint(rc.right, rc.bottom));
    EXPECT_TRUE(frame.messages.empty());

    stop.Show(false);
    EXPECT_FALSE(stop.HitTest(Inside(stop)));
    Click(stop, Inside(stop), Inside(stop));
    EXPECT_TRUE(frame.messages.empty());
}

TEST_F(ButtonTest, EachButtonSendsItsMessage)
{
    struct Row
    {
        std::unique_ptr<CPushButton> button;
        RecordingTarget::Message expected;
    };
    Row rows[] = {
        { std::make_unique<CPlayButton>(&frame), { WM_CMD_PLAY, 0, 0 } },
        { std::make_unique<CPauseButton>(&frame), { WM_CMD_PAUSE, 0, 0 } },
        { std::make_unique<CStopButton>(&frame), { WM_CMD_STOP, 0, 0 } },
        { std::make_unique<CPrevButton>(&frame), { WM_CMD_STEP_TRACK, 0, 0 } },
        { std::make_unique<CNextButton>(&frame), { WM_CMD_STEP_TRACK, 1, 0 } },
        { std::make_unique<CPlayerAButton>(&frame), { WM_CMD_SELECT_PLAYER, 0, 0 } },
        { std::make_unique<CPlayerBButton>(&frame), { WM_CMD_SELECT_PLAYER, 1, 0 } },
    };
    int left = 5;
    for (Row& row : rows) {
        ASSERT_TRUE(row.button->Create(&host, left, 30));
        left += 30;
    }
    for (Row& row : rows) {
        frame.messages.clear();
        Click(*row.button, Inside(*row.button), Inside(*row.button));
        ASSERT_EQ(frame.messages.size(), 1u) << "message " << row.expected.msg;
        EXPECT_EQ(frame.messages[0], row.expected);
    }
}

TEST_F(ButtonTest, PlayerButtonRestsOnItsLitOrUnlitPicture)
{
    CPlayerAButton a(&frame);
    CPlayerBButton b(&frame);
    ASSERT_TRUE(a.Create(&host, 375, 36));
    ASSERT_TRUE(b.Create(&host, 405, 36));
    EXPECT_EQ(a.GetCurrentBitmap(), IDB_PLAYER_A_UNLIT);
    a.SetLit(true);
    EXPECT_EQ(a.GetCurrentBitmap(), IDB_PLAYER_A_LIT);
    a.OnMouseMove(0, Inside(a));
    EXPECT_EQ(a.GetCurrentBitmap(), IDB_PLAYER_A_HOVER);
    a.OnMouseMove(0, kFarAway);
    EXPECT_EQ(a.GetCurrentBitmap(), IDB_PLAYER_A_LIT);

    b.OnLButtonDown(0, Inside(b));
    EXPECT_EQ(b.GetCurrentBitmap(), IDB_PLAYER_B_PRESSED);
    b.OnLButtonUp(0, kFarAway);
    EXPECT_EQ(b.GetCurrentBitmap(), IDB_PLAYER_B_UNLIT);
    b.SetLit(true);
    a.SetLit(false);
    EXPECT_EQ(b.GetCurrentBitmap(), IDB_PLAYER_B_LIT);
    EXPECT_EQ(a.GetCurrentBitmap(), IDB_PLAYER_A_UNLIT);
}

TEST_F(ButtonTest, MuteSendsTheNewStateAndUndoesAFlipReleasedOutside)
{
    CMuteButton mute(&frame);
    ASSERT_TRUE(mute.Create(&host, 145, 44));
    EXPECT_EQ(mute.GetCurrentBitmap(), IDB_SOUND_ON);

    mute.OnLButtonDown(0, Inside(mute));
    EXPECT_EQ(mute.GetCurrentBitmap(), IDB_MUTE_PRESSED);
    mute.OnLButtonUp(0, Inside(mute));
    EXPECT_EQ(mute.GetCurrentBitmap(), IDB_MUTED);
    mute.OnLButtonDown(0, Inside(mute));
    EXPECT_EQ(mute.GetCurrentBitmap(), IDB_UNMUTE_PRESSED);
    mute.OnLButtonUp(0, Inside(mute));
    EXPECT_EQ(mute.GetCurrentBitmap(), IDB_SOUND_ON);
    ASSERT_EQ(frame.messages.size(), 2u);
    EXPECT_EQ(frame.messages[0], (RecordingTarget::Message { WM_CMD_MUTE, 0, 1 }));
    EXPECT_EQ(frame.messages[1], (RecordingTarget::Message { WM_CMD_MUTE, 0, 0 }));

    // Released outside: nothing sent, and the button still says "sound on".
    mute.OnLButtonDown(0, Inside(mute));
    mute.OnLButtonUp(0, kFarAway);
    EXPECT_EQ(frame.messages.size(), 2u);
    EXPECT_FALSE(mute.GetState());
    EXPECT_EQ(mute.GetCurrentBitmap(), IDB_SOUND_ON);
    // Pressed outside, released inside: nothing.
    Click(mute, kFarAway, Inside(mute));
    EXPECT_EQ(frame.messages.size(), 2u);
    // The next real click mutes.
    Click(mute, Inside(mute), Inside(mute));
    ASSERT_EQ(frame.messages.size(), 3u);
    EXPECT_EQ(frame.messages[2].lParam, 1);
}

TEST_F(ButtonTest, SetBitmapInvalidatesTheHostOnlyForANewPicture)
{
    CPauseButton pause(&frame);
    ASSERT_TRUE(pause.Create(&host, 35, 30));
    ASSERT_TRUE(host.ShowAndSettle());
    const QRect button = ToQRect(pause.GetRect());
    const QRect marker(600, 100, 4, 4);

    EXPECT_FALSE(pause.SetBitmap(IDB_PAUSE));
    ASSERT_TRUE(host.FlushWith(marker));
    EXPECT_FALSE(host.painted.intersects(button));

    EXPECT_TRUE(pause.SetBitmap(IDB_PAUSE_HOVER));
    EXPECT_TRUE(WaitFor([&] { return host.painted.intersects(button); }));
}

TEST_F(ButtonTest, DrawLeavesOutTheTransparentColour)
{
    CPlayButton play(nullptr);
    ASSERT_TRUE(play.Create(&host, 5, 30));
    const QImage picture = LoadBitmapResource(IDB_PLAY).toImage();
    ASSERT_EQ(picture.pixelColor(0, 0), QColor(30, 54, 156)) << "the key's corner is expected transparent";

    QImage canvas(80, 80, QImage::Format_RGB32);
    const QColor ground(0, 200, 0);
    canvas.fill(ground);
    {
        QPainter painter(&canvas);
        play.Draw(painter);
    }
    EXPECT_EQ(canvas.pixelColor(5, 30), ground);
    EXPECT_EQ(canvas.pixelColor(5 + 14, 30 + 14), picture.pixelColor(14, 14));

    // Another key colour: the corner now shows as it is.
    play.SetTransparentColor(QColor(255, 0, 255));
    canvas.fill(ground);
    {
        QPainter painter(&canvas);
        play.Draw(painter);
    }
    EXPECT_EQ(canvas.pixelColor(5, 30), QColor(30, 54, 156));
}

TEST_F(ButtonTest, AMissingPictureLeavesTheButtonUncreated)
{
    LogCapture log;
    CMyButton button(&frame);
    EXPECT_FALSE(button.Create(&host, 10, 10, 9999));
    EXPECT_TRUE(log.Contains("9999"));
    EXPECT_EQ(button.GetWidth(), -1);
    EXPECT_TRUE(button.GetRect().IsEmpty());
    EXPECT_FALSE(button.HitTest(QPoint(10, 10)));
    button.SetToolTip(QStringLiteral("tip"));
    EXPECT_FALSE(button.ToolTip().IsCreated());
    EXPECT_FALSE(button.SetBitmap(IDB_PLAY));
}

TEST_F(ButtonTest, ToolTipFollowsTheButtonAndItsVisibility)
{
    CNextButton next(nullptr);
    ASSERT_TRUE(next.Create(&host, 320, 44));
    next.SetToolTip(QStringLiteral("Next Track"));
    ASSERT_TRUE(host.ShowAndSettle());

    QHelpEvent inside(QEvent::ToolTip, Inside(next), host.mapToGlobal(Inside(next)));
    EXPECT_TRUE(next.RelayToolTipEvent(&inside));
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Next Track"));
    QHelpEvent outside(QEvent::ToolTip, kFarAway, host.mapToGlobal(kFarAway));
    EXPECT_FALSE(next.RelayToolTipEvent(&outside));

    next.Move(200, 44);
    EXPECT_EQ(next.ToolTip().ToolRect(), ToQRect(next.GetRect()));
    next.UpdateToolTip(QStringLiteral("Skip"));
    EXPECT_EQ(next.ToolTip().Text(), QStringLiteral("Skip"));
    next.Show(false);
    QHelpEvent moved(QEvent::ToolTip, Inside(next), host.mapToGlobal(Inside(next)));
    EXPECT_FALSE(next.RelayToolTipEvent(&moved));
    QToolTip::hideText();
}

TEST_F(ButtonTest, LogoStaysAtTheRightEdgeAndOpensThePageOnAClick)
{
    CLogoButton logo;
    ASSERT_TRUE(logo.Create(&host, 600, 37, IDB_LOGO));
    logo.SetToolTip(QString::fromLatin1(CLogoButton::kMakerUrl));
    std::vector<QUrl> opened;
    logo.SetUrlOpener([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });

    logo.OnSize(0, 800, 74);
    EXPECT_EQ(logo.GetRect().right, 800 - 12);
    EXPECT_EQ(logo.GetRect().Width(), logo.GetWidth());
    EXPECT_EQ(logo.GetRect().top, 37);
    EXPECT_EQ(logo.ToolTip().ToolRect(), ToQRect(logo.GetRect()));

    Click(logo, Inside(logo), QPoint(5, 5));
    Click(logo, QPoint(5, 5), Inside(logo));
    EXPECT_TRUE(opened.empty());
    Click(logo, Inside(logo), Inside(logo));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl(QString::fromLatin1(CLogoButton::kMakerUrl)));
}

} // namespace

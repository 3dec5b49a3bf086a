#include "ui/PlayerCtrlBar.h"
#include "core/Profile.h"
#include "core/TickClock.h"
#include "support/RecordingTarget.h"
#include "support/TestEnv.h"
#include "ui/widgets/BitmapResource.h"
#include "ui/widgets/ResourceIds.h"

#include <QCoreApplication>
#include <QDir>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <gtest/gtest.h>

#include <memory>

namespace {

void Mouse(QWidget& w, QEvent::Type type, const QPoint& at)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent event(type, QPointF(at), QPointF(w.mapToGlobal(at)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &event);
}

void Click(QWidget& w, const QPoint& down, const QPoint& up)
{
    Mouse(w, QEvent::MouseButtonPress, down);
    Mouse(w, QEvent::MouseMove, up);
    Mouse(w, QEvent::MouseButtonRelease, up);
}

std::unique_ptr<CPlayerCtrlBar> NewBar(RecordingTarget& frame, int width = 800)
{
    auto bar = std::make_unique<CPlayerCtrlBar>(&frame);
    bar->resize(width, CPlayerCtrlBar::kHeight);
    bar->OnInitialUpdate();
    return bar;
}

class PlayerCtrlBarTest : public ::testing::Test
{
protected:
    void SetUp() override { WriteProfileString("CtrlBar", "m_Volume", ""); }
};

TEST_F(PlayerCtrlBarTest, VolumeStartsAtZeroDecibelsAndIsKeptForTheNextRun)
{
    RecordingTarget frame;
    {
        auto bar = NewBar(frame);
        EXPECT_EQ(bar->VolumeSlider().GetPos(), 3000);
        ASSERT_EQ(frame.messages.size(), 1u);
        EXPECT_EQ(frame.messages[0], (RecordingTarget::Message { WM_CMD_SLIDER, SLIDER_VOLUME_ID, 3000 }));
        bar->SetVolumePos(1200);
    }
    EXPECT_EQ(GetProfileInt("CtrlBar", "m_Volume", -1), 1200);

    frame.messages.clear();
    {
        auto bar = NewBar(frame);
        EXPECT_EQ(bar->VolumeSlider().GetPos(), 1200);
        ASSERT_EQ(frame.messages.size(), 1u);
        EXPECT_EQ(frame.messages[0].lParam, 1200);
    }

    // A value beyond the range never asks for more than 0 dB.
    WriteProfileInt("CtrlBar", "m_Volume", 9000);
    frame.messages.clear();
    auto bar = NewBar(frame);
    EXPECT_EQ(frame.messages.at(0).lParam, 3000);
}

TEST_F(PlayerCtrlBarTest, ApplyVolumeRangeMovesTheSliderOnlyOnAChange)
{
    RecordingTarget frame;
    auto bar = NewBar(frame);
    bar->SetVolumePos(1000);
    frame.messages.clear();
    EXPECT_FALSE(bar->ApplyVolumeRange(3000));
    EXPECT_EQ(bar->VolumeSlider().GetPos(), 1000);
    EXPECT_TRUE(bar->ApplyVolumeRange(5000));
    EXPECT_EQ(bar->VolumeSlider().GetRange(), 5000);
    EXPECT_EQ(bar->VolumeSlider().GetPos(), 5000);
    EXPECT_TRUE(frame.messages.empty()) << "the players' volume is not changed here";
}

TEST_F(PlayerCtrlBarTest, MouseReachesButtonsAndSliders)
{
    RecordingTarget frame;
    auto bar = NewBar(frame);
    frame.messages.clear();

    Click(*bar, QPoint(15, 40), QPoint(15, 40)); // play
    Click(*bar, QPoint(15, 40), QPoint(300, 5)); // play, released elsewhere
    Click(*bar, QPoint(415, 45), QPoint(415, 45)); // Player B
    // Volume track from 170 to 250: a click released at 210 is half the range.
    const int y = (bar->VolumeSlider().GetThumbRect().top + bar->VolumeSlider().GetThumbRect().bottom) / 2;
    Click(*bar, QPoint(190, y), QPoint(210, y));

    ASSERT_EQ(frame.messages.size(), 3u);
    EXPECT_EQ(frame.messages[0], (RecordingTarget::Message { WM_CMD_PLAY, 0, 0 }));
    EXPECT_EQ(frame.messages[1], (RecordingTarget::Message { WM_CMD_SELECT_PLAYER, 1, 0 }));
    EXPECT_EQ(frame.messages[2], (RecordingTarget::Message { WM_CMD_SLIDER, SLIDER_VOLUME_ID, 1500 }));

    // The position slider starts disabled.
    const CRect track = bar->PositionSlider().GetTrackRect();
    Click(*bar, QPoint(track.left + 10, 25), QPoint(track.left + 10, 25));
    EXPECT_EQ(frame.messages.size(), 3u);
}

TEST_F(PlayerCtrlBarTest, ToolTipsComeFromTheWidgetUnderThePointer)
{
    RecordingTarget frame;
    auto bar = NewBar(frame);
    bar->show();
    auto tipAt = [&](const QPoint& at) {
        QHelpEvent event(QEvent::ToolTip, at, bar->mapToGlobal(at));
        QCoreApplication::sendEvent(bar.get(), &event);
        // An ignored event means no widget claimed the point (the old tip fades out later).
        return event.isAccepted() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(tipAt(QPoint(15, 40)), QStringLiteral("Play"));
    EXPECT_EQ(tipAt(QPoint(420, 45)), QStringLiteral("Switch to Player B"));
    const CRect volume = bar->VolumeSlider().GetTrackRect();
    EXPECT_EQ(tipAt(QPoint(volume.left + 2, volume.top + 2)), QStringLiteral("Volume"));
    EXPECT_EQ(tipAt(QPoint(110, 68)), QString());
}

TEST_F(PlayerCtrlBarTest, LayoutFollowsTheWidth)
{
    RecordingTarget frame;
    auto bar = NewBar(frame, 700);
    bar->show();
    EXPECT_EQ(bar->LogoButton().GetRect().right, 700 - 12);
    const CRect before = bar->PositionSlider().GetTrackRect();
    bar->resize(900, CPlayerCtrlBar::kHeight);
    EXPECT_EQ(bar->LogoButton().GetRect().right, 900 - 12);
    EXPECT_EQ(bar->PositionSlider().GetTrackRect().left, before.left);
    EXPECT_EQ(bar->PositionSlider().GetTrackRect().right, before.right + 200);
}

TEST_F(PlayerCtrlBarTest, StatusAlternatesStateWordAndTitle)
{
    RecordingTarget frame;
    auto bar = NewBar(frame);
    CStatusDisplay& status = bar->Status();
    status.SetPlayState(2);
    const int64_t t0 = MonotonicMs() + 10;
    status.OnTick(t0);
    const int mode = status.TextMode();
    status.OnTick(t0 + CStatusDisplay::kSwitchMs); // at least one switch since creation
    EXPECT_NE(status.TextMode(), mode);
    status.OnTick(t0 + CStatusDisplay::kSwitchMs + 1999);
    const int settled = status.TextMode();
    status.OnTick(t0 + 2 * CStatusDisplay::kSwitchMs + 1000);
    EXPECT_NE(status.TextMode(), settled);

    // With an empty title both modes show the state word.
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(status.CurrentText(), QStringLiteral("Playing"));
        status.OnTick(t0 + (4 + 2 * i) * CStatusDisplay::kSwitchMs);
    }
    status.SetTitle(QStringLiteral("Overture"));
    QStringList seen;
    for (int i = 0; i < 2; ++i) {
        seen << status.CurrentText();
        status.OnTick(t0 + (10 + 2 * i) * CStatusDisplay::kSwitchMs);
    }
    seen.sort();
    EXPECT_EQ(seen, (QStringList { "Overture", "Playing" }));
    status.SetPlayState(1);
    status.SetTitle(QString());
    EXPECT_EQ(status.CurrentText(), QStringLiteral("Paused"));
}

TEST_F(PlayerCtrlBarTest, TimesAreFormattedWithHoursModuloADay)
{
    EXPECT_EQ(CStatusDisplay::FormatTime(0), QStringLiteral(" 0:00:00"));
    EXPECT_EQ(CStatusDisplay::FormatTime(3'723'999), QStringLiteral(" 1:02:03"));
    EXPECT_EQ(CStatusDisplay::FormatTime((25 * 3600 + 61) * 1000), QStringLiteral(" 1:01:01"));
    EXPECT_EQ(CStatusDisplay::FormatTime(4'294'967'295u), QStringLiteral("17:02:47"));
    RecordingTarget frame;
    auto bar = NewBar(frame);
    EXPECT_EQ(bar->Status().TimesText(), QStringLiteral(" 0:00:00 /  0:00:00"));
}

TEST_F(PlayerCtrlBarTest, RendersTheWholeStrip)
{
    RecordingTarget frame;
    auto bar = NewBar(frame, 760);
    bar->SetStatusTitle(QStringLiteral("A rather long title of the clip that is playing on the main screen"));
    bar->SetStatusPlayState(2);
    bar->SetStatusDuration(3'725'000);
    bar->SetStatusPosition(1'234'000);
    bar->SetPositionRange(3'725'000);
    bar->EnablePositionSlider(true);
    bar->SetPosition(1'234'000);
    bar->SetActivePlayer(PLAYER_B);
    bar->Status().OnTick(MonotonicMs() + CStatusDisplay::kSwitchMs);
    ASSERT_EQ(bar->Status().TextMode(), 1) << "the title is on show";
    const QImage image = bar->Render().toImage();
    ASSERT_EQ(image.size(), QSize(760, 74));
    // Save for a look by eye; the checks below are what the test relies on.
    image.save(QDir(TestRoot()).filePath(QStringLiteral("ctrlbar.png")));
    if (qEnvironmentVariableIsSet("ZUVIO_SHOT_DIR"))
        image.save(qEnvironmentVariable("ZUVIO_SHOT_DIR") + QStringLiteral("/ctrlbar.png"));

    // Background gradient at the corners, the play key's centre from its picture.
    EXPECT_EQ(image.pixelColor(0, 0), QColor(65, 118, 227));
    EXPECT_EQ(image.pixelColor(0, 73), QColor(0, 0, 96));
    const QImage play = LoadBitmapResource(IDB_PLAY).toImage();
    EXPECT_EQ(image.pixelColor(5 + 14, 30 + 14), play.pixelColor(14, 14));
    const QImage lit = LoadBitmapResource(IDB_PLAYER_B_LIT).toImage();
    EXPECT_EQ(image.pixelColor(405 + 14, 36 + 20), lit.pixelColor(14, 20));
    // The slider's enabled gradient is on the position track.
    const CRect track = bar->PositionSlider().GetTrackRect();
    const QColor inside = image.pixelColor(track.left + 3, track.top + 1);
    EXPECT_GT(inside.green(), inside.red() + 60);
    EXPECT_GT(inside.green(), inside.blue() + 60);
}

} // namespace

#include "PaintHost.h"
#include "support/RecordingTarget.h"
#include "ui/widgets/BitmapResource.h"
#include "ui/widgets/MySlider.h"
#include "ui/widgets/PositionSlider.h"
#include "ui/widgets/ResourceIds.h"

#include <gtest/gtest.h>

namespace {

// Track 400 wide from x 100.
const CRect kTrack { 100, 20, 500, 27 };

int ThumbY(const CMySlider& s)
{
    const CRect rc = s.GetThumbRect();
    return (rc.top + rc.bottom) / 2;
}

int ThumbX(const CMySlider& s)
{
    const CRect rc = s.GetThumbRect();
    return (rc.left + rc.right) / 2;
}

QPoint ThumbCentre(const CMySlider& s)
{
    return QPoint(ThumbX(s), ThumbY(s));
}

void Redraw(CMySlider& s)
{
    QImage canvas(640, 80, QImage::Format_RGB32);
    QPainter painter(&canvas);
    s.Draw(painter);
}

// The thumb taken and let go at `to`.
void Drag(CMySlider& s, const QPoint& to)
{
    s.OnLButtonDown(0, ThumbCentre(s));
    s.OnMouseMove(0, to);
    s.OnLButtonUp(0, to);
}

// A range and position, drawn once so that the thumb stands where they say.
void Place(CMySlider& s, int64_t range, int64_t pos)
{
    s.SetRange(range);
    s.SetPos(pos);
    Redraw(s);
}

// Every test draws on its own host window and records what its sliders report.
class SliderTest : public testing::Test
{
protected:
    // On the standard track of the host.
    bool OnTrack(CMySlider& slider, int id) { return slider.Create(id, kTrack, &host, false); }

    PaintHost host;
    RecordingTarget frame;
};

TEST_F(SliderTest, CreateRejectsBadTracks)
{
    struct Row
    {
        CRect track;
        QWidget* host;
    } rows[] = {
        { { 100, 20, 105, 27 }, &host }, // 5 wide
        { { 100, 20, 500, 33 }, &host }, // 13 high
        { { 100, 20, 100, 27 }, &host }, // empty
        { kTrack, nullptr },
    };
    for (const Row& row : rows) {
        CMySlider slider(&frame);
        EXPECT_FALSE(slider.Create(SLIDER_VOLUME_ID, row.track, row.host, false));
        EXPECT_FALSE(slider.IsCreated());
        EXPECT_EQ(slider.GetPos(), -1);
        QImage canvas(640, 80, QImage::Format_RGB32);
        canvas.fill(Qt::black);
        const QImage before = canvas;
        {
            QPainter painter(&canvas);
            slider.Draw(painter);
        }
        EXPECT_EQ(canvas, before);
    }
    CMySlider ok(&frame);
    EXPECT_TRUE(ok.Create(SLIDER_VOLUME_ID, CRect { 100, 20, 106, 32 }, &host, false));
}

TEST_F(SliderTest, TrackClickTakesItsPositionFromTheRelease)
{
    CMySlider slider(&frame);
    ASSERT_TRUE(OnTrack(slider, SLIDER_VOLUME_ID));
    Place(slider, 1000, 0);

    slider.OnLButtonDown(0, QPoint(450, ThumbY(slider)));
    EXPECT_TRUE(frame.messages.empty());
    slider.OnLButtonUp(0, QPoint(kTrack.left + kTrack.Width() / 4, ThumbY(slider)));
    ASSERT_EQ(frame.messages.size(), 1u);
    EXPECT_EQ(frame.messages[0], (RecordingTarget::Message { WM_CMD_SLIDER, SLIDER_VOLUME_ID, 250 }));
    EXPECT_EQ(slider.GetPos(), 250);

    // Above or below the thumb's band is not the track.
    slider.OnLButtonDown(0, QPoint(450, slider.GetThumbRect().bottom));
    slider.OnLButtonUp(0, QPoint(450, slider.GetThumbRect().bottom));
    EXPECT_EQ(frame.messages.size(), 1u);
}

TEST_F(SliderTest, DragPastEitherEndReportsExactlyTheEnds)
{
    CMySlider slider(&frame);
    ASSERT_TRUE(OnTrack(slider, SLIDER_POSITION_ID));
    Place(slider, 7777, 1234);

    slider.OnLButtonDown(0, ThumbCentre(slider));
    slider.OnMouseMove(0, QPoint(300, 60));
    EXPECT_TRUE(frame.messages.empty()) << "nothing is reported while dragging";
    slider.OnMouseMove(0, QPoint(5000, 60));
    slider.OnLButtonUp(0, QPoint(5000, 60));
    ASSERT_EQ(frame.messages.size(), 1u);
    EXPECT_EQ(frame.messages[0], (RecordingTarget::Message { WM_CMD_SLIDER, SLIDER_POSITION_ID, 7777 }));
    Redraw(slider);
    EXPECT_EQ(ThumbX(slider), kTrack.right);

    Drag(slider, QPoint(-300, 0));
    ASSERT_EQ(frame.messages.size(), 2u);
    EXPECT_EQ(frame.messages[1].lParam, 0);
}

TEST_F(SliderTest, PositionsNeedSixtyFourBits)
{
    CMySlider slider(&frame);
    ASSERT_TRUE(OnTrack(slider, SLIDER_POSITION_ID));
    const int64_t range = 4'000'000'000'000;
    Place(slider, range, range / 2);
    EXPECT_EQ(ThumbX(slider), 300);
    slider.OnLButtonDown(0, ThumbCentre(slider));
    slider.OnMouseMove(0, QPoint(200, 0));
    EXPECT_EQ(slider.GetPos(), range / 4);
    slider.OnLButtonUp(0, QPoint(200, 0));
    ASSERT_EQ(frame.messages.size(), 1u);
    EXPECT_EQ(frame.messages[0].lParam, static_cast<LPARAM>(static_cast<uint32_t>(range / 4)));
}

TEST_F(SliderTest, SetPosIsIgnoredWhileDraggingOrDisabledOrOutOfRange)
{
    CMySlider slider(&frame);
    ASSERT_TRUE(OnTrack(slider, SLIDER_POSITION_ID));
    Place(slider, 1000, 100);

    slider.OnLButtonDown(0, ThumbCentre(slider));
    slider.OnMouseMove(0, QPoint(300, 0));
    slider.SetPos(900);
    EXPECT_EQ(slider.GetPos(), 500);
    slider.OnLButtonUp(0, QPoint(300, 0));
    EXPECT_EQ(frame.messages.back().lParam, 500);
    slider.SetPos(900);
    EXPECT_EQ(slider.GetPos(), 900);

    slider.SetPos(1001);
    slider.SetPos(-1);
    EXPECT_EQ(slider.GetPos(), 900);
    slider.Enable(false);
    slider.SetPos(10);
    EXPECT_EQ(slider.GetPos(), 900);
    slider.OnLButtonDown(0, QPoint(150, ThumbY(slider)));
    slider.OnLButtonUp(0, QPoint(150, ThumbY(slider)));
    EXPECT_EQ(frame.messages.size(), 1u);
}

TEST_F(SliderTest, DisabledDuringADragDoesNotLockThePosition)
{
    CMySlider slider(&frame);
    ASSERT_TRUE(OnTrack(slider, SLIDER_POSITION_ID));
    slider.SetRange(1000);
    Redraw(slider);
    slider.OnLButtonDown(0, ThumbCentre(slider));
    slider.Enable(false);
    slider.OnLButtonUp(0, QPoint(300, 0));
    EXPECT_TRUE(frame.messages.empty());
    slider.Enable(true);
    slider.SetPos(700);
    EXPECT_EQ(slider.GetPos(), 700);
}

TEST_F(SliderTest, HiddenSliderReportsMinusOneAndIgnoresTheMouse)
{
    CMySlider slider(&frame);
    ASSERT_TRUE(OnTrack(slider, SLIDER_VOLUME_ID));
    Place(slider, 1000, 400);
    const QPoint thumb = ThumbCentre(slider);
    const int thumbWidth = slider.GetThumbRect().Width();

    slider.SetWidth(thumbWidth + 5);
    EXPECT_FALSE(slider.IsVisible());
    EXPECT_EQ(slider.GetPos(), -1);
    slider.OnLButtonDown(0, thumb);
    slider.OnMouseMove(0, QPoint(450, 0));
    slider.OnLButtonUp(0, QPoint(450, 0));
    EXPECT_TRUE(frame.messages.empty());

    slider.SetWidth(thumbWidth + 6);
    EXPECT_TRUE(slider.IsVisible());
    EXPECT_EQ(slider.GetPos(), 400);
    EXPECT_EQ(slider.GetTrackRect().Width(), thumbWidth + 6);
}

TEST_F(SliderTest, ScaledThumbFollowsTheTrackHeight)
{
    CMySlider slider(nullptr);
    ASSERT_TRUE(slider.Create(SLIDER_VOLUME_ID, CRect { 10, 10, 110, 15 }, &host, true));
    Redraw(slider);
    const int thumbHeight = LoadBitmapResource(IDB_THUMB).height();
    EXPECT_EQ(slider.GetThumbRect().Height(), static_cast<int>(thumbHeight * 0.5f));
}

TEST_F(SliderTest, PositionSliderKeepsRoomForItsEndPictures)
{
    CPositionSlider slider(&frame);
    ASSERT_TRUE(slider.Create(SLIDER_POSITION_ID, CRect { 130, 23, 140, 28 }, &host, false));
    const int left = LoadBitmapResource(IDB_SLIDER_LEFT).width();
    const int right = LoadBitmapResource(IDB_SLIDER_RIGHT).width();
    EXPECT_EQ(slider.GetTrackRect().left, 130 + left + 6);

    slider.SetWidth(640 - 165);
    EXPECT_TRUE(slider.IsVisible());
    EXPECT_EQ(slider.GetTrackRect().right, 130 + left + 6 + 640 - 165 - right - 6);

    // The end pictures sit 6 pixels beside the track; magenta is left out.
    QImage canvas(640, 74, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        slider.Draw(painter);
    }
    bool leftDrawn = false;
    for (int y = 18; y < 34; ++y) {
        for (int x = 130; x < 130 + left; ++x) {
            const QColor c = canvas.pixelColor(x, y);
            EXPECT_NE(c, QColor(255, 0, 255));
            leftDrawn = leftDrawn || c != QColor(Qt::black);
        }
    }
    EXPECT_TRUE(leftDrawn);

    const int lowest = slider.GetThumbRect().Width() + left + right + 6;
    slider.SetWidth(lowest - 1);
    EXPECT_EQ(slider.GetPos(), -1);
    slider.SetWidth(lowest);
    EXPECT_NE(slider.GetPos(), -1);
}

} // namespace

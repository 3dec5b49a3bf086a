#include "app/VideoSurface.h"
#include "app/VideoView.h"
#include "playback/FullScreenDlg.h"
#include "support/LogCapture.h"
#include "support/MediaFixtures.h"
#include "support/RecordingTarget.h"
#include "support/TestEnv.h"
#include "VideoViewOverlayPlayer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>
#include <gtest/gtest.h>

#include <functional>

// The pictures on a real X display: runs under xvfb-run, skips elsewhere.
namespace {

constexpr int kViewWidth = 640;
constexpr int kViewHeight = 360;

enum class Colour { Black, Red, Blue, Other };

Colour Classify(QRgb pixel)
{
    const int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
    if (r < 40 && g < 40 && b < 40)
        return Colour::Black;
    if (r > 200 && g < 60 && b < 60)
        return Colour::Red;
    if (b > 200 && r < 60 && g < 60)
        return Colour::Blue;
    return Colour::Other;
}

std::string Description(const char* pattern, const std::string& sink = "glimagesink")
{
    return std::string("videotestsrc pattern=") + pattern +
           " ! video/x-raw,width=320,height=180,framerate=30/1 ! " + sink + " name=sink";
}

class VideoViewOnScreen : public testing::Test
{
protected:
    virtual bool UsesRealPlayers() const { return false; }

    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X display (run through xvfb-run)";
        gst_init(nullptr, nullptr);
        g_autoptr(GstElementFactory) factory = gst_element_factory_find("glimagesink");
        if (!factory)
            GTEST_SKIP() << "glimagesink is not installed";

        m_window.setWindowFlags(Qt::FramelessWindowHint);
        auto* layout = new QVBoxLayout(&m_window);
        layout->setContentsMargins(0, 0, 0, 0);
        m_view = new CVideoView(&m_frame);
        layout->addWidget(m_view);
        if (!UsesRealPlayers()) {
            CVideoView::Hooks hooks;
            hooks.createPlayer = [] { return std::make_unique<OverlayPlayer>(320, 180); };
            m_view->SetHooks(std::move(hooks));
        }
        m_window.setGeometry(0, 0, kViewWidth, kViewHeight);
        m_window.show();
        ASSERT_TRUE(WaitFor([this] { return m_window.windowHandle() && m_window.windowHandle()->isExposed(); }));
        m_view->OnInitialUpdate();
        m_view->ZoomFit();
    }

    static bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > timeoutMs)
                return false;
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return true;
    }

    // Colours on a grid over the view, as the screen shows them.
    std::vector<Colour> Grid()
    {
        const QPoint origin = m_view->mapToGlobal(QPoint(0, 0));
        const QImage shot =
            QGuiApplication::primaryScreen()->grabWindow(0, origin.x(), origin.y(), m_view->width(), m_view->height())
                .toImage();
        std::vector<Colour> colours;
        for (int y = 5; y < shot.height(); y += 20)
            for (int x = 5; x < shot.width(); x += 20)
                colours.push_back(Classify(shot.pixel(x, y)));
        return colours;
    }
    static bool All(const std::vector<Colour>& grid, Colour colour)
    {
        return !grid.empty() && std::all_of(grid.begin(), grid.end(), [colour](Colour c) { return c == colour; });
    }
    static bool Any(const std::vector<Colour>& grid, Colour colour)
    {
        return std::any_of(grid.begin(), grid.end(), [colour](Colour c) { return c == colour; });
    }
    void Save(const char* name)
    {
        const QByteArray dir = qgetenv("ZUVIO_SCREENSHOT_DIR");
        if (!dir.isEmpty())
            QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromLocal8Bit(dir + "/" + name + ".png"));
    }

    LogCapture m_log;
    RecordingTarget m_frame;
    QWidget m_window;
    CVideoView* m_view = nullptr;
};

} // namespace

TEST_F(VideoViewOnScreen, OnlyTheActivePlayersPictureIsShown)
{
    ASSERT_TRUE(m_view->OpenMedia(Description("red"), 0));
    ASSERT_TRUE(m_view->OpenMedia(Description("blue"), 1));
    EXPECT_TRUE(WaitFor([this] { return All(Grid(), Colour::Red); })) << "Player A fills the view";
    Save("1-player-a");
    EXPECT_FALSE(Any(Grid(), Colour::Blue));

    const WId parked = m_view->GetSurface(1)->winId();
    m_view->SetActivePlayer(1);
    EXPECT_EQ(m_view->GetSurface(1)->winId(), parked) << "moved out of the parking window, not re-created";
    EXPECT_TRUE(WaitFor([this] { return All(Grid(), Colour::Blue); })) << "Player B fills the view";
    Save("2-player-b");
    EXPECT_FALSE(Any(Grid(), Colour::Red));

    // 50 %: a 160 × 90 picture in the middle, black around it.
    m_view->ZoomTo(50);
    const QPoint origin = m_view->mapToGlobal(QPoint(0, 0));
    auto pixel = [&origin](int x, int y) {
        return Classify(QGuiApplication::primaryScreen()->grabWindow(0, origin.x() + x, origin.y() + y, 1, 1)
                            .toImage()
                            .pixel(0, 0));
    };
    EXPECT_TRUE(WaitFor([&] {
        return pixel(kViewWidth / 2, kViewHeight / 2) == Colour::Blue && pixel(10, 10) == Colour::Black &&
               pixel(kViewWidth / 2 - 90, kViewHeight / 2) == Colour::Black;
    }));
    Save("3-player-b-zoom-50");

    m_view->SetActivePlayer(0);
    EXPECT_TRUE(WaitFor([&] {
        return pixel(kViewWidth / 2, kViewHeight / 2) == Colour::Red && pixel(10, 10) == Colour::Black;
    }));
    EXPECT_FALSE(Any(Grid(), Colour::Blue));
    Save("4-player-a-zoom-50");
    EXPECT_EQ(m_log.CountErrors(), 0) << m_log.Dump();
}

TEST_F(VideoViewOnScreen, FullScreenCoversTheScreenWithTheActivePicture)
{
    ASSERT_TRUE(m_view->OpenMedia(Description("red"), 0));
    ASSERT_TRUE(m_view->OpenMedia(Description("blue"), 1));
    m_view->ToggleFullscreen();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    auto centre = [&screen] {
        return Classify(QGuiApplication::primaryScreen()
                            ->grabWindow(0, screen.width() / 2, screen.height() / 2, 1, 1)
                            .toImage()
                            .pixel(0, 0));
    };
    auto corner = [&screen] {
        return Classify(
            QGuiApplication::primaryScreen()->grabWindow(0, screen.width() - 3, 3, 1, 1).toImage().pixel(0, 0));
    };
    EXPECT_TRUE(WaitFor([&] { return centre() == Colour::Red; }));
    Save("5-fullscreen-a");
    m_view->SetActivePlayer(1);
    EXPECT_TRUE(WaitFor([&] { return centre() == Colour::Blue; }));
    Save("6-fullscreen-b");

    m_view->ToggleFullscreen();
    EXPECT_TRUE(WaitFor([&] { return corner() != Colour::Blue && All(Grid(), Colour::Blue); }))
        << "back in the view";
    Save("7-windowed-b");
}

TEST_F(VideoViewOnScreen, ASinkThatIgnoresTheWindowIsRepaintedOnEverySwitch)
{
    // ximagesink neither scales nor redraws on its own once events are off:
    // every picture seen here was asked for by the view.
    ASSERT_TRUE(m_view->OpenMedia(Description("red", "ximagesink"), 0));
    ASSERT_TRUE(m_view->OpenMedia(Description("blue", "ximagesink"), 1));
    const QPoint centre = m_view->mapToGlobal(QPoint(kViewWidth / 2, kViewHeight / 2));
    auto pixel = [&centre] {
        return Classify(QGuiApplication::primaryScreen()->grabWindow(0, centre.x(), centre.y(), 1, 1).toImage().pixel(0, 0));
    };
    for (int cut = 0; cut < 4; ++cut) {
        const int player = (cut + 1) % 2;
        m_view->SetActivePlayer(player);
        const Colour expected = player == 0 ? Colour::Red : Colour::Blue;
        EXPECT_TRUE(WaitFor([&] { return pixel() == expected; })) << "cut " << cut;
        EXPECT_FALSE(Any(Grid(), player == 0 ? Colour::Blue : Colour::Red)) << "cut " << cut;
    }
}

namespace {

// The same with the program's own players (CMPlayer on its default sink) and
// real files.
class VideoViewOnScreenWithFiles : public VideoViewOnScreen
{
protected:
    bool UsesRealPlayers() const override { return true; }

    static std::string Clip(const char* pattern)
    {
        const std::string path = (TestRoot() + QStringLiteral("/%1.avi").arg(QLatin1String(pattern))).toStdString();
        std::string error;
        const bool made = MediaFixtures::RunPipeline(std::string("videotestsrc pattern=") + pattern +
                                                         " num-buffers=30 ! video/x-raw,width=320,height=180,"
                                                         "framerate=30/1 ! jpegenc ! avimux ! filesink location=" +
                                                         path,
                                                     error);
        EXPECT_TRUE(made) << error;
        return path;
    }
};

} // namespace

TEST_F(VideoViewOnScreenWithFiles, OnlyTheActivePlayersPictureIsShown)
{
    ASSERT_TRUE(m_view->OpenMedia(Clip("red"), 0));
    ASSERT_TRUE(m_view->OpenMedia(Clip("blue"), 1));
    EXPECT_TRUE(WaitFor([this] { return All(Grid(), Colour::Red); })) << "Player A fills the view";
    EXPECT_FALSE(Any(Grid(), Colour::Blue));
    Save("8-files-player-a");

    m_view->SetActivePlayer(1);
    EXPECT_TRUE(WaitFor([this] { return All(Grid(), Colour::Blue); })) << "Player B fills the view";
    EXPECT_FALSE(Any(Grid(), Colour::Red));
    Save("9-files-player-b");

    m_view->PlayOnly(1);
    m_view->SetActivePlayer(0);
    EXPECT_TRUE(WaitFor([this] { return All(Grid(), Colour::Red); }));
    EXPECT_FALSE(Any(Grid(), Colour::Blue)) << "a paused Player B stays out of sight";
    EXPECT_EQ(m_log.CountErrors(), 0) << m_log.Dump();
}

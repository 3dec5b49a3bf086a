#include "core/Log.h"
#include "core/Preferences.h"
#include "playback/BasePlayer.h"
#include "playback/PlayerFactory.h"
#include "playback/SinkChoice.h"
#include "playlist/PlaylistCtrl.h"
#include "show/ShowEngine.h"
#include "support/LogCapture.h"
#include "support/MediaFixtures.h"
#include "support/TestEnv.h"
#include "support/WaitFor.h"
#include "ui/VideoSurface.h"
#include "ui/VideoView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

// The pictures on a real X display, with the program's own players on their
// default video sink: runs under xvfb-run, skips elsewhere.
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

Colour ColourAt(const QPoint& global)
{
    return Classify(
        QGuiApplication::primaryScreen()->grabWindow(0, global.x(), global.y(), 1, 1).toImage().pixel(0, 0));
}

// A one-second 320x180 clip of one solid colour, made once per process.
std::string Clip(const char* pattern)
{
    const std::string path
        = (TestRoot() + QStringLiteral("/%1.avi").arg(QLatin1String(pattern))).toStdString();
    if (QFileInfo::exists(QString::fromStdString(path)))
        return path;
    std::string error;
    const bool made = MediaFixtures::RunPipeline(std::string("videotestsrc pattern=") + pattern
            + " num-buffers=30 ! video/x-raw,width=320,height=180,"
              "framerate=30/1 ! jpegenc ! avimux ! filesink location="
            + path,
        error);
    EXPECT_TRUE(made) << error;
    return path;
}

class VideoViewOnScreen : public testing::Test
{
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X display (run through xvfb-run)";
        gst_init(nullptr, nullptr);
        SinkChoice::SetAudioSinkDescription("fakesink sync=true");

        m_window.setWindowFlags(Qt::FramelessWindowHint);
        auto* layout = new QVBoxLayout(&m_window);
        layout->setContentsMargins(0, 0, 0, 0);
        ASSERT_TRUE(m_engine.Start());
        m_view = new CVideoView(m_engine, m_services);
        layout->addWidget(m_view);
        m_window.setGeometry(0, 0, kViewWidth, kViewHeight);
        m_window.show();
        ASSERT_TRUE(
            WaitFor([this] { return m_window.windowHandle() && m_window.windowHandle()->isExposed(); }));
        m_view->OnInitialUpdate();
        m_view->ZoomFit();
    }
    void TearDown() override { SinkChoice::SetVideoSinkDescription({}); }

    void OpenRedAndBlue()
    {
        ASSERT_TRUE(m_engine.Execute({ ShowCommandId::Open, 0, 0, Clip("red") }));
        ASSERT_TRUE(m_engine.Execute({ ShowCommandId::Open, 1, 0, Clip("blue") }));
    }

    // Colours on a grid over the view, as the screen shows them.
    std::vector<Colour> Grid()
    {
        const QPoint origin = m_view->mapToGlobal(QPoint(0, 0));
        const QImage shot = QGuiApplication::primaryScreen()
                                ->grabWindow(0, origin.x(), origin.y(), m_view->width(), m_view->height())
                                .toImage();
        std::vector<Colour> colours;
        for (int y = 5; y < shot.height(); y += 20)
            for (int x = 5; x < shot.width(); x += 20)
                colours.push_back(Classify(shot.pixel(x, y)));
        return colours;
    }
    static bool All(const std::vector<Colour>& grid, Colour colour)
    {
        return !grid.empty()
            && std::all_of(grid.begin(), grid.end(), [colour](Colour c) { return c == colour; });
    }
    static bool Any(const std::vector<Colour>& grid, Colour colour)
    {
        return std::any_of(grid.begin(), grid.end(), [colour](Colour c) { return c == colour; });
    }
    Colour ViewPixel(int x, int y) { return ColourAt(m_view->mapToGlobal(QPoint(x, y))); }
    void Save(const char* name)
    {
        const QByteArray dir = qgetenv("ZUVIO_SCREENSHOT_DIR");
        if (!dir.isEmpty())
            QGuiApplication::primaryScreen()->grabWindow(0).save(
                QString::fromLocal8Bit(dir + "/" + name + ".png"));
    }

    LogCapture m_log;
    CPreferences m_prefs { CPreferences::Defaults {} };
    const CServices m_services { m_prefs, nullptr, [] { return CreateMediaPlayer(nullptr); }, {} };
    CPlaylistCtrl m_playlist { m_services, nullptr };
    CShowEngine m_engine { m_services, m_playlist }; // outlives the view in m_window
    QWidget m_window;
    CVideoView* m_view = nullptr;
};

} // namespace

TEST_F(VideoViewOnScreen, OnlyTheActivePlayersPictureIsShown)
{
    OpenRedAndBlue();
    EXPECT_TRUE(WaitFor([this] { return All(Grid(), Colour::Red); })) << "Player A fills the view";
    Save("1-player-a");
    EXPECT_FALSE(Any(Grid(), Colour::Blue));

    const WId parked = m_view->GetSurface(1)->winId();
    m_engine.Execute({ ShowCommandId::Cut, 1 });
    EXPECT_EQ(m_view->GetSurface(1)->winId(), parked) << "moved out of the parking window, not re-created";
    EXPECT_TRUE(WaitFor([this] { return All(Grid(), Colour::Blue); })) << "Player B fills the view";
    Save("2-player-b");
    EXPECT_FALSE(Any(Grid(), Colour::Red));

    // 50 %: a 160 × 90 picture in the middle, black around it.
    m_view->ZoomTo(50);
    EXPECT_TRUE(WaitFor([&] {
        return ViewPixel(kViewWidth / 2, kViewHeight / 2) == Colour::Blue
            && ViewPixel(10, 10) == Colour::Black
            && ViewPixel(kViewWidth / 2 - 90, kViewHeight / 2) == Colour::Black;
    }));
    Save("3-player-b-zoom-50");

    // A cut freezes the leaving player, and its picture stays out of sight.
    m_engine.Execute({ ShowCommandId::Run, 1 });
    m_engine.Execute({ ShowCommandId::Cut, 0 });
    EXPECT_TRUE(WaitFor([&] {
        return ViewPixel(kViewWidth / 2, kViewHeight / 2) == Colour::Red
            && ViewPixel(10, 10) == Colour::Black;
    }));
    EXPECT_FALSE(Any(Grid(), Colour::Blue));
    Save("4-player-a-zoom-50");
    // FIXME(lead): an open command into the active player of a file that is not
    // in the playlist logs "CPlaylistCtrl::GetPlayListIndx(): Item ID not found!"
    // as an error (CShowEngine::OnRemoteOpened); that line is no fault of the pictures.
    const auto lines = m_log.Lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                  [](const CLogBuffer::Line& line) {
                      return line.level == LOG_LEVEL_ERROR
                          && line.text.find("GetPlayListIndx(): Item ID not found!") == std::string::npos;
                  }),
        0)
        << m_log.Dump();
}

TEST_F(VideoViewOnScreen, FullScreenCoversTheScreenWithTheActivePicture)
{
    OpenRedAndBlue();
    m_view->ToggleFullscreen();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QPoint centre(screen.width() / 2, screen.height() / 2);
    const QPoint corner(screen.width() - 3, 3);
    EXPECT_TRUE(WaitFor([&] { return ColourAt(centre) == Colour::Red && ColourAt(corner) == Colour::Red; }));
    Save("5-fullscreen-a");
    m_engine.Execute({ ShowCommandId::Cut, 1 });
    EXPECT_TRUE(
        WaitFor([&] { return ColourAt(centre) == Colour::Blue && ColourAt(corner) == Colour::Blue; }));
    Save("6-fullscreen-b");

    m_view->ToggleFullscreen();
    EXPECT_TRUE(WaitFor([&] { return ColourAt(corner) != Colour::Blue && All(Grid(), Colour::Blue); }))
        << "back in the view";
    Save("7-windowed-b");
}

TEST_F(VideoViewOnScreen, ASinkThatIgnoresTheWindowIsRepaintedOnEverySwitch)
{
    // ximagesink does not redraw on its own once the player has turned its
    // events off: every picture seen here was asked for by the view.
    SinkChoice::SetVideoSinkDescription("ximagesink");
    OpenRedAndBlue();
    const QPoint centre = m_view->mapToGlobal(QPoint(kViewWidth / 2, kViewHeight / 2));
    EXPECT_TRUE(WaitFor([&] { return ColourAt(centre) == Colour::Red; }));
    for (int cut = 0; cut < 4; ++cut) {
        const int player = (cut + 1) % 2;
        m_engine.Execute({ ShowCommandId::Cut, player });
        const Colour expected = player == 0 ? Colour::Red : Colour::Blue;
        EXPECT_TRUE(WaitFor([&] { return ColourAt(centre) == expected; })) << "cut " << cut;
        EXPECT_FALSE(Any(Grid(), player == 0 ? Colour::Blue : Colour::Red)) << "cut " << cut;
    }
}

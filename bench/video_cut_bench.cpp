// Time from a cut to the first frame of the newly active player on
// the screen, with both players prerolled on 1280x720 clips. Needs an X display:
// run it through bench/video_cut.sh (xvfb-run). Prints the median over the cuts.
#include "core/Log.h"
#include "core/LogBuffer.h"
#include "core/Preferences.h"
#include "playlist/PlaylistCtrl.h"
#include "show/ShowEngine.h"
#include "ui/VideoView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWindow>

#include <gst/gst.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "video_cut_player.h"

namespace {

constexpr int kCuts = 50;
constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr qint64 kTimeoutNs = 2'000'000'000;

bool WaitFor(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// 0 red, 1 blue, -1 anything else, at one point of the screen.
int ColourAt(const QPoint& point)
{
    const QRgb pixel
        = QGuiApplication::primaryScreen()->grabWindow(0, point.x(), point.y(), 1, 1).toImage().pixel(0, 0);
    if (qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60)
        return 0;
    if (qBlue(pixel) > 200 && qRed(pixel) < 60 && qGreen(pixel) < 60)
        return 1;
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    CLogBuffer log("bench", 500, 256);
    g_pLogBuffer = &log;
    QApplication app(argc, argv);
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fprintf(stderr, "needs an X display; run bench/video_cut.sh\n");
        return 77;
    }
    gst_init(&argc, &argv);
    QTemporaryDir clips;
    std::string media[2];
    if (!PrepareClips(clips.path().toStdString(), kWidth, kHeight, media)) {
        std::fprintf(stderr, "could not make the clips\n");
        return 1;
    }

    CPreferences prefs { CPreferences::Defaults {} };
    const CServices services { prefs, nullptr, [] { return MakeBenchPlayer(); }, {} };
    CPlaylistCtrl playlist(services, nullptr);
    CShowEngine engine(services, playlist);
    if (!engine.Start()) {
        std::fprintf(stderr, "could not make the players\n");
        return 1;
    }
    QWidget window;
    window.setWindowFlags(Qt::FramelessWindowHint);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* view = new CVideoView(engine, services);
    layout->addWidget(view);
    window.setGeometry(0, 0, kWidth, kHeight);
    window.show();
    if (!WaitFor([&window] { return window.windowHandle() && window.windowHandle()->isExposed(); }, 5000))
        return 1;
    view->OnInitialUpdate();
    view->ZoomFit();
    // Opens end through the graph notification: wait for both.
    if (!engine.Execute({ ShowCommandId::Open, 0, 0, media[0] })
        || !engine.Execute({ ShowCommandId::Open, 1, 0, media[1] })
        || !WaitFor([&engine] { return !engine.IsOpening(0) && !engine.IsOpening(1); }, 10000)
        || !engine.IsOpen(0) || !engine.IsOpen(1)) {
        std::fprintf(stderr, "could not open the clips\n");
        return 1;
    }
    const QPoint centre = view->mapToGlobal(QPoint(kWidth / 2, kHeight / 2));
    if (!WaitFor([&centre] { return ColourAt(centre) == 0; }, 5000)) {
        std::fprintf(stderr, "Player A never appeared\n");
        return 1;
    }

    std::vector<double> ms;
    for (int cut = 0; cut < kCuts; ++cut) {
        const int next = (cut + 1) % 2;
        QElapsedTimer timer;
        timer.start();
        engine.Execute({ ShowCommandId::Cut, next });
        while (ColourAt(centre) != next) {
            if (timer.nsecsElapsed() > kTimeoutNs) {
                std::fprintf(stderr, "cut %d: the new picture did not appear within 2 s\n", cut);
                return 1;
            }
            QApplication::processEvents(QEventLoop::AllEvents);
        }
        ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        // Let the screen settle before the next cut.
        WaitFor([] { return false; }, 0);
    }
    auto medianOf = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        const size_t n = values.size();
        return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    };
    std::vector<double> toA, toB;
    for (size_t i = 0; i < ms.size(); ++i)
        ((i + 1) % 2 ? toB : toA).push_back(ms[i]);
    std::printf("video_cut: median to Player A %.2f ms, to Player B %.2f ms\n", medianOf(toA), medianOf(toB));
    std::vector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    const double median = (sorted[kCuts / 2 - 1] + sorted[kCuts / 2]) / 2;
    std::printf("video_cut: %d cuts at %dx%d with %s: median %.2f ms, min %.2f ms, p90 %.2f ms, max %.2f ms "
                "(target 16.7 ms)\n",
        kCuts, kWidth, kHeight, BenchPlayerName().c_str(), median, sorted.front(),
        sorted[static_cast<size_t>(kCuts * 9 / 10)], sorted.back());
    std::printf(
        "summary: cut_median_ms=%.2f cut_p90_ms=%.2f\n", median, sorted[static_cast<size_t>(kCuts * 9 / 10)]);
    delete view;
    g_pLogBuffer = nullptr;
    return 0;
}

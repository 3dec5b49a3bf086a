// Opens of the whole player on loopback, and how it answers while an open stalls.
//
// Starts zuvio (headless, fake sinks, status to a loopback port of ours) and measures
// - open: from a CMD_OPEN datagram naming CLIP to the "Player A: Opening Stream
//   ( ... ) successful." text, N times; beside it gst-launch-1.0's own preroll of
//   the same clip (playbin, fake sinks), from its "Setting pipeline to PAUSED"
//   line to its "Pipeline is PREROLLED" line, N times;
// - answers during a stalled open: Player B opens an http:// address on loopback
//   whose server accepts and never answers (reopened whenever the bound ends
//   it), while CMD_PLAY for Player A (each after a pause and its answer) is timed
//   to its "Playback started." text.
//
// Usage: open_latency ZUVIO CLIP [OPENS] [SECONDS]
#include "bench_args.h"
#include "zuvio_under_test.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace RemotePackets;

namespace {

// gst-launch-1.0's preroll of clip in ms, from its own messages; negative on failure.
double GstLaunchPreroll(const QString& clip)
{
    QProcess launch;
    launch.setProcessChannelMode(QProcess::MergedChannels);
    launch.start(QStringLiteral("gst-launch-1.0"),
        { QStringLiteral("playbin"), QStringLiteral("uri=file://") + clip,
            QStringLiteral("video-sink=fakesink sync=true"),
            QStringLiteral("audio-sink=fakesink sync=true") });
    QElapsedTimer clock;
    bool started = false;
    QByteArray pending;
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired() && launch.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
        pending += launch.readAll();
        for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            const QByteArray line = pending.left(end);
            pending.remove(0, end + 1);
            if (line.startsWith("Setting pipeline to PAUSED")) {
                clock.start();
                started = true;
            } else if (started && line.startsWith("Pipeline is PREROLLED")) {
                const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
                launch.kill();
                launch.waitForFinished(5000);
                return ms;
            }
        }
    }
    launch.kill();
    launch.waitForFinished(5000);
    return -1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const CBenchArgs args(argc, argv, 2, "open_latency ZUVIO CLIP [OPENS] [SECONDS]");
    if (!args.Valid())
        return 2;
    const QString zuvio = args.Text(1);
    const QString clip = args.Path(2);
    const int opens = args.Number(3, 20);
    const int seconds = args.Number(4, 10);

    CZuvioUnderTest player;
    if (!player.Prepare({}))
        return 3;
    if (!player.StartAndWaitForStatus(zuvio))
        return 1;

    const std::string opened
        = "Player A: Opening Stream ( " + QFileInfo(clip).fileName().toStdString() + " ) successful.\n";
    std::vector<double> openMs, launchMs;
    QElapsedTimer clock;
    for (int i = 0; i < opens; ++i) {
        clock.start();
        player.Send(0, CMD_OPEN, clip.toStdString());
        if (!player.WaitFor(kKindText, opened, 10000)) {
            std::fprintf(stderr, "no answer to open %d\n", i);
            return 1;
        }
        openMs.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        const double peer = GstLaunchPreroll(clip);
        if (peer < 0) {
            std::fprintf(stderr, "gst-launch-1.0 did not preroll the clip\n");
            return 1;
        }
        launchMs.push_back(peer);
    }

    // A server that takes the connection and never answers: Player B's open stalls for its whole bound.
    QTcpServer silent;
    std::vector<std::unique_ptr<QTcpSocket>> held;
    QObject::connect(&silent, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* socket = silent.nextPendingConnection())
            held.emplace_back(socket);
    });
    if (!silent.listen(QHostAddress::LocalHost, 0)) {
        std::fprintf(stderr, "cannot listen on loopback\n");
        return 3;
    }
    const std::string stalled = "http://127.0.0.1:" + std::to_string(silent.serverPort()) + "/stall.ogg";
    const std::string stallFailed = "Player B: Opening Stream ( " + stalled + " ) failed!\n";
    std::vector<double> answerMs;
    int stalledOpens = 1;
    player.Send(1, CMD_OPEN, stalled);
    QElapsedTimer run;
    run.start();
    while (run.elapsed() < seconds * 1000LL) {
        player.Send(0, CMD_PAUSE);
        if (!player.WaitFor(kKindText, "Player A: Playback paused.\n", 5000)) {
            std::fprintf(stderr, "no answer to pause\n");
            return 1;
        }
        clock.restart();
        player.Send(0, CMD_PLAY);
        if (!player.WaitFor(kKindText, "Player A: Playback started.\n", 5000)) {
            std::fprintf(stderr, "no answer to play\n");
            return 1;
        }
        answerMs.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        QCoreApplication::processEvents(); // the silent server takes its connections
        if (player.Seen(stallFailed)) { // the bound ended it: stall again
            player.Send(1, CMD_OPEN, stalled);
            ++stalledOpens;
        }
    }
    const bool stopped = player.Stop();

    const double ratio = Percentile(openMs, 0.5) / Percentile(launchMs, 0.5);
    // The first open of a process also loads the demuxer and decoder plugins, as every gst-launch-1.0 run
    // does.
    std::printf("CMD_OPEN to \"successful.\" over %d opens: first %.1f ms, median %.1f ms, max %.1f ms\n",
        opens, openMs.front(), Percentile(openMs, 0.5), *std::max_element(openMs.begin(), openMs.end()));
    std::printf("gst-launch-1.0 PAUSED to PREROLLED over %d runs: median %.1f ms\n", opens,
        Percentile(launchMs, 0.5));
    std::printf("CMD_PLAY to \"Playback started.\" while Player B's open stalls (%d stalled opens, %zu "
                "commands): median %.3f ms, p99 %.3f ms, max %.3f ms\n",
        stalledOpens, answerMs.size(), Percentile(answerMs, 0.5), Percentile(answerMs, 0.99),
        *std::max_element(answerMs.begin(), answerMs.end()));
    std::printf("summary: open_first_ms=%.1f open_ms=%.1f launch_preroll_ms=%.1f open_ratio=%.2f "
                "stall_answer_median_ms=%.3f stall_answer_p99_ms=%.3f stalled_opens=%d\n",
        openMs.front(), Percentile(openMs, 0.5), Percentile(launchMs, 0.5), ratio, Percentile(answerMs, 0.5),
        Percentile(answerMs, 0.99), stalledOpens);
    return stopped ? 0 : 1;
}

// Start-up time and remote command latency of the whole player, on loopback.
//
// Starts zuvio (headless, fake sinks, a scratch settings folder, status to a
// loopback port of ours) with a playlist of one generated clip, and measures
// - start-up: from the exec to the first status packet;
// - latency: from a CMD_PLAY datagram to the "Player A: Playback started."
//   text packet, over N commands (each preceded by a pause and its answer).
//
// Usage: startup_latency ZUVIO PLAYLIST [COMMANDS]
#include "bench_args.h"
#include "zuvio_under_test.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace RemotePackets;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const CBenchArgs args(argc, argv, 2, "startup_latency ZUVIO PLAYLIST [COMMANDS]");
    if (!args.Valid())
        return 2;
    const QString zuvio = args.Text(1);
    const QString playlist = args.Text(2);
    const int commands = args.Number(3, 200);

    CZuvioUnderTest player;
    if (!player.Prepare(playlist))
        return 3;
    QElapsedTimer clock;
    clock.start();
    if (!player.StartAndWaitForStatus(zuvio))
        return 1;
    const double startupMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;

    std::vector<double> latencies;
    for (int i = 0; i < commands; ++i) {
        player.Send(0, CMD_PAUSE);
        if (!player.WaitFor(kKindText, "Player A: Playback paused.\n", 5000)) {
            std::fprintf(stderr, "no answer to pause %d\n", i);
            return 1;
        }
        clock.restart();
        player.Send(0, CMD_PLAY);
        if (!player.WaitFor(kKindText, "Player A: Playback started.\n", 5000)) {
            std::fprintf(stderr, "no answer to play %d\n", i);
            return 1;
        }
        latencies.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    const bool stopped = player.Stop();

    std::printf("start-up, exec to first status packet: %.1f ms\n", startupMs);
    std::printf(
        "CMD_PLAY to \"Playback started.\" over %d commands: median %.3f ms, p99 %.3f ms, max %.3f ms\n",
        commands, Percentile(latencies, 0.5), Percentile(latencies, 0.99),
        *std::max_element(latencies.begin(), latencies.end()));
    std::printf("summary: startup_ms=%.1f play_median_ms=%.3f play_p99_ms=%.3f\n", startupMs,
        Percentile(latencies, 0.5), Percentile(latencies, 0.99));
    return stopped ? 0 : 1;
}

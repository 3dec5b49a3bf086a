// Resident memory of the whole player with both players loaded, against
// gst-play-1.0 playing one clip.
//
// The real zuvio is measured, not two CMPlayers in a bench program: what a show
// machine has to hold is the whole process (widgets, playlist, remote socket and
// both pipelines). Each run starts zuvio headless with synchronised fake sinks,
// opens CLIP in Player B and in Player A over the remote protocol (loopback
// only), plays A with B cued, and after SETTLE_MS of playback reads VmRSS from
// /proc. gst-play-1.0 plays the same clip into the same sinks and is read after
// the same time. The sides alternate; the medians are compared. With WAV, zuvio
// is measured once more per run with a playlist of 1,000 copies of WAV loaded
// at start-up (each probed for its title and length); the clip is opened once
// the probing had time to finish (PROBE_MS, 10000).
//
// Usage: memory_bench ZUVIO CLIP [RUNS] [SETTLE_MS] [WAV] [PROBE_MS]
#include "bench_args.h"
#include "zuvio_under_test.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using namespace RemotePackets;

namespace {

constexpr const char* kSink = "fakesink sync=true";

struct Resident
{
    double rssMb = -1; // VmRSS at the sampling point
    double peakMb = -1; // VmHWM
    double idleMb = -1; // zuvio only: VmRSS at its first status packet, nothing open
};

Resident ReadResident(qint64 pid)
{
    Resident r;
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    double kb = 0;
    while (status >> key) {
        if (key == "VmRSS:" && status >> kb)
            r.rssMb = kb / 1024.0;
        else if (key == "VmHWM:" && status >> kb)
            r.peakMb = kb / 1024.0;
    }
    return r;
}

// An M3U of ENTRIES links to wav (no titles or lengths: every entry is probed).
QString MakeProbedPlaylist(const QString& folder, const QString& wav, int entries)
{
    QDir().mkpath(folder);
    QByteArray list = "#EXTM3U\n";
    for (int i = 0; i < entries; ++i) {
        const QString path = folder + QStringLiteral("/tone%1.wav").arg(i);
        if (!QFile::exists(path) && !QFile::link(wav, path))
            return {};
        list += path.toLocal8Bit() + "\n";
    }
    const QString name = folder + QStringLiteral("/probed.m3u");
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(list);
    return name;
}

// probeMs: time left for the playlist's probing before the clip is opened.
Resident MeasureZuvio(
    const QString& zuvio, const QString& clip, int settleMs, const QString& playlist = {}, int probeMs = 0)
{
    CZuvioUnderTest player;
    if (!player.Prepare(playlist))
        return {};
    if (!player.StartAndWaitForStatus(zuvio))
        return {};
    const double idleMb = ReadResident(player.Pid()).rssMb;
    QThread::msleep(static_cast<unsigned long>(probeMs)); // the probing's time, not a wait for an event
    const std::string path = clip.toStdString();
    player.Send(1, CMD_OPEN, path);
    if (!player.WaitFor(kKindText, "Player B: Opening Stream", 10000)) {
        std::fprintf(stderr, "zuvio: Player B did not open the clip\n");
        return {};
    }
    player.Send(0, CMD_OPEN, path);
    if (!player.WaitFor(kKindText, "Player A: Opening Stream", 10000)) {
        std::fprintf(stderr, "zuvio: Player A did not open the clip\n");
        return {};
    }
    player.Send(0, CMD_PLAY);
    if (!player.WaitFor(kKindText, "Player A: Playback started.", 10000)) {
        std::fprintf(stderr, "zuvio: Player A did not start\n");
        return {};
    }
    QThread::msleep(static_cast<unsigned long>(settleMs)); // the sampling point, not a wait for an event
    Resident r = ReadResident(player.Pid());
    r.idleMb = idleMb;
    if (!player.Stop())
        std::fprintf(stderr, "zuvio: did not end cleanly\n");
    return r;
}

Resident MeasureGstPlay(const QString& clip, int settleMs)
{
    QProcess play;
    play.setProcessChannelMode(QProcess::MergedChannels);
    play.start(QStringLiteral("gst-play-1.0"),
        { QStringLiteral("--no-interactive"), QStringLiteral("--videosink=%1").arg(kSink),
            QStringLiteral("--audiosink=%1").arg(kSink), clip });
    if (!play.waitForStarted(10000)) {
        std::fprintf(stderr, "gst-play-1.0 did not start (gstreamer1.0-plugins-base-apps)\n");
        return {};
    }
    // "Now playing" comes before prerolling; playback starts right after "Prerolled.".
    QByteArray seen;
    QDeadlineTimer deadline(10000);
    while (!seen.contains("Prerolled.") && !deadline.hasExpired()) {
        play.waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        seen += play.readAll();
    }
    if (!seen.contains("Prerolled.")) {
        std::fprintf(stderr, "gst-play-1.0 did not play: %s\n", seen.constData());
        return {};
    }
    QThread::msleep(static_cast<unsigned long>(settleMs));
    const Resident r = ReadResident(play.processId());
    play.terminate();
    if (!play.waitForFinished(5000)) {
        play.kill();
        play.waitForFinished(5000);
    }
    return r;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const CBenchArgs args(argc, argv, 2, "memory_bench ZUVIO CLIP [RUNS] [SETTLE_MS] [WAV] [PROBE_MS]");
    if (!args.Valid())
        return 2;
    const QString zuvio = args.Text(1);
    const QString clip = args.Path(2);
    const int runs = args.Number(3, 3, 1);
    const int settleMs = args.Number(4, 3000, 0);

    const QString wav = args.Path(5);
    const int probeMs = args.Number(6, 10000, 0);
    QTemporaryDir listFolder;
    const QString playlist = wav.isEmpty() ? QString() : MakeProbedPlaylist(listFolder.path(), wav, 1000);
    if (!wav.isEmpty() && playlist.isEmpty()) {
        std::fprintf(stderr, "cannot write the 1,000-entry playlist\n");
        return 1;
    }

    std::vector<double> ours, bare, oursPeak, barePeak, oursIdle, listed, listedPeak;
    for (int run = 0; run < runs; ++run) {
        if (!playlist.isEmpty()) {
            const Resident r = MeasureZuvio(zuvio, clip, settleMs, playlist, probeMs);
            if (r.rssMb < 0) {
                std::fprintf(stderr, "zuvio with the playlist, run %d failed\n", run + 1);
                return 1;
            }
            std::printf(
                "run %d %-13s rss %7.1f MB  peak %7.1f MB\n", run + 1, "zuvio+1000", r.rssMb, r.peakMb);
            listed.push_back(r.rssMb);
            listedPeak.push_back(r.peakMb);
        }
        for (int side = 0; side < 2; ++side) {
            const bool isOurs = (run + side) % 2 == 1; // alternate who goes first
            const Resident r = isOurs ? MeasureZuvio(zuvio, clip, settleMs) : MeasureGstPlay(clip, settleMs);
            if (r.rssMb < 0) {
                std::fprintf(stderr, "%s run %d failed\n", isOurs ? "zuvio" : "gst-play-1.0", run + 1);
                return 1;
            }
            std::printf("run %d %-13s rss %7.1f MB  peak %7.1f MB", run + 1,
                isOurs ? "zuvio (A+B)" : "gst-play-1.0", r.rssMb, r.peakMb);
            if (isOurs) {
                std::printf("  (%.1f MB at start-up, nothing open)", r.idleMb);
                oursIdle.push_back(r.idleMb);
            }
            std::printf("\n");
            (isOurs ? ours : bare).push_back(r.rssMb);
            (isOurs ? oursPeak : barePeak).push_back(r.peakMb);
        }
    }
    std::printf("\nmedian of %d runs, after %d ms of playback   rss (MB)  peak (MB)\n", runs, settleMs);
    std::printf("gst-play-1.0, one clip                     %8.1f  %8.1f\n", Median(bare), Median(barePeak));
    std::printf("zuvio, Player A playing, Player B cued     %8.1f  %8.1f\n", Median(ours), Median(oursPeak));
    std::printf("zuvio at start-up, nothing open           %8.1f\n", Median(oursIdle));
    std::printf("ratio zuvio/gst-play-1.0                   %8.2f  %8.2f\n", Median(ours) / Median(bare),
        Median(oursPeak) / Median(barePeak));
    if (!listed.empty())
        std::printf("zuvio, A playing, B cued, 1,000 probed entries %8.1f  %8.1f\n", Median(listed),
            Median(listedPeak));
    std::printf("summary: rss_mb=%.1f rss_peer_mb=%.1f peak_mb=%.1f peak_peer_mb=%.1f idle_mb=%.1f",
        Median(ours), Median(bare), Median(oursPeak), Median(barePeak), Median(oursIdle));
    if (!listed.empty())
        std::printf(" rss_list_mb=%.1f peak_list_mb=%.1f", Median(listed), Median(listedPeak));
    std::printf("\n");
    return 0;
}

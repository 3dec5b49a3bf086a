// Start-up with a large restored playlist, some of whose entries never answer a
// probe: from the exec to the first answer to a remote command.
//
// The player (headless, fake sinks, status to a loopback port of ours) finds
// "LastPLS.dat" with CLIP first and then ENTRIES - 1 further entries without
// titles or lengths, so every one of them is probed: copies of WAV, and STALLS
// FIFOs (half without a writer, half holding one byte that is never followed
// by more). The current track is the clip. From the exec on, CMD_PAUSE goes to
// Player A every 10 ms until "Player A: Playback paused." comes back.
//
// Usage: restored_startup ZUVIO CLIP WAV [ENTRIES] [STALLS] [RUNS]   (1000, 20, 3)
#include "bench_args.h"
#include "zuvio_under_test.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace RemotePackets;

namespace {

// Writes the playlist and the media it names into the player's folder; the
// returned descriptors keep the one-byte FIFOs stalled.
bool MakePlaylist(const QString& root, const std::string& clip, const std::string& wav, int entries,
    int stalls, std::vector<int>& holders)
{
    const std::string folder = root.toStdString() + "/media";
    std::filesystem::create_directories(folder);
    std::string list = "#EXTM3U\n" + clip + "\n";
    const int step = std::max(1, entries / (stalls + 1)); // the stalls spread over the list
    for (int i = 1; i < entries; ++i) {
        std::string path;
        if (stalls > 0 && i % step == 0 && i / step <= stalls) {
            path = folder + "/stall" + std::to_string(i) + ".avi";
            if (::mkfifo(path.c_str(), 0600) != 0)
                return false;
            if (i % 2 == 0) {
                const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK);
                if (fd < 0 || ::write(fd, "x", 1) != 1)
                    return false;
                holders.push_back(fd);
            }
        } else {
            path = folder + "/tone" + std::to_string(i) + ".wav";
            std::error_code error;
            std::filesystem::create_hard_link(wav, path, error);
            if (error && !std::filesystem::copy_file(wav, path, error))
                return false;
        }
        list += path + "\n";
    }
    QFile file(root + QStringLiteral("/LastPLS.dat"));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QByteArray::fromStdString(list));
    return true;
}

double FirstAnswerMs(
    const QString& zuvio, const std::string& clip, const std::string& wav, int entries, int stalls)
{
    CZuvioUnderTest player;
    std::vector<int> holders;
    if (!player.PrepareSettings("[General]\nm_bShowSplash=0\nm_bReloadPlaylist=1\nm_BindIpAddress=127.0.0.1\n"
                                "[Playlist]\nm_CurTrack=0\n")
        || !MakePlaylist(player.Root(), clip, wav, entries, stalls, holders)) {
        std::fprintf(stderr, "cannot prepare the player's folder\n");
        return -1;
    }
    QElapsedTimer clock;
    clock.start();
    player.Start(zuvio);
    double ms = -1;
    while (clock.elapsed() < 120000) {
        player.Send(0, CMD_PAUSE);
        if (player.WaitFor(kKindText, "Player A: Playback paused.", 10)) {
            ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
            break;
        }
    }
    if (ms < 0)
        std::fprintf(stderr, "no answer within 120 s\n");
    player.Stop();
    for (int fd : holders)
        ::close(fd);
    return ms;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const CBenchArgs args(argc, argv, 3, "restored_startup ZUVIO CLIP WAV [ENTRIES] [STALLS] [RUNS]");
    if (!args.Valid())
        return 2;
    const QString zuvio = args.Text(1);
    const std::string clip = args.Path(2).toStdString();
    const std::string wav = args.Path(3).toStdString();
    const int entries = args.Number(4, 1000, 2);
    const int stalls = args.Number(5, 20, 0);
    const int runs = args.Number(6, 3, 1);

    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const double ms = FirstAnswerMs(zuvio, clip, wav, entries, stalls);
        if (ms < 0)
            return 1;
        std::printf("run %d: first answer %.1f ms after the start\n", run + 1, ms);
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("summary: restored_first_answer_ms=%.1f entries=%d stalls=%d\n", times[times.size() / 2],
        entries, stalls);
    return 0;
}

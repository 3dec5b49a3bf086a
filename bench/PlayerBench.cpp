// Measures CMPlayer against a bare gst-launch-1.0 playbin on the same clip with
// the same synchronised fake sinks: the time from process start to a prerolled
// pipeline, and the CPU time (user + system) of the whole run. Both sides run
// as child processes measured the same way; the runs alternate and the medians
// are compared.
//
//   zuvio_player_bench [--runs N] CLIP
#include "core/Log.h"
#include "core/LogBuffer.h"
#include "core/Messages.h"
#include "playback/MPlayer.h"
#include "playback/SinkChoice.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kSink = "fakesink sync=true";
constexpr const char* kPrerolledMarker = "Pipeline is PREROLLED";

struct Sample
{
    double openMs = -1; // process start to prerolled
    double cpuS = 0; // user + system of the child
    int status = -1;
};

// Runs argv as a child with stdout on a pipe; notes when a line holding the marker appears.
Sample Measure(const std::vector<std::string>& args)
{
    Sample sample;
    int fds[2];
    if (::pipe(fds) != 0)
        return sample;
    std::vector<char*> argv;
    for (const auto& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::close(fds[0]);
        ::close(fds[1]);
        ::execvp(argv[0], argv.data());
        std::_Exit(127);
    }
    ::close(fds[1]);
    std::string pending;
    char chunk[4096];
    ssize_t got = 0;
    while ((got = ::read(fds[0], chunk, sizeof chunk)) > 0) {
        pending.append(chunk, static_cast<size_t>(got));
        if (sample.openMs < 0 && pending.find(kPrerolledMarker) != std::string::npos)
            sample.openMs
                = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (pending.size() > 1 << 16)
            pending.erase(0, pending.size() - 64);
    }
    ::close(fds[0]);
    struct rusage usage
    {
    };
    int status = 0;
    ::wait4(pid, &status, 0, &usage);
    sample.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    sample.cpuS = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return sample;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// The measured side: open, announce preroll the way gst-launch does, play to the end.
class CBenchOwner : public CMessageTarget
{
public:
    CBasePlayer* player = nullptr;
    LRESULT SendMessage(unsigned msg, WPARAM, LPARAM) override
    {
        int32_t code = 0, p1 = 0, p2 = 0;
        while (msg == WM_GRAPHNOTIFY && player->GetEvent(code, p1, p2) >= 0)
            if (code == CBasePlayer::EC_COMPLETE || code == CBasePlayer::EC_ERRORABORT)
                QCoreApplication::exit(code == CBasePlayer::EC_COMPLETE ? 0 : 1);
        return 0;
    }
};

int RunChild(int argc, char** argv, const std::string& clip)
{
    auto log = std::make_unique<CLogBuffer>("bench", 100, 256);
    g_pLogBuffer = log.get();
    g_pLogBuffer->SetMirror(stderr);
    QCoreApplication app(argc, argv);
    SinkChoice::SetVideoSinkDescription(kSink);
    SinkChoice::SetAudioSinkDescription(kSink);
    CBenchOwner owner;
    CMPlayer player;
    owner.player = &player;
    if (!player.Init(&owner))
        return 2;
    QElapsedTimer open;
    open.start();
    if (!player.OpenMedia(clip))
        return 3;
    std::printf("%s (OpenMedia %lld ms)\n", kPrerolledMarker, static_cast<long long>(open.elapsed()));
    std::fflush(stdout);
    player.Run();
    const int result = QCoreApplication::exec();
    player.Close();
    g_pLogBuffer = nullptr;
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 3;
    std::string clip;
    bool child = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--child") == 0)
            child = true;
        else
            clip = argv[i];
    }
    if (clip.empty()) {
        std::fprintf(stderr, "Usage: zuvio_player_bench [--runs N] CLIP\n");
        return 64;
    }
    if (child)
        return RunChild(argc, argv, clip);

    char* absolute = ::realpath(clip.c_str(), nullptr);
    if (!absolute) {
        std::fprintf(stderr, "zuvio_player_bench: cannot find %s\n", clip.c_str());
        return 66;
    }
    const std::string path = absolute;
    std::free(absolute);
    char* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
    const std::vector<std::string> bare = { "gst-launch-1.0", "playbin", std::string("uri=") + uri,
        std::string("video-sink=") + kSink, std::string("audio-sink=") + kSink };
    g_free(uri);
    const std::vector<std::string> ours = { "/proc/self/exe", "--child", path };
    std::vector<double> bareOpen, bareCpu, oursOpen, oursCpu;
    for (int run = 0; run < runs; ++run) {
        for (int side = 0; side < 2; ++side) {
            const bool isOurs = (run + side) % 2 == 1; // alternate who goes first
            const Sample s = Measure(isOurs ? ours : bare);
            if (s.status != 0 || s.openMs < 0) {
                std::fprintf(
                    stderr, "%s run failed (status %d)\n", isOurs ? "CMPlayer" : "gst-launch", s.status);
                return 1;
            }
            std::printf("run %d %-10s open %7.1f ms  cpu %6.2f s\n", run + 1,
                isOurs ? "CMPlayer" : "gst-launch", s.openMs, s.cpuS);
            (isOurs ? oursOpen : bareOpen).push_back(s.openMs);
            (isOurs ? oursCpu : bareCpu).push_back(s.cpuS);
        }
    }
    const double openRatio = Median(oursOpen) / Median(bareOpen);
    const double cpuRatio = Median(oursCpu) / Median(bareCpu);
    std::printf("\nmedian of %d runs       open (ms)   cpu (s)\n", runs);
    std::printf("gst-launch-1.0 playbin  %9.1f  %8.2f\n", Median(bareOpen), Median(bareCpu));
    std::printf("CMPlayer                %9.1f  %8.2f\n", Median(oursOpen), Median(oursCpu));
    std::printf(
        "ratio CMPlayer/bare     %9.2f  %8.2f   (targets: open <= 1.20, cpu <= 1.10)\n", openRatio, cpuRatio);
    std::printf("summary: open_ms=%.1f open_peer_ms=%.1f cpu_s=%.2f cpu_peer_s=%.2f\n", Median(oursOpen),
        Median(bareOpen), Median(oursCpu), Median(bareCpu));
    return openRatio <= 1.2 && cpuRatio <= 1.1 ? 0 : 2;
}

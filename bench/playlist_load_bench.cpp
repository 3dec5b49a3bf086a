// Loading a large M3U whose entries carry titles and lengths (nothing is probed):
// the time must stay well under a second for 10,000 entries and grow linearly.
//
// Usage: playlist_load_bench [count...]   (default: 10000 20000)
#include "core/Preferences.h"
#include "playlist/PlaylistCtrl.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 5;

std::string MakePlaylist(const std::string& folder, int count)
{
    const std::string media = folder + "/media" + std::to_string(count);
    QDir().mkpath(QString::fromStdString(media));
    const std::string list = folder + "/list" + std::to_string(count) + ".m3u";
    std::ofstream out(list, std::ios::binary);
    out << "#EXTM3U\r\n";
    for (int i = 0; i < count; ++i) {
        const std::string file = media + "/clip" + std::to_string(i) + ".mp3";
        std::ofstream(file, std::ios::binary).put('\0');
        out << "#EXTINF:" << 60 + i % 3000 << ",Clip number " << i << "\r\n" << file << "\r\n";
    }
    return list;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Figures
{
    double loadMs, loadCpuMs, saveMs;
};

// CPU time of this process: on a busy machine the wall time says more about the neighbours.
double CpuMs()
{
    timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

Figures Measure(const CServices& services, const std::string& list, int count)
{
    std::vector<double> loads, cpus, saves;
    for (int run = 0; run < kRuns; ++run) {
        CPlaylistCtrl ctrl(services, nullptr);
        ctrl.Init(nullptr);
        const double c0 = CpuMs();
        const auto t0 = std::chrono::steady_clock::now();
        const std::string opened = ctrl.OpenPlaylist(list);
        const auto t1 = std::chrono::steady_clock::now();
        cpus.push_back(CpuMs() - c0);
        if (opened.empty() || ctrl.GetTrackCount() != count) {
            std::fprintf(stderr, "loaded %d of %d entries\n", ctrl.GetTrackCount(), count);
            std::exit(1);
        }
        ctrl.SavePlaylist(list + ".out.m3u");
        const auto t2 = std::chrono::steady_clock::now();
        loads.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        saves.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
    }
    return { Median(loads), Median(cpus), Median(saves) };
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/zuvio-bench-XXXXXX"));
    const std::string folder = root.path().toStdString();
    setenv("XDG_CONFIG_HOME", (folder + "/config").c_str(), 1);
    QDir::setCurrent(root.path()); // LastPLS.dat of the runs lands here
    QCoreApplication app(argc, argv);

    CPreferences prefs { CPreferences::Defaults {} };
    prefs.m_bReloadPlaylist = false;
    const CServices services { prefs, nullptr, {}, {} };

    std::vector<int> counts;
    for (int i = 1; i < argc; ++i)
        counts.push_back(std::atoi(argv[i]));
    if (counts.empty())
        counts = { 10000, 20000 };

    double first = 0;
    std::string summary = "summary:";
    std::printf("%10s %12s %12s %12s %10s\n", "entries", "load ms", "load cpu ms", "save ms", "cpu vs 1st");
    for (int count : counts) {
        const Figures f = Measure(services, MakePlaylist(folder, count), count);
        if (first == 0)
            first = f.loadCpuMs;
        std::printf("%10d %12.1f %12.1f %12.1f %9.2fx\n", count, f.loadMs, f.loadCpuMs, f.saveMs,
            f.loadCpuMs / first);
        char figures[128];
        std::snprintf(figures, sizeof figures, " load_ms_%d=%.1f load_cpu_ms_%d=%.1f", count, f.loadMs, count,
            f.loadCpuMs);
        summary += figures;
    }
    std::printf("%s\n", summary.c_str());
    return 0;
}

// osc_bundle_cost: what one hostile OSC datagram costs the interface thread.
// Each FILE holds one datagram (tests/netns/osc_hostile.py --dump KIND); each
// is handed to the OSC server (liblo's unpacking, the bounds, the matcher, the
// handlers into a command sink that only counts) ROUNDS times, timed in wall and
// thread CPU time. Prints a line per file and one "summary:" line with the
// worst median and the worst single handling over all files.
// Usage: osc_bundle_cost [--rounds N] FILE...

#include "core/Preferences.h"
#include "osc/OscServer.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

class CountingSink : public CShowCommandSink
{
public:
    ShowReply Execute(const ShowCommand&) override
    {
        ++m_nCommands;
        return ShowReply { true, {}, 0 };
    }
    long m_nCommands = 0;
};

double ThreadCpuUs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = 200;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rounds" && i + 1 < argc)
            rounds = std::atoi(argv[++i]);
        else
            files.push_back(arg);
    }
    if (files.empty() || rounds <= 0) {
        std::fprintf(stderr, "usage: osc_bundle_cost [--rounds N] FILE...\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    CPreferences prefs { CPreferences::Defaults {} };
    CountingSink sink;
    COscServer server(&sink, prefs);
    server.SetFeedbackSink([](std::uint32_t, std::uint16_t, const void*, std::size_t) {});
    if (!server.Start({ true, 0, "127.0.0.1", {} })) {
        std::fprintf(stderr, "osc_bundle_cost: no OSC server on loopback\n");
        return 3;
    }

    double worstMedianUs = 0;
    double worstUs = 0;
    double worstCpuUs = 0;
    for (const std::string& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<std::uint8_t> datagram(
            (std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.is_open() || datagram.empty()) {
            std::fprintf(stderr, "osc_bundle_cost: cannot read %s\n", file.c_str());
            return 3;
        }
        std::vector<double> wallUs;
        double cpuMaxUs = 0;
        for (int r = 0; r < rounds; ++r) {
            const double cpu0 = ThreadCpuUs();
            const auto t0 = std::chrono::steady_clock::now();
            server.HandleDatagram(datagram, 0x7f000001, 40000);
            wallUs.push_back(
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
            cpuMaxUs = std::max(cpuMaxUs, ThreadCpuUs() - cpu0);
        }
        std::sort(wallUs.begin(), wallUs.end());
        const double median = wallUs[wallUs.size() / 2];
        std::printf("%s: %zu bytes, median %.0f us, max %.0f us (cpu max %.0f us) over %d rounds\n",
            file.c_str(), datagram.size(), median, wallUs.back(), cpuMaxUs, rounds);
        worstMedianUs = std::max(worstMedianUs, median);
        worstUs = std::max(worstUs, wallUs.back());
        worstCpuUs = std::max(worstCpuUs, cpuMaxUs);
    }
    std::printf("commands: %ld\n", sink.m_nCommands);
    std::printf("summary: bundle_median_us=%.0f bundle_max_us=%.0f bundle_cpu_max_us=%.0f\n", worstMedianUs,
        worstUs, worstCpuUs);
    return 0;
}

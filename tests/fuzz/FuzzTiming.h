#pragma once

// Fails a fuzz input whose work costs more than a bound: libFuzzer's own
// -timeout counts whole seconds, and an input that holds the interface thread
// for a few milliseconds is already a fault. The bound is on this thread's CPU
// time, which other jobs on a loaded machine disturb less than wall time, but
// still do (a busy sibling core, the sanitizer's allocator touching fresh
// pages): an input over the bound is run again, and fails only when the
// cheapest of kAttempts runs is over it. A cost that belongs to the input
// comes back every time; noise does not.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace FuzzTiming {

constexpr int kAttempts = 3;

// The fuzz builds carry the sanitizers and the fuzzer's coverage counters,
// which make this code many times slower than the player's build (the
// costliest accepted 8 KB OSC bundle: 78 us of CPU in a release build, up to
// 1.09 ms here on a busy machine). There the bound is 4 ms: still a small
// fraction of what unbounded work (a backtracking match: 0.2 s and more) costs.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZUVIO_FUZZ_INSTRUMENTED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define ZUVIO_FUZZ_INSTRUMENTED 1
#endif
#ifdef ZUVIO_FUZZ_INSTRUMENTED
constexpr std::int64_t kInstrumentedSlowdown = 4;
#else
constexpr std::int64_t kInstrumentedSlowdown = 1;
#endif
constexpr std::int64_t kDefaultBoundNs = 1000000 * kInstrumentedSlowdown; // 1 ms uninstrumented

inline std::int64_t ThreadCpuNs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::int64_t { now.tv_sec } * 1000000000 + now.tv_nsec;
}

template <typename Work> std::int64_t CpuNs(Work& work)
{
    const std::int64_t start = ThreadCpuNs();
    work();
    return ThreadCpuNs() - start;
}

// Runs work (again when over the bound, kAttempts times at most); aborts
// when every run costs more than boundNs.
template <typename Work>
void RequireWithin(Work&& work, const char* what, std::int64_t boundNs = kDefaultBoundNs)
{
    std::int64_t cheapest = CpuNs(work);
    for (int attempt = 1; attempt < kAttempts && cheapest > boundNs; ++attempt)
        cheapest = std::min(cheapest, CpuNs(work));
    if (cheapest <= boundNs)
        return;
    std::fprintf(stderr, "%s took %.3f ms of CPU time (the cheapest of %d runs), over its bound of %.3f ms\n",
        what, double(cheapest) / 1e6, kAttempts, double(boundNs) / 1e6);
    std::abort();
}

} // namespace FuzzTiming

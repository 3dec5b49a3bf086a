#include "SendPacer.h"

#include "Clock.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr unsigned long kMaxQueued = 64 * 1024; // bytes of buffer, as the kernel counts them
constexpr double kMaxBacklogWait = 2.0; // seconds
constexpr std::uint64_t kBacklogEvery = 16; // datagrams between two looks at the queue

void Sleep(double seconds)
{
    const auto whole = static_cast<time_t>(seconds);
    const timespec ts { whole, static_cast<long>((seconds - static_cast<double>(whole)) * 1e9) };
    ::nanosleep(&ts, nullptr);
}

} // namespace

CSendPacer::CSendPacer(double rate, std::string backlogTable, std::uint16_t port)
    : m_Rate(rate)
    , m_Start(Now(CLOCK_MONOTONIC))
    , m_Table(std::move(backlogTable))
    , m_Port(port)
{
}

void CSendPacer::Wait(std::uint64_t sent) const
{
    if (m_Rate > 0) {
        const double ahead = m_Start + static_cast<double>(sent) / m_Rate - Now(CLOCK_MONOTONIC);
        if (ahead > 0)
            Sleep(ahead);
    }
    if (m_Table.empty() || sent % kBacklogEvery != 0)
        return;
    const double until = Now(CLOCK_MONOTONIC) + kMaxBacklogWait;
    while (Queued() > kMaxQueued && Now(CLOCK_MONOTONIC) < until)
        Sleep(0.0002);
}

unsigned long CSendPacer::Queued() const
{
    std::FILE* file = std::fopen(m_Table.c_str(), "r");
    if (file == nullptr)
        return 0;
    char line[512];
    unsigned long queued = 0;
    while (std::fgets(line, sizeof line, file) != nullptr) {
        // "sl: local_address:port rem_address:port st tx_queue:rx_queue ...", in hex.
        unsigned address = 0, port = 0, state = 0;
        unsigned long tx = 0, rx = 0;
        if (std::sscanf(line, " %*u: %x:%x %*x:%*x %x %lx:%lx", &address, &port, &state, &tx, &rx) == 5
            && port == m_Port)
            queued = std::max(queued, rx);
    }
    std::fclose(file);
    return queued;
}

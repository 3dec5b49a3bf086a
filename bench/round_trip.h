#pragma once

// The controller side of the round-trip benchmarks (remote_latency, osc_latency,
// dmx_latency): UDP sockets, a bounded wait for datagrams, and the numbered
// command series with its report. Header-only; each benchmark is one translation unit.

#include "remote/HostPort.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <vector>

namespace RoundTrip {

using Clock = std::chrono::steady_clock;

// A non-blocking UDP socket bound to address:port with a large receive buffer;
// exits with status 3 (naming the benchmark) when it cannot be made.
inline int UdpSocket(const char* name, std::uint16_t port, std::uint32_t address = INADDR_ANY)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    const int buffer = 4 << 20;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    sockaddr_in local {};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(address);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        std::fprintf(stderr, "%s: ", name);
        std::perror("socket");
        std::exit(3);
    }
    return fd;
}

inline sockaddr_in Destination(std::uint32_t address, std::uint16_t port)
{
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(address);
    return to;
}

// The command line both command benchmarks take:
//   NAME PLAYER_IP[:PORT] [RATE_PER_SECOND] [SECONDS] [LISTEN_PORT] [FROM]
// FROM is the local address to send from, which a network without a gateway needs.
struct Arguments
{
    HostPort player;
    int rate = 1000;
    int seconds = 10;
    std::uint16_t listenPort = 0;
    std::uint32_t from = INADDR_ANY;
};

// The arguments, or nothing after a usage or error line naming the benchmark.
inline std::optional<Arguments> ParseArguments(
    const char* name, int argc, char** argv, std::uint16_t defaultPort, int defaultListenPort)
{
    if (argc < 2) {
        std::fprintf(
            stderr, "usage: %s PLAYER_IP[:PORT] [RATE_PER_SECOND] [SECONDS] [LISTEN_PORT] [FROM]\n", name);
        return std::nullopt;
    }
    const auto player = ParseHostPort(argv[1], defaultPort);
    const int rate = argc > 2 ? std::atoi(argv[2]) : 1000;
    const int seconds = argc > 3 ? std::atoi(argv[3]) : 10;
    const int listenPort = argc > 4 ? std::atoi(argv[4]) : defaultListenPort;
    const auto from = argc > 5 ? ParseIPv4(argv[5]) : QHostAddress(QHostAddress::AnyIPv4);
    if (!player || !from || rate <= 0 || seconds <= 0 || listenPort <= 0 || listenPort > 65535) {
        std::fprintf(stderr, "%s: bad arguments\n", name);
        return std::nullopt;
    }
    return Arguments { *player, rate, seconds, static_cast<std::uint16_t>(listenPort),
        from->toIPv4Address() };
}

// Waits until fd is readable or `until` has come; true when it is readable.
inline bool WaitReadable(int fd, Clock::time_point until)
{
    const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(until - Clock::now());
    if (wait.count() <= 0)
        return false;
    timespec timeout { static_cast<time_t>(wait.count() / 1000000000),
        static_cast<long>(wait.count() % 1000000000) };
    pollfd pfd { fd, POLLIN, 0 };
    return ::ppoll(&pfd, 1, &timeout, nullptr) > 0;
}

// The value below which the fraction q of the sorted values lie; 0 when there are none.
inline double Quantile(const std::vector<double>& sorted, double q)
{
    return sorted.empty() ? 0.0
                          : sorted[static_cast<std::size_t>(q * static_cast<double>(sorted.size() - 1))];
}

// Sends command number 0, 1, ... at `rate` a second for `seconds` with send(seq)
// (false: a failed send), and reads the answers on `listener`: answerOf(datagram)
// gives the number a datagram answers, or -1. Stragglers get two seconds after the
// last command. Prints the round trips ("summary: median_us= p99_us= max_us= lost=");
// returns 0 when every command was answered, else 1.
template <typename Send, typename AnswerOf>
int MeasureCommands(int listener, int rate, int seconds, Send send, AnswerOf answerOf)
{
    const int total = rate * seconds;
    std::vector<Clock::time_point> sentAt(static_cast<std::size_t>(total));
    std::vector<double> latencyUs(static_cast<std::size_t>(total), -1.0);
    const auto interval = std::chrono::nanoseconds(1000000000LL / rate);
    const auto start = Clock::now();
    int sent = 0;
    int answered = 0;
    std::vector<std::uint8_t> datagram(65536);

    while (answered < total) {
        const auto now = Clock::now();
        if (sent < total && now >= start + sent * interval) {
            sentAt[static_cast<std::size_t>(sent)] = Clock::now();
            if (!send(sent))
                std::perror("sendto");
            ++sent;
            continue;
        }
        const auto deadline
            = sent < total ? start + sent * interval : start + total * interval + std::chrono::seconds(2);
        if (sent == total && now >= deadline)
            break;
        if (!WaitReadable(listener, deadline))
            continue;
        for (;;) {
            const ssize_t n = ::recv(listener, datagram.data(), datagram.size(), 0);
            if (n < 0)
                break;
            const auto received = Clock::now();
            const long seq = answerOf(std::span<std::uint8_t>(datagram.data(), static_cast<std::size_t>(n)));
            if (seq < 0 || seq >= sent || latencyUs[static_cast<std::size_t>(seq)] >= 0)
                continue;
            latencyUs[static_cast<std::size_t>(seq)]
                = std::chrono::duration<double, std::micro>(received - sentAt[static_cast<std::size_t>(seq)])
                      .count();
            ++answered;
        }
    }

    std::vector<double> done;
    for (const double us : latencyUs)
        if (us >= 0)
            done.push_back(us);
    std::sort(done.begin(), done.end());
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const int lost = total - static_cast<int>(done.size());
    const double worst = done.empty() ? 0.0 : done.back();
    std::printf("commands %d, answered %zu, lost %d, rate %d/s over %.1f s\n", total, done.size(), lost, rate,
        elapsed);
    std::printf(
        "round trip us: median %.0f, p99 %.0f, max %.0f\n", Quantile(done, 0.5), Quantile(done, 0.99), worst);
    std::printf("summary: median_us=%.0f p99_us=%.0f max_us=%.0f lost=%d\n", Quantile(done, 0.5),
        Quantile(done, 0.99), worst, lost);
    return lost == 0 ? 0 : 1;
}

} // namespace RoundTrip

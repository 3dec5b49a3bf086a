// remote_latency: the controller side of the remote-control latency benchmark.
// Sends seek commands (the value carries a sequence number) at a fixed rate and
// waits for the player's text packet that names the same number; prints the
// median, 99th percentile and worst round trip and the commands never answered.
// The destination may be a broadcast address (a cue for every player); FROM is
// the local address to send from, which a network without a gateway needs.
// Usage: remote_latency PLAYER_IP[:PORT] [RATE_PER_SECOND] [SECONDS] [LISTEN_PORT] [FROM]

#include "remote/HostPort.h"
#include "remote/RemotePackets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int UdpSocket(std::uint16_t bindPort, std::uint32_t bindAddress = INADDR_ANY)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    const int buffer = 4 << 20;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    sockaddr_in local {};
    local.sin_family = AF_INET;
    local.sin_port = htons(bindPort);
    local.sin_addr.s_addr = htonl(bindAddress);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        std::perror("remote_latency: socket");
        std::exit(3);
    }
    return fd;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr,
            "usage: remote_latency PLAYER_IP[:PORT] [RATE_PER_SECOND] [SECONDS] [LISTEN_PORT] [FROM]\n");
        return 2;
    }
    const auto player = ParseHostPort(argv[1], RemotePackets::kCommandPort);
    const int rate = argc > 2 ? std::atoi(argv[2]) : 1000;
    const int seconds = argc > 3 ? std::atoi(argv[3]) : 10;
    const int listenPort = argc > 4 ? std::atoi(argv[4]) : RemotePackets::kStatusPort;
    const auto from = argc > 5 ? ParseIPv4(argv[5]) : QHostAddress(QHostAddress::AnyIPv4);
    if (!player || !from || rate <= 0 || seconds <= 0 || listenPort <= 0 || listenPort > 65535) {
        std::fprintf(stderr, "remote_latency: bad arguments\n");
        return 2;
    }

    const int listener = UdpSocket(static_cast<std::uint16_t>(listenPort));
    const int sender = UdpSocket(0, from->toIPv4Address());
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_port = htons(player->port);
    to.sin_addr.s_addr = htonl(player->address.toIPv4Address());

    const int total = rate * seconds;
    std::vector<Clock::time_point> sentAt(static_cast<std::size_t>(total));
    std::vector<double> latencyUs(static_cast<std::size_t>(total), -1.0);
    const auto interval = std::chrono::nanoseconds(1000000000LL / rate);
    const auto start = Clock::now();
    int sent = 0;
    int answered = 0;
    std::uint8_t buffer[2048];
    const std::string prefix = "Player A: Seeking to ";

    while (answered < total) {
        const auto now = Clock::now();
        if (sent < total && now >= start + sent * interval) {
            const auto packet = RemotePackets::EncodeCommand({ 0, RemotePackets::CMD_SEEK_ABS, sent, {} });
            sentAt[static_cast<std::size_t>(sent)] = Clock::now();
            if (::sendto(sender, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to)
                < 0)
                std::perror("remote_latency: sendto");
            ++sent;
            continue;
        }
        // Stragglers get two seconds after the last command.
        const auto deadline
            = sent < total ? start + sent * interval : start + total * interval + std::chrono::seconds(2);
        if (sent == total && now >= deadline)
            break;
        const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - now);
        timespec timeout { static_cast<time_t>(wait.count() / 1000000000),
            static_cast<long>(wait.count() % 1000000000) };
        pollfd pfd { listener, POLLIN, 0 };
        if (::ppoll(&pfd, 1, &timeout, nullptr) <= 0)
            continue;
        for (;;) {
            const ssize_t n = ::recv(listener, buffer, sizeof buffer, 0);
            if (n < 0)
                break;
            const auto received = Clock::now();
            const auto decoded
                = RemotePackets::DecodeBroadcast(std::span(buffer, static_cast<std::size_t>(n)));
            if (!decoded || decoded->kind != RemotePackets::kKindText || decoded->text.rfind(prefix, 0) != 0)
                continue;
            const long seq = std::strtol(decoded->text.c_str() + prefix.size(), nullptr, 10);
            if (seq < 0 || seq >= sent || latencyUs[static_cast<std::size_t>(seq)] >= 0)
                continue;
            latencyUs[static_cast<std::size_t>(seq)]
                = std::chrono::duration<double, std::micro>(received - sentAt[static_cast<std::size_t>(seq)])
                      .count();
            ++answered;
        }
    }
    ::close(sender);
    ::close(listener);

    std::vector<double> done;
    for (const double us : latencyUs)
        if (us >= 0)
            done.push_back(us);
    std::sort(done.begin(), done.end());
    const auto at = [&](double q) {
        return done.empty() ? 0.0 : done[static_cast<std::size_t>(q * (done.size() - 1))];
    };
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("commands %d, answered %zu, lost %d, rate %d/s over %.1f s\n", total, done.size(),
        total - static_cast<int>(done.size()), rate, elapsed);
    std::printf("round trip us: median %.0f, p99 %.0f, max %.0f\n", at(0.5), at(0.99),
        done.empty() ? 0.0 : done.back());
    std::printf("summary: median_us=%.0f p99_us=%.0f max_us=%.0f lost=%d\n", at(0.5), at(0.99),
        done.empty() ? 0.0 : done.back(), total - static_cast<int>(done.size()));
    return done.size() == static_cast<std::size_t>(total) ? 0 : 1;
}

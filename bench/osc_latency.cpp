// osc_latency: the controller side of the OSC latency benchmark. Subscribes,
// then sends /zuvio/a/seek with a sequence number at a fixed rate from the same
// socket and waits for the /zuvio/status feedback line that names the number;
// prints the median, 99th percentile and worst round trip and the commands
// never answered, in the same form as remote_latency.
// Usage: osc_latency PLAYER_IP[:PORT] [RATE_PER_SECOND] [SECONDS] [LISTEN_PORT] [FROM]

#include "osc/LoHandles.h"
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
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

bool SendOsc(int fd, const sockaddr_in& to, const char* path, lo_message message)
{
    std::size_t size = 0;
    void* data = lo_message_serialise(message, path, nullptr, &size);
    const bool sent = data
        && ::sendto(fd, data, size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to)
            == static_cast<ssize_t>(size);
    std::free(data);
    return sent;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(
            stderr, "usage: osc_latency PLAYER_IP[:PORT] [RATE_PER_SECOND] [SECONDS] [LISTEN_PORT] [FROM]\n");
        return 2;
    }
    const auto player = ParseHostPort(argv[1], 31774);
    const int rate = argc > 2 ? std::atoi(argv[2]) : 1000;
    const int seconds = argc > 3 ? std::atoi(argv[3]) : 10;
    const int listenPort = argc > 4 ? std::atoi(argv[4]) : 9000;
    const auto from = argc > 5 ? ParseIPv4(argv[5]) : QHostAddress(QHostAddress::AnyIPv4);
    if (!player || !from || rate <= 0 || seconds <= 0 || listenPort <= 0 || listenPort > 65535) {
        std::fprintf(stderr, "osc_latency: bad arguments\n");
        return 2;
    }

    // One socket sends and listens: the lease a command opens is the subscription itself.
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    const int buffer = 4 << 20;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    sockaddr_in local {};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(listenPort));
    local.sin_addr.s_addr = htonl(from->toIPv4Address());
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        std::perror("osc_latency: socket");
        return 3;
    }
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_port = htons(player->port);
    to.sin_addr.s_addr = htonl(player->address.toIPv4Address());
    {
        LoMessagePtr subscribe(lo_message_new());
        lo_message_add_int32(subscribe.get(), listenPort);
        lo_message_add_int32(subscribe.get(), 3600);
        SendOsc(fd, to, "/zuvio/subscribe", subscribe.get());
    }

    const int total = rate * seconds;
    std::vector<Clock::time_point> sentAt(static_cast<std::size_t>(total));
    std::vector<double> latencyUs(static_cast<std::size_t>(total), -1.0);
    const auto interval = std::chrono::nanoseconds(1000000000LL / rate);
    const auto start = Clock::now();
    int sent = 0;
    int answered = 0;
    std::vector<char> datagram(65536);
    const std::string prefix = "Player A: Seeking to ";

    while (answered < total) {
        const auto now = Clock::now();
        if (sent < total && now >= start + sent * interval) {
            LoMessagePtr seek(lo_message_new());
            lo_message_add_int32(seek.get(), sent);
            sentAt[static_cast<std::size_t>(sent)] = Clock::now();
            if (!SendOsc(fd, to, "/zuvio/a/seek", seek.get()))
                std::perror("osc_latency: sendto");
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
        pollfd pfd { fd, POLLIN, 0 };
        if (::ppoll(&pfd, 1, &timeout, nullptr) <= 0)
            continue;
        for (;;) {
            const ssize_t n = ::recv(fd, datagram.data(), datagram.size(), 0);
            if (n < 0)
                break;
            const auto received = Clock::now();
            if (std::strcmp(datagram.data(), "/zuvio/status") != 0)
                continue;
            int result = 0;
            LoMessagePtr message(
                lo_message_deserialise(datagram.data(), static_cast<std::size_t>(n), &result));
            if (!message || lo_message_get_argc(message.get()) != 1
                || lo_message_get_types(message.get())[0] != 's')
                continue;
            const std::string text = reinterpret_cast<const char*>(lo_message_get_argv(message.get())[0]);
            if (text.rfind(prefix, 0) != 0)
                continue;
            const long seq = std::strtol(text.c_str() + prefix.size(), nullptr, 10);
            if (seq < 0 || seq >= sent || latencyUs[static_cast<std::size_t>(seq)] >= 0)
                continue;
            latencyUs[static_cast<std::size_t>(seq)]
                = std::chrono::duration<double, std::micro>(received - sentAt[static_cast<std::size_t>(seq)])
                      .count();
            ++answered;
        }
    }
    ::close(fd);

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

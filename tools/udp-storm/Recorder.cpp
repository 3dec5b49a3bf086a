#include "Recorder.h"

#include "BroadcastCheck.h"
#include "Clock.h"
#include "remote/RemotePackets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <vector>

int RunRecorder(std::uint16_t port, double seconds, const volatile std::sig_atomic_t& stop)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    const int buffer = 1 << 20;
    sockaddr_in at {};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_ANY);
    at.sin_port = htons(port);
    if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0
        || ::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on) != 0
        || ::bind(fd, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0) {
        std::fprintf(stderr, "udp-storm: cannot listen on port %u: %s\n", port, std::strerror(errno));
        return 3;
    }
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    // Wakes up now and then to look at the clock and the stop flag.
    const timeval wake { 0, 200000 };
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wake, sizeof wake);
    std::printf("recording %u\n", port);
    std::fflush(stdout);

    const double end = seconds > 0 ? Now(CLOCK_MONOTONIC) + seconds : 0;
    std::vector<std::uint8_t> data(65536);
    char control[CMSG_SPACE(sizeof(timespec))];
    while (stop == 0 && (end == 0 || Now(CLOCK_MONOTONIC) < end)) {
        iovec iov { data.data(), data.size() };
        msghdr msg {};
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(fd, &msg, 0);
        if (n < 0)
            continue;
        double when = Now(CLOCK_REALTIME);
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
                timespec ts {};
                std::memcpy(&ts, CMSG_DATA(c), sizeof ts);
                when = static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
            }
        }
        const std::span<const std::uint8_t> bytes(data.data(), static_cast<std::size_t>(n));
        const auto broadcast = RemotePackets::DecodeBroadcast(bytes);
        const char* kind = !broadcast                       ? "other"
            : broadcast->kind == RemotePackets::kKindStatus ? "status"
                                                            : "text";
        std::string line(static_cast<std::size_t>(n) * 2, '0');
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            static const char digits[] = "0123456789abcdef";
            line[2 * i] = digits[bytes[i] >> 4];
            line[2 * i + 1] = digits[bytes[i] & 15];
        }
        std::printf("%.9f %s %s %s\n", when, kind, CheckBroadcast(bytes).c_str(), line.c_str());
        std::fflush(stdout);
    }
    ::close(fd);
    return 0;
}

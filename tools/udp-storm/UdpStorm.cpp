// udp-storm: hostile traffic for the player's command port, and a recorder of
// what the player broadcasts, with the kernel's receive time of each packet.
// Plain sockets, no event loop: the sender must reach the highest rate the
// machine allows, and the recorder's timestamps must not depend on being
// scheduled in time.

#include "Clock.h"
#include "Mutator.h"
#include "Recorder.h"
#include "SendPacer.h"
#include "core/ParseNumber.h"
#include "remote/RemotePackets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace {

const char* const kUsage = R"(Usage: udp-storm [options] MODE

Modes:
  random N     N datagrams of random length 0..2000 with random bytes
  magic N      N command-sized datagrams with the command magic and mutated
               bodies whose command code is never one that acts (code 12,
               which has no handler, may occur)
  hostile N    N commands with acting codes and hostile arguments: wild
               player indexes, seeks and volumes, garbage and unterminated
               paths, playlist positions out of range
  flood SECS   invalid datagrams (as random and magic) as fast as they go
  record       print every datagram arriving on --port, one line each:
               SECONDS.NANOSECONDS KIND VERDICT HEX (kernel receive time,
               realtime clock; KIND status, text or other)

Options:
  --host ADDR[:PORT]   where to send (default 127.0.0.1:31773)
  --port PORT          record: port to listen on (default 31772)
  --seconds S          record: stop after S seconds (default: on SIGTERM)
  --rate N             random, magic, hostile: at most N datagrams a second
                       (default 0: as fast as they go)
  --backlog FILE       random, magic, hostile: FILE is /proc/PID/net/udp of the
                       player's namespace; sending pauses (2 s at most) while
                       the socket on the --host port holds more than 64 KiB
  --seed N             random seed (default 1)

The send modes end with one line: mode, datagrams sent, send errors, seconds,
rate, and the realtime clock at the first and after the last datagram.
)";

volatile std::sig_atomic_t g_bStop = 0;

void OnSignal(int)
{
    g_bStop = 1;
}

struct Options
{
    in_addr host { htonl(INADDR_LOOPBACK) };
    std::uint16_t hostPort = RemotePackets::kCommandPort;
    std::uint16_t port = RemotePackets::kStatusPort;
    double seconds = 0;
    double rate = 0;
    std::string backlog; // /proc/PID/net/udp of the receiver's namespace
    std::uint64_t seed = 1;
    std::string mode;
    double amount = 0; // N or SECS
};

int Usage(const std::string& error)
{
    std::fprintf(stderr, "udp-storm: %s\nTry 'udp-storm --help'.\n", error.c_str());
    return 2;
}

struct Tally
{
    std::uint64_t sent = 0;
    std::uint64_t errors = 0;
};

void SendOne(int fd, const std::vector<std::uint8_t>& datagram, Tally& tally)
{
    // A refusal reports an earlier datagram's ICMP error, not this one: try again.
    // ENOBUFS and the like under a flood are counted, and the storm goes on.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (::send(fd, datagram.data(), datagram.size(), 0) == static_cast<ssize_t>(datagram.size())) {
            ++tally.sent;
            return;
        }
        if (errno != ECONNREFUSED)
            break;
    }
    ++tally.errors;
}

void Report(const Options& o, const Tally& tally, double startReal, double endReal, double seconds)
{
    std::printf("mode=%s sent=%llu errors=%llu seconds=%.3f rate=%.0f start=%.6f end=%.6f\n", o.mode.c_str(),
        static_cast<unsigned long long>(tally.sent), static_cast<unsigned long long>(tally.errors), seconds,
        seconds > 0 ? static_cast<double>(tally.sent) / seconds : 0.0, startReal, endReal);
    std::fflush(stdout);
}

int OpenSender(const Options& o)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return -1;
    const int buffer = 4 << 20;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_addr = o.host;
    to.sin_port = htons(o.hostPort);
    // Connected for speed; the port-unreachable errors that a connected socket
    // reports on later sends are told apart in SendOne.
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int RunSender(const Options& o)
{
    const int fd = OpenSender(o);
    if (fd < 0) {
        std::fprintf(stderr, "udp-storm: cannot open a socket: %s\n", std::strerror(errno));
        return 3;
    }
    CMutator mutator(o.seed);
    Tally tally;
    const double startReal = Now(CLOCK_REALTIME);
    const double start = Now(CLOCK_MONOTONIC);
    if (o.mode == "flood") {
        // A pool made in advance and sent 64 at a time: the loop does nothing but send.
        constexpr std::size_t kBatch = 64;
        std::vector<std::vector<std::uint8_t>> pool;
        for (int i = 0; i < 4096; ++i)
            pool.push_back(i % 2 == 0 ? mutator.RandomDatagram() : mutator.MagicDatagram());
        std::vector<iovec> iov(pool.size());
        std::vector<mmsghdr> messages(pool.size());
        for (std::size_t i = 0; i < pool.size(); ++i) {
            iov[i] = { pool[i].data(), pool[i].size() };
            messages[i].msg_hdr.msg_iov = &iov[i];
            messages[i].msg_hdr.msg_iovlen = 1;
        }
        const double end = start + o.amount;
        std::size_t at = 0;
        while (g_bStop == 0 && Now(CLOCK_MONOTONIC) < end) {
            // Datagrams after a failed one are not sent: the next call starts there.
            const int n = ::sendmmsg(fd, &messages[at], kBatch, 0);
            if (n > 0) {
                tally.sent += static_cast<std::uint64_t>(n);
                at = (at + static_cast<std::size_t>(n)) % (pool.size() - kBatch);
            } else if (errno != ECONNREFUSED) { // a refusal reports an earlier datagram's ICMP error
                ++tally.errors;
            }
        }
    } else {
        const CSendPacer pacer(o.rate, o.backlog, o.hostPort);
        const auto count = static_cast<std::uint64_t>(o.amount);
        for (std::uint64_t i = 0; i < count && g_bStop == 0; ++i) {
            pacer.Wait(i);
            if (o.mode == "random")
                SendOne(fd, mutator.RandomDatagram(), tally);
            else if (o.mode == "magic")
                SendOne(fd, mutator.MagicDatagram(), tally);
            else
                SendOne(fd, mutator.HostileCommand(i), tally);
        }
    }
    const double seconds = Now(CLOCK_MONOTONIC) - start;
    Report(o, tally, startReal, Now(CLOCK_REALTIME), seconds);
    ::close(fd);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg.rfind("--", 0) != 0) {
            words.push_back(arg);
            continue;
        }
        if (i + 1 >= argc)
            return Usage("option '" + arg + "' needs a value");
        const std::string value = argv[++i];
        if (arg == "--host") {
            const std::size_t colon = value.find(':');
            const auto port = colon == std::string::npos
                ? std::optional(RemotePackets::kCommandPort)
                : ParseNumber<std::uint16_t>(value.substr(colon + 1));
            if (::inet_pton(AF_INET, value.substr(0, colon).c_str(), &o.host) != 1 || !port || *port == 0)
                return Usage("--host wants a numeric IPv4 address with an optional :port");
            o.hostPort = *port;
        } else if (arg == "--port") {
            const auto port = ParseNumber<std::uint16_t>(value);
            if (!port || *port == 0)
                return Usage("--port wants 1..65535");
            o.port = *port;
        } else if (arg == "--seconds" || arg == "--rate") {
            char* end = nullptr;
            const double v = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != '\0' || !(v >= 0) || v > 1e9)
                return Usage(arg + " wants a number of 0 or more");
            (arg == "--seconds" ? o.seconds : o.rate) = v;
        } else if (arg == "--backlog") {
            o.backlog = value;
        } else if (arg == "--seed") {
            const auto seed = ParseNumber<std::uint64_t>(value);
            if (!seed)
                return Usage("--seed wants an unsigned number");
            o.seed = *seed;
        } else {
            return Usage("unknown option '" + arg + "'");
        }
    }
    if (words.empty())
        return Usage("no mode given");
    o.mode = words[0];
    const bool sender = o.mode == "random" || o.mode == "magic" || o.mode == "hostile" || o.mode == "flood";
    if (!sender && o.mode != "record")
        return Usage("unknown mode '" + o.mode + "'");
    if (sender) {
        char* end = nullptr;
        if (words.size() != 2 || (o.amount = std::strtod(words[1].c_str(), &end), *end != '\0')
            || !(o.amount >= 0) || o.amount > 1e12)
            return Usage(o.mode + " wants one number");
    } else if (words.size() != 1) {
        return Usage("record takes no arguments");
    }

    struct sigaction action
    {
    };
    action.sa_handler = OnSignal;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    return sender ? RunSender(o) : RunRecorder(o.port, o.seconds, g_bStop);
}

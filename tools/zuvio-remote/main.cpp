// zuvio-remote: sends remote-control commands to a player and prints the
// status and text packets it broadcasts.

#include "PacketPrinter.h"
#include "core/ParseNumber.h"
#include "remote/HostPort.h"
#include "remote/RemotePackets.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QUdpSocket>

#include <sys/socket.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitTimeout = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNetwork = 3;

const char* const kUsage = R"(Usage: zuvio-remote [options] COMMAND [arguments]

Commands (PLAYER is A, B, or a player index such as 0 or 1):
  play PLAYER              make PLAYER active and start it
  pause PLAYER             pause PLAYER
  stop PLAYER              stop PLAYER
  select PLAYER            make PLAYER the active one
  open PLAYER REF          open REF in PLAYER: a file path, a stream address,
                           or ":N" for entry N of the playlist (from 1)
  seek PLAYER MS           seek PLAYER to MS milliseconds
  volume PLAYER PERCENT    set the volume in percent
  raw CODE PLAYER [VALUE [TEXT]]
                           send any command code with any value and text
  listen                   print status and text packets as they arrive

Options:
  --host ADDR[:PORT]       player to send to (default 127.0.0.1:31773)
  --listen-port PORT       port that status and text packets arrive on (31772)
  --bind ADDR              local address to listen on (default 0.0.0.0)
  --from ADDR              local address to send from (default: the routing
                           table's choice); a command to 255.255.255.255 then
                           leaves through the adapter of ADDR, which a network
                           without a default route needs
  --replies N              after sending, print the next N packets
  --count N                listen: stop after N packets
  --timeout SECONDS        stop listening after this long (default: never for
                           listen, 5 with --replies); fractions allowed
  --kind status|text       print and count only packets of this kind
  --json                   print one JSON object per line
  --timestamps             add each packet's arrival time, in milliseconds
                           since the epoch ("t" in JSON)
  -h, --help               show this text

Exit status: 0 done, 1 timed out before N packets, 2 bad arguments,
3 network error.
)";

struct Options
{
    HostPort host { QHostAddress(QHostAddress::LocalHost), RemotePackets::kCommandPort };
    std::uint16_t listenPort = RemotePackets::kStatusPort;
    QHostAddress bind { QHostAddress::AnyIPv4 };
    QHostAddress from { QHostAddress::AnyIPv4 };
    std::optional<long> replies;
    std::optional<long> count;
    std::optional<double> timeout;
    int kind = -1; // -1: both
    bool json = false;
    bool timestamps = false;
    std::vector<std::string> words;
};

int Usage(const std::string& error)
{
    std::fprintf(stderr, "zuvio-remote: %s\nTry 'zuvio-remote --help'.\n", error.c_str());
    return kExitUsage;
}

std::optional<std::int32_t> Player(const std::string& text)
{
    if (text == "A" || text == "a")
        return 0;
    if (text == "B" || text == "b")
        return 1;
    return ParseNumber<std::int32_t>(text);
}

// Returns an exit status for a bad command line, nothing when it parsed.
std::optional<int> ParseOptions(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool takesValue = arg == "--host" || arg == "--listen-port" || arg == "--bind"
            || arg == "--from" || arg == "--replies" || arg == "--count" || arg == "--timeout"
            || arg == "--kind";
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return kExitOk;
        }
        if (arg == "--json") {
            o.json = true;
            continue;
        }
        if (arg == "--timestamps") {
            o.timestamps = true;
            continue;
        }
        if (!takesValue) {
            if (arg.rfind("--", 0) == 0)
                return Usage("unknown option '" + arg + "'");
            o.words.push_back(arg);
            continue;
        }
        if (i + 1 >= argc)
            return Usage("option '" + arg + "' needs a value");
        const std::string value = argv[++i];
        if (arg == "--host") {
            const auto host = ParseHostPort(value, RemotePackets::kCommandPort);
            if (!host)
                return Usage(
                    "--host wants a numeric IPv4 address with an optional :port, not '" + value + "'");
            o.host = *host;
        } else if (arg == "--listen-port") {
            const auto port = ParseNumber<std::uint16_t>(value);
            if (!port || *port == 0)
                return Usage("--listen-port wants a port 1..65535, not '" + value + "'");
            o.listenPort = *port;
        } else if (arg == "--bind") {
            const auto address = ParseIPv4(value);
            if (!address)
                return Usage("--bind wants a numeric IPv4 address, not '" + value + "'");
            o.bind = *address;
        } else if (arg == "--from") {
            const auto address = ParseIPv4(value);
            if (!address)
                return Usage("--from wants a numeric IPv4 address, not '" + value + "'");
            o.from = *address;
        } else if (arg == "--replies" || arg == "--count") {
            const auto n = ParseNumber<long>(value);
            if (!n || *n < 0)
                return Usage(arg + " wants a count of 0 or more, not '" + value + "'");
            (arg == "--replies" ? o.replies : o.count) = *n;
        } else if (arg == "--timeout") {
            char* end = nullptr;
            const double seconds = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != '\0' || !(seconds >= 0) || seconds > 86400)
                return Usage("--timeout wants seconds (0..86400), not '" + value + "'");
            o.timeout = seconds;
        } else if (arg == "--kind") {
            if (value != "status" && value != "text")
                return Usage("--kind wants 'status' or 'text', not '" + value + "'");
            o.kind = value == "status" ? RemotePackets::kKindStatus : RemotePackets::kKindText;
        }
    }
    if (o.words.empty())
        return Usage("no command given");
    return std::nullopt;
}

// The command packet for the words, or an exit status for bad words.
std::optional<int> BuildCommand(const std::vector<std::string>& w, RemotePackets::Command& c)
{
    using namespace RemotePackets;
    const std::string& name = w[0];
    struct Shape
    {
        const char* name;
        std::int32_t code;
        std::size_t words; // including the command itself
        const char* arguments;
    };
    static const Shape shapes[] = {
        { "play", CMD_PLAY, 2, "PLAYER" },
        { "pause", CMD_PAUSE, 2, "PLAYER" },
        { "stop", CMD_STOP, 2, "PLAYER" },
        { "select", CMD_SET_ACTIVE, 2, "PLAYER" },
        { "open", CMD_OPEN, 3, "PLAYER REF" },
        { "seek", CMD_SEEK_ABS, 3, "PLAYER MS" },
        { "volume", CMD_VOLUME, 3, "PLAYER PERCENT" },
    };
    if (name == "raw") {
        if (w.size() < 3 || w.size() > 5)
            return Usage("raw wants CODE PLAYER [VALUE [TEXT]]");
        const auto code = ParseNumber<std::int32_t>(w[1]);
        const auto player = Player(w[2]);
        const auto value = w.size() > 3 ? ParseNumber<std::int32_t>(w[3]) : std::optional<std::int32_t>(0);
        if (!code || !player || !value)
            return Usage("raw wants 32-bit integers for CODE, PLAYER and VALUE");
        c = { *player, *code, *value, w.size() > 4 ? w[4] : std::string() };
    } else {
        const Shape* shape = nullptr;
        for (const Shape& s : shapes)
            if (name == s.name)
                shape = &s;
        if (shape == nullptr)
            return Usage("unknown command '" + name + "'");
        if (w.size() != shape->words)
            return Usage(name + " wants " + shape->arguments);
        const auto player = Player(w[1]);
        if (!player)
            return Usage("PLAYER is A, B or a 32-bit index, not '" + w[1] + "'");
        c = { *player, shape->code, 0, {} };
        if (shape->code == CMD_OPEN) {
            if (w[2].empty() || w[2].size() > kCommandTextSize - 1)
                return Usage("REF must be 1 to 511 characters long");
            c.text = w[2];
        } else if (shape->words == 3) {
            const auto value = ParseNumber<std::int32_t>(w[2]);
            if (!value)
                return Usage(name + " wants a 32-bit integer, not '" + w[2] + "'");
            c.value = *value;
        }
    }
    return std::nullopt;
}

// Prints matching packets until `limit` were printed (none: no limit) or the time is up.
int Listen(QUdpSocket& socket, const Options& o, std::optional<long> limit, std::optional<double> seconds)
{
    const QDeadlineTimer deadline = seconds ? QDeadlineTimer(static_cast<qint64>(*seconds * 1000))
                                            : QDeadlineTimer(QDeadlineTimer::Forever);
    long printed = 0;
    std::vector<std::uint8_t> buffer(65536);
    while (!limit || printed < *limit) {
        if (!socket.hasPendingDatagrams()
            && !socket.waitForReadyRead(static_cast<int>(
                std::min<qint64>(deadline.remainingTime() < 0 ? 1000 : deadline.remainingTime(), 1000)))) {
            if (deadline.hasExpired())
                break;
            continue;
        }
        QHostAddress from;
        const qint64 n = socket.readDatagram(
            reinterpret_cast<char*>(buffer.data()), static_cast<qint64>(buffer.size()), &from);
        if (n < 0)
            continue;
        const auto packet
            = RemotePackets::DecodeBroadcast(std::span(buffer.data(), static_cast<std::size_t>(n)));
        if (!packet || (o.kind >= 0 && packet->kind != o.kind))
            continue;
        std::string line = FormatBroadcast(*packet, from.toString().toStdString(), o.json);
        if (o.timestamps) {
            const std::string t = std::to_string(QDateTime::currentMSecsSinceEpoch());
            line = o.json ? "{\"t\":" + t + "," + line.substr(1) : "t=" + t + " " + line;
        }
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
        ++printed;
    }
    if (limit && printed < *limit) {
        std::fprintf(stderr, "zuvio-remote: timed out after %ld of %ld packets\n", printed, *limit);
        return kExitTimeout;
    }
    return kExitOk;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    if (const auto exitCode = ParseOptions(argc, argv, o))
        return *exitCode;
    QCoreApplication app(argc, argv);

    const bool listenOnly = o.words[0] == "listen";
    if (listenOnly && o.words.size() != 1)
        return Usage("listen takes no arguments");
    RemotePackets::Command command;
    if (!listenOnly) {
        if (const auto exitCode = BuildCommand(o.words, command))
            return *exitCode;
    }

    // The listener is up before the command goes out, so no answer is missed.
    QUdpSocket listener;
    const bool listening = listenOnly || o.replies.value_or(0) > 0;
    if (listening
        && !listener.bind(
            o.bind, o.listenPort, QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
        std::fprintf(stderr, "zuvio-remote: cannot listen on %s:%u: %s\n",
            o.bind.toString().toUtf8().constData(), o.listenPort,
            listener.errorString().toUtf8().constData());
        return kExitNetwork;
    }

    if (!listenOnly) {
        QUdpSocket sender;
        const int on = 1;
        if (!sender.bind(o.from, 0)
            || ::setsockopt(
                   static_cast<int>(sender.socketDescriptor()), SOL_SOCKET, SO_BROADCAST, &on, sizeof on)
                != 0) {
            std::fprintf(stderr, "zuvio-remote: cannot open a socket: %s\n",
                sender.errorString().toUtf8().constData());
            return kExitNetwork;
        }
        const auto packet = RemotePackets::EncodeCommand(command);
        if (sender.writeDatagram(reinterpret_cast<const char*>(packet.data()),
                static_cast<qint64>(packet.size()), o.host.address, o.host.port)
            != static_cast<qint64>(packet.size())) {
            std::fprintf(stderr, "zuvio-remote: sending to %s:%u failed: %s\n",
                o.host.address.toString().toUtf8().constData(), o.host.port,
                sender.errorString().toUtf8().constData());
            return kExitNetwork;
        }
        if (!listening)
            return kExitOk;
        return Listen(listener, o, o.replies, o.timeout.value_or(5.0));
    }
    return Listen(listener, o, o.count, o.timeout);
}

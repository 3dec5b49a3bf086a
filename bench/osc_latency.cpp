// osc_latency: the controller side of the OSC latency benchmark. Subscribes,
// then sends /zuvio/a/seek with a sequence number at a fixed rate from the same
// socket and waits for the /zuvio/status feedback line that names the number;
// prints the median, 99th percentile and worst round trip and the commands
// never answered, in the same form as remote_latency.
// Usage: osc_latency PLAYER_IP[:PORT] [RATE_PER_SECOND] [SECONDS] [LISTEN_PORT] [FROM]

#include "osc/LoHandles.h"
#include "round_trip.h"

#include <cstring>
#include <string>

namespace {

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

// The sequence number a /zuvio/status line "<prefix><number>..." names, or -1.
long AnsweredSeek(std::span<std::uint8_t> datagram, const std::string& prefix)
{
    auto* data = reinterpret_cast<char*>(datagram.data());
    if (::strnlen(data, datagram.size()) == datagram.size() || std::strcmp(data, "/zuvio/status") != 0)
        return -1;
    int result = 0;
    LoMessagePtr message(lo_message_deserialise(data, datagram.size(), &result));
    if (!message || lo_message_get_argc(message.get()) != 1 || lo_message_get_types(message.get())[0] != 's')
        return -1;
    const std::string text = reinterpret_cast<const char*>(lo_message_get_argv(message.get())[0]);
    if (text.rfind(prefix, 0) != 0)
        return -1;
    return std::strtol(text.c_str() + prefix.size(), nullptr, 10);
}

} // namespace

int main(int argc, char** argv)
{
    const auto args = RoundTrip::ParseArguments("osc_latency", argc, argv, 31774, 9000);
    if (!args)
        return 2;
    // One socket sends and listens: the lease a command opens is the subscription itself.
    const int fd = RoundTrip::UdpSocket("osc_latency", args->listenPort, args->from);
    const sockaddr_in to = RoundTrip::Destination(args->player.address.toIPv4Address(), args->player.port);
    {
        LoMessagePtr subscribe(lo_message_new());
        lo_message_add_int32(subscribe.get(), args->listenPort);
        lo_message_add_int32(subscribe.get(), 3600);
        SendOsc(fd, to, "/zuvio/subscribe", subscribe.get());
    }
    const std::string prefix = "Player A: Seeking to ";

    const int status = RoundTrip::MeasureCommands(
        fd, args->rate, args->seconds,
        [&](int seq) {
            LoMessagePtr seek(lo_message_new());
            lo_message_add_int32(seek.get(), seq);
            return SendOsc(fd, to, "/zuvio/a/seek", seek.get());
        },
        [&](std::span<std::uint8_t> datagram) { return AnsweredSeek(datagram, prefix); });
    ::close(fd);
    return status;
}

// remote_latency: the controller side of the remote-control latency benchmark.
// Sends seek commands (the value carries a sequence number) at a fixed rate and
// waits for the player's text packet that names the same number; prints the
// median, 99th percentile and worst round trip and the commands never answered.
// The destination may be a broadcast address (a cue for every player); FROM is
// the local address to send from, which a network without a gateway needs.
// Usage: remote_latency PLAYER_IP[:PORT] [RATE_PER_SECOND] [SECONDS] [LISTEN_PORT] [FROM]

#include "remote/RemotePackets.h"
#include "round_trip.h"

#include <string>

int main(int argc, char** argv)
{
    const auto args = RoundTrip::ParseArguments(
        "remote_latency", argc, argv, RemotePackets::kCommandPort, RemotePackets::kStatusPort);
    if (!args)
        return 2;
    const int listener = RoundTrip::UdpSocket("remote_latency", args->listenPort);
    const int sender = RoundTrip::UdpSocket("remote_latency", 0, args->from);
    const sockaddr_in to = RoundTrip::Destination(args->player.address.toIPv4Address(), args->player.port);
    const std::string prefix = "Player A: Seeking to ";

    const int status = RoundTrip::MeasureCommands(
        listener, args->rate, args->seconds,
        [&](int seq) {
            const auto packet = RemotePackets::EncodeCommand({ 0, RemotePackets::CMD_SEEK_ABS, seq, {} });
            return ::sendto(sender, packet.data(), packet.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                       sizeof to)
                >= 0;
        },
        [&](std::span<std::uint8_t> datagram) {
            const auto decoded = RemotePackets::DecodeBroadcast(datagram);
            if (!decoded || decoded->kind != RemotePackets::kKindText || decoded->text.rfind(prefix, 0) != 0)
                return -1L;
            return std::strtol(decoded->text.c_str() + prefix.size(), nullptr, 10);
        });
    ::close(sender);
    ::close(listener);
    return status;
}

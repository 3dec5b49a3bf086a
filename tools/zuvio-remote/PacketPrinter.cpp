#include "PacketPrinter.h"

#include <cstdio>

namespace {

// Texts are 8-bit: anything that is not printable ASCII is escaped, so every
// line stays one line and JSON stays valid UTF-8.
std::string Quoted(const std::string& text, bool json)
{
    std::string out = "\"";
    for (const unsigned char c : text) {
        char buffer[8];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
        } else {
            std::snprintf(buffer, sizeof buffer, json ? "\\u%04x" : "\\x%02x", c);
            out += buffer;
        }
    }
    return out + "\"";
}

std::string Mac(const std::array<std::uint8_t, 6>& mac)
{
    char buffer[18];
    std::snprintf(buffer, sizeof buffer, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3],
        mac[4], mac[5]);
    return buffer;
}

} // namespace

const char* PlayStateName(int state)
{
    switch (state) {
    case 0:
        return "Stopped";
    case 1:
        return "Paused";
    case 2:
        return "Playing";
    case 3:
        return "Seeking";
    default:
        return "Unknown";
    }
}

std::string FormatBroadcast(const RemotePackets::Broadcast& packet, const std::string& from, bool json)
{
    if (packet.kind == RemotePackets::kKindText) {
        if (json)
            return "{\"kind\":\"text\",\"from\":" + Quoted(from, true)
                + ",\"text\":" + Quoted(packet.text, true) + "}";
        return "text from=" + from + " " + Quoted(packet.text, false);
    }
    const RemotePackets::StatusRecord& s = packet.status;
    const std::string player = s.activeIndex == 0 ? "A"
        : s.activeIndex == 1                      ? "B"
                                                  : std::to_string(s.activeIndex);
    if (json)
        return "{\"kind\":\"status\",\"from\":" + Quoted(from, true)
            + ",\"state\":" + std::to_string(s.playState) + ",\"stateName\":\"" + PlayStateName(s.playState)
            + "\",\"position\":" + std::to_string(s.position) + ",\"duration\":" + std::to_string(s.duration)
            + ",\"volume\":" + std::to_string(s.volume) + ",\"active\":" + std::to_string(s.activeIndex)
            + ",\"file\":" + Quoted(s.fileName, true) + ",\"mac\":\"" + Mac(s.mac) + "\"}";
    return "status from=" + from + " player=" + player + " state=" + PlayStateName(s.playState)
        + " position=" + std::to_string(s.position) + " duration=" + std::to_string(s.duration)
        + " volume=" + std::to_string(s.volume) + " file=" + Quoted(s.fileName, false) + " mac=" + Mac(s.mac);
}

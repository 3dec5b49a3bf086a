#include "remote/RemotePackets.h"

#include "core/Messages.h"

#include <algorithm>
#include <cstring>

namespace RemotePackets {

namespace {

constexpr std::uint8_t kCommandMagic[4] = { 'Y', 'C', 'U', 'L' };
constexpr std::uint8_t kBroadcastMagic[4] = { 'X', 'O', 'L', 'A' };

void PutUInt32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutUInt16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value)
{
    bytes[offset] = static_cast<std::uint8_t>(value);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

// Writes at most size - 1 characters and leaves the rest of the field zero.
void PutField(std::span<std::uint8_t> bytes, std::size_t offset, std::size_t size, std::string_view text)
{
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(bytes.data() + offset, text.data(), n);
}

bool HasMagic(std::span<const std::uint8_t> bytes, const std::uint8_t (&magic)[4])
{
    return bytes.size() >= 4 && std::memcmp(bytes.data(), magic, 4) == 0;
}

} // namespace

std::int32_t ReadInt32(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    if (offset > bytes.size() || bytes.size() - offset < 4)
        return 0;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
    return static_cast<std::int32_t>(value);
}

std::uint16_t ReadUInt16(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    if (offset > bytes.size() || bytes.size() - offset < 2)
        return 0;
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

std::string ReadField(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t size)
{
    if (offset >= bytes.size())
        return {};
    size = std::min(size, bytes.size() - offset);
    const auto* begin = reinterpret_cast<const char*>(bytes.data() + offset);
    return std::string(begin, ::strnlen(begin, size));
}

CommandCheck CheckCommand(std::span<const std::uint8_t> datagram)
{
    if (datagram.size() != kCommandSize)
        return CommandCheck::WrongSize;
    if (!HasMagic(datagram, kCommandMagic))
        return CommandCheck::WrongMagic;
    return CommandCheck::Accepted;
}

std::optional<Command> DecodeCommand(std::span<const std::uint8_t> datagram)
{
    if (CheckCommand(datagram) != CommandCheck::Accepted)
        return std::nullopt;
    Command command;
    command.player = ReadInt32(datagram, kCommandPlayerOffset);
    command.code = ReadInt32(datagram, kCommandCodeOffset);
    command.value = ReadInt32(datagram, kCommandValueOffset);
    command.text = ReadField(datagram, kCommandTextOffset, kCommandTextSize);
    return command;
}

CommandBytes EncodeCommand(const Command& command)
{
    CommandBytes bytes {};
    std::memcpy(bytes.data(), kCommandMagic, 4);
    PutUInt32(bytes, kCommandPlayerOffset, static_cast<std::uint32_t>(command.player));
    PutUInt32(bytes, kCommandCodeOffset, static_cast<std::uint32_t>(command.code));
    PutUInt32(bytes, kCommandValueOffset, static_cast<std::uint32_t>(command.value));
    PutField(bytes, kCommandTextOffset, kCommandTextSize, command.text);
    return bytes;
}

unsigned MessageForCode(std::int32_t code)
{
    switch (code) {
    case CMD_PLAY:
        return WM_NET_PLAY;
    case CMD_STOP:
        return WM_NET_STOP;
    case CMD_PAUSE:
        return WM_NET_PAUSE;
    case CMD_OPEN:
        return WM_NET_OPEN;
    case CMD_SEEK_ABS:
        return WM_NET_SEEK;
    case CMD_UNUSED_12:
        return WM_NET_UNUSED_12;
    case CMD_VOLUME:
        return WM_NET_VOLUME;
    case CMD_SET_ACTIVE:
        return WM_NET_SELECT_PLAYER;
    default:
        return 0;
    }
}

BroadcastBytes EncodeStatus(const StatusRecord& record)
{
    BroadcastBytes bytes {};
    std::memcpy(bytes.data(), kBroadcastMagic, 4);
    PutUInt32(bytes, 8, static_cast<std::uint32_t>(record.playState));
    PutUInt32(bytes, 12, 1);
    PutUInt32(bytes, 20, kKindStatus);
    PutField(bytes, kStatusNameOffset, kFileNameSize, record.fileName);
    PutUInt32(bytes, kStatusBlockOffset, record.duration);
    PutUInt32(bytes, kStatusBlockOffset + 4, record.position);
    PutUInt32(bytes, kStatusBlockOffset + 8, static_cast<std::uint32_t>(record.playState));
    PutField(bytes, kStatusNameAgainOffset, kFileNameSize, record.fileName);
    PutUInt16(bytes, kStatusVolumeOffset, record.volume);
    PutUInt16(bytes, kStatusActiveOffset, record.activeIndex);
    std::memcpy(bytes.data() + kStatusMacOffset, record.mac.data(), record.mac.size());
    return bytes;
}

BroadcastBytes EncodeText(std::string_view text)
{
    BroadcastBytes bytes {};
    std::memcpy(bytes.data(), kBroadcastMagic, 4);
    PutUInt32(bytes, 12, 1);
    PutUInt32(bytes, 20, kKindText);
    PutField(bytes, kTextOffset, kTextSize, text);
    return bytes;
}

std::optional<Broadcast> DecodeBroadcast(std::span<const std::uint8_t> datagram)
{
    if (datagram.size() != kBroadcastSize || !HasMagic(datagram, kBroadcastMagic))
        return std::nullopt;
    Broadcast broadcast;
    broadcast.kind = ReadInt32(datagram, 20);
    if (broadcast.kind == kKindText) {
        broadcast.text = ReadField(datagram, kTextOffset, kTextSize);
        return broadcast;
    }
    if (broadcast.kind != kKindStatus)
        return std::nullopt;
    StatusRecord& s = broadcast.status;
    s.duration = static_cast<std::uint32_t>(ReadInt32(datagram, kStatusBlockOffset));
    s.position = static_cast<std::uint32_t>(ReadInt32(datagram, kStatusBlockOffset + 4));
    s.playState = ReadInt32(datagram, kStatusBlockOffset + 8);
    s.fileName = ReadField(datagram, kStatusNameAgainOffset, kFileNameSize);
    s.volume = ReadUInt16(datagram, kStatusVolumeOffset);
    s.activeIndex = ReadUInt16(datagram, kStatusActiveOffset);
    std::memcpy(s.mac.data(), datagram.data() + kStatusMacOffset, s.mac.size());
    return broadcast;
}

} // namespace RemotePackets

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// The bytes of the remote-control protocol, apart from any socket: command
// packets (controller to player, 548 bytes) and the two broadcast packets
// (status and text, 540 bytes). Integers are little-endian; bytes not written
// are zero. Every decoder reads only inside the span it is given.
namespace RemotePackets {

constexpr std::size_t kCommandSize = 548;
constexpr std::size_t kBroadcastSize = 540;
constexpr std::uint16_t kCommandPort = 31773;
constexpr std::uint16_t kStatusPort = 31772;

constexpr std::size_t kCommandPlayerOffset = 4;
constexpr std::size_t kCommandCodeOffset = 12;
constexpr std::size_t kCommandValueOffset = 24;
constexpr std::size_t kCommandTextOffset = 36;
constexpr std::size_t kCommandTextSize = 512;

constexpr std::size_t kStatusNameOffset = 28; // char[256], a copy of the name
constexpr std::size_t kStatusBlockOffset = 284; // duration, position, state, name, volume, active
constexpr std::size_t kStatusNameAgainOffset = 296;
constexpr std::size_t kStatusVolumeOffset = 424;
constexpr std::size_t kStatusActiveOffset = 426;
constexpr std::size_t kStatusMacOffset = 534;
constexpr std::size_t kTextOffset = 28;
constexpr std::size_t kTextSize = 512;
constexpr std::size_t kFileNameSize = 128; // the status record's name field, NUL included

constexpr std::int32_t kKindStatus = 0;
constexpr std::int32_t kKindText = 3;

enum CommandCode : std::int32_t {
    CMD_PLAY = 3,
    CMD_STOP = 4,
    CMD_PAUSE = 5,
    CMD_OPEN = 10,
    CMD_SEEK_ABS = 11,
    CMD_UNUSED_12 = 12,
    CMD_VOLUME = 13,
    CMD_SET_ACTIVE = 16,
    // A wall's leader to its members: a scheduled action, and the periodic state.
    CMD_SYNC_CUE = 40,
    CMD_SYNC_STATE = 41,
};

using CommandBytes = std::array<std::uint8_t, kCommandSize>;
using BroadcastBytes = std::array<std::uint8_t, kBroadcastSize>;

enum class CommandCheck { Accepted, WrongSize, WrongMagic };

// Accepted only for exactly 548 bytes beginning with "YCUL".
CommandCheck CheckCommand(std::span<const std::uint8_t> datagram);

struct Command
{
    std::int32_t player = 0;
    std::int32_t code = 0;
    std::int32_t value = 0;
    std::string text; // up to the first NUL of the 512-byte field, at most 512 characters
};

std::optional<Command> DecodeCommand(std::span<const std::uint8_t> datagram);
// The text is cut to 511 characters so that the field always holds its NUL.
CommandBytes EncodeCommand(const Command& command);

// The message a command code becomes (1124..1131), or 0 for a code without one.
unsigned MessageForCode(std::int32_t code);

// The status record the main frame keeps up to date.
struct StatusRecord
{
    std::uint32_t duration = 0;
    std::uint32_t position = 0;
    std::int32_t playState = 0;
    std::string fileName; // cut to 127 characters when encoded
    std::uint16_t volume = 0;
    std::uint16_t activeIndex = 0;
    std::array<std::uint8_t, 6> mac {};
};

BroadcastBytes EncodeStatus(const StatusRecord& record);
// The text is cut to 511 characters.
BroadcastBytes EncodeText(std::string_view text);

// What a controller hears: a status or a text packet.
struct Broadcast
{
    std::int32_t kind = kKindStatus;
    StatusRecord status; // kind 0
    std::string text; // kind 3
};

// Accepts 540 bytes beginning with "XOLA" and of kind 0 or 3.
std::optional<Broadcast> DecodeBroadcast(std::span<const std::uint8_t> datagram);

// Text of a fixed field: up to its first NUL, never past the field's end.
std::string ReadField(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t size);

std::int32_t ReadInt32(std::span<const std::uint8_t> bytes, std::size_t offset);
std::uint16_t ReadUInt16(std::span<const std::uint8_t> bytes, std::size_t offset);

} // namespace RemotePackets

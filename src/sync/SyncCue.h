#pragma once

#include "remote/RemotePackets.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// A scheduled action of a wall, carried by the remote-control protocol's
// command packet under codes of its own (a player that does not know them
// ignores them): value = the action, text = "SEQ GROUPTIME [PATH]" in
// decimal, the group time in nanoseconds of the group clock. The leader sends
// a cue several times (CMD_SYNC_CUE) and repeats the latest one in its
// periodic state (CMD_SYNC_STATE); a member acts on each sequence number once.
struct CSyncCue
{
    enum Action : int32_t {
        ACTION_NONE = 0,
        ACTION_PLAY = 1,
        ACTION_STOP = 2,
        ACTION_CUT = 3,
        ACTION_OPEN_PLAY = 4,
        ACTION_OPEN = 5
    };

    uint32_t seq = 0;
    Action action = ACTION_NONE;
    uint64_t groupTime = 0;
    int32_t player = 0;
    std::string path; // open, open+play: the medium, a stream address or ":n" for playlist entry n
    // play: the medium's position (ms) that falls on groupTime, sent as "@MS"
    // in place of the path; -1: wherever each member's player stands.
    int64_t startMs = -1;

    RemotePackets::CommandBytes Encode(bool state) const;
    // A cue or state packet; nothing for any other packet or a malformed text.
    static std::optional<CSyncCue> Decode(std::span<const std::uint8_t> datagram, bool* state = nullptr);
    static const char* ActionName(Action action);
};

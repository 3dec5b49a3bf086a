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

    // Why Decode gave nothing: not a cue at all, or a cue refused as bad input.
    enum Refusal : int32_t {
        REFUSED_NONE = 0,
        NOT_A_CUE,
        REFUSED_MALFORMED,
        REFUSED_ACTION,
        REFUSED_PLAYER,
        REFUSED_SEQ,
        REFUSED_TIME,
        REFUSED_START
    };
    // Group times past this are no GStreamer clock time (signed differences overflow).
    static constexpr uint64_t kMaxGroupTime = INT64_MAX;
    // A medium's position in the player interface is unsigned 32-bit milliseconds.
    static constexpr int64_t kMaxStartMs = UINT32_MAX;

    RemotePackets::CommandBytes Encode(bool state) const;
    // A cue or state packet; nothing for any other packet, a malformed text or
    // a field out of range (the cause in `refusal`).
    static std::optional<CSyncCue> Decode(
        std::span<const std::uint8_t> datagram, bool* state = nullptr, Refusal* refusal = nullptr);
    static const char* ActionName(Action action);
    // "the group time is out of range": what a refused cue's log line says.
    static const char* RefusalText(Refusal refusal);

    // Sequence numbers compare in serial-number arithmetic (RFC 1982): `a` is
    // newer when it lies less than half the number space ahead of `b`, so the
    // count wraps around and an old number never passes for a new one.
    static bool SeqNewer(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) > 0; }
};

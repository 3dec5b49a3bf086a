#pragma once

#include "core/ResumeState.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What moves while a show runs, kept apart from the playlist so that a second's
// progress costs one small record instead of the whole state: play states,
// positions, the active player, full screen, the level and the attempt count.
// It belongs to the state whose stamp it carries and is ignored beside any
// other. On disk it takes one of two fixed slots, chosen by its serial, so a
// write cut by a power loss spoils one slot and the other still holds the
// record before it.
struct CResumePosition
{
    static constexpr size_t kSlotSize = 512;

    uint64_t serial = 0; // the newer of two valid slots wins
    uint64_t stamp = 0;
    int activePlayer = 0;
    bool fullScreen = false;
    int attempts = 0;
    std::optional<int32_t> volume;
    bool muted = false;
    struct Player
    {
        uint32_t positionMs = 0;
        int32_t state = 0;
        bool operator==(const Player&) const = default;
    };
    Player players[2];

    bool operator==(const CResumePosition&) const = default;

    static CResumePosition From(const CResumeState& state);
    void ApplyTo(CResumeState& state) const;
    // Exactly kSlotSize bytes: the sealed text, padded with NULs.
    std::string Serialize() const;
    static std::optional<CResumePosition> Parse(std::string_view slot);
};

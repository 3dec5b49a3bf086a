#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the show was doing, so that a start after a crash can pick it up: the
// playlist, what each player holds and where it stands, the active player and
// full screen, the level. Sealed text (ResumeText): a file cut anywhere, or
// with any byte changed, does not parse. What moves every second (positions,
// play states) also goes into the small CResumePosition record, which names
// the state it belongs to by its stamp.
struct CResumeState
{
    struct Player
    {
        std::string path; // empty: nothing open
        uint32_t positionMs = 0;
        int32_t state = 0; // the player's play state: 0 stopped, 1 paused, 2 running
        bool operator==(const Player&) const = default;
    };
    struct Row
    {
        std::string path;
        std::string title;
        std::string length;
        bool operator==(const Row&) const = default;
    };

    int activePlayer = 0;
    bool fullScreen = false;
    Player players[2];
    std::vector<Row> rows;
    // Restarts in a row that resumed this state and died soon after; a show
    // that crashes the player is not resumed for ever.
    int attempts = 0;
    std::optional<int32_t> volume; // hundredths of a dB; none in a file from before the level was kept
    bool muted = false;
    uint64_t stamp = 0; // new with every write of the whole state; 0 in older files

    bool operator==(const CResumeState&) const = default;

    std::string Serialize() const;
    // Nullopt for anything but a complete, unchanged record; why says what was wrong.
    static std::optional<CResumeState> Parse(std::string_view text, std::string* why = nullptr);
};

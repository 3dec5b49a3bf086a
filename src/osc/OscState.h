#pragma once

#include <cstdint>
#include <string>

// What OSC feedback reports, handed over whole by the main frame after every
// change and on every tick. Times are milliseconds; volume is the common one.
struct OscPlayerState
{
    int playState = 0; // 0 stopped, 1 paused, 2 running
    std::uint32_t position = 0;
    std::uint32_t duration = 0;
    std::string fileName;

    bool operator==(const OscPlayerState&) const = default;
};

struct OscState
{
    OscPlayerState players[2];
    int active = 0;
    int volumePercent = 0;
    double volumeDb = 0.0;
    int playlistPosition = 0; // 1-based, 0 = none
    int playlistCount = 0;
    bool loop = false;
    bool repeat = false;
    bool autoAdvance = false;
    bool fullscreen = false;
    std::string sync = "standalone"; // a wall member's role, state and leader
    float syncOffsetMs = 0; // a follower's clock offset estimate, tenths of a ms

    bool operator==(const OscState&) const = default;
};

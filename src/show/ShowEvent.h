#pragma once

#include <cstdint>
#include <functional>
#include <string>

// What the show engine tells its subscribers, on the interface thread, after
// the change has happened.
enum class ShowEventKind : std::uint8_t {
    Opened, // player: a medium opened (its title and length are known)
    Position, // the active player's position moved; at most once a tick
    State, // player: its play state changed (value the state)
    Active, // player: the cut went to it
    Level, // the level or the mute changed
    Playlist, // the playlist's modes or current entry changed
    Text, // player: a status line for controllers (text, ending in a newline)
    Done, // a command that completed later ended (ticket; value 1 done, 0 dropped)
    Changed, // a command changed the show: controllers hear of it now
};

struct ShowEvent
{
    ShowEventKind kind = ShowEventKind::Position;
    int player = -1;
    std::int64_t value = 0;
    std::string text;
    std::uint64_t ticket = 0;
};

using ShowEventHandler = std::function<void(const ShowEvent&)>;

// A player's play state, as the players and the status record count it.
enum ShowPlayState : std::int32_t { SHOW_STOPPED = 0, SHOW_PAUSED = 1, SHOW_RUNNING = 2, SHOW_SEEKING = 3 };

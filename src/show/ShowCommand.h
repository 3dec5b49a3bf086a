#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

// The show's command set: what every controller (keys and menus, the binary
// protocol, OSC, DMX, resume, a wall) asks the show engine to do. The numbers
// are an interface: they are the numbers of the messages the binary protocol
// and the window used before, and tests and logs know them.
enum class ShowCommandId : unsigned {
    PlayActive = 1025, // the active player, without a cut
    PauseActive = 1026,
    StopActive = 1027,
    Mute = 1028, // value 1 silent, 0 sound
    SeekActive = 1030, // value ms; a running player keeps running
    Select = 1033, // the window's cut to player
    Step = 1034, // value 1 the next entry, 0 the previous one
    Play = 1124, // cut to player and run it
    Stop = 1125,
    Pause = 1126,
    Open = 1127, // text: a path, a stream address or ":n" for playlist entry n
    Seek = 1128, // value ms
    Volume = 1130, // value percent
    Cut = 1131,
    VolumeDb = 1141, // value hundredths of a dB (0 full, negative quieter)
    Take = 1142, // cut to the hidden player and run it
    PlaylistGo = 1143, // value the row, 0-based: loaded and started as by a double click
    Loop = 1144, // value 1 on, 0 off
    Fullscreen = 1145, // value 1 on, 0 off, -1 toggles
    Repeat = 1147,
    AutoAdvance = 1148,
    PlayPause = 1149, // the active player: runs it, or pauses it while it runs
    Run = 1150, // runs player without a cut (a hidden player plays unseen)
};

// What a command names besides its id.
enum class ShowArg : std::uint8_t { None, Player, PlayerValue, PlayerText, Value };

struct ShowCommandInfo
{
    ShowCommandId id;
    const char* name; // the command's name for controllers that address commands by name
    ShowArg arg;
    const char* badPlayer; // the log line of a refusal for a player that is neither 0 nor 1
};

// One command. player (for the commands that name one): 0 Player A,
// 1 Player B; anything else is refused. The caller names the active one.
struct ShowCommand
{
    ShowCommand(ShowCommandId id_ = ShowCommandId::PlayActive, int player_ = -1, std::int64_t value_ = 0,
        std::string text_ = {})
        : id(id_)
        , player(player_)
        , value(value_)
        , text(std::move(text_))
    {
    }

    ShowCommandId id = ShowCommandId::PlayActive;
    int player = -1;
    std::int64_t value = 0;
    std::string text;
};

// The answer every command gets at once. An accepted command that completes
// later (an open, a command queued behind one) ends with a Done event carrying
// the ticket.
struct ShowReply
{
    bool accepted = false;
    std::string reason; // why it was refused; empty when accepted
    std::uint64_t ticket = 0; // 0: completed already
    explicit operator bool() const { return accepted; }
};

// The table of every command, in id order.
std::span<const ShowCommandInfo> ShowCommands();
const ShowCommandInfo* FindShowCommand(ShowCommandId id);
const ShowCommandInfo* FindShowCommand(std::string_view name);

// Where commands go: the engine, or a layer in front of it (a wall's leader).
class CShowCommandSink
{
public:
    virtual ~CShowCommandSink() = default;
    virtual ShowReply Execute(const ShowCommand& command) = 0;
};

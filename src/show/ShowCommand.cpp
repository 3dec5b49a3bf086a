#include "show/ShowCommand.h"

#include <algorithm>
#include <array>

namespace {

using enum ShowArg;
using Id = ShowCommandId;

constexpr std::array kCommands = {
    ShowCommandInfo { Id::PlayActive, "play-active", None, nullptr },
    ShowCommandInfo { Id::PauseActive, "pause-active", None, nullptr },
    ShowCommandInfo { Id::StopActive, "stop-active", None, nullptr },
    ShowCommandInfo { Id::Mute, "mute", Value, nullptr },
    ShowCommandInfo { Id::SeekActive, "seek-active", Value, nullptr },
    ShowCommandInfo { Id::Select, "select", Player, "CVideoView::SetActivePlayer() invalid Player ID!" },
    ShowCommandInfo { Id::Step, "step", Value, nullptr },
    ShowCommandInfo { Id::Play, "play", Player, "OnNetPlayMedia(): PlayerID out of range!" },
    ShowCommandInfo { Id::Stop, "stop", Player, "OnNetStopMedia(): PlayerID out of range!" },
    ShowCommandInfo { Id::Pause, "pause", Player, "OnNetPauseMedia(): PlayerID out of range!" },
    ShowCommandInfo { Id::Open, "open", PlayerText, "CVideoView::OpenMedia() invalid Player ID!" },
    ShowCommandInfo { Id::Seek, "seek", PlayerValue, "OnNetSeekAbs(): PlayerID out of range!" },
    ShowCommandInfo { Id::Volume, "volume", PlayerValue, "OnNetVolumeChange(): PlayerID out of range!" },
    ShowCommandInfo { Id::Cut, "cut", Player, "CVideoView::SetActivePlayer() invalid Player ID!" },
    ShowCommandInfo { Id::VolumeDb, "volume-db", PlayerValue, "OnNetVolumeChange(): PlayerID out of range!" },
    ShowCommandInfo { Id::Take, "take", None, nullptr },
    ShowCommandInfo { Id::PlaylistGo, "playlist-go", Value, nullptr },
    ShowCommandInfo { Id::Loop, "loop", Value, nullptr },
    ShowCommandInfo { Id::Fullscreen, "fullscreen", Value, nullptr },
    ShowCommandInfo { Id::Repeat, "repeat", Value, nullptr },
    ShowCommandInfo { Id::AutoAdvance, "auto-advance", Value, nullptr },
    ShowCommandInfo { Id::PlayPause, "play-pause", None, nullptr },
    ShowCommandInfo { Id::Run, "run", Player, "CVideoView::PlayOnly() invalid Player ID!" },
};

static_assert(std::is_sorted(kCommands.begin(), kCommands.end(),
    [](const ShowCommandInfo& a, const ShowCommandInfo& b) { return a.id < b.id; }));

} // namespace

std::span<const ShowCommandInfo> ShowCommands()
{
    return kCommands;
}

const ShowCommandInfo* FindShowCommand(ShowCommandId id)
{
    const auto it = std::find_if(
        kCommands.begin(), kCommands.end(), [id](const ShowCommandInfo& info) { return info.id == id; });
    return it == kCommands.end() ? nullptr : &*it;
}

const ShowCommandInfo* FindShowCommand(std::string_view name)
{
    const auto it = std::find_if(kCommands.begin(), kCommands.end(),
        [name](const ShowCommandInfo& info) { return name == info.name; });
    return it == kCommands.end() ? nullptr : &*it;
}

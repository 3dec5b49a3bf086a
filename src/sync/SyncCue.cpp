#include "sync/SyncCue.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>

RemotePackets::CommandBytes CSyncCue::Encode(bool state) const
{
    RemotePackets::Command command;
    command.player = player;
    command.code = state ? RemotePackets::CMD_SYNC_STATE : RemotePackets::CMD_SYNC_CUE;
    command.value = action;
    char head[48];
    std::snprintf(head, sizeof head, "%" PRIu32 " %" PRIu64, seq, groupTime);
    command.text = head;
    if (action == ACTION_PLAY && startMs >= 0)
        command.text += " @" + std::to_string(startMs);
    else if (!path.empty())
        command.text += " " + path;
    return RemotePackets::EncodeCommand(command);
}

std::optional<CSyncCue> CSyncCue::Decode(std::span<const std::uint8_t> datagram, bool* state)
{
    const auto command = RemotePackets::DecodeCommand(datagram);
    if (!command
        || (command->code != RemotePackets::CMD_SYNC_CUE && command->code != RemotePackets::CMD_SYNC_STATE))
        return std::nullopt;
    if (command->value < ACTION_NONE || command->value > ACTION_OPEN)
        return std::nullopt;
    CSyncCue cue;
    cue.player = command->player;
    cue.action = static_cast<Action>(command->value);
    const char* text = command->text.c_str();
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (!digit(text[0]))
        return std::nullopt;
    char* end = nullptr;
    const unsigned long long seq = std::strtoull(text, &end, 10);
    if (end == text || *end != ' ' || seq > UINT32_MAX)
        return std::nullopt;
    const char* timeText = end + 1;
    if (!digit(timeText[0]))
        return std::nullopt;
    const unsigned long long time = std::strtoull(timeText, &end, 10);
    if (end == timeText || (*end != '\0' && *end != ' '))
        return std::nullopt;
    cue.seq = static_cast<uint32_t>(seq);
    cue.groupTime = time;
    if (*end == ' ')
        cue.path = end + 1;
    if (cue.action == ACTION_PLAY && !cue.path.empty() && cue.path[0] == '@') {
        char* last = nullptr;
        const long long ms = std::strtoll(cue.path.c_str() + 1, &last, 10);
        if (*last != '\0' || ms < 0 || !digit(cue.path[1]))
            return std::nullopt;
        cue.startMs = ms;
        cue.path.clear();
    }
    if (state)
        *state = command->code == RemotePackets::CMD_SYNC_STATE;
    return cue;
}

const char* CSyncCue::ActionName(Action action)
{
    switch (action) {
    case ACTION_PLAY:
        return "play";
    case ACTION_STOP:
        return "stop";
    case ACTION_CUT:
        return "cut";
    case ACTION_OPEN_PLAY:
        return "open+play";
    case ACTION_OPEN:
        return "open";
    default:
        return "none";
    }
}

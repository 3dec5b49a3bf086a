#include "sync/SyncCue.h"

#include "core/CoreTypes.h"

#include <cinttypes>
#include <cstdio>
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

namespace {

bool Digit(char c)
{
    return c >= '0' && c <= '9';
}

// Where a field of the cue text may end.
enum FieldEnd { AT_SPACE = 1, AT_END = 2 };

// A decimal field of at most `max` at text, ended where `ends` allows (`*end`
// is that character). Digits only: no sign, no space, and an overflow is the
// refusal `tooLarge`, never a clamped value.
CSyncCue::Refusal ReadField(
    const char* text, uint64_t max, CSyncCue::Refusal tooLarge, int ends, uint64_t& value, const char*& end)
{
    if (!Digit(text[0]))
        return CSyncCue::REFUSED_MALFORMED;
    value = 0;
    bool over = false;
    for (end = text; Digit(*end); ++end) {
        const auto digit = static_cast<uint64_t>(*end - '0');
        if (value > (max - digit) / 10)
            over = true;
        else
            value = value * 10 + digit;
    }
    if (over)
        return tooLarge;
    if (!((ends & AT_SPACE) && *end == ' ') && !((ends & AT_END) && *end == '\0'))
        return CSyncCue::REFUSED_MALFORMED;
    return CSyncCue::REFUSED_NONE;
}

std::optional<CSyncCue> Refuse(CSyncCue::Refusal why, CSyncCue::Refusal* refusal)
{
    if (refusal)
        *refusal = why;
    return std::nullopt;
}

} // namespace

std::optional<CSyncCue> CSyncCue::Decode(
    std::span<const std::uint8_t> datagram, bool* state, Refusal* refusal)
{
    const auto command = RemotePackets::DecodeCommand(datagram);
    if (!command
        || (command->code != RemotePackets::CMD_SYNC_CUE && command->code != RemotePackets::CMD_SYNC_STATE))
        return Refuse(NOT_A_CUE, refusal);
    if (command->value < ACTION_NONE || command->value > ACTION_OPEN)
        return Refuse(REFUSED_ACTION, refusal);
    if (command->player != PLAYER_A && command->player != PLAYER_B)
        return Refuse(REFUSED_PLAYER, refusal);
    CSyncCue cue;
    cue.player = command->player;
    cue.action = static_cast<Action>(command->value);
    const char* text = command->text.c_str();
    const char* end = nullptr;
    uint64_t seq = 0;
    if (const Refusal why = ReadField(text, UINT32_MAX, REFUSED_SEQ, AT_SPACE, seq, end); why != REFUSED_NONE)
        return Refuse(why, refusal);
    uint64_t time = 0;
    if (const Refusal why = ReadField(end + 1, kMaxGroupTime, REFUSED_TIME, AT_SPACE | AT_END, time, end);
        why != REFUSED_NONE)
        return Refuse(why, refusal);
    cue.seq = static_cast<uint32_t>(seq);
    cue.groupTime = time;
    if (*end == ' ')
        cue.path = end + 1;
    if (cue.action == ACTION_PLAY && !cue.path.empty() && cue.path[0] == '@') {
        uint64_t ms = 0;
        if (const Refusal why = ReadField(
                cue.path.c_str() + 1, static_cast<uint64_t>(kMaxStartMs), REFUSED_START, AT_END, ms, end);
            why != REFUSED_NONE)
            return Refuse(why, refusal);
        cue.startMs = static_cast<int64_t>(ms);
        cue.path.clear();
    }
    if (state)
        *state = command->code == RemotePackets::CMD_SYNC_STATE;
    if (refusal)
        *refusal = REFUSED_NONE;
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

const char* CSyncCue::RefusalText(Refusal refusal)
{
    switch (refusal) {
    case NOT_A_CUE:
        return "it is not a cue";
    case REFUSED_MALFORMED:
        return "its text is malformed";
    case REFUSED_ACTION:
        return "the action is out of range";
    case REFUSED_PLAYER:
        return "the player is out of range";
    case REFUSED_SEQ:
        return "the sequence number is out of range";
    case REFUSED_TIME:
        return "the group time is out of range";
    case REFUSED_START:
        return "the start position is out of range";
    default:
        return "it is well-formed";
    }
}

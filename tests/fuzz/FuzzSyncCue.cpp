// The wall's cue decoder: any datagram either decodes into fields in range
// (which encode and decode back to the same cue) or is refused with a cause,
// and none costs more than 1 ms of this thread's CPU time.
//
// Input: a whole command packet when it has that size; otherwise byte 0 is
// the player, byte 1 picks the code (cue, state, another), byte 2 the action
// and the rest is the text, put into a packet, so that most inputs reach the
// text parser.
#include "FuzzTiming.h"
#include "remote/RemotePackets.h"
#include "sync/SyncCue.h"
#include "sync/SyncSeqGate.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CSyncSeqGate gate;
    RemotePackets::CommandBytes packet {};
    std::span<const uint8_t> datagram(data, size);
    if (size != RemotePackets::kCommandSize && size >= 3) {
        RemotePackets::Command command;
        command.player = static_cast<int8_t>(data[0]);
        command.code = (data[1] & 3) == 0 ? RemotePackets::CMD_SYNC_CUE
            : (data[1] & 3) == 1          ? RemotePackets::CMD_SYNC_STATE
                                          : data[1];
        command.value = static_cast<int8_t>(data[2]);
        command.text.assign(reinterpret_cast<const char*>(data + 3), std::min<size_t>(size - 3, 512));
        packet = RemotePackets::EncodeCommand(command);
        datagram = packet;
    }
    bool state = false;
    CSyncCue::Refusal refusal = CSyncCue::REFUSED_NONE;
    std::optional<CSyncCue> cue;
    FuzzTiming::RequireWithin(
        [&] {
            refusal = CSyncCue::REFUSED_NONE;
            cue = CSyncCue::Decode(datagram, &state, &refusal);
            if (cue)
                gate.Check(static_cast<uint32_t>(size), cue->seq);
        },
        "one cue datagram");
    if (!cue) {
        if (refusal == CSyncCue::REFUSED_NONE)
            std::abort(); // a refusal always names its cause
        return 0;
    }
    if (refusal != CSyncCue::REFUSED_NONE || cue->groupTime > CSyncCue::kMaxGroupTime
        || cue->startMs > CSyncCue::kMaxStartMs || cue->startMs < -1 || (cue->player != 0 && cue->player != 1)
        || cue->action < CSyncCue::ACTION_NONE || cue->action > CSyncCue::ACTION_OPEN)
        std::abort();
    // What a member takes, a leader could have sent: the same cue comes back.
    bool stateBack = !state;
    const auto back = CSyncCue::Decode(cue->Encode(state), &stateBack);
    if (!back || stateBack != state || back->seq != cue->seq || back->groupTime != cue->groupTime
        || back->action != cue->action || back->player != cue->player || back->startMs != cue->startMs
        || back->path != cue->path)
        std::abort();
    return 0;
}

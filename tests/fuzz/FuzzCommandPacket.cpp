// The command path of the remote socket: datagrams go through the same check
// and dispatch as OnReceive, into a recording message sink.
//
// Input: one byte that turns remote control on (odd) or off (even), then
// datagrams, each a 16-bit little-endian length (modulo 1100) and its bytes.
#include "core/Messages.h"
#include "core/Preferences.h"
#include "remote/RemotePackets.h"
#include "remote/ServerSocket.h"
#include "support/RecordingTarget.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    CPreferences prefs { CPreferences::Defaults {} };
    prefs.m_iRemoteCtrl = data[0] & 1;

    RecordingTarget target;
    CServerSocket socket(&target, prefs);
    size_t pos = 1;
    while (pos + 2 <= size) {
        const size_t length = (size_t(data[pos]) | size_t(data[pos + 1]) << 8) % 1100;
        pos += 2;
        const size_t take = std::min(length, size - pos);
        const std::span<const uint8_t> datagram(data + pos, take);
        pos += take;

        const int indexBefore = socket.GetRecvIndex();
        const auto discardedBefore = socket.GetDiscardedCount();
        const size_t sentBefore = target.messages.size();
        socket.HandleDatagram(datagram);

        const bool accepted = prefs.m_iRemoteCtrl == 1
            && RemotePackets::CheckCommand(datagram) == RemotePackets::CommandCheck::Accepted;
        if (accepted) {
            // The slot the command went into holds exactly its bytes.
            uint8_t stored[RemotePackets::kCommandSize];
            if (!socket.GetCommandPacket(stored, indexBefore)
                || std::memcmp(stored, datagram.data(), sizeof stored) != 0)
                std::abort();
            if (socket.GetRecvIndex() != (indexBefore + 1) % CServerSocket::kRingSlots)
                std::abort();
        } else if (socket.GetRecvIndex() != indexBefore || socket.GetDiscardedCount() != discardedBefore + 1
            || target.messages.size() != sentBefore) {
            std::abort();
        }
        if (target.messages.size() > sentBefore + 1)
            std::abort();
        for (size_t i = sentBefore; i < target.messages.size(); ++i) {
            const auto& m = target.messages[i];
            // A wall's cue travels, like an open, as its ring slot.
            if ((m.msg < WM_NET_PLAY || m.msg > WM_NET_SELECT_PLAYER) && m.msg != WM_SYNC_CUE)
                std::abort();
            if ((m.msg == WM_NET_OPEN || m.msg == WM_SYNC_CUE) && m.lParam != indexBefore)
                std::abort();
        }
    }
    return 0;
}

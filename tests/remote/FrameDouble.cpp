#include "FrameDouble.h"

#include "osc/OscServer.h"

#include "core/Log.h"
#include "remote/RemotePackets.h"
#include "remote/ServerSocket.h"

#include <algorithm>
#include <cstdlib>

namespace {

std::string Trimmed(const std::string& text, char c)
{
    const auto first = text.find_first_not_of(c);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(c) - first + 1);
}

} // namespace

ShowReply FrameDouble::Execute(const ShowCommand& command)
{
    Handle(static_cast<unsigned>(command.id), static_cast<WPARAM>(command.player),
        static_cast<LPARAM>(command.value), command.text);
    return ShowReply { true, {}, 0 };
}

void FrameDouble::Handle(unsigned msg, WPARAM wParam, LPARAM lParam, const std::string& text)
{
    const char* badPlayer = nullptr;
    switch (msg) {
    case WM_NET_PLAY:
        badPlayer = "OnNetPlayMedia(): PlayerID out of range!\n";
        break;
    case WM_NET_PAUSE:
        badPlayer = "OnNetPauseMedia(): PlayerID out of range!\n";
        break;
    case WM_NET_STOP:
        badPlayer = "OnNetStopMedia(): PlayerID out of range!\n";
        break;
    case WM_NET_VOLUME:
        badPlayer = "OnNetVolumeChange(): PlayerID out of range!\n";
        break;
    case WM_NET_SEEK:
        badPlayer = "OnNetSeekAbs(): PlayerID out of range!\n";
        break;
    case WM_NET_OPEN:
    case WM_NET_SELECT_PLAYER:
        badPlayer = "CVideoView: invalid Player ID!\n";
        break;
    default:
        return; // 1129 and anything else: no handler
    }
    if (wParam >= 2) {
        LogError("%s", badPlayer);
        return;
    }
    const int player = static_cast<int>(wParam);
    switch (msg) {
    case WM_NET_PLAY:
        m_Active = player;
        SetState(player, 2);
        break;
    case WM_NET_PAUSE:
        SetState(player, 1);
        break;
    case WM_NET_STOP:
        SetState(player, 0);
        break;
    case WM_NET_SELECT_PLAYER:
        m_Active = player;
        break;
    case WM_NET_VOLUME:
        // Only what a volume slider can hold is taken; the rest is refused.
        if (lParam >= 0 && lParam <= 100)
            m_VolumePercent = static_cast<int>(lParam);
        SendStatusMsg(
            static_cast<WPARAM>(m_Active), "Volume set to " + std::to_string(m_VolumePercent) + "%.");
        break;
    case WM_NET_SEEK:
        m_Position[player] = static_cast<std::uint32_t>(lParam);
        SendStatusMsg(static_cast<WPARAM>(m_Active), "Seeking to " + std::to_string(lParam) + " ms");
        break;
    case WM_NET_OPEN: {
        std::string path = Trimmed(text, ' ');
        if (!path.empty() && path[0] == ':') {
            const int n = std::atoi(Trimmed(path, ':').c_str());
            path = n >= 1 && n <= 3 ? "entry-" + std::to_string(n) + ".mp4" : std::string();
        }
        if (path.empty()) {
            SendStatusMsg(wParam, "Opening Stream (  ) failed!");
            return;
        }
        m_File[player]
            = path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1);
        m_State[player] = 0;
        SendStatusMsg(wParam, "Opening Stream ( " + m_File[player] + " ) successful.");
        break;
    }
    default:
        break;
    }
    UpdateStatusRecord();
    m_pSocket->m_bSendNow = true;
}

void FrameDouble::SetState(int player, int state)
{
    m_State[player] = state;
    static const char* const texts[] = { "Playback stopped.", "Playback paused.", "Playback started." };
    SendStatusMsg(static_cast<WPARAM>(player), texts[state]);
}

void FrameDouble::SendStatusMsg(WPARAM player, const std::string& text)
{
    const std::string line = (player == 0 ? "Player A: " : "Player B: ") + text + "\n";
    m_pSocket->SendText(line);
    if (m_pOsc)
        m_pOsc->SendText(line);
}

void FrameDouble::UpdateStatusRecord()
{
    RemotePackets::StatusRecord record;
    record.playState = m_State[m_Active];
    record.position = m_Position[m_Active];
    record.duration = m_File[m_Active].empty() ? 0 : 60000;
    record.fileName = m_File[m_Active];
    record.volume = static_cast<std::uint16_t>(m_VolumePercent);
    record.activeIndex = static_cast<std::uint16_t>(m_Active);
    m_pSocket->SetStatus(std::move(record));
}

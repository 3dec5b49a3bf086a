#include "ui/WallSync.h"

#include "core/Log.h"
#include "playback/BasePlayer.h"
#include "playlist/PlaylistCtrl.h"
#include "remote/ServerSocket.h"
#include "sync/SyncClock.h"
#include "ui/MainFrame.h"
#include "ui/VideoView.h"

#include <QDateTime>
#include <QTimer>

#include <algorithm>
#include <cinttypes>

namespace {

bool IsPlayer(WPARAM player)
{
    return player == PLAYER_A || player == PLAYER_B;
}

const char* PlayerName(int player)
{
    return player == PLAYER_A ? "Player A" : "Player B";
}

} // namespace

CWallSync::CWallSync(CMainFrame& frame, CServerSocket& socket, CSyncClock& clock)
    : m_Frame(frame)
    , m_Socket(socket)
    , m_Clock(clock)
    // A restarted leader must not reuse the sequence numbers members have acted on.
    , m_Seq(static_cast<uint32_t>(QDateTime::currentMSecsSinceEpoch()))
{
    m_SinceRepeat.start();
    m_Age.start();
}

bool CWallSync::IsLeader() const
{
    return m_Clock.GetRole() == CSyncClock::ROLE_LEADER;
}

uint64_t CWallSync::Now() const
{
    return m_Clock.Now();
}

bool CWallSync::Intercept(unsigned msg, WPARAM wParam, LPARAM lParam)
{
    if (m_bApplying || !IsLeader())
        return false;
    switch (msg) {
    case WM_NET_PLAY:
        if (!IsPlayer(wParam))
            return false;
        Issue(CSyncCue::ACTION_PLAY, static_cast<int>(wParam), {});
        return true;
    case WM_NET_STOP:
        if (!IsPlayer(wParam))
            return false;
        Issue(CSyncCue::ACTION_STOP, static_cast<int>(wParam), {});
        return true;
    case WM_NET_SELECT_PLAYER:
        if (!IsPlayer(wParam))
            return false;
        Issue(CSyncCue::ACTION_CUT, static_cast<int>(wParam), {});
        return true;
    case WM_OSC_TAKE: {
        // Refused as before when the hidden player holds nothing.
        const int hidden = m_Frame.GetVideoView()->GetActivePlayer() == PLAYER_A ? PLAYER_B : PLAYER_A;
        CBasePlayer* player = m_Frame.GetVideoView()->GetPlayer(hidden);
        if (!player || player->GetGraphState() != CBasePlayer::GRAPH_OPEN)
            return false;
        Issue(CSyncCue::ACTION_PLAY, hidden, {});
        return true;
    }
    case WM_OSC_OPEN:
        if (!IsPlayer(wParam) || lParam == 0)
            return false;
        Issue(CSyncCue::ACTION_OPEN, static_cast<int>(wParam), *reinterpret_cast<const std::string*>(lParam));
        return true;
    case WM_NET_OPEN: {
        std::uint8_t packet[RemotePackets::kCommandSize] = {};
        if (!IsPlayer(wParam) || !m_Socket.GetCommandPacket(packet, static_cast<int>(lParam)))
            return false;
        const auto command = RemotePackets::DecodeCommand(packet);
        if (!command)
            return false;
        Issue(CSyncCue::ACTION_OPEN, static_cast<int>(wParam), command->text);
        return true;
    }
    default:
        return false;
    }
}

void CWallSync::Issue(CSyncCue::Action action, int player, const std::string& path)
{
    CSyncCue cue;
    cue.seq = ++m_Seq;
    cue.action = action;
    cue.player = player;
    cue.path = path;
    cue.groupTime = Now() + kLeadNs;
    if (action == CSyncCue::ACTION_PLAY) {
        // Every member starts from the leader's frame, wherever its own player stands.
        CBasePlayer* p = m_Frame.GetVideoView()->GetPlayer(player);
        if (p && p->GetGraphState() == CBasePlayer::GRAPH_OPEN) {
            const int64_t position = p->GetPosition();
            cue.startMs = p->GetPlayState() == CBasePlayer::STATE_RUNNING
                ? position + static_cast<int64_t>(kLeadNs / 1'000'000)
                : position;
        }
    }
    m_Latest = cue;
    const auto bytes = cue.Encode(false);
    for (int i = 0; i < 3; ++i)
        m_Socket.SendToPlayers(bytes);
    m_SinceRepeat.restart();
    Apply(cue);
}

void CWallSync::OnCuePacket(int slot)
{
    std::uint8_t packet[RemotePackets::kCommandSize] = {};
    if (!m_Socket.GetCommandPacket(packet, slot))
        return;
    const uint32_t sender = m_Socket.GetLastSender();
    bool state = false;
    CSyncCue::Refusal refusal = CSyncCue::REFUSED_NONE;
    const auto cue = CSyncCue::Decode(std::span<const std::uint8_t>(packet, sizeof packet), &state, &refusal);
    if (!cue) {
        m_Intake.Refused(refusal, sender);
        return;
    }
    if (cue->action == CSyncCue::ACTION_NONE)
        return;
    if (IsLeader()) {
        // Time 0 asks the leader to cue the wall (a controller's open+play);
        // anything else is the leader's own cue coming back.
        if (cue->groupTime == 0 && IsPlayer(static_cast<WPARAM>(cue->player)))
            Issue(cue->action, cue->player, cue->path);
        return;
    }
    if (m_Clock.GetRole() != CSyncClock::ROLE_FOLLOWER)
        return;
    m_Intake.Take(*cue, state, sender, m_Clock.LeaderIPv4(), m_Clock.Epoch(), m_Age.elapsed());
    ApplyReady();
}

void CWallSync::ApplyReady()
{
    for (const CSyncCue& cue : m_Intake.Ready(m_Clock.GetState() == CSyncClock::STATE_LOCKED, Now(),
             m_Clock.LeaderIPv4(), m_Clock.Epoch(), m_Age.elapsed()))
        Apply(cue);
}

void CWallSync::Apply(const CSyncCue& cue)
{
    if (!IsPlayer(static_cast<WPARAM>(cue.player)))
        return;
    const int player = cue.player;
    const uint64_t now = Now();
    LogMessage("Sync: %s %s at group time %" PRIu64 " (in %" PRId64 " ms).\n",
        CSyncCue::ActionName(cue.action), PlayerName(player), cue.groupTime,
        (static_cast<int64_t>(cue.groupTime) - static_cast<int64_t>(now)) / 1'000'000);
    switch (cue.action) {
    case CSyncCue::ACTION_PLAY:
        PlayWhenOpen(player, cue.groupTime, cue.startMs, 0);
        break;
    case CSyncCue::ACTION_OPEN_PLAY:
    case CSyncCue::ACTION_OPEN: {
        std::string path = cue.path;
        Run(WM_OSC_OPEN, static_cast<WPARAM>(player), reinterpret_cast<LPARAM>(&path));
        if (cue.action == CSyncCue::ACTION_OPEN_PLAY)
            PlayWhenOpen(player, cue.groupTime, 0, 0);
        break;
    }
    case CSyncCue::ACTION_STOP:
        At(cue.groupTime, [this, player] { Run(WM_NET_STOP, static_cast<WPARAM>(player), 0); });
        break;
    case CSyncCue::ACTION_CUT:
        At(cue.groupTime, [this, player] { Run(WM_NET_SELECT_PLAYER, static_cast<WPARAM>(player), 0); });
        break;
    default:
        break;
    }
}

void CWallSync::PlayWhenOpen(int player, uint64_t at, int64_t startMs, int tries)
{
    CVideoView* view = m_Frame.GetVideoView();
    if (!view)
        return;
    // An open of the same cue may still be running; the run then joins late.
    if (view->IsOpening(player)) {
        if (tries < 500) // 10 s, the open's own bound
            QTimer::singleShot(20, this,
                [this, player, at, startMs, tries] { PlayWhenOpen(player, at, startMs, tries + 1); });
        return;
    }
    // The player is shown only at `at`, but a repeat must loop by segments from its first frame on.
    if (CBasePlayer* p = view->GetPlayer(player))
        if (CPlaylistCtrl* playlist = m_Frame.GetPlaylist())
            p->SetSeamlessLoop(playlist->GetLoopSingleTrack());
    view->PlayOnlyAt(player, at, startMs);
    At(at, [this, player] { Run(WM_NET_SELECT_PLAYER, static_cast<WPARAM>(player), 0); });
}

void CWallSync::At(uint64_t at, std::function<void()> step)
{
    const uint64_t now = Now();
    const uint64_t delay = at > now ? std::min(at - now, CSyncCueIntake::kMaxDelayNs) : 0;
    const auto ms = static_cast<int>(delay / 1'000'000);
    QTimer::singleShot(ms, Qt::PreciseTimer, this, std::move(step));
}

void CWallSync::Run(unsigned msg, WPARAM wParam, LPARAM lParam)
{
    m_bApplying = true;
    m_Frame.SendMessage(msg, wParam, lParam);
    m_bApplying = false;
}

void CWallSync::Tick()
{
    if (m_Intake.Held() > 0)
        ApplyReady();
    if (!IsLeader() || !m_Latest || m_SinceRepeat.elapsed() < kRepeatMs)
        return;
    m_SinceRepeat.restart();
    m_Socket.SendToPlayers(m_Latest->Encode(true));
}

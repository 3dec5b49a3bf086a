#include "ui/WallSync.h"

#include "core/Log.h"
#include "playback/BasePlayer.h"
#include "playlist/PlaylistCtrl.h"
#include "remote/HostPort.h"
#include "remote/ServerSocket.h"
#include "sync/SyncClock.h"
#include "ui/MainFrame.h"
#include "ui/VideoView.h"

#include <QDateTime>
#include <QHostAddress>
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

namespace {

std::string Dotted(uint32_t address)
{
    return QHostAddress(address).toString().toStdString();
}

} // namespace

bool CWallSync::FirstTime(std::vector<uint64_t>& seen, uint64_t key)
{
    if (std::find(seen.begin(), seen.end(), key) != seen.end())
        return false;
    if (seen.size() >= kMaxLogged)
        seen.erase(seen.begin());
    seen.push_back(key);
    return true;
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
        if (refusal != CSyncCue::NOT_A_CUE && FirstTime(m_LoggedRefusals, uint64_t { sender } << 8 | refusal))
            LogError(
                "Sync: refused a cue from %s: %s.\n", Dotted(sender).c_str(), CSyncCue::RefusalText(refusal));
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
    Take(*cue, state, sender);
}

void CWallSync::Take(const CSyncCue& cue, bool state, uint32_t sender)
{
    // A leader given by name is known once resolved; its repeats bring the cue again.
    const uint32_t leader = m_Clock.LeaderIPv4();
    if (leader == 0)
        return;
    if (sender != leader) {
        // Another wall's leader, or a forger: not ours.
        if (FirstTime(m_LoggedSenders, sender))
            LogError("Sync: ignored a cue from %s: the leader is %s.\n", Dotted(sender).c_str(),
                Dotted(leader).c_str());
        return;
    }
    FollowEpoch();
    uint32_t latest = 0;
    const bool known = m_Gate.Latest(leader, latest);
    switch (m_Gate.Check(leader, cue.seq)) {
    case CSyncSeqGate::VERDICT_REPEAT:
        return;
    case CSyncSeqGate::VERDICT_STALE:
        if (known && FirstTime(m_LoggedStale, uint64_t { leader } << 32 | latest))
            LogError("Sync: ignored cue %" PRIu32 " from %s: older than cue %" PRIu32
                     " (a late duplicate).\n",
                cue.seq, Dotted(sender).c_str(), latest);
        return;
    case CSyncSeqGate::VERDICT_NEW:
        break;
    }
    if (m_Held.size() >= kMaxHeld) {
        LogError(
            "Sync: too many cues wait for the clock; cue %" PRIu32 " is dropped.\n", m_Held.front().cue.seq);
        m_Held.pop_front();
    }
    m_Held.push_back(Held { cue, state, m_Age.elapsed() });
    ApplyHeld();
}

void CWallSync::FollowEpoch()
{
    if (m_Clock.Epoch() == m_Epoch)
        return;
    m_Epoch = m_Clock.Epoch();
    // A leader whose time jumped has restarted and numbers its cues anew; the
    // cues held for the clock are already its own, and still taken once.
    const uint32_t leader = m_Clock.LeaderIPv4();
    m_Gate.Forget(leader);
    for (const Held& held : m_Held)
        m_Gate.Check(leader, held.cue.seq);
}

void CWallSync::ApplyHeld()
{
    while (!m_Held.empty()) {
        if (m_Clock.GetState() != CSyncClock::STATE_LOCKED) {
            if (!m_bHoldLogged)
                LogMessage(
                    "Sync: cue %" PRIu32 " waits until the clock has locked.\n", m_Held.front().cue.seq);
            m_bHoldLogged = true;
            return;
        }
        const Held& held = m_Held.front();
        const uint64_t now = Now();
        if (!held.state && held.cue.groupTime + kMismatchNs < now
            && m_Age.elapsed() - held.since < kMismatchHoldMs) {
            if (!m_bHoldLogged)
                LogMessage("Sync: cue %" PRIu32 " is due %" PRIu64
                           " s ago by this clock; it waits for the clock to follow the leader.\n",
                    held.cue.seq, (now - held.cue.groupTime) / 1'000'000'000);
            m_bHoldLogged = true;
            return;
        }
        const CSyncCue cue = held.cue;
        m_Held.pop_front();
        m_bHoldLogged = false;
        Apply(cue);
    }
}

void CWallSync::Apply(CSyncCue cue)
{
    if (!IsPlayer(static_cast<WPARAM>(cue.player)))
        return;
    const int player = cue.player;
    const uint64_t now = Now();
    if (cue.groupTime > now + kMaxDelayNs) {
        LogError("Sync: cue %" PRIu32 " is due in %" PRIu64 " s, more than %d s ahead; taken in %d s.\n",
            cue.seq, (cue.groupTime - now) / 1'000'000'000, static_cast<int>(kMaxDelayNs / 1'000'000'000),
            static_cast<int>(kMaxDelayNs / 1'000'000'000));
        cue.groupTime = now + kMaxDelayNs;
    }
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
    const uint64_t delay = at > now ? std::min(at - now, kMaxDelayNs) : 0;
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
    if (m_Clock.GetRole() == CSyncClock::ROLE_FOLLOWER)
        FollowEpoch();
    if (!m_Held.empty())
        ApplyHeld();
    if (!IsLeader() || !m_Latest || m_SinceRepeat.elapsed() < kRepeatMs)
        return;
    m_SinceRepeat.restart();
    m_Socket.SendToPlayers(m_Latest->Encode(true));
}

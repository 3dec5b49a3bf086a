#include "control/WallSync.h"

#include "core/Log.h"
#include "playlist/PlaylistCtrl.h"
#include "remote/ServerSocket.h"
#include "show/ShowEngine.h"
#include "sync/SyncClock.h"

#include <QDateTime>
#include <QTimer>

#include <algorithm>
#include <cinttypes>

namespace {

bool IsPlayer(int player)
{
    return player == PLAYER_A || player == PLAYER_B;
}

const char* PlayerName(int player)
{
    return player == PLAYER_A ? "Player A" : "Player B";
}

} // namespace

CWallSync::CWallSync(CShowEngine& engine, CServerSocket& socket, CSyncClock& clock)
    : m_Engine(engine)
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

ShowReply CWallSync::Execute(const ShowCommand& command)
{
    if (!IsLeader())
        return Run(command);
    using Id = ShowCommandId;
    const int player = command.player;
    const ShowReply cued { true, {}, 0 };
    switch (command.id) {
    case Id::Play:
    case Id::Stop:
    case Id::Cut:
    case Id::Open:
        if (!IsPlayer(player))
            return Run(command); // refused there, with the engine's text
        Issue(command.id == Id::Play     ? CSyncCue::ACTION_PLAY
                : command.id == Id::Stop ? CSyncCue::ACTION_STOP
                : command.id == Id::Cut  ? CSyncCue::ACTION_CUT
                                         : CSyncCue::ACTION_OPEN,
            player, command.id == Id::Open ? command.text : std::string());
        return cued;
    case Id::Take: {
        // Refused as before when the hidden player holds nothing.
        const int hidden = m_Engine.GetHiddenPlayer();
        if (!m_Engine.IsOpen(hidden))
            return Run(command);
        Issue(CSyncCue::ACTION_PLAY, hidden, {});
        return cued;
    }
    default:
        return Run(command);
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
        if (m_Engine.IsOpen(player)) {
            const int64_t position = m_Engine.GetPosition(player);
            cue.startMs = m_Engine.GetPlayState(player) == SHOW_RUNNING
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
        if (cue->groupTime == 0 && IsPlayer(cue->player))
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
    if (!IsPlayer(cue.player))
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
        Run({ ShowCommandId::Open, player, 0, cue.path });
        if (cue.action == CSyncCue::ACTION_OPEN_PLAY)
            PlayWhenOpen(player, cue.groupTime, 0, 0);
        break;
    }
    case CSyncCue::ACTION_STOP:
        At(cue.groupTime, [this, player] { Run({ ShowCommandId::Stop, player }); });
        break;
    case CSyncCue::ACTION_CUT:
        At(cue.groupTime, [this, player] { Run({ ShowCommandId::Cut, player }); });
        break;
    default:
        break;
    }
}

void CWallSync::PlayWhenOpen(int player, uint64_t at, int64_t startMs, int tries)
{
    // An open of the same cue may still be running; the run then joins late.
    if (m_Engine.IsOpening(player)) {
        if (tries < 500) // 10 s, the open's own bound
            QTimer::singleShot(20, this,
                [this, player, at, startMs, tries] { PlayWhenOpen(player, at, startMs, tries + 1); });
        return;
    }
    // The player is shown only at `at`, but a repeat must loop by segments from its first frame on.
    m_Engine.SetSeamlessLoop(player, m_Engine.Playlist().GetLoopSingleTrack());
    m_Engine.PlayAt(player, at, startMs);
    At(at, [this, player] { Run({ ShowCommandId::Cut, player }); });
}

void CWallSync::At(uint64_t at, std::function<void()> step)
{
    const uint64_t now = Now();
    const uint64_t delay = at > now ? std::min(at - now, CSyncCueIntake::kMaxDelayNs) : 0;
    const auto ms = static_cast<int>(delay / 1'000'000);
    QTimer::singleShot(ms, Qt::PreciseTimer, this, std::move(step));
}

ShowReply CWallSync::Run(const ShowCommand& command)
{
    return m_Engine.Execute(command);
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

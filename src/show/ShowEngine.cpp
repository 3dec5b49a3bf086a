// The show engine's command executor and its events.
#include "show/ShowEngine.h"

#include "core/Log.h"
#include "core/VolumeScale.h"
#include "playback/BasePlayer.h"
#include "playlist/Duration.h"
#include "playlist/MediaTypes.h"
#include "playlist/PlaylistCtrl.h"
#include "show/ShowOutput.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <utility>

CShowEngine::CShowEngine(const CServices& services, CPlaylistCtrl& playlist)
    : m_Services(services)
    , m_Playlist(playlist)
    , m_Hooks(DefaultHooks(services.pUi))
{
}

CShowEngine::~CShowEngine()
{
    m_Subscribers.clear();
    m_pOutput = nullptr;
    ReleasePlayers();
}

uint64_t CShowEngine::Subscribe(ShowEventHandler handler)
{
    const uint64_t id = m_NextSubscription++;
    m_Subscribers.emplace(id, std::move(handler));
    return id;
}

void CShowEngine::Unsubscribe(uint64_t subscription)
{
    m_Subscribers.erase(subscription);
}

void CShowEngine::Emit(ShowEvent event)
{
    // A handler may unsubscribe (itself or another) while it runs.
    for (auto it = m_Subscribers.begin(); it != m_Subscribers.end();) {
        const uint64_t id = it->first;
        ShowEventHandler handler = it->second;
        handler(event);
        it = m_Subscribers.upper_bound(id);
    }
}

void CShowEngine::Emit(ShowEventKind kind, int player, int64_t value)
{
    Emit(ShowEvent { kind, player, value, {}, 0 });
}

void CShowEngine::Tick()
{
    CBasePlayer* player = GetPlayer(m_Active);
    if (player && player->GetPlayState() == CBasePlayer::STATE_RUNNING)
        Emit(ShowEventKind::Position, m_Active, player->GetPosition());
}

void CShowEngine::SendStatusMsg(int player, const std::string& text)
{
    if (text.empty())
        return;
    if (!IsValidPlayerId(player)) {
        LogMessage("SendStatusMsg(): PlayerID out of range!\n");
        return;
    }
    Emit(ShowEvent { ShowEventKind::Text, player, 0,
        (player == PLAYER_A ? "Player A: " : "Player B: ") + text + "\n", 0 });
}

void CShowEngine::StateChanged(int player)
{
    CBasePlayer* p = GetPlayer(player);
    const int32_t state = p ? p->GetPlayState() : 0;
    Emit(ShowEventKind::State, player, state);
    static const char* const kTexts[] = { "Playback stopped.", "Playback paused.", "Playback started." };
    if (state >= 0 && state <= 2)
        SendStatusMsg(player, kTexts[state]);
    Emit(ShowEventKind::Position);
}

void CShowEngine::SendSeekMessage(int player, uint32_t position, uint32_t duration)
{
    const unsigned percent
        = static_cast<unsigned>(std::min<uint64_t>(uint64_t { position } * 100 / duration, 100));
    char text[128];
    std::snprintf(text, sizeof text, "Seeking to %s / %s ( %u%% )", FormatDuration(position).c_str(),
        FormatDuration(duration).c_str(), percent);
    SendStatusMsg(player, text);
}

int32_t CShowEngine::GetPlayState(int player) const
{
    return Ask(player, &CBasePlayer::GetPlayState, int32_t { CBasePlayer::STATE_STOPPED });
}

uint32_t CShowEngine::GetPosition(int player) const
{
    return Ask(player, &CBasePlayer::GetPosition, uint32_t { 0 });
}

uint32_t CShowEngine::GetDuration(int player) const
{
    return Ask(player, &CBasePlayer::GetDuration, uint32_t { 0 });
}

std::string CShowEngine::GetTitle(int player) const
{
    return IsOpen(player) ? GetPlayer(player)->GetTitle() : std::string();
}

std::string CShowEngine::GetFileName(int player) const
{
    return IsOpen(player) ? GetPlayer(player)->GetFileName() : std::string();
}

std::string CShowEngine::GetShortName(int player) const
{
    CBasePlayer* p = GetPlayer(player);
    return p ? p->GetShortName() : std::string();
}

int CShowEngine::VolumePercent() const
{
    return VolumeScale::PercentFromVolume(m_Volume, m_VolumeRange, m_bMuted);
}

bool CShowEngine::IsFullscreen() const
{
    return m_pOutput && m_pOutput->IsFullscreen();
}

void CShowEngine::ApplySeamlessLoop()
{
    const bool repeat = m_Playlist.IsInitialised() && m_Playlist.GetLoopSingleTrack();
    for (int i : { PLAYER_A, PLAYER_B })
        if (CBasePlayer* p = GetPlayer(i))
            p->SetSeamlessLoop(i == m_Active && repeat);
}

void CShowEngine::SetSeamlessLoop(int player, bool loop)
{
    if (CBasePlayer* p = GetPlayer(player))
        p->SetSeamlessLoop(loop);
}

LRESULT CShowEngine::SendMessage(unsigned msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_GRAPHNOTIFY:
        OnGraphNotify();
        return 1;
    case WM_CMD_LOAD_TRACK:
        return OnLoadTrack(wParam, lParam) ? 1 : 0;
    default:
        return 0;
    }
}

ShowReply CShowEngine::Refuse(const ShowCommandInfo& /*info*/, const std::string& reason)
{
    return ShowReply { false, reason, 0 };
}

ShowReply CShowEngine::Execute(const ShowCommand& command)
{
    const ShowCommandInfo* info = FindShowCommand(command.id);
    if (!info)
        return ShowReply { false, "unknown command", 0 }; // as the binary protocol's code 12: no one acts
    if (!m_bStarted)
        return Refuse(*info, "the players are not ready");
    const bool namesPlayer = info->arg == ShowArg::Player || info->arg == ShowArg::PlayerValue
        || info->arg == ShowArg::PlayerText;
    if (namesPlayer && !IsValidPlayerId(command.player)) {
        LogMessage("%s\n", info->badPlayer ? info->badPlayer : "CShowEngine: invalid Player ID!");
        return Refuse(*info, "player out of range");
    }
    ShowReply reply = Run(command, *info);
    if (reply.accepted)
        Emit(ShowEventKind::Changed);
    return reply;
}

bool CShowEngine::QueueBehindOpen(int player, const ShowCommand& command, ShowReply& reply)
{
    if (!IsOpening(player))
        return false;
    auto& queue = m_Pending[static_cast<size_t>(player)].queue;
    // Play and pause set where the player ends up: the latest of them wins.
    const auto setsPlayState
        = [](ShowCommandId id) { return id == ShowCommandId::Run || id == ShowCommandId::Pause; };
    if (setsPlayState(command.id)) {
        for (auto it = queue.begin(); it != queue.end();) {
            if (!setsPlayState(it->first.id)) {
                ++it;
                continue;
            }
            Emit({ ShowEventKind::Done, player, 0, "replaced", it->second });
            it = queue.erase(it);
        }
    }
    if (queue.size() >= kQueueLimit) {
        reply = ShowReply { false, "too many commands wait for the open", 0 };
        return true;
    }
    const uint64_t ticket = m_NextTicket++;
    queue.emplace_back(command, ticket);
    reply = ShowReply { true, {}, ticket };
    return true;
}

void CShowEngine::SetLevel(int32_t volume, bool announce)
{
    ApplyVolume(volume);
    Emit(ShowEventKind::Level, -1, m_Volume);
    if (!announce)
        return;
    char text[64];
    std::snprintf(text, sizeof text, "Volume set to %d%%.", VolumePercent());
    SendStatusMsg(m_Active, text);
}

bool CShowEngine::SetPlaylistMode(ShowCommandId id, bool on)
{
    if (!m_Playlist.IsInitialised())
        return false;
    if (id == ShowCommandId::Loop && m_Playlist.GetLoopList() != on)
        m_Playlist.ToggleLoopList();
    if (id == ShowCommandId::Repeat && m_Playlist.GetLoopSingleTrack() != on)
        m_Playlist.ToggleLoopSingleTrack();
    if (id == ShowCommandId::AutoAdvance && m_Playlist.GetAutoSkipTrack() != on) {
        // Greyed while repeat is on: no controller flips it behind the menu's back.
        if (m_Playlist.GetLoopSingleTrack()) {
            LogMessage("OnOscPlaylistMode(): the command is disabled.\n");
            return false;
        }
        m_Playlist.ToggleAutoSkipTrack();
    }
    ApplySeamlessLoop();
    Emit(ShowEventKind::Playlist);
    return true;
}

ShowReply CShowEngine::Run(const ShowCommand& command, const ShowCommandInfo& info)
{
    using Id = ShowCommandId;
    const ShowReply done { true, {}, 0 };
    ShowReply queued;
    const int player = command.player;
    switch (command.id) {
    case Id::PlayActive:
        return Run(ShowCommand { Id::Run, m_Active, 0, {} }, *FindShowCommand(Id::Run));
    case Id::PauseActive:
        return Run(ShowCommand { Id::Pause, m_Active, 0, {} }, *FindShowCommand(Id::Pause));
    case Id::Run:
    case Id::Pause:
        if (QueueBehindOpen(player, command, queued))
            return queued;
        if (command.id == Id::Run)
            PlayOnly(player);
        else
            PausePlayer(player);
        return done;
    case Id::StopActive:
    case Id::Stop:
        StopPlayer(command.id == Id::Stop ? player : m_Active);
        return done;
    case Id::PlayPause:
        TogglePlay(m_Active);
        return done;
    case Id::Play:
        Cut(player);
        m_Playlist.FocusPlayerEntry(player);
        if (QueueBehindOpen(player, ShowCommand { Id::Run, player, 0, {} }, queued))
            return queued;
        PlayOnly(player);
        return done;
    case Id::Select:
    case Id::Cut:
        Cut(player);
        m_Playlist.FocusPlayerEntry(player);
        return done;
    case Id::Take:
        if (TakeHidden())
            return done;
        if (IsOpening(GetHiddenPlayer())
            && QueueBehindOpen(GetHiddenPlayer(), ShowCommand { Id::Play, GetHiddenPlayer(), 0, {} }, queued))
            return queued;
        return Refuse(info, "the hidden player has no medium open");
    case Id::Mute:
        ApplyMute(command.value == 1);
        Emit(ShowEventKind::Level, -1, m_Volume);
        return done;
    case Id::Open: {
        const uint64_t ticket = m_NextTicket++;
        const uint64_t outer = std::exchange(m_OpenTicket, ticket);
        m_OpenEnded.reset();
        OpenRemote(player, command.text, ticket);
        m_OpenTicket = outer;
        // An open that ended at once is answered now; one under way by its Done event.
        if (!m_OpenEnded)
            return ShowReply { true, {}, ticket };
        if (*m_OpenEnded)
            return done;
        return Refuse(info, "the medium could not be opened");
    }
    case Id::SeekActive: {
        if (QueueBehindOpen(m_Active, command, queued))
            return queued;
        CBasePlayer* p = GetPlayer(m_Active);
        const int64_t target = command.value;
        if (p && target >= 0) {
            const int state = p->GetPlayState();
            const auto ms
                = static_cast<uint32_t>(std::min<int64_t>(target, std::numeric_limits<uint32_t>::max()));
            p->SetPosition(ms);
            PausePlayer(m_Active);
            if (state == CBasePlayer::STATE_RUNNING)
                TogglePlay(m_Active);
            const uint32_t duration = p->GetDuration();
            if (duration != 0 && target <= duration)
                SendSeekMessage(m_Active, ms, duration);
        }
        return done;
    }
    case Id::Seek: {
        if (QueueBehindOpen(player, command, queued))
            return queued;
        const auto ms = static_cast<uint32_t>(std::clamp<int64_t>(command.value, 0, UINT32_MAX));
        SeekPlayer(player, ms);
        CBasePlayer* p = GetPlayer(player);
        const uint32_t duration = p ? p->GetDuration() : 0;
        if (duration != 0 && ms <= duration)
            SendSeekMessage(m_Active, ms, duration);
        else if (duration == 0 && IsOpen(player) && IsStreamUrl(p->GetFileName())) {
            SendStatusMsg(player, "Seek refused: a live stream has no length to seek in.");
            return Refuse(info, "a live stream has no length to seek in");
        }
        return done;
    }
    case Id::Volume: {
        // A wild percentage saturates and is refused by the level check.
        const int32_t position = VolumeScale::SliderFromPercent(
            static_cast<int32_t>(std::clamp<int64_t>(command.value, INT32_MIN, INT32_MAX)), m_VolumeRange);
        SetLevel(VolumeScale::VolumeFromSlider(position, m_VolumeRange), true);
        return done;
    }
    case Id::VolumeDb:
        // The same steps as a level in percent, on the level control's range.
        SetLevel(static_cast<int32_t>(std::clamp<int64_t>(command.value, -m_VolumeRange, 0)), true);
        return done;
    case Id::Step:
        if (command.value == 0)
            m_Playlist.PrevTrack();
        else if (command.value == 1)
            m_Playlist.NextTrack();
        return done;
    case Id::PlaylistGo:
        if (command.value < 0 || command.value >= std::max(m_Playlist.GetTrackCount(), 0)) {
            LogMessage(
                "OnOscPlaylistGo(): no playlist entry %lld.\n", static_cast<long long>(command.value) + 1);
            return Refuse(info, "no such playlist entry");
        }
        m_Playlist.OnDoubleClick(static_cast<int>(command.value)); // as a double click on the entry
        return done;
    case Id::Loop:
    case Id::Repeat:
    case Id::AutoAdvance:
        if (!SetPlaylistMode(command.id, command.value != 0))
            return Refuse(info, "the command is disabled");
        return done;
    case Id::Fullscreen: {
        if (!m_pOutput)
            return Refuse(info, "no picture output");
        const bool on = command.value < 0 ? !m_pOutput->IsFullscreen() : command.value != 0;
        if (m_pOutput->IsFullscreen() != on)
            m_pOutput->SetFullscreen(on);
        return done;
    }
    }
    return Refuse(info, "unknown command");
}

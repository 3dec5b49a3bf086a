// The main frame's private message handlers: local commands, player
// notifications and remote commands, and the status record and lines they
// produce.
#include "ui/MainFrame.h"

#include "core/CoreTypes.h"
#include "core/Log.h"
#include "core/TickClock.h"
#include "core/VolumeScale.h"
#include "osc/OscServer.h"
#include "playback/BasePlayer.h"
#include "playlist/Duration.h"
#include "playlist/MediaTypes.h"
#include "playlist/PlaylistCtrl.h"
#include "remote/RemotePackets.h"
#include "remote/ServerSocket.h"
#include "ui/CommandIds.h"
#include "ui/PlayerCtrlBar.h"
#include "ui/RightView.h"
#include "ui/VideoView.h"
#include "ui/WallSync.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

namespace {

// A player index from wParam; anything that is no int reads as -1 (invalid).
int PlayerArg(WPARAM wParam)
{
    return wParam <= static_cast<WPARAM>(std::numeric_limits<int>::max()) ? static_cast<int>(wParam) : -1;
}

// The remote handlers' check of the packet's player index, logged in the
// handler's name.
bool CheckRemotePlayer(WPARAM wParam, const char* handler)
{
    if (wParam < 2)
        return true;
    LogMessage("%s(): PlayerID out of range!\n", handler);
    return false;
}

// ":n" selects playlist entry n (1-based): colons are trimmed from both ends and
// the leading digits read; anything else is 0.
int EntryNumber(std::string text)
{
    const size_t first = text.find_first_not_of(':');
    const size_t last = text.find_last_not_of(':');
    text = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    int64_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        n = std::min<int64_t>(n * 10 + (c - '0'), std::numeric_limits<int>::max());
    }
    return static_cast<int>(n);
}

} // namespace

LRESULT CMainFrame::SendMessage(unsigned msg, WPARAM wParam, LPARAM lParam)
{
    if (!m_bPanesCreated)
        return 0;
    if (m_pWall && m_pWall->Intercept(msg, wParam, lParam))
        return 1;
    switch (msg) {
    case WM_CMD_PLAY:
        m_pVideoView->PlayOnly(ActivePlayer());
        return 1;
    case WM_CMD_PAUSE:
        m_pVideoView->Pause(ActivePlayer());
        return 1;
    case WM_CMD_STOP:
        m_pVideoView->Stop(ActivePlayer());
        return 1;
    case WM_CMD_MUTE:
        m_pVideoView->SetMute(lParam == 1);
        return 1;
    case WM_PLAYER_MEDIA_OPENED:
        return OnMediaOpened(PlayerArg(wParam));
    case WM_CMD_SLIDER:
        return OnSlider(wParam, lParam);
    case WM_PLAYER_REFRESH:
        return OnPlayerRefresh();
    case WM_PLAYER_STATE:
        return OnPlayerState(PlayerArg(wParam), static_cast<int>(lParam));
    case WM_CMD_SELECT_PLAYER:
    case WM_NET_SELECT_PLAYER:
        return OnSelectPlayer(PlayerArg(wParam));
    case WM_CMD_STEP_TRACK:
        return OnStepTrack(wParam);
    case WM_CMD_LOAD_TRACK:
        return OnLoadTrack(wParam, lParam);
    case WM_PLAYER_END_OF_MEDIA:
        return OnEndOfMedia();
    case WM_PLAYER_FAILED:
        return OnPlayerFailed(PlayerArg(wParam));
    case WM_NET_PLAY:
        return OnNetPlay(wParam);
    case WM_NET_STOP:
        return OnNetStop(wParam);
    case WM_NET_PAUSE:
        return OnNetPause(wParam);
    case WM_NET_OPEN:
        return OnNetOpen(wParam, lParam);
    case WM_NET_SEEK:
        return OnNetSeek(wParam, lParam);
    case WM_NET_VOLUME:
        return OnNetVolume(wParam, lParam);
    case WM_OSC_OPEN:
        if (lParam == 0)
            return 1;
        OpenRemote(PlayerArg(wParam), *reinterpret_cast<const std::string*>(lParam));
        return 1;
    case WM_OSC_VOLUME_DB:
        return OnOscVolumeDb(wParam, lParam);
    case WM_OSC_TAKE:
        return TakeHidden() ? 1 : 0;
    case WM_OSC_PLAYLIST_GO:
        return OnOscPlaylistGo(wParam);
    case WM_OSC_PLAYLIST_MODE:
        return OnOscPlaylistMode(wParam, lParam);
    case WM_OSC_FULLSCREEN:
        return OnOscFullscreen(lParam);
    case WM_SYNC_CUE:
        if (m_pWall)
            m_pWall->OnCuePacket(static_cast<int>(lParam));
        return 1;
    default:
        return 0; // 1129 (command 12) included: nobody handles it
    }
}

int CMainFrame::VolumePercent(int32_t volume) const
{
    return VolumeScale::PercentFromVolume(volume, VolumeRange(), m_pVideoView->IsMuted());
}

void CMainFrame::UpdateStatusRecord()
{
    if (!m_bPanesCreated)
        return;
    const int active = ActivePlayer();
    CBasePlayer* player = m_pVideoView->GetPlayer(active);
    RemotePackets::StatusRecord record;
    record.playState = player ? player->GetPlayState() : 0;
    record.duration = player ? player->GetDuration() : 0;
    record.position = player ? player->GetPosition() : 0;
    record.volume = static_cast<uint16_t>(VolumePercent(m_pVideoView->GetVolume()));
    record.fileName = player ? player->GetShortName() : std::string();
    record.activeIndex = static_cast<uint16_t>(active);
    m_pSocket->SetStatus(std::move(record));

    OscState osc;
    for (int i : { PLAYER_A, PLAYER_B }) {
        if (CBasePlayer* p = m_pVideoView->GetPlayer(i))
            osc.players[i] = { p->GetPlayState(), p->GetPosition(), p->GetDuration(), p->GetShortName() };
    }
    osc.active = active;
    osc.volumePercent = VolumePercent(m_pVideoView->GetVolume());
    osc.volumeDb = m_pVideoView->GetVolume() / 100.0;
    if (CPlaylistCtrl* playlist = GetPlaylist(); playlist && playlist->IsInitialised()) {
        osc.playlistPosition = std::max(playlist->GetCurrentTrack() + 1, 0);
        osc.playlistCount = std::max(playlist->GetTrackCount(), 0);
        osc.loop = playlist->GetLoopList();
        osc.repeat = playlist->GetLoopSingleTrack();
        osc.autoAdvance = playlist->GetAutoSkipTrack();
    }
    osc.fullscreen = m_pVideoView->IsFullscreen();
    // Repeat loops the active medium seamlessly where the player can.
    for (int i : { PLAYER_A, PLAYER_B })
        if (CBasePlayer* p = m_pVideoView->GetPlayer(i))
            p->SetSeamlessLoop(i == active && osc.repeat);
    osc.sync = m_SyncStatus;
    osc.syncOffsetMs = m_SyncOffsetMs;
    m_pOsc->SetState(osc);
}

void CMainFrame::MarkStatusChanged()
{
    m_pSocket->m_bSendNow = true;
}

void CMainFrame::StatusChanged()
{
    UpdateStatusRecord();
    MarkStatusChanged();
}

void CMainFrame::SendStatusMsg(int player, const std::string& text)
{
    if (text.empty())
        return;
    if (!IsValidPlayerId(player)) {
        LogMessage("SendStatusMsg(): PlayerID out of range!\n");
        return;
    }
    const std::string line = (player == PLAYER_A ? "Player A: " : "Player B: ") + text + "\n";
    m_pSocket->SendText(line);
    m_pOsc->SendText(line);
}

void CMainFrame::SendSeekMessage(int player, uint32_t position, uint32_t duration)
{
    const unsigned percent
        = static_cast<unsigned>(std::min<uint64_t>(uint64_t { position } * 100 / duration, 100));
    char text[128];
    std::snprintf(text, sizeof text, "Seeking to %s / %s ( %u%% )", FormatDuration(position).c_str(),
        FormatDuration(duration).c_str(), percent);
    SendStatusMsg(player, text);
}

void CMainFrame::LightPlayerButtons()
{
    m_pCtrlBar->SetActivePlayer(ActivePlayer());
}

LRESULT CMainFrame::OnMediaOpened(int player)
{
    const std::string title = m_pVideoView->GetTitle(player);
    const std::string file = m_pVideoView->GetFileName(player);
    m_pCtrlBar->SetStatusTitle(QString::fromLocal8Bit(title.c_str()));
    m_pCtrlBar->RedrawStatus();
    m_pCtrlBar->EnablePositionSlider(IsTimedMedia(file));
    if (CPlaylistCtrl* playlist = GetPlaylist()) {
        CBasePlayer* p = m_pVideoView->GetPlayer(player);
        playlist->SetPlayerEntry(file, player, title, p ? p->GetDuration() : 0);
    }
    SendStatusMsg(player, "Opening Stream ( " + title + " ) successful.");
    return 1;
}

LRESULT CMainFrame::OnPlayerRefresh()
{
    const int active = ActivePlayer();
    CBasePlayer* player = m_pVideoView->GetPlayer(active);
    const uint32_t duration = player ? player->GetDuration() : 0;
    const uint32_t position = player ? player->GetPosition() : 0;
    m_pCtrlBar->SetStatusTitle(QString::fromLocal8Bit(m_pVideoView->GetTitle(active).c_str()));
    m_pCtrlBar->SetStatusPosition(position);
    m_pCtrlBar->SetStatusDuration(duration);
    m_pCtrlBar->RedrawStatus();
    if (duration != 0) {
        m_pCtrlBar->SetPositionRange(duration);
        m_pCtrlBar->SetPosition(position);
    } else {
        m_pCtrlBar->SetPosition(0);
    }
    return 1;
}

LRESULT CMainFrame::OnPlayerState(int player, int state)
{
    const int active = ActivePlayer();
    if (CBasePlayer* p = m_pVideoView->GetPlayer(active)) {
        m_pCtrlBar->SetStatusPlayState(p->GetPlayState());
        m_pCtrlBar->SetStatusTitle(QString::fromLocal8Bit(m_pVideoView->GetTitle(active).c_str()));
        m_pCtrlBar->SetStatusPosition(p->GetPosition());
        m_pCtrlBar->SetStatusDuration(p->GetDuration());
        m_pCtrlBar->RedrawStatus();
    }
    LightPlayerButtons();
    StatusChanged();
    static const char* const kTexts[] = { "Playback stopped.", "Playback paused.", "Playback started." };
    if (state >= 0 && state <= 2)
        SendStatusMsg(player, kTexts[state]);
    return 1;
}

LRESULT CMainFrame::OnSelectPlayer(int player)
{
    m_pVideoView->SetActivePlayer(player);
    if (CPlaylistCtrl* playlist = GetPlaylist(); playlist && IsValidPlayerId(player))
        playlist->FocusPlayerEntry(player);
    LightPlayerButtons();
    StatusChanged();
    return 1;
}

LRESULT CMainFrame::OnStepTrack(WPARAM direction)
{
    CPlaylistCtrl* playlist = GetPlaylist();
    if (!playlist)
        return 1;
    if (direction == 0)
        playlist->PrevTrack();
    else if (direction == 1)
        playlist->NextTrack();
    return 1;
}

LRESULT CMainFrame::OnLoadTrack(WPARAM target, LPARAM autoplay)
{
    if (m_bHoldStartTrack) {
        m_HeldStartTrack = autoplay != 0 ? 1 : 0;
        return 1;
    }
    const int player = target == 1 ? PLAYER_A : target == 2 ? PLAYER_B : ActivePlayer();
    CBasePlayer* active = m_pVideoView->GetPlayer(ActivePlayer());
    // While bad entries are skipped the active player has lost its medium: the
    // state from before the first attempt carries on.
    const int state = m_ContinueState >= 0 ? m_ContinueState
        : active                           ? active->GetPlayState()
                                           : CBasePlayer::STATE_STOPPED;
    CPlaylistCtrl* playlist = GetPlaylist();
    const std::string path = playlist ? playlist->GetCurrentPath() : std::string();
    if (path.empty())
        return 0;
    m_LoadOutcome = LOAD_PENDING;
    const bool starting = std::exchange(m_bLoadStarting, true);
    m_pVideoView->OpenMedia(
        path, player, [this, path, player, state, autoplay](CVideoView::OpenResult result) {
            OnTrackOpened(path, player, state, autoplay != 0, result);
        });
    m_bLoadStarting = starting;
    return 1;
}

void CMainFrame::OnTrackOpened(
    const std::string& path, int player, int state, bool autoplay, CVideoView::OpenResult result)
{
    if (result == CVideoView::OpenResult::Cancelled) {
        // Something newer took the player: skipping entries ends here, quietly.
        if (!m_bLoadStarting && m_bAdvancing)
            EndAdvance(false);
        return;
    }
    if (result == CVideoView::OpenResult::Failed) {
        m_LoadOutcome = LOAD_FAILED;
        SendStatusMsg(player, "Opening Stream ( " + path + " ) failed!");
    } else {
        m_LoadOutcome = LOAD_OPENED;
        // The new track continues in the state the active player was in; autoplay
        // runs it in any case (once: a second run would only repeat the status line).
        if (state == CBasePlayer::STATE_PAUSED)
            m_pVideoView->Pause(player);
        if (state == CBasePlayer::STATE_RUNNING || autoplay)
            m_pVideoView->PlayOnly(player);
    }
    CBasePlayer* p = m_pVideoView->GetPlayer(player);
    SendMessage(WM_PLAYER_STATE, static_cast<WPARAM>(player), p ? p->GetPlayState() : 0);
    if (!m_bLoadStarting && m_bAdvancing)
        NextAdvanceAttempt();
}

LRESULT CMainFrame::OnEndOfMedia()
{
    const int active = ActivePlayer();
    CPlaylistCtrl* playlist = GetPlaylist();
    if (playlist && playlist->GetLoopSingleTrack()) {
        m_pVideoView->Stop(active);
        m_pVideoView->PlayOnly(active);
        return 1;
    }
    const int count = playlist ? playlist->GetTrackCount() : 0;
    const bool last = count <= 0 || (playlist->GetCurrentTrack() == count - 1 && !playlist->GetLoopList());
    if (last || !playlist->GetAutoSkipTrack())
        m_pVideoView->Stop(active);
    else
        AdvanceTrack(count);
    SendMessage(WM_PLAYER_REFRESH, 0, 0);
    return 1;
}

void CMainFrame::AdvanceTrack(int count)
{
    // An entry that does not open is skipped, at most once around the list, so
    // one bad file never ends an unattended loop.
    CBasePlayer* player = m_pVideoView->GetPlayer(ActivePlayer());
    m_ContinueState = player ? player->GetPlayState() : CBasePlayer::STATE_STOPPED;
    m_bAdvancing = true;
    m_AdvanceTries = count;
    m_LoadOutcome = LOAD_FAILED; // the first attempt is the next entry
    NextAdvanceAttempt();
}

void CMainFrame::NextAdvanceAttempt()
{
    while (m_LoadOutcome == LOAD_FAILED && m_AdvanceTries > 0) {
        --m_AdvanceTries;
        m_LoadOutcome = LOAD_NONE;
        SendMessage(WM_CMD_STEP_TRACK, 1, 0);
        if (m_LoadOutcome == LOAD_PENDING)
            return; // OnTrackOpened carries on when the open has ended
    }
    EndAdvance(true); // opened, failed everywhere, or the end of the list without loop
}

void CMainFrame::EndAdvance(bool stopUnlessOpened)
{
    m_bAdvancing = false;
    m_AdvanceTries = 0;
    m_ContinueState = -1;
    const int active = ActivePlayer();
    CBasePlayer* player = m_pVideoView->GetPlayer(active);
    if (stopUnlessOpened && m_LoadOutcome != LOAD_OPENED && player
        && player->GetPlayState() != CBasePlayer::STATE_STOPPED)
        m_pVideoView->Stop(active);
}

LRESULT CMainFrame::OnPlayerFailed(int player)
{
    if (!IsValidPlayerId(player))
        return 1;
    SendStatusMsg(player, "Playback failed.");
    // A medium that failed ends as a finished one does: the active player
    // follows the playlist's rules, a hidden one just stops. Failures in quick
    // succession mean the recovery itself fails (a medium that breaks at once
    // on repeat, a list of them): once around the list, then stop rather than
    // spin and flood the network with failures.
    const int64_t now = MonotonicMs();
    int& quick = m_QuickFailures[player];
    quick = now - m_LastFailureMs[player] < kQuickFailureMs ? quick + 1 : 1;
    m_LastFailureMs[player] = now;
    CPlaylistCtrl* playlist = GetPlaylist();
    const int allowed
        = playlist && !playlist->GetLoopSingleTrack() ? std::max(playlist->GetTrackCount(), 1) : 1;
    if (player == ActivePlayer() && quick <= allowed)
        return OnEndOfMedia();
    if (player == ActivePlayer())
        LogError("CMainFrame: %s keeps failing; stopped.\n", player == PLAYER_A ? "Player A" : "Player B");
    m_pVideoView->Stop(player);
    SendMessage(WM_PLAYER_REFRESH, 0, 0);
    return 1;
}

LRESULT CMainFrame::OnSlider(WPARAM id, LPARAM position)
{
    const int active = ActivePlayer();
    if (id == SLIDER_VOLUME_ID) {
        m_pVideoView->SetVolume(VolumeScale::VolumeFromSlider(position, VolumeRange()));
        char text[64];
        std::snprintf(text, sizeof text, "Volume set to %d%%.", VolumePercent(m_pVideoView->GetVolume()));
        SendStatusMsg(active, text);
        StatusChanged();
        return 1;
    }
    if (id != SLIDER_POSITION_ID)
        return 1;
    CBasePlayer* player = m_pVideoView->GetPlayer(active);
    const int64_t target = m_pCtrlBar->PositionSlider().GetPos();
    if (player && target >= 0) {
        const int state = player->GetPlayState();
        const uint32_t ms
            = static_cast<uint32_t>(std::min<int64_t>(target, std::numeric_limits<uint32_t>::max()));
        player->SetPosition(ms);
        m_pVideoView->Pause(active);
        if (state == CBasePlayer::STATE_RUNNING)
            m_pVideoView->Play(active);
        const uint32_t duration = player->GetDuration();
        if (duration != 0 && target <= duration)
            SendSeekMessage(active, ms, duration);
    }
    StatusChanged();
    return 1;
}

LRESULT CMainFrame::OnNetPlay(WPARAM wParam)
{
    if (!CheckRemotePlayer(wParam, "OnNetPlayMedia"))
        return 1;
    const int player = static_cast<int>(wParam);
    m_pVideoView->SetActivePlayer(player);
    if (CPlaylistCtrl* playlist = GetPlaylist())
        playlist->FocusPlayerEntry(player);
    m_pVideoView->PlayOnly(player);
    StatusChanged();
    return 1;
}

LRESULT CMainFrame::OnNetPause(WPARAM wParam)
{
    if (!CheckRemotePlayer(wParam, "OnNetPauseMedia"))
        return 1;
    m_pVideoView->Pause(static_cast<int>(wParam));
    StatusChanged();
    return 1;
}

LRESULT CMainFrame::OnNetStop(WPARAM wParam)
{
    if (!CheckRemotePlayer(wParam, "OnNetStopMedia"))
        return 1;
    m_pVideoView->Stop(static_cast<int>(wParam));
    StatusChanged();
    return 1;
}

LRESULT CMainFrame::OnNetVolume(WPARAM wParam, LPARAM percent)
{
    if (!CheckRemotePlayer(wParam, "OnNetVolumeChange"))
        return 1;
    // A wild percentage saturates and is refused by the view.
    const int range = VolumeRange();
    const int32_t position = VolumeScale::SliderFromPercent(static_cast<int32_t>(percent), range);
    m_pVideoView->SetVolume(VolumeScale::VolumeFromSlider(position, range));
    m_pCtrlBar->SetVolumePos(position);
    char text[64];
    std::snprintf(text, sizeof text, "Volume set to %d%%.", VolumePercent(m_pVideoView->GetVolume()));
    SendStatusMsg(ActivePlayer(), text);
    StatusChanged();
    return 1;
}

LRESULT CMainFrame::OnNetSeek(WPARAM wParam, LPARAM position)
{
    if (!CheckRemotePlayer(wParam, "OnNetSeekAbs"))
        return 1;
    const int player = static_cast<int>(wParam);
    const auto ms = static_cast<uint32_t>(position);
    m_pVideoView->SetPosition(player, ms);
    StatusChanged();
    CBasePlayer* p = m_pVideoView->GetPlayer(player);
    const uint32_t duration = p ? p->GetDuration() : 0;
    if (duration != 0 && ms <= duration)
        SendSeekMessage(ActivePlayer(), ms, duration);
    else if (duration == 0 && p && p->GetGraphState() == CBasePlayer::GRAPH_OPEN
        && IsStreamUrl(p->GetFileName()))
        SendStatusMsg(player, "Seek refused: a live stream has no length to seek in.");
    return 1;
}

LRESULT CMainFrame::OnNetOpen(WPARAM wParam, LPARAM slot)
{
    using namespace RemotePackets;
    std::uint8_t packet[kCommandSize] = {};
    const bool copied = slot >= 0 && slot < CServerSocket::kRingSlots
        && m_pSocket->GetCommandPacket(packet, static_cast<int>(slot));
    const auto command = copied ? DecodeCommand(packet) : std::nullopt;
    OpenRemote(PlayerArg(wParam), command ? command->text : std::string());
    return 1;
}

// An open from a controller: a path or stream address, or ":n" for playlist entry n.
void CMainFrame::OpenRemote(int player, std::string text)
{
    const size_t first = text.find_first_not_of(' ');
    const size_t last = text.find_last_not_of(' ');
    text = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);

    CPlaylistCtrl* playlist = GetPlaylist();
    std::string path = text;
    if (!text.empty() && text[0] == ':')
        path = playlist ? playlist->GetPathAt(EntryNumber(text) - 1) : std::string();

    m_pVideoView->OpenMedia(path, player,
        [this, path, player](CVideoView::OpenResult result) { OnNetOpened(path, player, result); });
}

void CMainFrame::OnNetOpened(const std::string& path, int player, CVideoView::OpenResult result)
{
    if (result == CVideoView::OpenResult::Cancelled)
        return; // a newer open or a stop took its place
    if (result == CVideoView::OpenResult::Failed) {
        SendStatusMsg(player, "Opening Stream ( " + path + " ) failed!");
        return;
    }
    if (CPlaylistCtrl* playlist = GetPlaylist()) {
        playlist->SetPlayerEntry(path, player, {}, 0);
        if (player == ActivePlayer() && playlist->GetPlayListIndx(path) >= 0)
            playlist->FocusPlayerEntry(player);
    }
}

LRESULT CMainFrame::OnOscVolumeDb(WPARAM wParam, LPARAM hundredths)
{
    if (!CheckRemotePlayer(wParam, "OnNetVolumeChange"))
        return 1;
    // The same steps as a volume in percent, on the slider's range.
    const int range = VolumeRange();
    const auto volume = static_cast<int32_t>(std::clamp<LPARAM>(hundredths, -range, 0));
    m_pVideoView->SetVolume(volume);
    m_pCtrlBar->SetVolumePos(range + volume);
    char text[64];
    std::snprintf(text, sizeof text, "Volume set to %d%%.", VolumePercent(m_pVideoView->GetVolume()));
    SendStatusMsg(ActivePlayer(), text);
    StatusChanged();
    return 1;
}

LRESULT CMainFrame::OnOscPlaylistGo(WPARAM row)
{
    CPlaylistCtrl* playlist = GetPlaylist();
    if (!playlist || row >= static_cast<WPARAM>(std::max(playlist->GetTrackCount(), 0))) {
        LogMessage("OnOscPlaylistGo(): no playlist entry %llu.\n", static_cast<unsigned long long>(row) + 1);
        return 1;
    }
    playlist->OnDoubleClick(static_cast<int>(row)); // as a double click on the entry
    StatusChanged();
    return 1;
}

LRESULT CMainFrame::OnOscPlaylistMode(WPARAM mode, LPARAM on)
{
    const int id = mode == OSC_MODE_LOOP ? CommandId::LoopPlaylist
        : mode == OSC_MODE_REPEAT        ? CommandId::RepeatSingleTrack
                                         : CommandId::AutoPlayNext;
    bool enabled = false, checked = false;
    m_pRightView->GetCommandState(id, enabled, checked);
    // The menu command toggles: it runs only when the mark differs.
    if (!enabled)
        LogMessage("OnOscPlaylistMode(): the command is disabled.\n");
    else if (checked != (on != 0))
        RunCommand(id);
    StatusChanged();
    return 1;
}

LRESULT CMainFrame::OnOscFullscreen(LPARAM on)
{
    if (m_pVideoView->IsFullscreen() != (on != 0))
        RunCommand(CommandId::Fullscreen);
    StatusChanged();
    return 1;
}

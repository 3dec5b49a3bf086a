// The show's rules: what an opened medium announces, opens from controllers
// and from the playlist, the end and the failure of a medium, and the take.
#include "show/ShowEngine.h"

#include "core/Log.h"
#include "core/TickClock.h"
#include "playback/BasePlayer.h"
#include "playlist/PlaylistCtrl.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

namespace {

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

void CShowEngine::OnMediaOpened(int player)
{
    const std::string title = GetTitle(player);
    m_Playlist.SetPlayerEntry(GetFileName(player), player, title, GetDuration(player));
    Emit(ShowEventKind::Opened, player);
    SendStatusMsg(player, "Opening Stream ( " + title + " ) successful.");
}

// An open from a controller: a path or stream address, or ":n" for playlist entry n.
void CShowEngine::OpenRemote(int player, std::string text, uint64_t ticket)
{
    const size_t first = text.find_first_not_of(' ');
    const size_t last = text.find_last_not_of(' ');
    text = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    std::string path = text;
    if (!text.empty() && text[0] == ':')
        path = m_Playlist.GetPathAt(EntryNumber(text) - 1);
    OpenMedia(path, player,
        [this, path, player, ticket](OpenResult result) { OnRemoteOpened(path, player, result, ticket); });
}

void CShowEngine::OnRemoteOpened(const std::string& path, int player, OpenResult result, uint64_t ticket)
{
    if (ticket == m_OpenTicket)
        m_OpenEnded = result == OpenResult::Opened;
    Emit(ShowEvent { ShowEventKind::Done, player, result == OpenResult::Opened ? 1 : 0,
        result == OpenResult::Cancelled ? "cancelled" : std::string(), ticket });
    if (result == OpenResult::Cancelled)
        return; // a newer open or a stop took its place
    if (result == OpenResult::Failed) {
        SendStatusMsg(player, "Opening Stream ( " + path + " ) failed!");
        return;
    }
    m_Playlist.SetPlayerEntry(path, player, {}, 0);
    if (player == m_Active && m_Playlist.GetPlayListIndx(path) >= 0)
        m_Playlist.FocusPlayerEntry(player);
}

void CShowEngine::LoadHeldStartTrack()
{
    if (m_HeldStartTrack >= 0)
        OnLoadTrack(0, std::exchange(m_HeldStartTrack, -1) != 0 ? 1 : 0);
}

bool CShowEngine::OnLoadTrack(WPARAM target, LPARAM autoplay)
{
    if (m_bHoldStartTrack) {
        m_HeldStartTrack = autoplay != 0 ? 1 : 0;
        return true;
    }
    const int player = target == 1 ? PLAYER_A : target == 2 ? PLAYER_B : m_Active;
    CBasePlayer* active = GetPlayer(m_Active);
    // While bad entries are skipped the active player has lost its medium: the
    // state from before the first attempt carries on.
    const int state = m_ContinueState >= 0 ? m_ContinueState
        : active                           ? active->GetPlayState()
                                           : CBasePlayer::STATE_STOPPED;
    const std::string path = m_Playlist.GetCurrentPath();
    if (path.empty())
        return false;
    m_LoadOutcome = LOAD_PENDING;
    const bool starting = std::exchange(m_bLoadStarting, true);
    OpenMedia(path, player, [this, path, player, state, autoplay](OpenResult result) {
        OnTrackOpened(path, player, state, autoplay != 0, result);
    });
    m_bLoadStarting = starting;
    return true;
}

void CShowEngine::OnTrackOpened(
    const std::string& path, int player, int state, bool autoplay, OpenResult result)
{
    if (result == OpenResult::Cancelled) {
        // Something newer took the player: skipping entries ends here, quietly.
        if (!m_bLoadStarting && m_bAdvancing)
            EndAdvance(false);
        return;
    }
    if (result == OpenResult::Failed) {
        m_LoadOutcome = LOAD_FAILED;
        SendStatusMsg(player, "Opening Stream ( " + path + " ) failed!");
    } else {
        m_LoadOutcome = LOAD_OPENED;
        // The new track continues in the state the active player was in; autoplay
        // runs it in any case (once: a second run would only repeat the status line).
        if (state == CBasePlayer::STATE_PAUSED)
            PausePlayer(player);
        if (state == CBasePlayer::STATE_RUNNING || autoplay)
            PlayOnly(player);
    }
    StateChanged(player);
    if (!m_bLoadStarting && m_bAdvancing)
        NextAdvanceAttempt();
}

void CShowEngine::OnEndOfMedia()
{
    if (m_Playlist.GetLoopSingleTrack()) {
        StopPlayer(m_Active);
        PlayOnly(m_Active);
        return;
    }
    const int count = m_Playlist.GetTrackCount();
    const bool last = count <= 0 || (m_Playlist.GetCurrentTrack() == count - 1 && !m_Playlist.GetLoopList());
    if (last || !m_Playlist.GetAutoSkipTrack())
        StopPlayer(m_Active);
    else
        AdvanceTrack(count);
    Emit(ShowEventKind::Position);
}

void CShowEngine::AdvanceTrack(int count)
{
    // An entry that does not open is skipped, at most once around the list, so
    // one bad file never ends an unattended loop.
    m_ContinueState = GetPlayState(m_Active);
    m_bAdvancing = true;
    m_AdvanceTries = count;
    m_LoadOutcome = LOAD_FAILED; // the first attempt is the next entry
    NextAdvanceAttempt();
}

void CShowEngine::NextAdvanceAttempt()
{
    while (m_LoadOutcome == LOAD_FAILED && m_AdvanceTries > 0) {
        --m_AdvanceTries;
        m_LoadOutcome = LOAD_NONE;
        m_Playlist.NextTrack();
        if (m_LoadOutcome == LOAD_PENDING)
            return; // OnTrackOpened carries on when the open has ended
    }
    EndAdvance(true); // opened, failed everywhere, or the end of the list without loop
}

void CShowEngine::EndAdvance(bool stopUnlessOpened)
{
    m_bAdvancing = false;
    m_AdvanceTries = 0;
    m_ContinueState = -1;
    if (stopUnlessOpened && m_LoadOutcome != LOAD_OPENED && GetPlayer(m_Active)
        && GetPlayState(m_Active) != CBasePlayer::STATE_STOPPED)
        StopPlayer(m_Active);
}

void CShowEngine::OnPlayerFailed(int player)
{
    if (!IsValidPlayerId(player))
        return;
    SendStatusMsg(player, "Playback failed.");
    // A medium that failed ends as a finished one does: the active player
    // follows the playlist's rules, a hidden one just stops. Failures in quick
    // succession mean the recovery itself fails (a medium that breaks at once
    // on repeat, a list of them): once around the list, then stop rather than
    // spin and flood the network with failures.
    const int64_t now = MonotonicMs();
    int& quick = m_QuickFailures[static_cast<size_t>(player)];
    int64_t& last = m_LastFailureMs[static_cast<size_t>(player)];
    quick = now - last < kQuickFailureMs ? quick + 1 : 1;
    last = now;
    const int allowed = !m_Playlist.GetLoopSingleTrack() ? std::max(m_Playlist.GetTrackCount(), 1) : 1;
    if (player == m_Active && quick <= allowed) {
        OnEndOfMedia();
        return;
    }
    if (player == m_Active)
        LogError("CMainFrame: %s keeps failing; stopped.\n", player == PLAYER_A ? "Player A" : "Player B");
    StopPlayer(player);
    Emit(ShowEventKind::Position);
}

bool CShowEngine::TakeHidden()
{
    const int hidden = GetHiddenPlayer();
    // Cutting to a player with nothing in it would put black on the screen.
    if (!IsOpen(hidden)) {
        if (!IsOpening(hidden))
            LogMessage(
                "TakeHidden(): %s has no medium open.\n", hidden == PLAYER_A ? "Player A" : "Player B");
        return false;
    }
    Execute(ShowCommand { ShowCommandId::Play, hidden, 0, {} });
    return true;
}
